// Cost of the board links, and what a lost board does to the window.
//
// 1. Median and 99th percentile of one library call (KQ_Get_Axis_Status_Run)
//    on each link: in-process (USB), TCP on loopback and a pseudo-terminal,
//    all to boards of the same code.
// 2. The real main window on a 32-axis board served over TCP, every panel
//    polling every 500 ms, a 1 ms timer measuring the largest gap in the
//    event loop: while the board answers, after the simulator is killed,
//    and after a board that stops answering without closing the line.
#include "BenchSupport.h"
#include "app/Forms.h"
#include "app/TBoardPortFrm.h"
#include "app/TMainFrm.h"
#include "common/ui/Dialogs.h"
#include "config/ConfigLocation.h"
#include "config/IniFile.h"
#include "kq_sim.h"
#include "support/BoardSim.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

namespace {

constexpr int kCalls = 20000;
constexpr int kAxes = 32;

void Time_Calls(const char *link)
{
    std::vector<double> us;
    us.reserve(kCalls);
    int32_t run = 0;
    int failures = 0;
    for (int i = 0; i < kCalls; ++i) {
        QElapsedTimer t;
        t.start();
        failures += KQ_Get_Axis_Status_Run(uint16_t(i % 4), &run) != 0;
        us.push_back(double(t.nsecsElapsed()) / 1000.0);
    }
    std::sort(us.begin(), us.end());
    std::printf("%-14s median %8.1f us   p99 %8.1f us   max %8.1f us   (%d calls, %d failed)\n", link,
                us[us.size() / 2], us[us.size() * 99 / 100], us.back(), kCalls, failures);
}

void Connect_Net(uint16_t port)
{
    Bench::Connect([port] {
        BoardPortFrm->rb_Net->setChecked(true);
        BoardPortFrm->IP_Address->setText("127.0.0.1");
        BoardPortFrm->edt_Port->setValue(port);
    });
}

// Runs the event loop for `ms` (after a second to settle), doing `midway`
// half-way; the largest gaps between ticks of a 1 ms timer before and
// after it.
std::pair<qint64, qint64> Largest_Gaps(QApplication &app, int ms, const std::function<void()> &midway)
{
    QTimer::singleShot(1000, &app, &QCoreApplication::quit);
    app.exec();
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, before = 0, after = 0;
    bool done = false;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &app, [&] {
        const qint64 now = clock.elapsed();
        qint64 &gap = done ? after : before;
        gap = std::max(gap, now - last);
        last = now;
    });
    tick.start(1);
    QTimer half;
    half.setSingleShot(true);
    QObject::connect(&half, &QTimer::timeout, &app, [&] {
        midway();
        done = true;
    });
    half.start(ms / 2);
    QTimer::singleShot(ms, &app, &QCoreApplication::quit);
    app.exec();
    return {before, after};
}

} // namespace

int main(int argc, char **argv)
{
    Bench::Use_Offscreen_Unless_Set();
    QApplication app(argc, argv);

    std::printf("one call, KQ_Get_Axis_Status_Run:\n");
    kqsim_reset(4, 4, KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER);
    KQ_Open_USB();
    Time_Calls("in-process");
    {
        Fixtures::BoardSim sim;
        if (!sim.Start() || KQ_Open_Net(127, 0, 0, 1, sim.port) != 0)
            return 1;
        Time_Calls("TCP loopback");
    }
    {
        Fixtures::BoardSim sim;
        if (!sim.Start({"--pty"}) || KQ_Open_UART(sim.ptyPath.toLocal8Bit().constData()) != 0)
            return 1;
        Time_Calls("pseudo-terminal");
    }
    KQ_DeInit();

    const Bench::ConfigFile config(Bench::kOneGroupForAll);
    Bench::Show_Main_Window();

    const QStringList args{"--listen", "127.0.0.1:0", "--axes", "32", "--encoders", "32"};
    std::printf("\nevent loop, %d panels polling over TCP, largest gap:\n", kAxes);
    {
        Fixtures::BoardSim sim;
        if (!sim.Start(args))
            return 1;
        Connect_Net(sim.port);
        // SIGKILL without waiting here, so that the gap is the window's own.
        const auto gaps = Largest_Gaps(app, 6000, [&] { ::kill(pid_t(sim.Pid()), SIGKILL); });
        std::printf("  board answering     %4lld ms\n  simulator killed    %4lld ms\n", gaps.first, gaps.second);
    }
    {
        Fixtures::BoardSim sim;
        if (!sim.Start(args))
            return 1;
        Connect_Net(sim.port);
        const auto gaps = Largest_Gaps(app, 6000, [&] { sim.Command("silent"); });
        std::printf("  board falls silent  %4lld ms\n", gaps.second);
    }
    Destroy_Forms();
    return 0;
}
