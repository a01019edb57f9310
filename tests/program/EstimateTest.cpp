#include "program/TCodeModel.h"
#include "program/TPreviewPanel.h"
#include "program/TRunEstimate.h"
#include "support/TestRegistry.h"

#include <QLabel>
#include <QTest>

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
        TAxis_Config axis; // 1 mm/s², 1 mm/s
        axis.Motor_Scale = 100;
        estimate->SetAxes({axis});
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

private:
    TCodeModel *code = nullptr;
    QLabel *label = nullptr;
    TPreviewPanel *preview = nullptr;
    TRunEstimate *estimate = nullptr;
    QString repeat;
};

TAVORIN_TEST(EstimateTest)
#include "EstimateTest.moc"
