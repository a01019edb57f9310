#include "FileRead.h"

#include "FileDescriptor.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec
        && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

} // namespace

TFileRead ReadRegularFile(const QString &fileName)
{
    TFileRead read;
    // Without O_NONBLOCK, opening a FIFO waits for a writer.
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        read.Result = errno == ENOENT || errno == ENOTDIR ? TFileRead::Missing : TFileRead::CannotOpen;
        return read;
    }
    struct stat before {}, after {};
    if (::fstat(fd, &before) != 0) {
        read.Result = TFileRead::ReadFailed;
    } else if (!S_ISREG(before.st_mode)) {
        read.Result = TFileRead::NotRegular;
    } else if (!Fd::ReadAll(fd, read.Bytes)) {
        read.Result = TFileRead::ReadFailed;
    } else if (::fstat(fd, &after) != 0
               || (before.st_size > 0 && (!SameFile(before, after) || read.Bytes.size() != before.st_size))) {
        // A file that tells no size (as under /proc) cannot be checked.
        read.Result = TFileRead::Changed;
    } else {
        read.Result = TFileRead::Ok;
    }
    ::close(fd);
    if (read.Result != TFileRead::Ok)
        read.Bytes.clear();
    return read;
}

QString NotRegularFileText(const QString &fileName)
{
    return QStringLiteral("不是普通文件：") + QDir::toNativeSeparators(fileName);
}
