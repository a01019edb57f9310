// kq-board-sim: serves one virtual board to the controller library over
// TCP (KQ_Open_Net) and/or a pseudo-terminal (KQ_Open_UART).
//
//   kq-board-sim [--listen ADDRESS:PORT] [--pty] [--link PATH]
//                [--axes N] [--encoders N]
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
               "  --listen   在该地址和端口上接受 TCP 连接（默认 127.0.0.1:8080，端口 0 自动选择）\n"
               "  --pty      提供一个伪终端作为串口，并打印其路径\n"
               "  --link     为伪终端建立一个符号链接\n"
               "  --axes     轴数（0..64，默认 4）\n"
               "  --encoders 编码器通道数（0..64，默认 4）\n",
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

} // namespace

int main(int argc, char **argv)
{
    std::string listen;
    std::string link;
    bool pty = false;
    int axes = 4;
    int encoders = 4;
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
