// Timing of automatic programs on the simulated board, in the tick schedule
// and in fast stepping, each on its real timers and the wall clock:
// - rows of no distance (relative moves of 0 without delay): in the tick
//   schedule five 50 ms ticks a row (100 rows measured, 1000 by default
//   with --ticks-rows 1000); in fast stepping 1000 and 10^5 rows, which
//   should go as many rows a second (nothing grows with the table).
// - 1000 relative moves of 0.001 mm at 100 mm/s² in fast stepping: the time
//   a row takes beyond the motion time of the board.
// - the main window running 1000 rows of no distance in fast stepping with
//   its log at its cap of lines: processor time per row.
// - the status refresh of a 64-axis board into the status table shown in a
//   grid with its display updates suspended.  Prints the mean cost.
#include "BenchSupport.h"
#include "config/AxisConfig.h"
#include "controller/CheckedConversion.h"
#include "controller/Conversion.h"
#include "kq_sim.h"
#include "program/StatusRefresh.h"
#include "program/TCodeModel.h"
#include "program/TProgramRunner.h"
#include "program/TStatusModel.h"
#include "program/ui/TAutoPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTableView>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr int kStatusAxes = 64;
constexpr int kRefreshes = 1000;

void Configure_Axes(int count, double acc = 10)
{
    g_Axis_Config = QVector<TAxis_Config>(count); // 6400 steps per mm
    for (int a = 0; a < count; ++a) {
        g_Axis_Config[a].Axis_Caption = QStringLiteral("第%1轴").arg(a + 1);
        g_Axis_Config[a].Acc = g_Axis_Config[a].Dec = acc;
    }
    Calc_Ratio(count);
}

double Cpu_Seconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

std::vector<TAutoCode> Moves(int rows, double mm)
{
    return std::vector<TAutoCode>(size_t(rows), TAutoCode{false, 0, QStringLiteral("第1轴"), AutoAction::Rel, mm, 0, 1});
}

// Milliseconds of the run on the wall clock.
double Run(const std::vector<TAutoCode> &rows, bool fast)
{
    kqsim_reset(4, 4, KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER);
    KQ_Open_USB();
    TCodeModel code;
    code.SetRows(rows);
    TProgramRunner runner(&code, [] { return 4; });
    runner.FastRun = fast;
    QEventLoop loop;
    QObject::connect(&runner, &TProgramRunner::StateChanged, &loop, [&loop](int state) {
        if (state == TProgramRunner::Idle)
            loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    runner.Start(QStringLiteral("1"));
    loop.exec();
    return double(clock.nsecsElapsed()) / 1e6;
}

void Bench_No_Distance(int tickRows)
{
    Configure_Axes(4);
    const double ticks = Run(Moves(tickRows, 0), false);
    std::printf("no distance, ticks: %d rows in %.1f s, %.1f ms a row; 1000 rows %.1f s (at least 250 s), %.2f rows/s\n",
                tickRows, ticks / 1000, ticks / tickRows, ticks / tickRows, 1000.0 * tickRows / ticks);
    for (const int rows : {1000, 100000}) {
        const double ms = Run(Moves(rows, 0), true);
        std::printf("no distance, fast:  %d rows in %.2f s, %.3f ms a row, %.0f rows/s (%.0f times the ticks')\n", rows,
                    ms / 1000, ms / rows, 1000.0 * rows / ms, (ticks / tickRows) / (ms / rows));
    }
}

// The motion time of one move as the board integrates it.
double Board_Motion_Ms(double mm)
{
    kqsim_reset(4, 4, KQ_RESOURCE_AXIS);
    kqsim_set_manual_clock(1);
    KQ_Open_USB();
    KQ_Set_Axis_Position_Acc(0, Checked_Motor_Real_To_Steps(0, g_Axis_Config[0].Acc));
    KQ_Set_Axis_Position_Dec(0, Checked_Motor_Real_To_Steps(0, g_Axis_Config[0].Dec));
    KQ_Set_Axis_Position_V_Max(0, Checked_Motor_Real_To_Steps(0, g_Axis_Config[0].Max_V));
    KQ_Set_Axis_Position_P_Target_Rel(0, Checked_Motor_Real_To_Steps(0, mm));
    int ms = 0;
    for (; kqsim_axis_running(0) && ms < 100000; ++ms)
        kqsim_advance_ms(1);
    kqsim_set_manual_clock(0);
    return ms;
}

void Bench_Short_Moves()
{
    constexpr int rows = 1000;
    Configure_Axes(4, 100);
    const double motion = Board_Motion_Ms(0.001);
    const double ms = Run(Moves(rows, 0.001), true);
    std::printf("0.001 mm at 100 mm/s2, fast: %d rows in %.2f s, %.2f ms a row; the board moves %.0f ms: %.2f ms "
                "more (target <= 10)\n",
                rows, ms / 1000, ms / rows, motion, ms / rows - motion);
}

void Bench_Window(bool fast)
{
    constexpr int rows = 1000;
    Bench::ConfigFile config(QByteArray{});
    kqsim_reset(4, 4, KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER);
    Bench::Show_Main_Window();
    Bench::Connect(Bench::Choose_Usb);
    MainFrm->btn_AutoClick();
    for (int i = 0; i < TAutoPage::kLogLines; ++i)
        MainFrm->Add_Log(QStringLiteral("第1轴 开始相对定位"));
    MainFrm->AutoPage->chk_FastRun->setChecked(fast);
    MainFrm->AutoPage->mem_Code->SetRows(Moves(fast ? rows : rows / 10, 0));
    QApplication::processEvents();
    QEventLoop loop;
    QObject::connect(MainFrm->Runner, &TProgramRunner::StateChanged, &loop, [&loop](int state) {
        if (state == TProgramRunner::Idle)
            loop.quit();
    });
    const double cpu = Cpu_Seconds();
    QElapsedTimer clock;
    clock.start();
    MainFrm->btn_AutoRunClick();
    loop.exec();
    const int done = MainFrm->AutoPage->mem_Code->rowCount();
    std::printf("window, %s, log at its cap (%d lines): %d rows in %.2f s, processor %.3f ms a row (target <= 1)\n",
                fast ? "fast" : "ticks", MainFrm->mmo_Log->blockCount(), done, clock.elapsed() / 1000.0,
                (Cpu_Seconds() - cpu) * 1000 / done);
    Destroy_Forms();
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
    Bench::Use_Offscreen_Unless_Set();
    QApplication app(argc, argv);
    int tickRows = 100;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--ticks-rows") == 0)
            tickRows = std::max(1, std::atoi(argv[i + 1]));
    Bench_Status();
    Bench_No_Distance(tickRows);
    Bench_Short_Moves();
    Bench_Window(false);
    Bench_Window(true);
    return 0;
}
