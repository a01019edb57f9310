// Run records in the main window: a run's record beside the configuration
// file matches the window's log, the window keeps the last lines only,
// "从此行开始运行" and the "运行记录" button.
#include "AppFixture.h"
#include "program/ui/TAutoPage.h"
#include "program/TCodeModel.h"
#include "program/TProgramRunner.h"
#include "support/TestRegistry.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

using namespace Fixtures;
using namespace AppTest;

namespace {

void Load_Program(const std::vector<TAutoCode> &rows)
{
    for (const TAutoCode &row : rows)
        MainFrm->AutoPage->mem_Code->InsertRow(-1, row);
}

// Ticks the program on the board's manual clock until it stops.
void Run_To_End()
{
    kqsim_set_manual_clock(1);
    for (int i = 0; i < 1000 && MainFrm->tmr_Auto->isActive(); ++i) {
        kqsim_advance_ms(50);
        MainFrm->Runner->tmr_AutoTimer();
    }
    kqsim_set_manual_clock(0);
}

QStringList Window_Lines()
{
    return MainFrm->mmo_Log->toPlainText().split('\n');
}

} // namespace

class RunRecordsTest : public ProgramTestCase
{
    Q_OBJECT
private slots:
    void aRunLeavesItsRecordBesideTheConfiguration()
    {
        cfg->Write("[AXIS1]\r\nACC=1000\r\nDEC=1000\r\nMAX_V=10\r\n");
        Connect();
        MainFrm->btn_AutoClick();
        Load_Program({AxisStep(1, AutoAction::Rel, 0.5, 2), AxisStep(0, AutoAction::Adjust, 0)});
        SetFileDialogHandler([this](FileDialogKind, const QString &) { return cfg->dir.filePath("扫描.txt"); });
        MainFrm->btn_SaveClick();
        SetFileDialogHandler({});
        MainFrm->btn_AutoRunClick();
        Run_To_End();

        const QDir runs(cfg->dir.filePath("runs"));
        const QStringList files = runs.entryList(QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 2);
        QVERIFY2(QRegularExpression("^\\d{8}-\\d{6}-扫描-points\\.csv$").match(files[0]).hasMatch(), qPrintable(files[0]));
        QCOMPARE(files[1], files[0].chopped(QStringLiteral("-points.csv").size()) + ".log");

        QFile log(runs.filePath(files[1]));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QStringList window = Window_Lines();
        const int start = window.indexOf(QRegularExpression(".*\\]开始运行$"));
        QCOMPARE(QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts), window.mid(start));

        QFile points(runs.filePath(files[0]));
        QVERIFY(points.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(points.readAll()).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1 + 3); // the heading, two repetitions, the coordinate
        QCOMPARE(lines[2].section(',', 2), "1,第2轴,相对定位,1.000000,1.000000,,0.000000,mm,,");
    }

    void theWindowKeepsTheLastTenThousandLines()
    {
        for (int i = 1; i <= 10005; ++i)
            MainFrm->Add_Log(QStringLiteral("第%1行").arg(i));
        // After the start-up's "停止".
        const QStringList window = Window_Lines();
        QCOMPARE(window.size(), 10000);
        QVERIFY(window.first().endsWith("]第6行"));
        QVERIFY(window.last().endsWith("]第10005行"));
    }

    // Row 1 names an axis the board lacks: only the rows run are checked.
    void startFromTheThirdRow()
    {
        Connect();
        MainFrm->btn_AutoClick();
        Load_Program({AxisStep(9, AutoAction::Adjust, 1), AxisStep(0, AutoAction::Adjust, 2), AxisStep(0, AutoAction::Adjust, 3),
                      AxisStep(0, AutoAction::Adjust, 4)});
        std::unique_ptr<QMenu> menu(MainFrm->AutoPage->Code_Menu(2));
        QVERIFY(menu);
        auto *start = menu->findChild<QAction *>("act_RunFromRow");
        QVERIFY(start);
        QCOMPARE(start->text(), "从此行开始运行");
        kqsim_journal_clear();
        start->trigger();
        QCOMPARE(MainFrm->Runner->RunState(), TProgramRunner::Running);
        QVERIFY(!std::unique_ptr<QMenu>(MainFrm->AutoPage->Code_Menu(2)));
        Run_To_End();
        QCOMPARE(Commands(), QStringList({"KQ_Set_Axis_Software_P(0,19200)", "KQ_Set_Axis_Software_P(0,25600)",
                                          "KQ_Set_Axis_Halt_All()"}));
        const QStringList starts = Window_Lines().filter(QStringLiteral("开始运行"));
        QCOMPARE(starts.size(), 1);
        QVERIFY(starts[0].endsWith("]从第3行开始运行"));
    }

    void theButtonOpensTheRunsFolder()
    {
        Connect();
        MainFrm->btn_ManualClick();
        QVERIFY(MainFrm->btn_RunRecords->isHidden());
        MainFrm->btn_AutoClick();
        QVERIFY(!MainFrm->btn_RunRecords->isHidden());
        QStringList opened;
        SetOpenFolderHandler([&opened](const QString &path) {
            opened << path;
            return false; // no file manager, as under a bare X server
        });
        MessageRecorder boxes;
        MainFrm->btn_RunRecordsClick();
        SetOpenFolderHandler({});
        const QString runs = cfg->dir.filePath("runs");
        QCOMPARE(opened, QStringList{runs});
        QVERIFY(QFileInfo(runs).isDir());
        QCOMPARE(boxes.Texts(), QStringList{"无法打开文件管理器，运行记录在：" + QDir::toNativeSeparators(runs)});
    }
};

TAVORIN_TEST(RunRecordsTest)
#include "RunRecordsTest.moc"
