#include "FileDescriptor.h"

#include "HugePages.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Fd {

bool WriteAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

bool ReadAll(int fd, QByteArray &bytes)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || ::lseek(fd, 0, SEEK_SET) != 0)
        return false;
    bytes.resize(qsizetype(st.st_size));
    Advise_Huge_Pages(bytes.data(), size_t(bytes.size()));
    qsizetype used = 0;
    for (;;) {
        if (used == bytes.size())
            bytes.resize(bytes.size() + 65536);
        const ssize_t n = ::read(fd, bytes.data() + used, size_t(bytes.size() - used));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        used += n;
    }
    bytes.truncate(used);
    return true;
}

bool ReplaceContent(int fd, const QByteArray &bytes)
{
    return ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, bytes.constData(), bytes.size())
        && ::ftruncate(fd, off_t(bytes.size())) == 0 && ::fsync(fd) == 0;
}

bool SyncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace Fd
