// The window with a program of ten million rows: the longest gap in the
// main window's event loop while "行列扫描" generates the program, while it
// is saved and opened again, while "启动" checks and starts it and while
// "急停" halts it, each until the estimate is shown again.  A gap is the
// longest time between two turns of the event loop (a 5 ms timer); the
// window freezes for as long as a gap lasts.
#include "BenchSupport.h"
#include "common/Guard.h"
#include "program/RasterScan.h"
#include "program/TAutoPage.h"
#include "program/TCodeModel.h"
#include "program/TProgramRunner.h"
#include "program/TRunEstimate.h"
#include "program/TXYFrm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// 3000 points a line, 3333 lines: 9,999,003 rows.
const char *const kXCount = "3000";
const char *const kYCount = "3333";

// Times the turns of the event loop.
class GapWatch
{
public:
    GapWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    void Reset()
    {
        m_last = m_clock.elapsed();
        m_longest = 0;
    }
    qint64 Longest() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

TAutoPage *Page()
{
    return MainFrm->AutoPage;
}

bool EstimateShown()
{
    const QString text = Page()->lbl_Estimate->text();
    return !Page()->Estimate->IsPlanning() && text.startsWith(QStringLiteral("预计用时 "))
        && !text.contains(QStringLiteral("计算中"));
}

// Runs `action` from the event loop, then lets the loop turn until `done`
// holds and half a second more (the window repaints); prints the longest
// gap and when `done` first held.
void Measure(GapWatch &watch, const char *what, const std::function<void()> &action,
             const std::function<bool()> &done)
{
    bool acted = false;
    QElapsedTimer clock;
    clock.start();
    watch.Reset();
    QTimer::singleShot(0, [&] {
        Guard(action);
        acted = true;
    });
    qint64 doneAt = -1;
    while (clock.elapsed() < 600000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (doneAt < 0 && acted && done())
            doneAt = clock.elapsed();
        if (doneAt >= 0 && clock.elapsed() > doneAt + 500)
            break;
    }
    std::printf("%-8s longest gap %6lld ms (target <= 100)   done after %7lld ms   %s\n", what,
                static_cast<long long>(watch.Longest()), static_cast<long long>(doneAt),
                qPrintable(Page()->lbl_Estimate->text()));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    Bench::Use_Offscreen_Unless_Set();
    QApplication app(argc, argv);
    const Bench::ConfigFile config(QByteArray{});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("raster.txt"));
    SetMessageBoxHandler([](const MessageRequest &) { return MsgResult::Ok; });
    SetFileDialogHandler([&path](FileDialogKind, const QString &) { return path; });

    Bench::Show_Main_Window();
    Bench::Connect(Bench::Choose_Usb);
    MainFrm->btn_AutoClick();
    SetModalHandler([](QDialog *dialog) {
        dialog->done(QDialog::Accepted);
        return dialog->result();
    });
    XYFrm->edt_XCount->setText(QString::fromLatin1(kXCount));
    XYFrm->edt_YCount->setText(QString::fromLatin1(kYCount));
    const qint64 rows = RasterRowCount(XYFrm->ReadSettings());
    std::printf("program of %lld rows\n", static_cast<long long>(rows));

    GapWatch watch;
    Measure(watch, "generate", [] { Page()->btn_ScanXYClick(); },
            [rows] { return Page()->mem_Code->rowCount() == rows && EstimateShown(); });
    Measure(watch, "save", [] { MainFrm->btn_SaveClick(); }, [] { return true; });
    Measure(watch, "open", [] { MainFrm->btn_OpenClick(); },
            [rows] { return Page()->mem_Code->rowCount() == rows && EstimateShown(); });
    Measure(watch, "启动", [] { MainFrm->btn_AutoRunClick(); }, [] {
        return MainFrm->Runner->RunState() == TProgramRunner::Running && !Page()->Estimate->IsPlanning();
    });
    Measure(watch, "急停", [] { MainFrm->btn_AutoHaltClick(); }, [] { return EstimateShown(); });
    return 0;
}
