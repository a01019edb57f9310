#include "program/TCodeModel.h"
#include "program/ui/TAutoPage.h"
#include "program/ui/TPreviewPanel.h"
#include "program/ui/TRunEstimate.h"
#include "support/TestRegistry.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <stdexcept>
#include <thread>

namespace {
TAutoCode Move(double mm, const QString &action = AutoAction::Rel)
{
    return TAutoCode{false, 0, QString(), action, mm, 0, 1};
}
} // namespace

// The label and the preview follow the table, the repeat count and the
// axes, and stand still while a program runs.
class EstimateTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        code = new TCodeModel;
        label = new QLabel;
        preview = new TPreviewPanel;
        repeat = QStringLiteral("1");
        estimate = new TRunEstimate(code, label, preview, [this] { return repeat; });
        estimate->SetAxes(estimateAxes()); // 1 mm/s², 1 mm/s
    }
    void cleanup()
    {
        delete estimate;
        delete preview;
        delete label;
        delete code;
    }

    void followsTableAndRepeat()
    {
        QCOMPARE(label->text(), QStringLiteral("预计用时 00:00:00"));
        code->InsertRow(-1, Move(10)); // 11 s of motion, 3 + 220 + 1 ticks
        QTRY_COMPARE(label->text(), QStringLiteral("预计用时 00:00:12"));
        QCOMPARE(preview->Path().Points().size(), size_t(2));
        repeat = QStringLiteral("3");
        estimate->Replan(true);
        QCOMPARE(label->text(), QStringLiteral("预计用时 00:00:34"));
        repeat = QStringLiteral("abc"); // the run would refuse it; one run is shown
        estimate->Replan(true);
        QCOMPARE(label->text(), QStringLiteral("预计用时 00:00:12"));
        TAutoCode pause = Move(0, AutoAction::Pause);
        pause.ID = -1;
        code->InsertRow(-1, pause);
        QTRY_VERIFY(label->text().endsWith(QStringLiteral("（暂停 1 处，等待时间不计）")));
        QVERIFY(label->toolTip().startsWith(QStringLiteral("第2行暂停")));
    }

    void remainingWhileRunning()
    {
        code->InsertRow(-1, Move(10));
        code->InsertRow(-1, Move(-10));
        estimate->RunStarted();
        QCOMPARE(label->text(), QStringLiteral("剩余 00:00:23"));
        code->SetCurrentRow(1);
        estimate->RunProgress(0, {10});
        QCOMPARE(label->text(), QStringLiteral("剩余 00:00:12"));
        // No replanning during the run; it follows at the end.
        code->InsertRow(-1, Move(10));
        QTest::qWait(1);
        estimate->RunProgress(0, {10});
        QCOMPARE(label->text(), QStringLiteral("剩余 00:00:12"));
        estimate->RunEnded();
        QCOMPARE(label->text(), QStringLiteral("预计用时 00:00:34"));
    }

    // A long program is planned in the worker: "计算中…" until the plan is
    // ready, then the same estimate and path as planned at once.  A change
    // of the table while it plans cancels that plan: what is shown is the
    // new table's.
    void plansLongProgramInWorker()
    {
        const std::vector<TAutoCode> rows(60000, Move(1)); // 2.4 s each
        TRunPlanner expected;
        expected.Plan(rows, estimateAxes(), {}, 1);
        code->SetRows(rows);
        estimate->InlineRowLimit = 0;
        estimate->Replan(true);
        QVERIFY(estimate->IsPlanning());
        QCOMPARE(label->text(), QStringLiteral("预计用时 计算中…"));
        QVERIFY(preview->IsPathPending());
        estimate->WaitForPlan();
        QCOMPARE(label->text(), Estimate::PlanText(expected));
        QCOMPARE(preview->Path().Points().size(), rows.size() + 1);
        QVERIFY(!preview->IsPathPending());

        estimate->Replan(true);
        code->InsertRow(0, Move(-5)); // while the worker reads the rows
        std::vector<TAutoCode> changed = rows;
        changed.insert(changed.begin(), Move(-5));
        expected.Plan(changed, estimateAxes(), {}, 1);
        QTRY_COMPARE(label->text(), Estimate::PlanText(expected));
        QCOMPARE(preview->Path().Points().size(), changed.size() + 1);
    }

    // "剩余" counts from the start of the row being executed; while the row
    // takes longer than planned, the rows after it are left at least.
    void remainingWhenStepOverruns()
    {
        int64_t now = 0;
        estimate->SetClock([&now] { return now; });
        code->InsertRow(-1, Move(10)); // 11.2 s planned
        code->InsertRow(-1, Move(-10));
        code->SetCurrentRow(0);
        estimate->RunStarted();
        now = 5000;
        estimate->RunProgress(0, {});
        QCOMPARE(label->text(), QStringLiteral("剩余 00:00:18"));
        now = 60000; // a minute on the first row
        estimate->RunProgress(0, {});
        QCOMPARE(label->text(), QStringLiteral("剩余 ≥ 00:00:12"));
        code->SetCurrentRow(1); // re-based when the next row begins
        now = 61000;
        estimate->RunProgress(0, {});
        QCOMPARE(label->text(), QStringLiteral("剩余 00:00:11"));
    }

    // The estimate follows the chosen way of running.
    void followsTheWayOfRunning()
    {
        code->SetRows(std::vector<TAutoCode>(100, Move(0.01)));
        QStringList shown;
        for (const bool fast : {true, false}) {
            estimate->SetFastRun(fast);
            TRunPlanner expected;
            expected.FastRun = fast;
            expected.Plan(code->Rows(), estimateAxes(), {}, 1);
            QTRY_COMPARE(label->text(), Estimate::PlanText(expected));
            shown << label->text();
        }
        // 0.2 s of motion a row: seen by the 5 ms polls, or 8.5 ticks.
        QCOMPARE(shown, QStringList({"预计用时 00:00:21", "预计用时 00:00:42"}));
    }

    // What the worker throws ends its plan, not the process: the label
    // says so on the window's thread, and the next plan is made as usual.
    void workerFailureIsReported()
    {
        code->SetRows(std::vector<TAutoCode>(100, Move(1)));
        estimate->InlineRowLimit = 0;
        std::thread::id thrownOn, window = std::this_thread::get_id();
        estimate->BeforeWorkerPlan = [&thrownOn] {
            thrownOn = std::this_thread::get_id();
            throw std::runtime_error("out of memory");
        };
        estimate->Replan(true);
        QTRY_COMPARE(label->text(), Estimate::PlanFailedText());
        QVERIFY(thrownOn != window);
        QCOMPARE(label->toolTip(), QStringLiteral("out of memory"));
        QVERIFY(!estimate->IsPlanning());
        QVERIFY(preview->Path().IsEmpty());
        estimate->BeforeWorkerPlan = {};
        estimate->Replan(true);
        estimate->WaitForPlan();
        QCOMPARE(label->text(), QStringLiteral("预计用时 00:03:42"));
    }

    // The page goes while its long program is being planned (the preview's
    // axis changed just before): the table goes first, and the worker reads
    // its rows no more.  Run under the sanitizers.
    void pageTornDownDuringPlan()
    {
        std::vector<TAutoCode> rows(300000, Move(1));
        for (int round = 0; round < 10; ++round) {
            auto *page = new TAutoPage;
            page->Estimate->SetAxes(estimateAxes() + estimateAxes());
            page->mem_Code->SetRows(rows);
            page->Estimate->Replan(true);
            page->pnl_Preview->cbb_PreviewX->setCurrentIndex(1);
            QVERIFY(page->Estimate->IsPlanning());
            QTest::qWait(round * 5);
            delete page;
        }
    }

private:
    static QVector<TAxis_Config> estimateAxes()
    {
        TAxis_Config axis;
        axis.Motor_Scale = 100;
        return {axis};
    }

    TCodeModel *code = nullptr;
    QLabel *label = nullptr;
    TPreviewPanel *preview = nullptr;
    TRunEstimate *estimate = nullptr;
    QString repeat;
};

TAVORIN_TEST(EstimateTest)
#include "EstimateTest.moc"
