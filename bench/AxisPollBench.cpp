// Cost of the status poll: 32 axis panels side by side in a scrolling row of
// a shown window, each polling the simulated board every 500 ms, for 10 s.
// Prints the process CPU time spent in that time, as seconds and as a share
// of one core, and the number of polls made.
#include "axis/TAxisFrm.h"
#include "config/AxisConfig.h"
#include "kq_sim.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <sys/resource.h>

namespace {

constexpr int kAxes = 32;
constexpr int kRunMs = 10000;

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

QWidget *Build_Panel_Row()
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int axis = 0; axis < kAxes; ++axis) {
        auto *frm = new TAxisFrm(row);
        frm->setObjectName(QStringLiteral("Axis%1").arg(axis));
        frm->grp_Ch->setProperty("Tag", axis);
        frm->grp_Ch->setTitle(QStringLiteral("第%1轴").arg(axis + 1));
        frm->FNegCaption = QStringLiteral("负向");
        frm->FPosCaption = QStringLiteral("正向");
        frm->Load_Param();
        layout->addWidget(frm, 0, Qt::AlignTop);
    }
    layout->addStretch(1);
    return row;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    kqsim_reset(kAxes, kAxes, KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER);
    KQ_Open_USB();
    g_Axis_Config = QVector<TAxis_Config>(kAxes);

    QScrollArea area;
    area.setWidget(Build_Panel_Row());
    area.resize(1280, 760);
    area.show();
    QCoreApplication::processEvents();
    kqsim_journal_clear();

    const double cpuBefore = Cpu_Seconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(kRunMs, Qt::PreciseTimer, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = Cpu_Seconds() - cpuBefore;
    const double elapsed = double(wall.elapsed()) / 1000.0;

    std::printf("panels:        %d\n", kAxes);
    std::printf("wall time:     %.2f s\n", elapsed);
    std::printf("CPU time:      %.3f s\n", cpu);
    std::printf("one core:      %.2f %%\n", 100.0 * cpu / elapsed);
    std::printf("polls:         %d (%.1f per panel per second)\n", Polls_In_Journal(),
                Polls_In_Journal() / (kAxes * elapsed));
    return 0;
}
