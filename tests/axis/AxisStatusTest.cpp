// The panel as built, its status poll, the work modes with stop and halt,
// and the back-and-forth loop on the simulated board's manual clock.
#include "AxisPanelFixture.h"
#include "common/Guard.h"
#include "common/NumberText.h"
#include "support/TestRegistry.h"

#include <QCoreApplication>
#include <QLabel>
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

QList<QPushButton *> Motion_Buttons(const TAxisFrm &f)
{
    return {f.btn_Pos_Abs, f.btn_Pos_Rel, f.btn_V_Abs, f.btn_V_Rel, f.btn_Home, f.btn_Neg,
            f.btn_Pos,     f.btn_Fast0,   f.btn_Fast1, f.btn_Fast2, f.btn_Fast3};
}

bool All_Enabled(const QList<QPushButton *> &buttons, bool enabled)
{
    return std::all_of(buttons.begin(), buttons.end(), [&](QPushButton *b) { return b->isEnabled() == enabled; });
}

void Run_At(TAxisFrm &frm, const char *velocity)
{
    frm.edt_Mode_V_Abs->setText(QLatin1String(velocity));
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

    void panelAsBuilt()
    {
        Reset_Board();
        TAxis_Config c = Named_Axis();
        c.Fast2 = 12.5;
        c.Fast3 = -0.25;
        g_Axis_Config = QVector<TAxis_Config>(1, c);
        TAxisFrm frm;
        const QMap<QString, QString> texts = {
            {"grp_Mode", "工作模式"}, {"rb_Open", "开环"}, {"rb_Close", "闭环"}, {"rb_Loop", "定速往返"},
            {"grp_Status", "状态"}, {"chk_Run", "运行"}, {"chk_Zero", "0位"}, {"chk_Neg", "负限位"},
            {"chk_Pos", "正限位"}, {"Label2", "当前位置"}, {"lbl_15", "当前速度"}, {"edt_Show_Software", ""},
            {"edt_Show_V", ""}, {"edt_P_Set", "0"}, {"btn_Zero", "调整位置"}, {"grp_Motion", "运动(mm/s,mm,°/s,°)"},
            {"edt_Mode_V_Abs", "1"}, {"btn_V_Abs", "绝对定速"}, {"edt_Mode_V_Rel", "1"}, {"btn_V_Rel", "相对定速"},
            {"edt_Abs", "1"}, {"btn_Pos_Abs", "绝对定位"}, {"edt_Rel", "1"}, {"btn_Pos_Rel", "相对定位"},
            {"edt_Home_V", "-1"}, {"btn_Home", "查找零位"}, {"btn_Set_Stop", "停止"}, {"btn_Set_Halt", "急停"},
            {"grp_Fast", "常用定位"}};
        for (auto it = texts.begin(); it != texts.end(); ++it) {
            QWidget *w = frm.findChild<QWidget *>(it.key());
            QVERIFY2(w, qPrintable(it.key()));
            const QVariant text = w->property(w->inherits("QGroupBox") ? "title" : "text");
            QCOMPARE(text.toString(), it.value());
        }
        QVERIFY(frm.rb_Open->isChecked());
        for (QCheckBox *indicator : {frm.chk_Run, frm.chk_Zero, frm.chk_Neg, frm.chk_Pos})
            QVERIFY(!indicator->isEnabled());
        QVERIFY(frm.tmr_Axis->isActive());
        QCOMPARE(frm.tmr_Axis->interval(), 500);
        QVERIFY(!frm.tmr_Loop->isActive());
        QCOMPARE(frm.tmr_Loop->interval(), 1000);
        QCOMPARE(frm.LoopState(), 0);
        QCOMPARE(frm.Axis(), 0);
        QVERIFY(frm.width() >= 300 && frm.width() <= 400);

        frm.Load_Param();
        QCOMPARE(frm.btn_Fast0->text() + "|" + frm.btn_Fast1->text() + "|" + frm.btn_Fast2->text() + "|" +
                     frm.btn_Fast3->text(),
                 QStringLiteral("0|90|12.5|-0.25"));
    }

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
        QCOMPARE(frm->edt_Show_Software->text(), QStringLiteral("-100.000000"));

        kqsim_fail("KQ_Get_Axis_Status", 1);
        kqsim_place_axis(kAxis, 0);
        frm->tmr_AxisTimer();
        QVERIFY(frm->chk_Neg->isChecked() && !frm->chk_Zero->isChecked());
        QCOMPARE(frm->edt_Show_Software->text(), QStringLiteral("0.000000"));

        kqsim_fail("KQ_Get_Axis_Status", 0);
        Run_At(*frm, "1");
        kqsim_fail("*", 1);
        frm->tmr_AxisTimer();
        QCOMPARE(frm->edt_Show_Software->text(), QStringLiteral("0.000000"));
        QCOMPARE(frm->edt_Show_V->text(), QStringLiteral("0.000000"));
        kqsim_fail("*", 0);
        kqsim_advance_ms(100);
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
        QCOMPARE(speedAfter("2.5"), QStringLiteral("2.500000 向右"));
        QCOMPARE(speedAfter("-2.5"), QStringLiteral("-2.500000 向左"));
        QCOMPARE(speedAfter("0"), QStringLiteral("0.000000"));
    }

    void positionReadoutFollowsWorkMode_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("division");
        QTest::addColumn<bool>("fromSensor");
        for (int division : {32, 0}) {
            const QByteArray suffix = division ? "" : ", no subdivision";
            QTest::newRow("open" + suffix) << "rb_Open" << division << false;
            QTest::newRow("closed" + suffix) << "rb_Close" << division << true;
            QTest::newRow("back-and-forth" + suffix) << "rb_Loop" << division << false;
        }
    }
    void positionReadoutFollowsWorkMode()
    {
        QFETCH(QString, mode);
        QFETCH(int, division);
        QFETCH(bool, fromSensor);
        auto frm = Fast_Axis_Panel();
        g_Axis_Config[kAxis].Axis_Div = division;
        frm->findChild<QRadioButton *>(mode)->click();
        kqsim_place_axis(kAxis, 3 * 6400);
        kqsim_journal_clear();

        frm->tmr_AxisTimer();

        const char *read = fromSensor ? "KQ_Get_Encoder_Pos" : "KQ_Get_Axis_Software_P_Now";
        QCOMPARE(Journal().value(1), Call(read, kAxis));
        double expected = 0;
        if (division != 0)
            expected = fromSensor ? Sensor_Counts_To_Real(kAxis, kqsim_encoder_counts(kAxis)) : 3.0;
        QCOMPARE(frm->edt_Show_Software->text(), FormatFloat6(expected));
        QVERIFY(frm->tmr_Axis->isActive());
    }

    void workModeEnablesButtonsAndLoopTimer()
    {
        auto frm = Fast_Axis_Panel();
        const QList<QPushButton *> motion = Motion_Buttons(*frm);

        frm->rb_Loop->click();
        QVERIFY(All_Enabled(motion, false));
        QVERIFY(All_Enabled({frm->btn_Set_Stop, frm->btn_Set_Halt, frm->btn_Zero}, true));
        QVERIFY(frm->tmr_Loop->isActive());
        frm->tmr_LoopTimer();
        QCOMPARE(frm->LoopState(), 1);

        kqsim_journal_clear();
        frm->rb_Open->click();
        QVERIFY(All_Enabled(motion, true));
        QVERIFY(!frm->tmr_Loop->isActive());
        QVERIFY2(Journal().isEmpty() && kqsim_axis_running(kAxis), "leaving the loop leaves the axis running");
        QCOMPARE(frm->LoopState(), 1);

        frm->rb_Loop->click();
        QCOMPARE(frm->LoopState(), 0);
        frm->rb_Close->click();
        QVERIFY(All_Enabled(motion, true));
        QVERIFY(!frm->tmr_Loop->isActive());
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

        const QStringList calls =
            halt ? QStringList{Call("KQ_Set_Axis_Halt", kAxis)}
                 : QStringList{Call("KQ_Set_Axis_Home_Stop", kAxis), Call("KQ_Set_Axis_Velocity_Stop", kAxis),
                               Call("KQ_Set_Axis_Position_Stop", kAxis)};
        QCOMPARE(Journal(), calls);
        QVERIFY(frm->findChild<QRadioButton *>(to)->isChecked());
        QCOMPARE(frm->tmr_Loop->isActive(), to == "rb_Loop");
        QVERIFY(All_Enabled(Motion_Buttons(*frm), true));
    }

    void loopRunsToTheLimitAndBack()
    {
        auto frm = Fast_Axis_Panel();
        kqsim_set_travel(kAxis, -2 * 6400, 2 * 6400);
        const char *target = "KQ_Set_Axis_Velocity_V_Target_Abs";
        frm->rb_Loop->click();

        frm->tmr_LoopTimer();
        QCOMPARE(Journal().value(3), Call(target, kAxis, 6400));
        QCOMPARE(frm->LoopState(), 1);
        QVERIFY(frm->tmr_Loop->isActive());

        // 2 mm at 1 mm/s: found at rest on the third tick, at the limit.
        QCOMPARE(Loop_Ticks_Until_Rest(*frm, 10), 3);
        QVERIFY(kqsim_axis_pos_limit(kAxis));
        QCOMPARE(frm->edt_Mode_V_Abs->text(), QStringLiteral("-1"));
        QVERIFY(frm->tmr_Loop->isActive());

        kqsim_journal_clear();
        frm->tmr_LoopTimer();
        QCOMPARE(Journal().value(3), Call(target, kAxis, -6400));
        QCOMPARE(Loop_Ticks_Until_Rest(*frm, 10), 5);
        QVERIFY(kqsim_axis_neg_limit(kAxis));
        QCOMPARE(frm->edt_Mode_V_Abs->text(), QStringLiteral("1"));
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
        QCOMPARE(frm->edt_Mode_V_Abs->text(), QStringLiteral("1"));

        kqsim_fail("KQ_Get_Axis_Status", 0);
        QCOMPARE(Loop_Ticks_Until_Rest(*frm, 1), 1);
        QCOMPARE(frm->edt_Mode_V_Abs->text(), QStringLiteral("-1"));
    }

    void loopStopsOnABadEntry()
    {
        auto frm = Fast_Axis_Panel();
        MessageLog messages;
        frm->edt_Mode_V_Abs->setText(QStringLiteral("abc"));
        frm->rb_Loop->click();

        QVERIFY(!Guard([&] { frm->tmr_LoopTimer(); }));
        QCOMPARE(messages.texts, QStringList{Not_A_Float("abc")});
        QCOMPARE(Journal().size(), 3);
        QVERIFY(!frm->tmr_Loop->isActive());
        QVERIFY(frm->rb_Loop->isChecked() && !frm->btn_V_Abs->isEnabled());

        // Entering the mode again restarts the loop from its first state;
        // a bad entry found on reversing stops it as well.
        frm->edt_Mode_V_Abs->setText(QStringLiteral("1"));
        frm->rb_Open->click();
        frm->rb_Loop->click();
        QVERIFY(frm->tmr_Loop->isActive());
        frm->tmr_LoopTimer();
        frm->edt_Mode_V_Abs->setText(QStringLiteral("x"));
        kqsim_advance_ms(300000);
        QVERIFY(!Guard([&] { frm->tmr_LoopTimer(); }));
        QCOMPARE(messages.texts.last(), Not_A_Float("x"));
        QVERIFY(!frm->tmr_Loop->isActive());
        QCOMPARE(frm->LoopState(), 1);
    }

    void signalsEnterHandlersThroughGuard()
    {
        auto frm = Fast_Axis_Panel();
        MessageLog messages;
        frm->edt_Abs->setText(QStringLiteral("?"));
        frm->btn_Pos_Abs->click();
        QCOMPARE(messages.texts, QStringList{Not_A_Float("?")});

        frm->edt_Mode_V_Abs->setText(QStringLiteral("!"));
        frm->tmr_Loop->setInterval(0);
        frm->rb_Loop->click();
        for (int i = 0; i < 20 && messages.texts.size() < 2; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(messages.texts.value(1), Not_A_Float("!"));
        QVERIFY(!frm->tmr_Loop->isActive());
    }
};

TAVORIN_TEST(AxisStatusTest)

#include "AxisStatusTest.moc"
