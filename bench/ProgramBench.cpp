// A program of a million rows on the automatic page: generating a
// 1000 x 1000 absolute raster and showing it in the grid, saving it,
// opening it again (compared with Python's csv module reading and converting
// the same file), the heap and the resident memory spent per row, and
// scrolling the grid to the last row.  Prints each figure.
#include "BenchSupport.h"
#include "common/ui/Dialogs.h"
#include "config/AxisConfig.h"
#include "controller/Conversion.h"
#include "program/ProgramFile.h"
#include "program/ui/TAutoPage.h"
#include "program/TCodeModel.h"
#include "program/ui/TRunEstimate.h"
#include "program/ui/TPreviewPanel.h"
#include "program/ui/TXYFrm.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <malloc.h>
#include <unistd.h>

namespace {

// Reads the file with csv.reader and converts every field as the program
// does; prints the seconds spent (the interpreter's start not counted).
const char *const kPythonCsv = R"(
import csv, sys, time
t = time.perf_counter()
rows = []
with open(sys.argv[1], encoding='gb18030', newline='') as f:
    for r in csv.reader(f):
        rows.append((int(r[0]), r[1], r[2], float(r[3]), int(r[4]), int(r[5])))
print(time.perf_counter() - t, len(rows))
)";

// Runs `step`, lets the window repaint, and returns the seconds spent.
template <typename Step>
double Timed(Step step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    QApplication::processEvents();
    return timer.nsecsElapsed() / 1e9;
}

// The heap in use: small blocks and mapped ones.  mallinfo2 counts the
// main arena's blocks only, so main() keeps every thread (the planning
// worker, the reader's pieces) in that arena.
size_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Lets the window's events run until the page's estimate and preview are
// those of all its rows (the plan starts from the event loop and runs in a
// worker), at most a minute.
void Wait_For_Plan(TAutoPage &page)
{
    QElapsedTimer waited;
    waited.start();
    while ((page.Estimate->IsPlanning() || page.Estimate->Planner().RowCount() != page.mem_Code->rowCount())
           && waited.elapsed() < 60000) {
        QApplication::processEvents();
        page.Estimate->WaitForPlan();
    }
    QApplication::processEvents();
}

// Two axes of the default configuration standing at 0, given to the
// page's estimate and preview as the main window gives them.
void Show_Axes(TAutoPage &page)
{
    page.Build_Status({QStringLiteral("第1轴"), QStringLiteral("第2轴")});
    page.Estimate->SetAxes(g_Axis_Config);
    page.Estimate->SetStartSource([] { return std::vector<double>(2, 0.0); }); // both at 0
}

size_t ResidentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return size_t(statm.readAll().split(' ').value(1).toLongLong()) * size_t(sysconf(_SC_PAGESIZE));
}

// The heap and the resident memory that `work` leaves in use, per row.
template <typename Work>
std::pair<double, double> Kept_Per_Row(size_t rows, Work work)
{
    malloc_trim(0);
    const size_t heap = HeapInUse(), resident = ResidentBytes();
    work();
    return {(double(HeapInUse()) - double(heap)) / double(rows), (double(ResidentBytes()) - double(resident)) / double(rows)};
}

double PythonSeconds(const QString &path)
{
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(kPythonCsv), path});
    if (!python.waitForFinished(600000) || python.exitCode() != 0)
        return -1;
    return QString::fromLatin1(python.readAllStandardOutput()).split(QLatin1Char(' ')).value(0).toDouble();
}

} // namespace

int main(int argc, char **argv)
{
    Bench::Use_Offscreen_Unless_Set();
    mallopt(M_ARENA_MAX, 1);
    QApplication app(argc, argv);
    g_Axis_Config = QVector<TAxis_Config>(2);
    g_Axis_Config[0].Axis_Caption = QStringLiteral("第1轴");
    g_Axis_Config[1].Axis_Caption = QStringLiteral("第2轴");
    Calc_Ratio(2); // as loading the configuration does
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("raster.txt"));
    SetMessageBoxHandler([](const MessageRequest &) { return MsgResult::Ok; });
    SetModalHandler([](QDialog *dialog) { dialog->accept(); return int(QDialog::Accepted); });
    SetFileDialogHandler([&path](FileDialogKind, const QString &) { return path; });

    TXYFrm xy;
    TAutoPage page;
    page.XYFrm = &xy;
    Show_Axes(page);
    xy.edt_XCount->setText(QStringLiteral("1000"));
    xy.edt_YCount->setText(QStringLiteral("1000"));
    page.resize(1400, 900);
    page.show();
    QApplication::processEvents();

    const double generate = Timed([&] { page.btn_ScanXYClick(); });
    const int rows = page.mem_Code->rowCount();
    std::printf("rows                         %d\n", rows);
    std::printf("generate and show raster     %.3f s (target < 1 s)\n", generate);

    QByteArray text;
    const double format = Timed([&] { text = WriteProgramText(page.mem_Code->Rows()); });
    const double parse = Timed([&] { ReadProgramText(text); });
    std::printf("  of which: format %.3f s, parse %.3f s\n", format, parse);
    const double save = Timed([&] { page.Save_Program(); });
    std::printf("save                         %.3f s (target < 0.5 s), %lld bytes\n", save,
                static_cast<long long>(QFileInfo(path).size()));

    page.mem_Code->SetRows({});
    page.Estimate->WaitForPlan();
    const double open = Timed([&] { page.Open_Program(); });
    std::printf("open and show                %.3f s (target < 0.5 s)\n", open);

    // Measured on a page that never held a program: the first page keeps
    // plans of the program before, which the next plan frees, and a figure
    // taken across that would count their release against the new rows.
    Wait_For_Plan(page);
    std::vector<TAutoCode> table;
    const auto [tableHeap, tableResident] = Kept_Per_Row(size_t(rows), [&] { table = ReadProgramFile(path).Rows; });
    std::printf("table alone per row          heap %.0f bytes, resident %.0f bytes (a row is %zu bytes)\n", tableHeap,
                tableResident, sizeof(TAutoCode));
    table = {};
    TAutoPage fresh;
    Show_Axes(fresh);
    QApplication::processEvents();
    const auto [pageHeap, pageResident] = Kept_Per_Row(size_t(rows), [&] {
        fresh.Open_Program();
        Wait_For_Plan(fresh);
    });
    std::printf("page per row (table, plan, preview) heap %.0f bytes (target < 200), resident %.0f bytes;"
                " %zu planned rows, %zu preview points\n",
                pageHeap, pageResident, size_t(fresh.Estimate->Planner().RowCount()), fresh.pnl_Preview->Path().Points().size());

    page.grid_Code->scrollToTop();
    QApplication::processEvents();
    const double scroll = Timed([&] { page.grid_Code->scrollToBottom(); });
    std::printf("scroll grid to the last row  %.4f s\n", scroll);

    const double python = PythonSeconds(path);
    if (python > 0)
        std::printf("python csv read and convert  %.3f s; open is %.1f times faster (target >= 3)\n", python,
                    python / open);
    else
        std::printf("python csv read and convert  not measured (python3 not found)\n");
    return 0;
}
