#include "AppFixture.h"
#include "app/TRunAllFrm.h"
#include "app/TStatusNote.h"
#include "support/TestRegistry.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Fixtures;
using namespace AppTest;

using Step = std::function<void()>;
Q_DECLARE_METATYPE(Step)

namespace {
const QByteArray kTwoGroups = "[GROUP]\r\nA=0\r\nB=1\r\n[AXIS1]\r\nGROUP_ID=1\r\n[AXIS2]\r\nGROUP_ID=1\r\n";

// The final call of every motion command in the journal, as "Call(axis)".
QStringList Starts()
{
    static const QRegularExpression re("^KQ_Set_Axis_(\\w+_Target_\\w+|Home_V)\\((\\d+),");
    QStringList starts;
    for (const QString &c : Commands())
        if (const auto m = re.match(c); m.hasMatch())
            starts << m.captured(1) + "(" + m.captured(2) + ")";
    return starts;
}

TRunConfigFrm *RunFrame(int i) { return RunAllFrm->Frames().at(i); }

void SetLoop(TAxisFrm *f)
{
    f->rb_Loop->setChecked(true);
    f->Set_Mode();
}

// Presses "同时启动" through the guard; the dialog runs `prepare` and closes
// with `answer`.  Returns how often the dialog was shown.
int RunAll(int answer, Step prepare = [] {})
{
    ModalAnswer modal(answer, [prepare](QDialog *) { prepare(); });
    kqsim_journal_clear();
    MainFrm->btn_RunAll->click();
    return modal.shown;
}
}

