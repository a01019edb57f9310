#include "RemoteLink.h"

#include "SimClock.h"

#include "kq_sim.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace kq {

namespace {

// Waits for `events` on fd until the deadline; false on time-out or error.
bool waitFor(int fd, short events, int64_t deadline)
{
    for (;;) {
        const int64_t left = deadline - wallMs();
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        return (p.revents & events) != 0 || (p.revents & (POLLHUP | POLLERR)) != 0;
    }
}

bool makeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CSIZE);
    t.c_cflag |= CS8;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B115200);
    cfsetospeed(&t, B115200);
    if (tcsetattr(fd, TCSANOW, &t) != 0)
        return false;
    tcflush(fd, TCIOFLUSH);
    return true;
}

} // namespace

std::string serialDevicePath(const char *port)
{
    if (!port || !*port)
        return {};
    const std::string name(port);
    if (name[0] == '/')
        return name;
    if (name.find('/') != std::string::npos || name == "." || name == "..")
        return {};
    return "/dev/" + name;
}

int32_t RemoteLink::openTcp(const uint8_t ip[4], uint16_t port)
{
    close();
    const int64_t deadline = wallMs() + kBudgetMs;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return KQSIM_ERR_NO_BOARD;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    std::memcpy(&addr.sin_addr.s_addr, ip, 4);
    int r = ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    if (r != 0 && errno == EINPROGRESS && waitFor(fd, POLLOUT, deadline)) {
        int err = 0;
        socklen_t len = sizeof err;
        r = (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0) ? 0 : -1;
    }
    if (r != 0) {
        ::close(fd);
        return KQSIM_ERR_NO_BOARD;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    m_fd = fd;
    return 0;
}

int32_t RemoteLink::openSerial(const char *port)
{
    close();
    const std::string path = serialDevicePath(port);
    if (path.empty())
        return KQSIM_ERR_NO_BOARD;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY ? KQSIM_ERR_PORT_BUSY : KQSIM_ERR_NO_BOARD;
    // Never write frames into anything but a terminal device.
    if (!::isatty(fd)) {
        ::close(fd);
        return KQSIM_ERR_NO_BOARD;
    }
    // Two programs on one line garble each other's replies: the line is
    // this link's alone.  The lock keeps out every program that asks for it
    // (root included); exclusive mode refuses any other open but root's.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return KQSIM_ERR_PORT_BUSY;
    }
    if (!makeRaw(fd)) {
        ::close(fd);
        return KQSIM_ERR_NO_BOARD;
    }
    ::ioctl(fd, TIOCEXCL);
    m_fd = fd;
    m_serial = true;
    return 0;
}

void RemoteLink::close()
{
    // Exclusive mode outlives the descriptor while another one (the
    // board's end of a pseudo-terminal) keeps the line open.
    if (m_fd >= 0 && m_serial)
        ::ioctl(m_fd, TIOCNXCL);
    if (m_fd >= 0)
        ::close(m_fd);
    m_serial = false;
    m_fd = -1;
    m_lost = false;
    m_decoder.clear();
}

int32_t RemoteLink::fail()
{
    m_lost = true;
    return KQSIM_ERR_LINK_LOST;
}

int32_t RemoteLink::transact(const Request &r, Reply &reply)
{
    if (m_fd < 0)
        return KQSIM_ERR_NO_LINK;
    if (m_lost)
        return KQSIM_ERR_LINK_LOST;
    const int64_t deadline = wallMs() + kBudgetMs;
    const uint16_t seq = ++m_seq;
    std::vector<uint8_t> bytes;
    wire::encode(wire::requestFrame(seq, r), bytes);
    m_refused = false;
    if (!sendAll(bytes.data(), bytes.size(), deadline) || !awaitReply(seq, r.op, reply, deadline)) {
        const int32_t status = fail();
        return m_refused ? KQSIM_ERR_BUSY : status;
    }
    return reply.status;
}

bool RemoteLink::sendAll(const uint8_t *data, size_t n, int64_t deadline)
{
    while (n > 0) {
        const ssize_t w = ::send(m_fd, data, n, MSG_NOSIGNAL);
        if (w < 0 && errno == ENOTSOCK) { // a serial device
            const ssize_t t = ::write(m_fd, data, n);
            if (t > 0) {
                data += t;
                n -= static_cast<size_t>(t);
                continue;
            }
            if (t < 0 && errno != EAGAIN && errno != EINTR)
                return false;
        } else if (w > 0) {
            data += w;
            n -= static_cast<size_t>(w);
            continue;
        } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        if (!waitFor(m_fd, POLLOUT, deadline))
            return false;
    }
    return true;
}

// Reads until the reply with this sequence number arrives; frames of other
// numbers (late replies to calls that timed out) are skipped.
bool RemoteLink::awaitReply(uint16_t seq, Op op, Reply &reply, int64_t deadline)
{
    wire::Frame frame;
    for (;;) {
        while (m_decoder.next(frame)) {
            if (wire::isBusyFrame(frame)) {
                m_refused = true; // the board serves another client
                return false;
            }
            if (frame.seq != seq)
                continue;
            return wire::parseReply(frame, op, reply);
        }
        if (!waitFor(m_fd, POLLIN, deadline))
            return false;
        uint8_t buffer[wire::Decoder::kMaxFeed];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n == 0)
            return false; // the other end closed
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return false;
        }
        m_decoder.feed(buffer, static_cast<size_t>(n));
    }
}

} // namespace kq
