// The run log over a long run, in the real main window (offscreen unless a
// display is asked for) on the simulated board:
// - a program of 200 zero-motion relative steps of 1000 repetitions each,
//   without delay, ticked as fast as it goes: five log lines a repetition,
//   10^6 lines in all, and a points line with its position reads per
//   repetition, into the run's record.  Prints the resident memory growth
//   (target < 50 MB), the time per log line and the record's size.  The
//   simulated board's journal of calls is emptied as the run goes: it is
//   the library's, not the program's.
// - 10^5 lines logged alone, with and without a record open: the cost of
//   one line in the window and in the record.
// The records go to a temporary folder of the benchmark's own.
#include "BenchSupport.h"
#include "program/ui/TAutoPage.h"
#include "program/TCodeModel.h"
#include "program/TProgramRunner.h"
#include "program/TRunLog.h"
#include "kq_sim.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPlainTextEdit>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

int kRows = 200;
int kRepetitions = 1000;
int kLines = 100000;
// The window repaints and the record reaches the disk once a pass of the
// event loop; a pass every this many ticks or lines.
constexpr int kEventsEvery = 1000;

double Resident_MB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

qint64 Size_Of(const QString &path)
{
    return QFileInfo(path).size();
}

void Bench_Run()
{
    std::vector<TAutoCode> rows(kRows, TAutoCode{false, 0, QStringLiteral("第1轴"), AutoAction::Rel, 0, 0, kRepetitions});
    MainFrm->AutoPage->mem_Code->SetRows(std::move(rows));
    QApplication::processEvents();
    long long lines = 0;
    QObject::connect(MainFrm->RunLog, &TRunLog::Line, [&lines] { ++lines; });

    const double before = Resident_MB();
    QElapsedTimer clock;
    clock.start();
    MainFrm->btn_AutoRunClick();
    const QString log = MainFrm->RunLog->Record().LogPath();
    const QString points = MainFrm->RunLog->Record().PointsPath();
    for (long long tick = 1; MainFrm->Runner->RunState() != TProgramRunner::Idle; ++tick) {
        MainFrm->Runner->tmr_AutoTimer();
        if (tick % kEventsEvery == 0) {
            QApplication::processEvents();
            kqsim_journal_clear();
        }
    }
    QApplication::processEvents();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    const double after = Resident_MB();
    std::printf("run of %d x %d repetitions: %lld log lines in %.0f ms, %.2f us per line (the step's work included)\n",
                kRows, kRepetitions, lines, ms, ms * 1000.0 / double(lines));
    std::printf("  resident memory %.1f MB -> %.1f MB, growth %.1f MB (target < 50 MB); window keeps %d lines\n",
                before, after, after - before, MainFrm->mmo_Log->blockCount());
    std::printf("  record: log %.1f MB, points table %.1f MB\n", Size_Of(log) / 1048576.0,
                Size_Of(points) / 1048576.0);
}

void Bench_Lines(bool withRecord)
{
    if (withRecord)
        MainFrm->RunLog->Open_Record();
    const double before = Resident_MB();
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= kLines; ++i) {
        MainFrm->Add_Log(QStringLiteral("第1轴 开始相对定位"));
        if (i % kEventsEvery == 0)
            QApplication::processEvents();
    }
    QApplication::processEvents();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    MainFrm->RunLog->Close_Record();
    std::printf("%d lines alone, %s: %.2f us per line, resident memory growth %.1f MB\n", kLines,
                withRecord ? "window and record" : "window only", ms * 1000.0 / kLines,
                Resident_MB() - before);
}

} // namespace

int main(int argc, char **argv)
{
    Bench::Use_Offscreen_Unless_Set();
    QApplication app(argc, argv);
    // A shorter try: bench_run_log REPETITIONS (of each of the 200 rows).
    if (argc > 1) {
        kRepetitions = std::max(1, std::atoi(argv[1]));
        kLines = std::min(kLines, 5 * kRows * kRepetitions);
    }
    Bench::ConfigFile config(QByteArray{});
    Bench::Show_Main_Window();
    Bench::Connect(Bench::Choose_Usb);
    MainFrm->btn_AutoClick();
    QApplication::processEvents();
    Bench_Run();
    Bench_Lines(false);
    Bench_Lines(true);
    Destroy_Forms();
    return 0;
}
