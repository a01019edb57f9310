// The run log in the page's log box: a pass's lines in one edit, every
// other line at once, and the box up to date when a pass ends.
#include "config/AxisConfig.h"
#include "program/TCodeModel.h"
#include "program/TProgramRunner.h"
#include "program/TRunLog.h"
#include "program/ui/TRunLogView.h"
#include "support/Fixtures.h"
#include "support/TestRegistry.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTextDocument>

class RunLogViewTest : public QObject
{
    Q_OBJECT
private slots:
    void aPassIsOneEdit()
    {
        kqsim_reset(1, 1, KQ_RESOURCE_AXIS);
        KQ_Open_USB();
        g_Axis_Config = QVector<TAxis_Config>(1);
        Fixtures::TempConfig cfg;
        TCodeModel code;
        code.SetRows(std::vector<TAutoCode>(20, TAutoCode{false, 0, "X", AutoAction::Adjust, 1, 0, 1}));
        TProgramRunner runner(&code, [] { return 1; });
        runner.FastRun = true;
        TRunLog log([] { return QString(); });
        log.Follow(&runner);
        QPlainTextEdit box;
        box.setMaximumBlockCount(10000);
        TRunLogView view(&box, &runner);
        QObject::connect(&log, &TRunLog::Line, &view, &TRunLogView::Add);
        int edits = 0;
        QObject::connect(box.document(), &QTextDocument::contentsChange, [&edits] { ++edits; });

        runner.Start(QStringLiteral("1"));
        QCOMPARE(edits, 1); // "开始运行", at once
        int passes = 0; // one, unless the machine is slow (a pass lasts 10 ms at most)
        for (; passes < 100 && runner.RunState() != TProgramRunner::Idle; ++passes)
            runner.tmr_FastRunTimer();
        QCOMPARE(edits, 1 + passes);
        QVERIFY(passes < 10);
        const QStringList lines = box.toPlainText().split('\n');
        QCOMPARE(lines.size(), 1 + 20 + 2);
        QVERIFY(lines[1].endsWith("X 坐标调整完成"));
        QVERIFY(lines.last().endsWith("]停止"));
        g_Axis_Config.clear();
    }
};

TAVORIN_TEST(RunLogViewTest)
#include "RunLogViewTest.moc"
