#include "FileWrite.h"

#include "FileDescriptor.h"
#include "SaveBackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>

#include <cerrno>
#include <functional>
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
// An in-place write goes in pieces of this size.
constexpr qsizetype kInPlaceChunk = 4096;

std::function<bool(TWriteStep)> &WriteHook()
{
    static std::function<bool(TWriteStep)> hook;
    return hook;
}

// False when a test makes this step fail.
bool Step(TWriteStep step)
{
    return !WriteHook() || WriteHook()(step);
}

bool IsWritableEntry(const QFileInfo &info)
{
    return info.isWritable() && info.permissions().testFlag(QFileDevice::WriteOwner);
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
    if (!Step(TWriteStep::Temporary)) {
        errno = EACCES;
        return -1;
    }
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

// Makes room for `size` bytes before the file is written over: a full disk
// is then found before its old bytes are touched.
bool Reserve(int fd, qsizetype size, qsizetype oldSize)
{
    return size <= oldSize || (Step(TWriteStep::Reserve) && ::posix_fallocate(fd, 0, off_t(size)) == 0);
}

bool WriteInPieces(int fd, const QByteArray &bytes)
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return false;
    for (qsizetype at = 0; at < bytes.size(); at += kInPlaceChunk) {
        if (!Step(TWriteStep::Write)
            || !Fd::WriteAll(fd, bytes.constData() + at, std::min(kInPlaceChunk, bytes.size() - at)))
            return false;
    }
    return ::ftruncate(fd, off_t(bytes.size())) == 0 && ::fsync(fd) == 0;
}

// Writes the file over its old bytes: for a folder that takes no new file
// although the file itself can be written.  Not atomic, but whole: the old
// bytes are copied aside first (see SaveBackup.h), room for the new ones is
// made before they are written, and a write that fails puts the old bytes
// back.  Only a put-back that fails too leaves the copy for the next start.
bool WriteInPlace(const QString &target, const QByteArray &bytes)
{
    const int fd = ::open(QFile::encodeName(target).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd); // a FIFO or a device is no file to write over
        return false;
    }
    QByteArray old;
    TSaveBackup backup;
    bool ok = Fd::ReadAll(fd, old) && Step(TWriteStep::Backup) && backup.Begin(target, old, bytes);
    if (ok) {
        ok = Reserve(fd, bytes.size(), old.size()) && WriteInPieces(fd, bytes) && Step(TWriteStep::Written);
        if (ok || (Step(TWriteStep::Restore) && Fd::ReplaceContent(fd, old)))
            backup.Discard();
    }
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
    bool ok = Fd::WriteAll(fd, bytes.constData(), bytes.size()) && ::fsync(fd) == 0;
    // The file keeps its permissions.
    if (ok && ::stat(QFile::encodeName(target).constData(), &old) == 0)
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.constData(), QFile::encodeName(target).constData()) == 0;
    if (!ok)
        ::unlink(temporary.constData());
    return ok;
}

void SetFileWriteHookForTest(std::function<bool(TWriteStep)> hook)
{
    WriteHook() = std::move(hook);
}
