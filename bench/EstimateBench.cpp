// The run-time estimate against the truth: programs run by the program
// runner on its real 50 ms timer against the simulated board on the wall
// clock, each timed from the start to the end of the run and compared with
// the planner's estimate made from the board's positions at the start.
// A pause step is resumed at once, and the wait is not counted.
// Programs: the 3 x 3 absolute raster of the scan dialog with a 200 ms
// dwell, once with the configuration's default speeds (1 mm/s) and once
// with fast axes, a mixed program of every action, run twice, and a 10 x 10
// raster of 0.1 mm without dwell on a well-tuned stage.  Each in the tick
// schedule and in fast stepping.
#include "config/AxisConfig.h"
#include "controller/Conversion.h"
#include "BenchSupport.h"
#include "kq_sim.h"
#include "program/RasterScan.h"
#include "program/TCodeModel.h"
#include "program/TProgramRunner.h"
#include "program/TRunPlanner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kAxes = 2;

// Two linear axes of the default mechanics (6400 steps per mm).
void Configure_Axes(double acc, double maxV)
{
    g_Axis_Config = QVector<TAxis_Config>(kAxes);
    for (int a = 0; a < kAxes; ++a) {
        g_Axis_Config[a].Axis_Caption = QStringLiteral("第%1轴").arg(a + 1);
        g_Axis_Config[a].Acc = g_Axis_Config[a].Dec = acc;
        g_Axis_Config[a].Max_V = maxV;
    }
    Calc_Ratio(kAxes);
}

std::vector<double> Board_Positions()
{
    std::vector<double> steps;
    for (int a = 0; a < kAxes; ++a) {
        int32_t p = 0;
        KQ_Get_Axis_Software_P_Now(uint16_t(a), &p);
        steps.push_back(p);
    }
    return steps;
}

TAutoCode Step(int axis, const QString &action, double param, int delay, int count = 1)
{
    TAutoCode c;
    c.ID = axis;
    c.Axis = axis >= 0 ? g_Axis_Config[axis].Axis_Caption : QString();
    c.Action = action;
    c.Param = param;
    c.Delay = delay;
    c.Count = count;
    return c;
}

std::vector<TAutoCode> Raster(int count, double pitch, int32_t delay)
{
    TScanSettings s;
    s.XAxis = g_Axis_Config[0].Axis_Caption;
    s.YAxis = g_Axis_Config[1].Axis_Caption;
    s.XCount = s.YCount = count;
    s.XLen = s.YLen = pitch;
    s.Delay = delay;
    return GenerateRaster(s);
}

// Every action, delays that are and are not whole ticks, a negative delay,
// repetitions, an adjust that moves the origin and a pause.
std::vector<TAutoCode> Mixed()
{
    using namespace AutoAction;
    return {Step(0, Home, 0, 0),        Step(1, Home, 0, 130),    Step(0, Rel, 5, 120, 3),
            Step(1, Abs, 12.5, -40),    Step(0, Abs, 2, 0, 2),    Step(-1, Pause, 0, 0),
            Step(1, Adjust, 10, 0),     Step(1, Abs, 0, 75),      Step(1, Rel, 2.5, 1000, 2),
            Step(0, Home, 0, 333),      Step(1, Home, 0, 0)};
}

void Run(const char *name, const std::vector<TAutoCode> &rows, int repeat, bool fast)
{
    TCodeModel code;
    code.SetRows(rows);
    TRunPlanner planner;
    planner.FastRun = fast;
    planner.Plan(rows, g_Axis_Config, Board_Positions(), repeat);

    TProgramRunner runner(&code, [] { return kAxes; });
    runner.FastRun = fast;
    QEventLoop loop;
    QElapsedTimer clock, paused;
    qint64 pausedNs = 0;
    QObject::connect(&runner, &TProgramRunner::Refused, [](const QString &why) {
        std::printf("  refused: %s\n", qPrintable(why));
    });
    QObject::connect(&runner, &TProgramRunner::StateChanged, &loop, [&](int state) {
        if (state == TProgramRunner::Idle) {
            loop.quit();
        } else if (state == TProgramRunner::Paused) {
            paused.start();
            QTimer::singleShot(0, &runner, [&] {
                pausedNs += paused.nsecsElapsed();
                runner.Start(QString::number(repeat));
            });
        }
    });
    clock.start();
    if (!runner.Start(QString::number(repeat)))
        return;
    loop.exec();
    const double measured = double(clock.nsecsElapsed() - pausedNs) / 1e6;
    const double estimate = double(planner.TotalMs());
    std::printf("%-34s %-5s %5zu rows x %d: estimate %9.0f ms  measured %9.0f ms  error %+6.2f %%\n", name,
                fast ? "fast" : "ticks", rows.size(), repeat, estimate, measured,
                (estimate - measured) / measured * 100.0);
}

} // namespace

int main(int argc, char **argv)
{
    Bench::Use_Offscreen_Unless_Set();
    QApplication app(argc, argv);
    kqsim_reset(kAxes, 0, KQ_RESOURCE_AXIS);
    KQ_Open_USB();

    for (const bool fast : {false, true}) {
        Configure_Axes(1, 1);
        Run("3 x 3 raster, 1 mm/s, 1 mm/s2", Raster(3, 1, 200), 1, fast);
        Configure_Axes(100, 20);
        Run("3 x 3 raster, 20 mm/s, 100 mm/s2", Raster(3, 1, 200), 1, fast);
        Run("mixed, 20 mm/s, 100 mm/s2", Mixed(), 2, fast);
        Run("10 x 10 raster of 0.1 mm, 100 mm/s2", Raster(10, 0.1, 0), 1, fast);
    }
    return 0;
}
