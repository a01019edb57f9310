#include "StopSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_received = 0;
int g_pipe[2] = {-1, -1};

extern "C" void OnStopSignal(int signal)
{
    const int saved = errno;
    if (g_received == 0)
        g_received = signal;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

TStopSignals::TStopSignals(QObject *parent) : QObject(parent)
{
    g_received = 0; // a watcher of its own counts only what it receives
    if (::pipe(g_pipe) == 0) {
        for (int fd : g_pipe)
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &TStopSignals::Wake);
    }
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    // A closed output pipe or socket is seen by the write that fails, not
    // by a signal that would end the process with the axes moving.
    std::signal(SIGPIPE, SIG_IGN);
}

TStopSignals::~TStopSignals()
{
    // The process is about to end: a late signal ends it as it would have.
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, SIG_DFL);
    for (int &fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

int TStopSignals::Received()
{
    return g_received;
}

void TStopSignals::Wake()
{
    char buffer[64];
    while (::read(g_pipe[0], buffer, sizeof buffer) > 0) {
    }
    if (g_received != 0 && !m_emitted) {
        m_emitted = true;
        emit Stop(g_received);
    }
}
