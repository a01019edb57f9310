// Cost and accuracy of the run-time estimate and the path preview without a
// window: the motion time the planner assumes against the simulated board on
// its manual clock, then the time to plan a 10^6-row raster, to build its
// preview path and to draw it (uncached) into a 600 x 400 picture.
#include "BenchSupport.h"
#include "kq_sim.h"
#include "program/RasterScan.h"
#include "program/ui/TPreviewPanel.h"
#include "program/TRunPlanner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <time.h>

namespace {

constexpr int kRepeats = 5;

// Milliseconds of the board's manual clock until axis 0 is at rest.
int MsUntilAtRest()
{
    int32_t running = 1;
    int ms = 0;
    while (KQ_Get_Axis_Status_Run(0, &running) == 0 && running && ms < 10'000'000) {
        kqsim_advance_ms(1);
        ++ms;
    }
    return ms;
}

// Milliseconds until the board reports axis 0 at rest after a move of
// `distance` steps from rest with the given profile.
int BoardMoveMs(int32_t distance, int32_t acc, int32_t dec, int32_t vMax)
{
    kqsim_reset(1, 0, 0);
    kqsim_set_manual_clock(1);
    KQ_Open_USB();
    KQ_Set_Axis_Mode_Position(0);
    KQ_Set_Axis_Position_Acc(0, acc);
    KQ_Set_Axis_Position_Dec(0, dec);
    KQ_Set_Axis_Position_V_Max(0, vMax);
    KQ_Set_Axis_Position_P_Target_Rel(0, distance);
    return MsUntilAtRest();
}

// The same for a home search from `position` (the switch lies at 0).
int BoardHomeMs(int32_t position, int32_t acc, int32_t v)
{
    kqsim_reset(1, 0, 0);
    kqsim_set_manual_clock(1);
    KQ_Open_USB();
    kqsim_place_axis(0, position);
    KQ_Set_Axis_Mode_Home(0);
    KQ_Set_Axis_Home_Acc(0, acc);
    KQ_Set_Axis_Home_V(0, -v);
    return MsUntilAtRest();
}

void CompareMotion()
{
    struct Case { int32_t d, acc, dec, v; };
    const Case cases[] = {{64000, 6400, 6400, 6400}, {640, 6400, 6400, 6400}, {100, 1000, 2000, 500},
                          {1000, 1000, 2000, 500}, {320000, 32000, 16000, 64000}, {5, 6400, 6400, 6400}};
    std::printf("move time, board vs planner (ms):\n");
    for (const Case &c : cases) {
        const int board = BoardMoveMs(c.d, c.acc, c.dec, c.v);
        const double model = Estimate::MoveSeconds(c.d, c.acc, c.dec, c.v) * 1000;
        std::printf("  %7d steps acc %6d dec %6d v %6d: board %8d  planner %10.1f  diff %+6.1f\n", c.d, c.acc,
                    c.dec, c.v, board, model, board - model);
    }
    for (const Case &c : {Case{64000, 6400, 0, 6400}, Case{1000, 1000, 0, 500}}) {
        const int board = BoardHomeMs(c.d, c.acc, c.v);
        const double model = Estimate::HomeSeconds(c.d, c.acc, c.v) * 1000;
        std::printf("  home %7d steps acc %6d v %6d: board %8d  planner %10.1f  diff %+6.1f\n", c.d, c.acc, c.v,
                    board, model, board - model);
    }
}

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Best of a few runs, wall clock and this thread's processor time: the
// machine may be shared, and the processor time shows the work itself.
struct Timing { double wall = 1e300, cpu = 1e300; };

Timing Best(const std::function<void()> &work)
{
    Timing best;
    for (int i = 0; i < kRepeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        const double cpu0 = ThreadCpuMs();
        work();
        best.cpu = std::min(best.cpu, ThreadCpuMs() - cpu0);
        best.wall = std::min(best.wall, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

void Print(const char *what, const Timing &t, const QString &note)
{
    std::printf("  %-14s %8.1f ms wall %8.1f ms cpu  (%s)\n", what, t.wall, t.cpu, qPrintable(note));
}

} // namespace

int main(int argc, char **argv)
{
    Bench::Use_Offscreen_Unless_Set();
    QApplication app(argc, argv);
    CompareMotion();

    QVector<TAxis_Config> axes(2);
    for (int a = 0; a < 2; ++a) {
        axes[a].Axis_Caption = QStringLiteral("第%1轴").arg(a + 1);
        axes[a].Motor_Scale = 6400;
    }
    TScanSettings scan;
    scan.XAxis = axes[0].Axis_Caption;
    scan.YAxis = axes[1].Axis_Caption;
    scan.XCount = scan.YCount = 1000;
    const std::vector<TAutoCode> rows = GenerateRaster(scan);
    std::printf("\nraster 1000 x 1000: %zu rows\n", rows.size());

    TRunPlanner planner;
    const Timing plan = Best([&] { planner.Plan(rows, axes, {0, 0}, 1); });
    Print("plan", plan, Estimate::EstimateText(planner.TotalMs()));
    const Timing plan3 = Best([&] { planner.Plan(rows, axes, {0, 0}, 3); });
    Print("plan, 3 runs", plan3, Estimate::EstimateText(planner.TotalMs()));

    TPreviewPanel panel;
    const Timing path = Best([&] { panel.SetProgram(rows, axes, {0, 0}); });
    Print("preview path", path, QStringLiteral("%1 points").arg(panel.Path().Points().size()));
    QImage image(600, 400, QImage::Format_ARGB32_Premultiplied);
    const Timing draw = Best([&] {
        QPainter painter(&image);
        panel.Draw(painter, image.rect());
    });
    Print("preview draw", draw, QStringLiteral("600 x 400"));

    // The same with travel limits on X that leave half the points outside.
    axes[0].Soft_Min = 0;
    axes[0].Soft_Max = 5000;
    const Timing limited = Best([&] { panel.SetProgram(rows, axes, {0, 0}); });
    Print("preview path, limits", limited, QStringLiteral("%1 points").arg(panel.Path().Points().size()));
    const Timing drawLimited = Best([&] {
        QPainter painter(&image);
        panel.Draw(painter, image.rect());
    });
    Print("preview draw, limits", drawLimited, QStringLiteral("600 x 400"));
    return 0;
}
