#include "FileWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A save writes "<file name>.saving-XXXXXX" beside the file and renames it
// over the file.  The save holds an exclusive lock on it until then, so a
// temporary file that nobody holds is what a killed save left.
const QLatin1String kTempInfix(".saving-");
constexpr int kTempSuffixLength = 6;

bool IsWritableEntry(const QFileInfo &info)
{
    return info.isWritable() && info.permissions().testFlag(QFileDevice::WriteOwner);
}

bool WriteAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

void RemoveLeftovers(const QString &target)
{
    const QFileInfo info(target);
    const QString prefix = info.fileName() + kTempInfix;
    const QDir dir = info.absoluteDir();
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (!name.startsWith(prefix) || name.size() != prefix.size() + kTempSuffixLength)
            continue;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
        ::close(fd);
    }
}

// A new temporary file beside `target`, locked; -1 with errno set when
// the folder takes none.
int CreateTemporary(const QString &target, QByteArray &path)
{
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString suffix;
        for (int i = 0; i < kTempSuffixLength; ++i)
            suffix += QLatin1Char(kChars[QRandomGenerator::global()->bounded(int(sizeof kChars) - 1)]);
        path = QFile::encodeName(target + kTempInfix + suffix);
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::flock(fd, LOCK_EX);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

// Writes the file over its old bytes: for a folder that takes no new file
// although the file itself can be written.  Not atomic.
bool WriteInPlace(const QString &target, const QByteArray &bytes)
{
    const int fd = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = WriteAll(fd, bytes) && ::ftruncate(fd, off_t(bytes.size())) == 0 && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
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
    // A link is followed: the file it names is replaced, the link stays.
    const QFileInfo info(fileName);
    const QString target = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
    RemoveLeftovers(target);
    QByteArray temporary;
    const int fd = CreateTemporary(target, temporary);
    if (fd < 0)
        return errno == EACCES && QFileInfo::exists(target) && WriteInPlace(target, bytes);
    struct stat old {};
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    // The file keeps its permissions.
    if (ok && ::stat(QFile::encodeName(target).constData(), &old) == 0)
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.constData(), QFile::encodeName(target).constData()) == 0;
    if (!ok)
        ::unlink(temporary.constData());
    return ok;
}
