#include "TRecentMenu.h"

#include "common/Exceptions.h"
#include "config/ConfigLocation.h"
#include "config/IniFile.h"
#include "program/RecentPrograms.h"

#include <QDir>

TRecentMenu::TRecentMenu(QWidget *parent) : QMenu(parent)
{
    setObjectName(QStringLiteral("mnu_Recent"));
    connect(this, &QMenu::aboutToShow, this, &TRecentMenu::Rebuild);
}

QStringList TRecentMenu::Paths() const
{
    return Read_Recent_Programs(TIniFile(ConfigFileName()));
}

QString TRecentMenu::Last_Folder() const
{
    return Last_Program_Folder(Paths());
}

void TRecentMenu::Remember(const QString &path)
{
    Store(With_Recent_Program(Paths(), path));
}

void TRecentMenu::Forget(const QString &path)
{
    Store(Without_Recent_Program(Paths(), path));
}

void TRecentMenu::Store(const QStringList &paths)
{
    TIniFile ini(ConfigFileName());
    try {
        Write_Recent_Programs(ini, paths);
    } catch (const Exception &) {
    }
}

void TRecentMenu::Rebuild()
{
    clear();
    const QStringList paths = Paths();
    if (paths.isEmpty()) {
        addAction(QStringLiteral("（没有最近的方案）"))->setEnabled(false);
        return;
    }
    for (int i = 0; i < paths.size(); ++i) {
        const QString path = paths[i];
        QAction *entry = addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(path).replace(QLatin1Char('&'), QStringLiteral("&&"))));
        entry->setObjectName(QStringLiteral("act_Recent%1").arg(i + 1));
        connect(entry, &QAction::triggered, this, [this, path] { emit Chosen(path); });
    }
}
