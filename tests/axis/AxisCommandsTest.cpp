// Call sequences of the panel's motion commands in every work mode, and
// where a bad entry cuts them off.
#include "AxisPanelFixture.h"
#include "common/Guard.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace AxisTest;

namespace {

constexpr int kAxis = 1;

enum class Mode { Open, Close, Loop };

struct Scenario
{
    const char *name;
    int32_t kind, encoderType;
    bool hasSensor;
    Mode mode;
    const char *positionMode, *homeMode;
    int32_t (*target)(double value);
};

const char *const kOpen = "KQ_Set_Axis_Mode_Position";
const char *const kClose = "KQ_Set_Axis_Mode_Position_Close";
const char *const kSwitch = "KQ_Set_Axis_Mode_Home_Home_Switch";
const char *const kIndex = "KQ_Set_Axis_Mode_Home_Encoder_Index";
const char *const kEncoderHome = "KQ_Set_Axis_Mode_Home_Encoder_Home_Switch";

// The conversion inputs below all differ, so a wrong argument or a wrong
// conversion shows in the numbers.
const Scenario kScenarios[] = {
    {"open loop, linear", 0, 0, false, Mode::Open, kOpen, kSwitch,
     [](double v) { return KQ_Help_Step_Line_Real_To_Steps(1.8, 16, 2, 3, v); }},
    {"open loop, rotary with encoder", 1, 1, true, Mode::Open, kOpen, kSwitch,
     [](double v) { return KQ_Help_Step_Circle_Real_To_Steps(1.8, 16, 90, v); }},
    {"closed loop, linear grating", 0, 0, true, Mode::Close, kClose, kIndex,
     [](double v) { return KQ_Help_Grating_Line_Real_To_Steps(5, v); }},
    {"closed loop, rotary grating", 1, 0, true, Mode::Close, kClose, kIndex,
     [](double v) { return KQ_Help_Grating_Circle_Real_To_Steps(36000, v); }},
    {"closed loop, linear encoder", 0, 1, true, Mode::Close, kClose, kEncoderHome,
     [](double v) { return KQ_Help_Encoder_Line_Real_To_Steps(2, 3, 2500, v); }},
    {"closed loop, kind 2 and type 2", 2, 2, true, Mode::Close, kClose, kEncoderHome,
     [](double v) { return KQ_Help_Encoder_Circle_Real_To_Steps(90, 2500, v); }},
    {"back-and-forth, no sensor", 0, 0, false, Mode::Loop, kClose, kIndex,
     [](double v) { return KQ_Help_Grating_Line_Real_To_Steps(5, v); }},
};

std::unique_ptr<TAxisFrm> Panel_For(const Scenario &s)
{
    Reset_Board();
    TAxis_Config c = Named_Axis();
    c.Axis_Kind = s.kind;
    c.Encoder_Type = s.encoderType;
    c.Encoder_Has = s.hasSensor;
    c.Axis_Div = 16;
    c.Line_Pitch = 2;
    c.Line_Ratio = 3;
    c.Circle_Ratio = 90;
    c.Encoder_Unit_um = 5;
    c.Encoder_GratingCount = 36000;
    c.Encoder_LineCount = 2500;
    c.Acc = 2;
    c.Dec = 3;
    c.Max_V = -4;
    c.Fast2 = 12.25;
    g_Axis_Config = QVector<TAxis_Config>(4, c);
    auto frm = Build_Panel(kAxis);
    if (s.mode != Mode::Open)
        (s.mode == Mode::Close ? frm->rb_Close : frm->rb_Loop)->click();
    return frm;
}

// A call carrying the motor-side conversion of `real`.
QString Motor(const char *name, double real)
{
    return Call(name, kAxis, Motor_Real_To_Steps(kAxis, real));
}

struct BadEntry
{
    const char *name;
    QLineEdit *TAxisFrm::*entry;
    void (TAxisFrm::*handler)();
    const char *text;
    int callsBefore;
};

const BadEntry kBadEntries[] = {
    {"absolute position", &TAxisFrm::edt_Abs, &TAxisFrm::btn_Pos_AbsClick, "abc", 4},
    {"relative position", &TAxisFrm::edt_Rel, &TAxisFrm::btn_Pos_RelClick, "", 4},
    {"absolute velocity", &TAxisFrm::edt_Mode_V_Abs, &TAxisFrm::btn_V_AbsClick, "1,5", 3},
    {"relative velocity", &TAxisFrm::edt_Mode_V_Rel, &TAxisFrm::btn_V_RelClick, "--1", 3},
    {"home speed", &TAxisFrm::edt_Home_V, &TAxisFrm::btn_HomeClick, "1.2.3", 3},
    {"coordinate", &TAxisFrm::edt_P_Set, &TAxisFrm::btn_ZeroClick, "2 mm", 0},
};

// A value the board cannot take: the axis has no usable steps per unit, or
// the result is beyond 32 bits.  Acc is 2 in every row.
struct Unconvertible
{
    const char *name;
    void (*configure)(TAxis_Config &);
    void (TAxisFrm::*handler)();
    int callsBefore;
    const char *message;
};

const char *const kNoSteps = "第2轴：每毫米(度)的电机步数无效，无法换算数值 2，请检查参数配置";
const Unconvertible kUnconvertible[] = {
    {"PITCH=0, absolute position", [](TAxis_Config &c) { c.Line_Pitch = 0; }, &TAxisFrm::btn_Pos_AbsClick, 1,
     kNoSteps},
    {"1e-316 steps per mm, home",
     [](TAxis_Config &c) { c.StepAngle = 1e300, c.Line_Ratio = 1e-10, c.Line_Pitch = 1e10; },
     &TAxisFrm::btn_HomeClick, 1, kNoSteps},
    {"1e300 typed, absolute position", [](TAxis_Config &) {}, &TAxisFrm::btn_Pos_AbsClick, 4,
     "第2轴：数值 1E300 换算后超出控制器的数值范围"},
    {"speed limit 1e10, jog", [](TAxis_Config &c) { c.Max_V = 1e10; }, &TAxisFrm::btn_PosMouseDown, 3,
     "第2轴：数值 10000000000 换算后超出控制器的数值范围"},
    {"grating of 0 um, coordinate", [](TAxis_Config &c) { c.Encoder_Unit_um = 0; }, &TAxisFrm::btn_ZeroClick, 0,
     "第2轴：每毫米(度)的传感器计数无效，无法换算数值 1E300，请检查参数配置"},
};

} // namespace

class AxisCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void commandsFollowWorkMode_data()
    {
        QTest::addColumn<int>("scenario");
        for (int i = 0; i < int(std::size(kScenarios)); ++i)
            QTest::newRow(kScenarios[i].name) << i;
    }
    void commandsFollowWorkMode()
    {
        QFETCH(int, scenario);
        const Scenario &s = kScenarios[scenario];
        auto frm = Panel_For(s);
        QVERIFY2(Journal().isEmpty(), "selecting a work mode sends nothing");
        frm->edt_Abs->setText("12.5");
        frm->edt_Rel->setText("-0.75");
        frm->edt_Home_V->setText("-1.5");
        frm->edt_P_Set->setText("3.5");
        frm->edt_Mode_V_Abs->setText("-2.5");
        frm->edt_Mode_V_Rel->setText("0.5");

        for (auto command : {&TAxisFrm::btn_Pos_AbsClick, &TAxisFrm::btn_Pos_RelClick, &TAxisFrm::btn_Fast2Click,
                             &TAxisFrm::btn_HomeClick, &TAxisFrm::btn_ZeroClick, &TAxisFrm::btn_V_AbsClick,
                             &TAxisFrm::btn_V_RelClick, &TAxisFrm::btn_PosMouseDown, &TAxisFrm::btn_PosMouseUp,
                             &TAxisFrm::btn_NegMouseDown})
            (frm.get()->*command)();

        const QStringList position = {Call(s.positionMode, kAxis), Motor("KQ_Set_Axis_Position_Acc", 2),
                                      Motor("KQ_Set_Axis_Position_Dec", 3), Motor("KQ_Set_Axis_Position_V_Max", -4)};
        const QStringList velocity = {Call("KQ_Set_Axis_Mode_Velocity", kAxis), Motor("KQ_Set_Axis_Velocity_Acc", 2),
                                      Motor("KQ_Set_Axis_Velocity_Dec", 3)};
        const char *absolute = "KQ_Set_Axis_Position_P_Target_Abs";
        QCOMPARE(Journal(), QStringList()
                                << position << Call(absolute, kAxis, s.target(12.5))
                                << position << Call("KQ_Set_Axis_Position_P_Target_Rel", kAxis, s.target(-0.75))
                                << position << Call(absolute, kAxis, s.target(12.25))
                                << Call(s.homeMode, kAxis) << Motor("KQ_Set_Axis_Home_Acc", 2)
                                << Motor("KQ_Set_Axis_Home_Dec", 3) << Motor("KQ_Set_Axis_Home_V", -1.5)
                                << Call("KQ_Set_Axis_Software_P", kAxis, s.target(3.5))
                                << velocity << Motor("KQ_Set_Axis_Velocity_V_Target_Abs", -2.5)
                                << velocity << Motor("KQ_Set_Axis_Velocity_V_Target_Rel", 0.5)
                                // the jog runs at the magnitude of the (negative) speed limit
                                << velocity << Motor("KQ_Set_Axis_Velocity_V_Target_Abs", 4)
                                << Call("KQ_Set_Axis_Velocity_Stop", kAxis)
                                << velocity << Motor("KQ_Set_Axis_Velocity_V_Target_Abs", -4));
    }

    void badEntryEndsCommandAtItsParse_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kBadEntries)); ++i)
            QTest::newRow(kBadEntries[i].name) << i;
    }
    void badEntryEndsCommandAtItsParse()
    {
        QFETCH(int, row);
        const BadEntry &bad = kBadEntries[row];
        auto frm = Panel_For(kScenarios[2]);
        const auto run = [&] { return Guard([&] { (frm.get()->*bad.handler)(); }); };
        QVERIFY(run());
        const QStringList complete = Journal();
        kqsim_journal_clear();

        MessageLog messages;
        (frm.get()->*bad.entry)->setText(bad.text);
        QVERIFY(!run());
        QCOMPARE(messages.Texts(), QStringList{Not_A_Float(bad.text)});
        QCOMPARE(Journal(), complete.mid(0, bad.callsBefore));
    }

    void unconvertibleValueEndsCommandAtItsConversion_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kUnconvertible)); ++i)
            QTest::newRow(kUnconvertible[i].name) << i;
    }
    void unconvertibleValueEndsCommandAtItsConversion()
    {
        QFETCH(int, row);
        const Unconvertible &u = kUnconvertible[row];
        auto frm = Panel_For(kScenarios[2]);
        u.configure(g_Axis_Config[kAxis]);
        KQ_Set_Axis_Software_P(kAxis, 1000);
        for (QLineEdit *entry : {frm->edt_Abs, frm->edt_Home_V, frm->edt_P_Set})
            entry->setText("1e300");
        kqsim_journal_clear();
        MessageLog messages;
        QVERIFY(!Guard([&] { (frm.get()->*u.handler)(); }));
        QCOMPARE(messages.Texts(), QStringList{QString::fromUtf8(u.message)});
        QCOMPARE(Journal().size(), u.callsBefore);
        QVERIFY(!kqsim_axis_running(kAxis) && kqsim_axis_position(kAxis) == 1000);

        frm->rb_Open->click();
        frm->tmr_AxisTimer();
        for (QLineEdit *readout : {frm->edt_Show_Software, frm->edt_Show_V})
            QVERIFY2(!readout->text().contains(QLatin1String("INF")), qPrintable(readout->text()));
    }

    void badQuickPositionCaptionSendsNothing()
    {
        auto frm = Panel_For(kScenarios[0]);
        MessageLog messages;
        frm->btn_Fast1->setText("x90");
        QVERIFY(!Guard([&] { frm->btn_Fast1Click(); }));
        QCOMPARE(messages.Texts(), QStringList{Not_A_Float("x90")});
        QVERIFY(Journal().isEmpty());
    }

    void axisOutsideConfigurationIsNeverAddressed()
    {
        Panel_For(kScenarios[0]);
        auto frm = Build_Panel(4);
        frm->rb_Loop->click();
        MessageLog messages;
        for (auto handler : {&TAxisFrm::tmr_AxisTimer, &TAxisFrm::tmr_LoopTimer, &TAxisFrm::tmr_LoopTimer,
                             &TAxisFrm::btn_Pos_AbsClick, &TAxisFrm::btn_Pos_RelClick, &TAxisFrm::btn_Fast0Click,
                             &TAxisFrm::btn_V_AbsClick, &TAxisFrm::btn_V_RelClick, &TAxisFrm::btn_NegMouseDown,
                             &TAxisFrm::btn_PosMouseUp, &TAxisFrm::btn_HomeClick, &TAxisFrm::btn_ZeroClick,
                             &TAxisFrm::btn_Set_StopClick, &TAxisFrm::btn_Set_HaltClick})
            QVERIFY(Guard([&] { (frm.get()->*handler)(); }));
        frm.reset();
        QVERIFY(Journal().isEmpty() && messages.Texts().isEmpty());
    }
};

TAVORIN_TEST(AxisCommandsTest)

#include "AxisCommandsTest.moc"
