// The status poll, the work modes with stop and halt, and the
// back-and-forth loop, on the simulated board's manual clock.
#include "AxisPanelFixture.h"
#include "common/Guard.h"
#include "common/NumberText.h"
#include "support/TestRegistry.h"

#include <QCoreApplication>
#include <QTest>

using namespace AxisTest;

namespace {

constexpr int kAxis = 2;

// 6400 steps per mm, a sensor, and a quick start and stop.
std::unique_ptr<TAxisFrm> Fast_Axis_Panel()
{
    Reset_Board();
    kqsim_set_manual_clock(1);
    TAxis_Config c = Named_Axis();
    c.Encoder_Has = true;
    c.Acc = 1000;
    c.Dec = 1000;
    g_Axis_Config = QVector<TAxis_Config>(4, c);
    return Build_Panel(kAxis);
}

bool Motion_Buttons_Enabled(const TAxisFrm &f, bool enabled)
{
    const QList<QPushButton *> buttons = {f.btn_Pos_Abs, f.btn_Pos_Rel, f.btn_V_Abs, f.btn_V_Rel,
                                          f.btn_Home,    f.btn_Neg,     f.btn_Pos,   f.btn_Fast0,
                                          f.btn_Fast1,   f.btn_Fast2,   f.btn_Fast3};
    return std::all_of(buttons.begin(), buttons.end(), [&](QPushButton *b) { return b->isEnabled() == enabled; });
}

void Run_At(TAxisFrm &frm, const char *velocity)
{
    frm.edt_Mode_V_Abs->setText(velocity);
    frm.btn_V_AbsClick();
}

// Ticks the loop once a second until it finds the axis at rest; the number
// of ticks, or -1 when it never does.
int Loop_Ticks_Until_Rest(TAxisFrm &frm, int maxTicks)
{
    for (int tick = 1; tick <= maxTicks; ++tick) {
        kqsim_advance_ms(1000);
        frm.tmr_LoopTimer();
        if (frm.LoopState() == 0)
            return tick;
    }
    return -1;
}

} // namespace

class AxisStatusTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { kqsim_set_manual_clock(0); }

    void pollShowsFlagsAndKeepsThemWhenAReadFails()
    {
        auto frm = Fast_Axis_Panel();
        frm->tmr_AxisTimer();
        QCOMPARE(Journal(), QStringList({Call("KQ_Get_Axis_Status", kAxis), Call("KQ_Get_Axis_Software_P_Now", kAxis),
                                         Call("KQ_Get_Axis_V_Now", kAxis)}));
        QVERIFY(frm->tmr_Axis->isActive());
        QVERIFY(frm->chk_Zero->isChecked() && !frm->chk_Neg->isChecked() && !frm->chk_Run->isChecked());

        kqsim_place_axis(kAxis, -640000);
        frm->tmr_AxisTimer();
        QVERIFY(frm->chk_Neg->isChecked() && !frm->chk_Zero->isChecked() && !frm->chk_Pos->isChecked());
        QCOMPARE(frm->edt_Show_Software->text(), "-100.000000");

        kqsim_fail("KQ_Get_Axis_Status", 1);
        kqsim_place_axis(kAxis, 0);
        frm->tmr_AxisTimer();
        QVERIFY(frm->chk_Neg->isChecked() && !frm->chk_Zero->isChecked());
        QCOMPARE(frm->edt_Show_Software->text(), "0.000000");

        kqsim_fail("KQ_Get_Axis_Status", 0);
        Run_At(*frm, "1");
        kqsim_advance_ms(100);
        kqsim_fail("*", 1);
        frm->tmr_AxisTimer();
        QCOMPARE(frm->edt_Show_Software->text() + frm->edt_Show_V->text(), "0.0000000.000000");
        kqsim_fail("*", 0);
        frm->tmr_AxisTimer();
        QVERIFY(frm->chk_Run->isChecked() && !frm->chk_Neg->isChecked());
    }

    void pollShowsSpeedWithDirectionName()
    {
        auto frm = Fast_Axis_Panel();
        const auto speedAfter = [&](const char *velocity) {
            Run_At(*frm, velocity);
            kqsim_advance_ms(1000);
            frm->tmr_AxisTimer();
            return frm->edt_Show_V->text();
        };
        QCOMPARE(speedAfter("2.5"), "2.500000 向右");
        QCOMPARE(speedAfter("-2.5"), "-2.500000 向左");
        QCOMPARE(speedAfter("0"), "0.000000");
    }

    void positionReadoutFollowsWorkMode_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("division");
        for (int division : {32, 0}) {
            const QByteArray suffix = division ? "" : ", no subdivision";
            QTest::newRow("open" + suffix) << "rb_Open" << division;
            QTest::newRow("closed" + suffix) << "rb_Close" << division;
            QTest::newRow("back-and-forth" + suffix) << "rb_Loop" << division;
        }
    }
    void positionReadoutFollowsWorkMode()
    {
        QFETCH(QString, mode);
        QFETCH(int, division);
        const bool fromSensor = mode == "rb_Close";
        auto frm = Fast_Axis_Panel();
        g_Axis_Config[kAxis].Axis_Div = division;
        frm->findChild<QRadioButton *>(mode)->click();
        kqsim_place_axis(kAxis, 3 * 6400);
        kqsim_journal_clear();

        frm->tmr_AxisTimer();

        QCOMPARE(Journal().value(1), Call(fromSensor ? "KQ_Get_Encoder_Pos" : "KQ_Get_Axis_Software_P_Now", kAxis));
        double expected = 0;
        if (division != 0)
            expected = fromSensor ? Sensor_Counts_To_Real(kAxis, kqsim_encoder_counts(kAxis)) : 3.0;
        QCOMPARE(frm->edt_Show_Software->text(), FormatFloat6(expected));
        QVERIFY(frm->tmr_Axis->isActive());
    }

    void workModeEnablesButtonsAndLoopTimer()
    {
        auto frm = Fast_Axis_Panel();
        const TAxisFrm fresh;
        QVERIFY(fresh.tmr_Axis->isActive() && !fresh.tmr_Loop->isActive() && fresh.rb_Open->isChecked());
        QCOMPARE(fresh.tmr_Axis->interval() + fresh.tmr_Loop->interval(), 500 + 1000);
        frm->rb_Loop->click();
        QVERIFY(Motion_Buttons_Enabled(*frm, false));
        QVERIFY(frm->btn_Set_Stop->isEnabled() && frm->btn_Set_Halt->isEnabled() && frm->btn_Zero->isEnabled());
        QVERIFY(frm->tmr_Loop->isActive());
        frm->tmr_LoopTimer();
        QCOMPARE(frm->LoopState(), 1);

        kqsim_journal_clear();
        frm->rb_Open->click();
        QVERIFY(Motion_Buttons_Enabled(*frm, true));
        QVERIFY(!frm->tmr_Loop->isActive());
        QVERIFY2(Journal().isEmpty() && kqsim_axis_running(kAxis), "leaving the loop leaves the axis running");

        frm->rb_Loop->click();
        QCOMPARE(frm->LoopState(), 0);
        frm->rb_Close->click();
        QVERIFY(Motion_Buttons_Enabled(*frm, true) && !frm->tmr_Loop->isActive());
    }

    void stopAndHaltChangeWorkMode_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<bool>("halt");
        QTest::addColumn<QString>("to");
        QTest::newRow("stop in open loop") << "rb_Open" << false << "rb_Open";
        QTest::newRow("stop in closed loop") << "rb_Close" << false << "rb_Close";
        QTest::newRow("stop in back-and-forth") << "rb_Loop" << false << "rb_Open";
        QTest::newRow("halt in closed loop") << "rb_Close" << true << "rb_Open";
        QTest::newRow("halt in back-and-forth") << "rb_Loop" << true << "rb_Open";
    }
    void stopAndHaltChangeWorkMode()
    {
        QFETCH(QString, from);
        QFETCH(bool, halt);
        QFETCH(QString, to);
        auto frm = Fast_Axis_Panel();
        frm->findChild<QRadioButton *>(from)->click();

        halt ? frm->btn_Set_HaltClick() : frm->btn_Set_StopClick();

        const QStringList stop = {Call("KQ_Set_Axis_Home_Stop", kAxis), Call("KQ_Set_Axis_Velocity_Stop", kAxis),
                                  Call("KQ_Set_Axis_Position_Stop", kAxis)};
        QCOMPARE(Journal(), halt ? QStringList(Call("KQ_Set_Axis_Halt", kAxis)) : stop);
        QVERIFY(frm->findChild<QRadioButton *>(to)->isChecked());
        QVERIFY(!frm->tmr_Loop->isActive() && Motion_Buttons_Enabled(*frm, true));
    }

    void loopRunsToTheLimitAndBack()
    {
        auto frm = Fast_Axis_Panel();
        kqsim_set_travel(kAxis, -2 * 6400, 2 * 6400);
        const char *target = "KQ_Set_Axis_Velocity_V_Target_Abs";
        frm->rb_Loop->click();

        frm->tmr_LoopTimer();
        QCOMPARE(Journal().value(3), Call(target, kAxis, 6400));
        QVERIFY(frm->LoopState() == 1 && frm->tmr_Loop->isActive());

        // 2 mm at 1 mm/s take two seconds; at rest at the limit by the third tick.
        const int outward = Loop_Ticks_Until_Rest(*frm, 10);
        QVERIFY2(outward == 2 || outward == 3, qPrintable(QString::number(outward)));
        QVERIFY(kqsim_axis_pos_limit(kAxis) && frm->tmr_Loop->isActive());
        QCOMPARE(frm->edt_Mode_V_Abs->text(), "-1");

        kqsim_journal_clear();
        frm->tmr_LoopTimer();
        QCOMPARE(Journal().value(3), Call(target, kAxis, -6400));
        const int back = Loop_Ticks_Until_Rest(*frm, 10);
        QVERIFY2(back == 4 || back == 5, qPrintable(QString::number(back)));
        QVERIFY(kqsim_axis_neg_limit(kAxis));
        QCOMPARE(frm->edt_Mode_V_Abs->text(), "1");
    }

    void loopNeverReversesOnAFailedStatusRead()
    {
        auto frm = Fast_Axis_Panel();
        kqsim_set_travel(kAxis, -6400, 6400);
        frm->rb_Loop->click();
        frm->tmr_LoopTimer();
        kqsim_advance_ms(5000);
        kqsim_fail("KQ_Get_Axis_Status", 1);
        kqsim_journal_clear();

        QCOMPARE(Loop_Ticks_Until_Rest(*frm, 3), -1);
        QCOMPARE(Journal(), QStringList(3, Call("KQ_Get_Axis_Status", kAxis)));
        QCOMPARE(frm->edt_Mode_V_Abs->text(), "1");

        kqsim_fail("KQ_Get_Axis_Status", 0);
        QCOMPARE(Loop_Ticks_Until_Rest(*frm, 1), 1);
        QCOMPARE(frm->edt_Mode_V_Abs->text(), "-1");
    }

    void loopStopsOnABadEntryWhenReversing()
    {
        auto frm = Fast_Axis_Panel();
        MessageLog messages;
        frm->rb_Loop->click();
        frm->tmr_LoopTimer();
        frm->edt_Mode_V_Abs->setText("x");
        kqsim_advance_ms(300000);
        QVERIFY(!Guard([&] { frm->tmr_LoopTimer(); }));
        QCOMPARE(messages.Texts(), QStringList{Not_A_Float("x")});
        QVERIFY(!frm->tmr_Loop->isActive());
        QVERIFY(frm->rb_Loop->isChecked() && Motion_Buttons_Enabled(*frm, false));
        QCOMPARE(frm->LoopState(), 1);

        // A click on the mode already selected changes nothing.
        frm->rb_Loop->click();
        QVERIFY(!frm->tmr_Loop->isActive());
        QCOMPARE(frm->LoopState(), 1);

        // Entering the mode again restarts the loop from its first state.
        frm->rb_Open->click();
        frm->rb_Loop->click();
        QVERIFY(frm->tmr_Loop->isActive());
        QCOMPARE(frm->LoopState(), 0);
    }

    // A bad entry at the start of a run: the timer's tick goes through the
    // guard, sends the velocity profile only, and leaves the timer stopped.
    void signalsEnterHandlersThroughGuard()
    {
        auto frm = Fast_Axis_Panel();
        MessageLog messages;
        frm->edt_Abs->setText("?");
        frm->btn_Pos_Abs->click();
        QCOMPARE(messages.Texts(), QStringList{Not_A_Float("?")});

        frm->edt_Mode_V_Abs->setText("!");
        frm->tmr_Loop->setInterval(0);
        frm->rb_Loop->click();
        kqsim_journal_clear();
        for (int i = 0; i < 20 && messages.Texts().size() < 2; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(messages.Texts().value(1), Not_A_Float("!"));
        QCOMPARE(Journal().size(), 3);
        QVERIFY(!frm->tmr_Loop->isActive());
    }
};

TAVORIN_TEST(AxisStatusTest)

#include "AxisStatusTest.moc"
