// Cost of the status poll in the real main window: a 32-axis simulated board
// connected over USB HID, all 32 axis panels shown and polling every 500 ms,
// left idle for 10 s.  Prints the process CPU time spent, as seconds and as a
// share of one core, and the number of polls made; then the time to rebuild
// all panels by selecting the function group 100 times.
#include "BenchSupport.h"
#include "app/Forms.h"
#include "app/TBoardPortFrm.h"
#include "app/TMainFrm.h"
#include "common/ui/Dialogs.h"
#include "config/ConfigLocation.h"
#include "config/IniFile.h"
#include "kq_sim.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <sys/resource.h>

namespace {

constexpr int kAxes = 32;
constexpr int kRunMs = 10000;
constexpr int kRebuilds = 100;

double Cpu_Seconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int Polls_In_Journal()
{
    int polls = 0;
    for (int i = 0; i < kqsim_journal_size(); ++i)
        if (std::strncmp(kqsim_journal_entry(i), "KQ_Get_Axis_Status(", 19) == 0)
            ++polls;
    return polls;
}

} // namespace

int main(int argc, char **argv)
{
    Bench::Use_Offscreen_Unless_Set();
    QApplication app(argc, argv);
    const Bench::ConfigFile config(Bench::kOneGroupForAll);

    kqsim_reset(kAxes, kAxes, KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER);
    Bench::Show_Main_Window();
    Bench::Connect(Bench::Choose_Usb);
    QCoreApplication::processEvents();
    kqsim_journal_clear();

    const double cpuBefore = Cpu_Seconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(kRunMs, Qt::PreciseTimer, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = Cpu_Seconds() - cpuBefore;
    const double elapsed = double(wall.elapsed()) / 1000.0;
    const int polls = Polls_In_Journal();

    QElapsedTimer rebuild;
    rebuild.start();
    for (int i = 0; i < kRebuilds; ++i) {
        MainFrm->Select_Group(0);
        QCoreApplication::processEvents();
    }
    const double rebuildMs = double(rebuild.nsecsElapsed()) / 1e6;

    std::printf("panels:          %d\n", MainFrm->Axis_Frames().size());
    std::printf("idle wall time:  %.2f s\n", elapsed);
    std::printf("idle CPU time:   %.3f s\n", cpu);
    std::printf("one core:        %.2f %%\n", 100.0 * cpu / elapsed);
    std::printf("polls:           %d (%.2f per panel per second)\n", polls, polls / (kAxes * elapsed));
    std::printf("rebuilds:        %d in %.1f ms (%.2f ms each)\n", kRebuilds, rebuildMs, rebuildMs / kRebuilds);

    Destroy_Forms();
    return 0;
}
