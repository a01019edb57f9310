#include "FileWrite.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {
bool IsWritableEntry(const QFileInfo &info)
{
    return info.isWritable() && info.permissions().testFlag(QFileDevice::WriteOwner);
}
} // namespace

bool CanWriteFile(const QString &fileName)
{
    const QFileInfo file(fileName);
    if (file.exists())
        return !file.isDir() && IsWritableEntry(file);
    return IsWritableFolder(file.absolutePath());
}

bool IsWritableFolder(const QString &folder)
{
    const QFileInfo dir(folder);
    return dir.isDir() && IsWritableEntry(dir);
}

bool WriteFileAtomically(const QString &fileName, const QByteArray &bytes)
{
    if (!CanWriteFile(fileName))
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
