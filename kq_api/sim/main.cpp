// kq-board-sim: serves one virtual board to the controller library over
// TCP (KQ_Open_Net) and/or a pseudo-terminal (KQ_Open_UART).
//
//   kq-board-sim [--listen ADDRESS:PORT] [--pty] [--link PATH]
//                [--axes N] [--encoders N] [--backlash AXIS:STEPS]...
//
// Without --pty it listens on 127.0.0.1:8080; port 0 picks a free port.
// With --pty it serves a new pseudo-terminal (and TCP too when --listen is
// given).  It prints where it serves, one line each, then reads control
// commands from its standard input (see kq_api/PROTOCOL.md); SIGINT or
// SIGTERM stops it.
#include "BoardServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <utility>
#include <vector>
#include <unistd.h>

namespace {

int g_stopPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t w = ::write(g_stopPipe[1], &byte, 1);
}

void usage(FILE *out)
{
    std::fputs("用法：kq-board-sim [--listen 地址:端口] [--pty] [--link 路径] [--axes 数量] [--encoders 数量]\n"
               "                   [--backlash 轴号:步数]...\n"
               "  --listen   在该地址和端口上接受 TCP 连接（默认 127.0.0.1:8080，端口 0 自动选择）\n"
               "  --pty      提供一个伪终端作为串口，并打印其路径\n"
               "  --link     为伪终端建立一个符号链接\n"
               "  --axes     轴数（0..64，默认 4）\n"
               "  --encoders 编码器通道数（0..64，默认 4）\n"
               "  --backlash 该轴（从 0 数起）传动间隙的电机步数：每次换向后的这些步不带动台面，\n"
               "             传感器读数随台面（可重复给出）\n",
               out);
}

bool count(const char *text, int &out)
{
    char *end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (!*text || *end || n < 0 || n > 64)
        return false;
    out = static_cast<int>(n);
    return true;
}

// "AXIS:STEPS": an axis number and a backlash of 0..1000000 steps.
bool backlash(const char *text, std::pair<int, int32_t> &out)
{
    char *end = nullptr;
    const long axis = std::strtol(text, &end, 10);
    if (end == text || *end != ':' || axis < 0 || axis >= 64)
        return false;
    const char *stepsText = end + 1;
    const long steps = std::strtol(stepsText, &end, 10);
    if (!*stepsText || *end || steps < 0 || steps > 1000000)
        return false;
    out = {static_cast<int>(axis), static_cast<int32_t>(steps)};
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    std::string listen;
    std::string link;
    bool pty = false;
    int axes = 4;
    int encoders = 4;
    std::vector<std::pair<int, int32_t>> backlashes;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--listen" && hasValue) {
            listen = argv[++i];
        } else if (arg == "--pty") {
            pty = true;
        } else if (arg == "--link" && hasValue) {
            link = argv[++i];
        } else if (arg == "--axes" && hasValue && count(argv[i + 1], axes)) {
            ++i;
        } else if (arg == "--encoders" && hasValue && count(argv[i + 1], encoders)) {
            ++i;
        } else if (arg == "--backlash" && hasValue) {
            std::pair<int, int32_t> b;
            if (!backlash(argv[++i], b)) {
                std::fprintf(stderr, "无效的传动间隙：%s（应为 轴号:步数）\n", argv[i]);
                return 2;
            }
            backlashes.push_back(b);
        } else if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "无效的参数：%s\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }
    if (listen.empty() && !pty)
        listen = "127.0.0.1:8080";
    if (!link.empty() && !pty) {
        std::fputs("--link 需要与 --pty 一起使用\n", stderr);
        return 2;
    }

    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (::pipe2(g_stopPipe, O_CLOEXEC) != 0)
        return 1;
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    kq::BoardServer server(axes, encoders);
    for (const auto &[axis, steps] : backlashes) {
        if (!server.setBacklash(axis, steps)) {
            std::fprintf(stderr, "没有第 %d 号轴（共 %d 个轴，从 0 数起）\n", axis, axes);
            return 2;
        }
    }
    std::string error;
    if (!listen.empty()) {
        if (!server.listenTcp(listen, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::printf("监听 %s\n", server.tcpAddress().c_str());
    }
    if (pty) {
        if (!server.openPty(link, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::printf("伪终端 %s\n", server.ptyPath().c_str());
    }
    std::fflush(stdout);
    server.run(g_stopPipe[0], STDIN_FILENO, STDOUT_FILENO);
    std::printf("已停止\n");
    return 0;
}
