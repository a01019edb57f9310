#include "RecentPrograms.h"

#include "config/IniFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kSection = QStringLiteral("RECENT");

QString Key(int i)
{
    return QStringLiteral("FILE%1").arg(i + 1);
}

QString Clean(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

QStringList Read_Recent_Programs(const TIniFile &ini)
{
    QStringList paths;
    for (int i = 0; i < kRecentPrograms; ++i) {
        const QString path = ini.ReadString(kSection, Key(i), QString());
        if (!path.isEmpty() && !paths.contains(path))
            paths << path;
    }
    return paths;
}

void Write_Recent_Programs(TIniFile &ini, const QStringList &paths)
{
    ini.Batch([&] {
        ini.EraseSection(kSection);
        for (int i = 0; i < paths.size() && i < kRecentPrograms; ++i)
            ini.WriteString(kSection, Key(i), paths[i]);
    });
}

QStringList With_Recent_Program(QStringList paths, const QString &path)
{
    paths = Without_Recent_Program(std::move(paths), path);
    paths.prepend(Clean(path));
    while (paths.size() > kRecentPrograms)
        paths.removeLast();
    return paths;
}

QStringList Without_Recent_Program(QStringList paths, const QString &path)
{
    const QString clean = Clean(path);
    paths.removeIf([&clean](const QString &p) { return Clean(p) == clean; });
    return paths;
}

QString Last_Program_Folder(const QStringList &paths)
{
    return paths.isEmpty() ? QString() : QFileInfo(paths.first()).absolutePath();
}