class ModesTest : public ProgramTestCase
{
    Q_OBJECT
private slots:
    void switchingModes_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<QStringList>("inAuto");
        QTest::newRow("groups") << kTwoGroups << QStringList();
        QTest::newRow("no groups") << QByteArray() << QStringList{"Axis0", "Axis1", "Axis2", "Axis3"};
    }
    void switchingModes()
    {
        QFETCH(QByteArray, config);
        cfg->Write(config);
        MainFrm->show();
        Connect();
        const QStringList inManual = AxisFrameNames();
        MainFrm->btn_AutoClick();
        QTEST(AxisFrameNames(), "inAuto");
        QVERIFY(MainFrm->btn_Auto->isChecked() && MainFrm->btn_Open->isVisible() && !MainFrm->btn_RunAll->isVisible());
        for (int entry = 0; entry < 2; ++entry) { // a repeated entry halts again
            MainFrm->Select_Group(1);
            kqsim_journal_clear();
            MainFrm->btn_ManualClick();
            QCOMPARE(Commands().count("KQ_Set_Axis_Halt_All()"), 1);
            QCOMPARE(AxisFrameNames(), inManual);
            QVERIFY(MainFrm->btn_Manual->isChecked() && !MainFrm->btn_Auto->isChecked());
            QVERIFY(MainFrm->btn_HaltAll->isVisible() && !MainFrm->btn_AutoHalt->isVisible());
        }
    }

    void runAll_data()
    {
        QTest::addColumn<Step>("before");
        QTest::addColumn<Step>("inDialog");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("starts");
        QTest::addColumn<QStringList>("errors");
        const Step none = [] {};
        const int ok = QDialog::Accepted;
        const QStringList all{"Position_P_Target_Abs(0)", "Position_P_Target_Abs(1)", "Position_P_Target_Abs(2)",
                              "Position_P_Target_Abs(3)"};
        QTest::newRow("defaults") << none << none << ok << all << QStringList();
        QTest::newRow("cancelled") << none << none << int(QDialog::Rejected) << QStringList() << QStringList();
        QTest::newRow("all unchecked") << none << Step([] {
            for (TRunConfigFrm *f : RunAllFrm->Frames())
                f->chk_Run->setChecked(false);
        }) << ok << QStringList() << QStringList();
        QTest::newRow("each option") << none << Step([] {
            RunFrame(0)->rb_Pos_Rel->setChecked(true);
            RunFrame(1)->rb_V_Abs->setChecked(true);
            RunFrame(2)->rb_V_Rel->setChecked(true);
            RunFrame(3)->rb_Home->setChecked(true);
        }) << ok << QStringList{"Position_P_Target_Rel(0)", "Velocity_V_Target_Abs(1)", "Velocity_V_Target_Rel(2)",
                                "Home_V(3)"} << QStringList();
        // Its motion buttons are disabled; the action runs all the same.
        QTest::newRow("back-and-forth panel")
            << Step([] { SetLoop(MainFrm->Axis_Frames().at(1)); }) << none << ok << all << QStringList();
        QTest::newRow("bad second entry") << Step([] { MainFrm->Axis_Frames().at(1)->edt_Abs->setText("x"); })
                                          << Step([] { RunFrame(3)->chk_Run->setChecked(false); }) << ok
                                          << QStringList{"Position_P_Target_Abs(0)"}
                                          << QStringList{"'x' is not a valid floating point value"};
    }
    void runAll()
    {
        QFETCH(Step, before);
        QFETCH(Step, inDialog);
        QFETCH(int, answer);
        Connect();
        before();
        MessageRecorder messages;
        QCOMPARE(RunAll(answer, inDialog), 1);
        QTEST(Starts(), "starts");
        QTEST(messages.Texts(), "errors");
    }

    void runAllChoicesLastUntilRebuild()
    {
        cfg->Write(kTwoGroups);
        QCOMPARE(RunAll(QDialog::Accepted), 0); // no board: no dialog
        Connect();
        RunAll(QDialog::Rejected, [] { RunFrame(0)->rb_Home->setChecked(true); });
        RunAll(QDialog::Accepted);
        QCOMPARE(Starts(), QStringList({"Home_V(0)", "Position_P_Target_Abs(3)"}));
        MainFrm->Select_Group(1); // the list follows the panels: axes 1 and 2
        RunAll(QDialog::Accepted);
        QCOMPARE(Starts(), QStringList({"Position_P_Target_Abs(1)", "Position_P_Target_Abs(2)"}));
        // A ticked axis whose panel went away is named, not skipped silently.
        delete MainFrm->Axis_Frames().at(0);
        RunAll(QDialog::Accepted);
        QCOMPARE(Starts(), QStringList({"Position_P_Target_Abs(2)"}));
        QCOMPARE(MainFrm->msg_Note->text(), QStringLiteral("没有面板，未启动：第2轴"));
        {
            ModalAnswer closed(QDialog::Rejected); // the parameter dialog
            MainFrm->btn_ConfigClick(); // rebuild: group 0 again, defaults again
        }
        RunAll(QDialog::Accepted);
        QCOMPARE(Starts(), QStringList({"Position_P_Target_Abs(0)", "Position_P_Target_Abs(3)"}));
    }

    void stopAllOnPanelsHaltAllAlways_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QStringList>("stops");
        QTest::newRow("board") << true
                               << QStringList{"KQ_Set_Axis_Home_Stop(0)", "KQ_Set_Axis_Velocity_Stop(0)",
                                              "KQ_Set_Axis_Position_Stop(0)", "KQ_Set_Axis_Home_Stop(3)",
                                              "KQ_Set_Axis_Velocity_Stop(3)", "KQ_Set_Axis_Position_Stop(3)"};
        QTest::newRow("no board") << false << QStringList();
    }
    void stopAllOnPanelsHaltAllAlways()
    {
        QFETCH(bool, connected);
        cfg->Write(kTwoGroups);
        if (connected)
            Connect();
        kqsim_journal_clear();
        MainFrm->btn_StopAllClick();
        QTEST(Commands(), "stops");
        kqsim_journal_clear();
        MainFrm->btn_HaltAllClick();
        QCOMPARE(Commands(), QStringList({"KQ_Set_Axis_Halt_All()"}));
    }

    void haltAllEndsLoops_data()
    {
        QTest::addColumn<Step>("halt");
        QTest::newRow("toolbar") << Step([] { MainFrm->btn_HaltAllClick(); });
        QTest::newRow("automatic") << Step([] { MainFrm->btn_AutoHaltClick(); });
        QTest::newRow("manual entry") << Step([] { MainFrm->btn_ManualClick(); });
    }
    void haltAllEndsLoops()
    {
        QFETCH(Step, halt);
        kqsim_set_manual_clock(1);
        Connect();
        TAxisFrm *f = MainFrm->Axis_Frames().at(0);
        SetLoop(f);
        f->tmr_LoopTimer();
        kqsim_advance_ms(100);
        QVERIFY(kqsim_axis_running(0));
        halt();
        for (int tick = 0; tick < 3; ++tick) { // what the loop timer would do, if it still ran
            kqsim_advance_ms(1000);
            if (f->tmr_Loop->isActive())
                f->tmr_LoopTimer();
        }
        QVERIFY(!kqsim_axis_running(0));
        QVERIFY(f->rb_Open->isChecked());
    }

    void runAllDialogHeight_data()
    {
        QTest::addColumn<int>("axes");
        QTest::addColumn<int>("height"); // 0: the natural height within the bounds
        QTest::newRow("1") << 1 << 300;
        QTest::newRow("8") << 8 << 0;
        QTest::newRow("40") << 40 << 600;
    }
    void runAllDialogHeight()
    {
        QFETCH(int, axes);
        QFETCH(int, height);
        kqsim_reset(axes, 0, KQ_RESOURCE_AXIS);
        Connect();
        const QList<TRunConfigFrm *> frames = RunAllFrm->Frames();
        QCOMPARE(frames.size(), axes);
        QCOMPARE(frames.last()->geometry().bottom() + 1, axes * frames[0]->height()); // stacked without gaps
        const int natural = RunAllFrm->grp_Action->sizeHint().height() + axes * frames[0]->height() + 50;
        QCOMPARE(RunAllFrm->height(), height ? height : qBound(300, natural, 600));
    }
};
TAVORIN_TEST(ModesTest)

#include "ModesTest.moc"
