#include "BoardServer.h"

#include "Calls.h"
#include "SimClock.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kq {

namespace {

constexpr uint32_t kResources = 0x801; // motor axes and encoder channels
constexpr size_t kMaxControlLine = 256;
constexpr size_t kMaxPending = 1024;
constexpr size_t kMaxAnswerBuffer = 64u << 20;
// A client that floods the board is read in turns of this many reads, so
// that the rest of the loop goes on.
constexpr int kMaxReadsPerTurn = 64;

void setNonBlocking(int fd)
{
    const int flags = fcntl(fd, F_GETFL, 0);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

} // namespace

BoardServer::BoardServer(int axes, int encoders)
    : m_board(axes, encoders, kResources, m_clock.now()), m_journal(200000)
{
}

BoardServer::~BoardServer()
{
    closeClient();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    if (m_pty.fd >= 0)
        ::close(m_pty.fd);
    if (m_ptySlaveFd >= 0)
        ::close(m_ptySlaveFd);
    if (!m_linkPath.empty())
        ::unlink(m_linkPath.c_str());
}

bool BoardServer::listenTcp(const std::string &addressPort, std::string &error)
{
    const size_t colon = addressPort.rfind(':');
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    char *end = nullptr;
    const std::string portText = colon == std::string::npos ? std::string() : addressPort.substr(colon + 1);
    const long port = std::strtol(portText.c_str(), &end, 10);
    if (colon == std::string::npos || portText.empty() || *end || port < 0 || port > 65535
        || inet_pton(AF_INET, addressPort.substr(0, colon).c_str(), &addr.sin_addr) != 1) {
        error = "地址应为 IPv4地址:端口，例如 127.0.0.1:8080";
        return false;
    }
    addr.sin_port = htons(static_cast<uint16_t>(port));
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (m_listenFd < 0 || ::bind(m_listenFd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0
        || ::listen(m_listenFd, 4) != 0) {
        error = std::string("无法监听 ") + addressPort + "：" + std::strerror(errno);
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr *>(&addr), &len);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
    m_tcpAddress = std::string(text) + ":" + std::to_string(ntohs(addr.sin_port));
    setNonBlocking(m_listenFd);
    return true;
}

bool BoardServer::openPty(const std::string &linkPath, std::string &error)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 || !::ptsname(master)) {
        error = std::string("无法创建伪终端：") + std::strerror(errno);
        if (master >= 0)
            ::close(master);
        return false;
    }
    m_ptyPath = ::ptsname(master);
    m_pty.fd = master;
    setNonBlocking(master);
    // Raw on the board's side too, so that nothing is echoed or translated
    // before a client has set the line up.
    m_ptySlaveFd = ::open(m_ptyPath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    if (m_ptySlaveFd >= 0 && tcgetattr(m_ptySlaveFd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(m_ptySlaveFd, TCSANOW, &t);
    }
    if (!linkPath.empty()) {
        struct stat st {};
        if (::lstat(linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            ::unlink(linkPath.c_str());
        if (::symlink(m_ptyPath.c_str(), linkPath.c_str()) != 0) {
            error = std::string("无法创建链接 ") + linkPath + "：" + std::strerror(errno);
            return false;
        }
        m_linkPath = linkPath;
    }
    return true;
}

void BoardServer::acceptClient()
{
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return;
    // A client that has just closed (its last bytes perhaps still unread)
    // is gone: a reconnect right after it must not find the board busy.
    if (m_client.fd >= 0) {
        pollfd p{m_client.fd, POLLRDHUP, 0};
        if (::poll(&p, 1, 0) > 0 && p.revents != 0)
            readChannel(m_client, true, true);
    }
    if (m_client.fd >= 0) {
        // One client at a time: the one that has the board keeps it.  A
        // second program (or a port probe) learns why and is let go.
        std::vector<uint8_t> bytes;
        wire::encode(wire::busyFrame(), bytes);
        [[maybe_unused]] const ssize_t w = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        ::close(fd);
        return;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    m_client.fd = fd;
    m_client.generation = ++m_generations;
    // A client that connects and says nothing holds the board no longer
    // than one that falls silent.
    m_client.watched = true;
    m_client.lastFrame = m_clock.now();
}

void BoardServer::closeClient()
{
    if (m_client.fd >= 0)
        ::close(m_client.fd);
    m_client.fd = -1;
    m_client.watched = false;
    m_client.decoder.clear();
}

void BoardServer::endClient(const char *why)
{
    if (m_client.fd < 0)
        return;
    haltAll(why);
    closeClient();
}

// Nobody is there to stop what the last client started.  A board at rest
// is left exactly as it was (a failed home search keeps its flag).
void BoardServer::haltAll(const char *why)
{
    m_board.advanceTo(m_clock.now());
    bool moving = false;
    for (int a = 0; a < m_board.axisCount(); ++a)
        moving = moving || m_board.axis(a)->running();
    if (!moving)
        return;
    Request request;
    request.op = Op::HaltAll;
    Reply reply;
    execute(m_board, request, reply);
    m_journal.add(std::string("Watchdog_Halt_All(") + why + ")");
    answer(std::string("看门狗：") + (std::string(why) == "closed" ? "连接已结束" : "2 秒没有收到完整的请求")
           + "，所有轴已急停\n");
}

// A socket is read until it would block (a client that has hung up: to
// its end), so that a client that has closed is seen gone before a new
// connection is taken.  A flood is read in bounded turns.
void BoardServer::readChannel(Channel &c, bool isSocket, bool hungUp)
{
    for (int reads = 0; c.fd >= 0 && (hungUp || reads < kMaxReadsPerTurn); ++reads) {
        uint8_t buffer[wire::Decoder::kMaxFeed];
        const ssize_t n = ::read(c.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (isSocket && (n == 0 || errno != EAGAIN))
                endClient("closed");
            return;
        }
        c.decoder.feed(buffer, static_cast<size_t>(n));
        wire::Frame frame;
        while (c.fd >= 0 && c.decoder.next(frame)) {
            c.watched = true;
            c.lastFrame = m_clock.now();
            serveFrame(c, frame);
        }
        if (!isSocket)
            return;
    }
}

int64_t BoardServer::watchdogDue(const Channel &c) const
{
    return c.lastFrame + kWatchdogMs;
}

// A client that froze (stopped, hung, cut off without a word) or left a
// frame half sent: the board stops and, over TCP, lets it go.
void BoardServer::checkWatchdog()
{
    const int64_t now = m_clock.now();
    if (m_client.fd >= 0 && m_client.watched && now >= watchdogDue(m_client))
        endClient("silent");
    if (m_pty.fd >= 0 && m_pty.watched && now >= watchdogDue(m_pty)) {
        haltAll("silent");
        m_pty.watched = false; // until the next frame
        m_pty.decoder.clear();
    }
}

// A request of this protocol version runs on the board and is journaled;
// anything else that framed correctly gets a protocol error back.
void BoardServer::serveFrame(Channel &c, const wire::Frame &frame)
{
    if (m_silent)
        return;
    Request request;
    Reply reply;
    Op op = Op::Check;
    if (wire::parseRequest(frame, request)) {
        op = request.op;
        m_board.advanceTo(m_clock.now());
        m_journal.add(callText(request));
        execute(m_board, request, reply);
    } else {
        if (frame.size > 0 && validOp(frame.payload[0]))
            op = static_cast<Op>(frame.payload[0]);
        reply.status = 9; // KQSIM_ERR_PROTOCOL
    }
    std::vector<uint8_t> bytes;
    wire::encode(wire::replyFrame(frame.seq, op, reply), bytes);
    if (m_corrupt > 0) {
        --m_corrupt;
        bytes[wire::kHeaderSize] ^= 0x5A; // the CRC no longer matches
    }
    if (m_delayMs > 0) {
        if (m_pending.size() < kMaxPending)
            m_pending.push_back({wallMs() + m_delayMs, &c, c.generation, std::move(bytes)});
        return;
    }
    send(c, bytes);
}

// Best effort: a client that does not read loses replies, it never blocks
// the board.
void BoardServer::send(Channel &c, const std::vector<uint8_t> &bytes)
{
    if (c.fd < 0)
        return;
    const ssize_t w = &c == &m_client ? ::send(c.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL)
                                      : ::write(c.fd, bytes.data(), bytes.size());
    if (w < 0 && &c == &m_client && errno != EAGAIN && errno != EINTR)
        endClient("closed");
}

void BoardServer::flushDue(int64_t now)
{
    while (!m_pending.empty() && m_pending.front().due <= now) {
        Pending p = std::move(m_pending.front());
        m_pending.pop_front();
        if (p.channel->generation == p.generation)
            send(*p.channel, p.bytes);
    }
}

// Until the next delayed reply is due or, on the wall clock, the watchdog
// would bite; -1: nothing to wait for.
int BoardServer::pollTimeout(int64_t now) const
{
    int64_t wait = -1;
    const auto sooner = [&wait](int64_t w) { wait = wait < 0 ? std::max<int64_t>(w, 0) : std::min(wait, std::max<int64_t>(w, 0)); };
    if (!m_pending.empty())
        sooner(m_pending.front().due - now);
    if (!m_clock.manual()) {
        const int64_t boardNow = m_clock.now();
        if (m_client.fd >= 0 && m_client.watched)
            sooner(watchdogDue(m_client) - boardNow);
        if (m_pty.fd >= 0 && m_pty.watched)
            sooner(watchdogDue(m_pty) - boardNow);
    }
    return wait < 0 ? -1 : static_cast<int>(std::min<int64_t>(wait, 60000));
}

// Answers wait in a buffer until the standard output takes them, so that a
// reader that does not read never stops the board.  A reader that reads
// nothing at all loses what goes beyond kMaxAnswerBuffer.
void BoardServer::answer(const std::string &text)
{
    if (m_answerFd < 0 || m_answer.size() + text.size() > kMaxAnswerBuffer)
        return;
    m_answer += text;
    flushAnswer();
}

void BoardServer::flushAnswer()
{
    while (!m_answer.empty()) {
        const ssize_t w = ::write(m_answerFd, m_answer.data(), m_answer.size());
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && errno != EAGAIN) {
            m_answer.clear(); // nobody will ever read it
            return;
        }
        if (w <= 0)
            return;
        m_answer.erase(0, static_cast<size_t>(w));
    }
}

void BoardServer::readControl(int controlFd)
{
    char buffer[512];
    const ssize_t n = ::read(controlFd, buffer, sizeof buffer);
    if (n <= 0) {
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            m_controlOpen = false;
        return;
    }
    for (ssize_t i = 0; i < n; ++i) {
        const char ch = buffer[i];
        if (ch == '\n') {
            answer(command(m_controlLine));
            m_controlLine.clear();
        } else if (m_controlLine.size() < kMaxControlLine) {
            m_controlLine += ch;
        }
    }
}

std::string BoardServer::command(const std::string &line)
{
    std::istringstream in(line);
    std::string word, argument, second;
    in >> word >> argument >> second;
    char *end = nullptr;
    const long number = std::strtol(argument.c_str(), &end, 10);
    const bool hasNumber = !argument.empty() && !*end;
    const long steps = std::strtol(second.c_str(), &end, 10);
    const bool hasSteps = !second.empty() && !*end && steps >= -1000000 && steps <= 1000000;
    std::string answer;
    if (word == "silent") {
        m_silent = true;
    } else if (word == "drop") {
        endClient("closed");
    } else if (word == "delay" && hasNumber && number >= 0 && number <= 60000) {
        m_delayMs = static_cast<int>(number);
    } else if (word == "corrupt" && hasNumber && number >= 0 && number <= 1000000) {
        m_corrupt = static_cast<int>(number);
    } else if (word == "normal") {
        m_silent = false;
        m_delayMs = 0;
        m_corrupt = 0;
    } else if (word == "journal") {
        for (int i = 0; i < m_journal.size(); ++i)
            answer += "| " + *m_journal.at(i) + "\n";
    } else if (word == "clear") {
        m_journal.clear();
    } else if (word == "clock" && (argument == "manual" || argument == "wall")) {
        m_clock.setManual(argument == "manual");
    } else if (word == "advance" && hasNumber && number >= 0 && number <= 86400000) {
        m_clock.advance(static_cast<uint32_t>(number));
        checkWatchdog();
    } else if (word == "state" && hasNumber && m_board.axis(static_cast<int>(number))) {
        m_board.advanceTo(m_clock.now());
        const Axis &a = *m_board.axis(static_cast<int>(number));
        answer = "state " + argument + " run " + std::to_string(a.running() ? 1 : 0) + " position "
            + std::to_string(roundClamped(a.softwarePosition())) + " velocity "
            + std::to_string(roundClamped(a.velocity())) + "\n";
    } else if ((word == "backlash" || word == "lose") && hasNumber && hasSteps && m_board.axis(static_cast<int>(number))) {
        if (word == "backlash")
            setBacklash(static_cast<int>(number), static_cast<int32_t>(steps));
        else
            loseSteps(static_cast<int>(number), static_cast<int32_t>(steps));
    } else if (word == "quit") {
        m_quit = true;
    } else {
        return "error " + line + "\n";
    }
    return answer + "ok " + word + "\n";
}

template <typename Change>
bool BoardServer::changeAxis(int axis, Change change)
{
    m_board.advanceTo(m_clock.now());
    Axis *a = m_board.axis(axis);
    if (a)
        change(*a);
    return a != nullptr;
}

bool BoardServer::setBacklash(int axis, int32_t steps)
{
    return changeAxis(axis, [steps](Axis &a) { a.setBacklash(steps); });
}

bool BoardServer::loseSteps(int axis, int32_t steps)
{
    return changeAxis(axis, [steps](Axis &a) { a.loseSteps(steps); });
}

void BoardServer::run(int stopFd, int controlFd, int answerFd)
{
    if (controlFd >= 0)
        setNonBlocking(controlFd);
    m_controlOpen = controlFd >= 0;
    m_answerFd = answerFd;
    const int answerFlags = answerFd >= 0 ? fcntl(answerFd, F_GETFL, 0) : 0;
    if (answerFd >= 0)
        setNonBlocking(answerFd);
    while (!m_quit) {
        pollfd fds[6];
        nfds_t n = 0;
        fds[n++] = {stopFd, POLLIN, 0};
        const int answerAt = !m_answer.empty() ? static_cast<int>(n) : -1;
        if (!m_answer.empty())
            fds[n++] = {answerFd, POLLOUT, 0};
        const int controlAt = m_controlOpen ? static_cast<int>(n) : -1;
        if (m_controlOpen)
            fds[n++] = {controlFd, POLLIN, 0};
        const int listenAt = m_listenFd >= 0 ? static_cast<int>(n) : -1;
        if (m_listenFd >= 0)
            fds[n++] = {m_listenFd, POLLIN, 0};
        const int clientAt = m_client.fd >= 0 ? static_cast<int>(n) : -1;
        if (m_client.fd >= 0)
            fds[n++] = {m_client.fd, POLLIN | POLLRDHUP, 0};
        const int ptyAt = m_pty.fd >= 0 ? static_cast<int>(n) : -1;
        if (m_pty.fd >= 0)
            fds[n++] = {m_pty.fd, POLLIN, 0};

        const int r = ::poll(fds, n, pollTimeout(wallMs()));
        if (r < 0 && errno != EINTR)
            break;
        if (r > 0) {
            if (fds[0].revents)
                break;
            // The client first, so that a reconnect's old connection is
            // gone before the new one is taken.
            if (clientAt >= 0 && fds[clientAt].revents)
                readChannel(m_client, true, (fds[clientAt].revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0);
            if (listenAt >= 0 && fds[listenAt].revents)
                acceptClient();
            if (ptyAt >= 0 && fds[ptyAt].revents)
                readChannel(m_pty, false, false);
            if (controlAt >= 0 && fds[controlAt].revents)
                readControl(controlFd);
            if (answerAt >= 0 && fds[answerAt].revents)
                flushAnswer();
        }
        flushDue(wallMs());
        checkWatchdog();
    }
    if (answerFd >= 0) {
        fcntl(answerFd, F_SETFL, answerFlags);
        m_answerFd = -1;
    }
}

} // namespace kq
