// Timing of automatic programs on the simulated board:
// - a program of 100 zero-motion relative steps with no delay, run by the
//   real 50 ms program timer; each step takes five ticks, so the run should
//   last 100 x 5 x 50 ms = 25 s.  Prints the wall time and its deviation.
// - the status refresh of a 64-axis board into the status table shown in a
//   grid with its display updates suspended.  Prints the mean cost.
#include "config/AxisConfig.h"
#include "kq_sim.h"
#include "program/StatusRefresh.h"
#include "program/TCodeModel.h"
#include "program/TProgramRunner.h"
#include "program/TStatusModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTableView>

#include <cstdio>

namespace {

constexpr int kSteps = 100;
constexpr int kStatusAxes = 64;
constexpr int kRefreshes = 1000;

void Configure_Axes(int count)
{
    g_Axis_Config = QVector<TAxis_Config>(count); // 6400 steps per mm
    for (int a = 0; a < count; ++a)
        g_Axis_Config[a].Axis_Caption = QStringLiteral("第%1轴").arg(a + 1);
}

void Bench_Run()
{
    kqsim_reset(4, 4, KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER);
    KQ_Open_USB();
    Configure_Axes(4);
    TCodeModel code;
    TAutoCode step;
    step.ID = 0;
    step.Axis = QStringLiteral("第1轴");
    step.Action = AutoAction::Rel;
    step.Count = 1;
    for (int i = 0; i < kSteps; ++i)
        code.InsertRow(-1, step);
    TProgramRunner runner(&code, [] { return 4; });
    QEventLoop loop;
    QObject::connect(&runner, &TProgramRunner::StateChanged, &loop, [&loop](int state) {
        if (state == TProgramRunner::Idle)
            loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    runner.Start(QStringLiteral("1"));
    loop.exec();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    const double expected = kSteps * 5 * 50.0;
    std::printf("program run: %d steps in %.1f ms, expected %.0f ms, deviation %+.2f %%\n", kSteps, ms, expected,
                (ms - expected) / expected * 100.0);
}

void Bench_Status()
{
    kqsim_reset(kStatusAxes, 0, KQ_RESOURCE_AXIS);
    KQ_Open_USB();
    Configure_Axes(kStatusAxes);
    TStatusModel status;
    QStringList captions;
    for (const TAxis_Config &c : g_Axis_Config)
        captions << c.Axis_Caption;
    status.SetAxes(captions);
    QTableView grid;
    grid.setModel(&status);
    grid.resize(400, 800);
    grid.show();
    QApplication::processEvents();
    QElapsedTimer clock;
    qint64 refreshNs = 0, repaintNs = 0;
    for (int i = 0; i < kRefreshes; ++i) {
        kqsim_place_axis(i % kStatusAxes, i);
        clock.start();
        grid.setUpdatesEnabled(false);
        Refresh_Status(status, kStatusAxes);
        grid.setUpdatesEnabled(true);
        refreshNs += clock.nsecsElapsed();
        clock.start();
        grid.repaint(); // the one repaint that follows each refresh
        repaintNs += clock.nsecsElapsed();
    }
    std::printf("status refresh: %d axes, %.3f ms per refresh, then %.3f ms to repaint the grid (mean of %d)\n",
                kStatusAxes, double(refreshNs) / 1e6 / kRefreshes, double(repaintNs) / 1e6 / kRefreshes, kRefreshes);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Bench_Status();
    Bench_Run();
    return 0;
}
