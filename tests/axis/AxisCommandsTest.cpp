// Call sequences of the panel's motion commands in every work mode, and
// where a bad entry cuts them off.
#include "AxisPanelFixture.h"
#include "common/Guard.h"
#include "support/TestRegistry.h"

#include <QTest>
#include <map>

using namespace AxisTest;

namespace {

constexpr int kAxis = 1;

enum class Mode { Open, Close, Loop };

struct Scenario
{
    const char *name;
    int32_t kind;
    int32_t encoderType;
    bool hasSensor;
    Mode mode;
    const char *positionMode;
    const char *homeMode;
    int32_t (*target)(double value);
};

// Distinct values for every conversion input, so that a wrong argument or a
// wrong conversion shows in the numbers.
TAxis_Config Scenario_Config(const Scenario &s)
{
    TAxis_Config c = Named_Axis();
    c.Axis_Kind = s.kind;
    c.Encoder_Type = s.encoderType;
    c.Encoder_Has = s.hasSensor;
    c.StepAngle = 1.8;
    c.Axis_Div = 16;
    c.Line_Pitch = 2;
    c.Line_Ratio = 3;
    c.Circle_Ratio = 90;
    c.Encoder_Unit_um = 5;
    c.Encoder_GratingCount = 36000;
    c.Encoder_LineCount = 2500;
    c.Acc = 2;
    c.Dec = 3;
    c.Max_V = 4;
    c.Fast2 = 12.25;
    return c;
}

const char *const kClose = "KQ_Set_Axis_Mode_Position_Close";
const char *const kIndex = "KQ_Set_Axis_Mode_Home_Encoder_Index";
const char *const kEncoderHome = "KQ_Set_Axis_Mode_Home_Encoder_Home_Switch";

const Scenario kScenarios[] = {
    {"open loop, linear", 0, 0, false, Mode::Open, "KQ_Set_Axis_Mode_Position",
     "KQ_Set_Axis_Mode_Home_Home_Switch", [](double v) { return KQ_Help_Step_Line_Real_To_Steps(1.8, 16, 2, 3, v); }},
    {"open loop, rotary with encoder", 1, 1, true, Mode::Open, "KQ_Set_Axis_Mode_Position",
     "KQ_Set_Axis_Mode_Home_Home_Switch", [](double v) { return KQ_Help_Step_Circle_Real_To_Steps(1.8, 16, 90, v); }},
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

int32_t Motor(double value)
{
    return Motor_Real_To_Steps(kAxis, value);
}

void Add_Scenario_Rows()
{
    QTest::addColumn<int>("scenario");
    for (int i = 0; i < int(std::size(kScenarios)); ++i)
        QTest::newRow(kScenarios[i].name) << i;
}

std::unique_ptr<TAxisFrm> Panel_For(const Scenario &s)
{
    Reset_Board();
    g_Axis_Config = QVector<TAxis_Config>(4, Scenario_Config(s));
    auto frm = Build_Panel(kAxis);
    if (s.mode == Mode::Close)
        frm->rb_Close->click();
    else if (s.mode == Mode::Loop)
        frm->rb_Loop->click();
    return frm;
}

QStringList Velocity_Profile()
{
    return {Call("KQ_Set_Axis_Mode_Velocity", kAxis), Call("KQ_Set_Axis_Velocity_Acc", kAxis, Motor(2)),
            Call("KQ_Set_Axis_Velocity_Dec", kAxis, Motor(3))};
}

} // namespace

class AxisCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void positioningConvertsTargetByWorkMode_data() { Add_Scenario_Rows(); }
    void positioningConvertsTargetByWorkMode()
    {
        QFETCH(int, scenario);
        const Scenario &s = kScenarios[scenario];
        auto frm = Panel_For(s);
        QVERIFY2(Journal().isEmpty(), "selecting a work mode sends nothing");

        frm->edt_Abs->setText(QStringLiteral("12.5"));
        frm->btn_Pos_AbsClick();
        frm->edt_Rel->setText(QStringLiteral("-0.75"));
        frm->btn_Pos_RelClick();
        frm->btn_Fast2Click();
        frm->Move_Abs(7);

        const QStringList profile = {Call(s.positionMode, kAxis), Call("KQ_Set_Axis_Position_Acc", kAxis, Motor(2)),
                                     Call("KQ_Set_Axis_Position_Dec", kAxis, Motor(3)),
                                     Call("KQ_Set_Axis_Position_V_Max", kAxis, Motor(4))};
        const char *abs = "KQ_Set_Axis_Position_P_Target_Abs";
        QCOMPARE(Journal(), QStringList()
                                << profile << Call(abs, kAxis, s.target(12.5))
                                << profile << Call("KQ_Set_Axis_Position_P_Target_Rel", kAxis, s.target(-0.75))
                                << profile << Call(abs, kAxis, s.target(12.25))
                                << profile << Call(abs, kAxis, s.target(7)));
    }

    void homeAndCoordinateFollowWorkMode_data() { Add_Scenario_Rows(); }
    void homeAndCoordinateFollowWorkMode()
    {
        QFETCH(int, scenario);
        const Scenario &s = kScenarios[scenario];
        auto frm = Panel_For(s);

        frm->edt_Home_V->setText(QStringLiteral("-1.5"));
        frm->btn_HomeClick();
        frm->edt_P_Set->setText(QStringLiteral("3.5"));
        frm->btn_ZeroClick();

        QCOMPARE(Journal(), QStringList({Call(s.homeMode, kAxis), Call("KQ_Set_Axis_Home_Acc", kAxis, Motor(2)),
                                         Call("KQ_Set_Axis_Home_Dec", kAxis, Motor(3)),
                                         Call("KQ_Set_Axis_Home_V", kAxis, Motor(-1.5)),
                                         Call("KQ_Set_Axis_Software_P", kAxis, s.target(3.5))}));
    }

    void velocityAndJogAreTheSameInEveryMode_data() { Add_Scenario_Rows(); }
    void velocityAndJogAreTheSameInEveryMode()
    {
        QFETCH(int, scenario);
        auto frm = Panel_For(kScenarios[scenario]);
        g_Axis_Config[kAxis].Max_V = -4; // the jog takes the magnitude

        frm->edt_Mode_V_Abs->setText(QStringLiteral("-2.5"));
        frm->btn_V_AbsClick();
        frm->edt_Mode_V_Rel->setText(QStringLiteral("0.5"));
        frm->btn_V_RelClick();
        frm->btn_PosMouseDown();
        frm->btn_PosMouseUp();
        frm->btn_NegMouseDown();
        frm->btn_NegMouseUp();

        const char *target = "KQ_Set_Axis_Velocity_V_Target_Abs";
        const QString stop = Call("KQ_Set_Axis_Velocity_Stop", kAxis);
        QCOMPARE(Journal(), QStringList()
                                << Velocity_Profile() << Call(target, kAxis, Motor(-2.5))
                                << Velocity_Profile() << Call("KQ_Set_Axis_Velocity_V_Target_Rel", kAxis, Motor(0.5))
                                << Velocity_Profile() << Call(target, kAxis, Motor(4)) << stop
                                << Velocity_Profile() << Call(target, kAxis, -Motor(4)) << stop);
    }

    void badEntryEndsCommandAtItsParse_data()
    {
        QTest::addColumn<QString>("entryName");
        QTest::addColumn<QString>("handler");
        QTest::addColumn<QString>("badText");
        QTest::addColumn<int>("callsBefore");
        QTest::newRow("absolute position") << "edt_Abs" << "btn_Pos_AbsClick" << "abc" << 4;
        QTest::newRow("relative position") << "edt_Rel" << "btn_Pos_RelClick" << "" << 4;
        QTest::newRow("absolute velocity") << "edt_Mode_V_Abs" << "btn_V_AbsClick" << "1,5" << 3;
        QTest::newRow("relative velocity") << "edt_Mode_V_Rel" << "btn_V_RelClick" << "--1" << 3;
        QTest::newRow("home speed") << "edt_Home_V" << "btn_HomeClick" << "1.2.3" << 3;
        QTest::newRow("coordinate") << "edt_P_Set" << "btn_ZeroClick" << "2 mm" << 0;
    }
    void badEntryEndsCommandAtItsParse()
    {
        QFETCH(QString, entryName);
        QFETCH(QString, handler);
        QFETCH(QString, badText);
        QFETCH(int, callsBefore);
        auto frm = Panel_For(kScenarios[2]);
        auto *entry = frm->findChild<QLineEdit *>(entryName);
        QVERIFY(entry);
        const std::map<QString, void (TAxisFrm::*)()> handlers = {
            {"btn_Pos_AbsClick", &TAxisFrm::btn_Pos_AbsClick}, {"btn_Pos_RelClick", &TAxisFrm::btn_Pos_RelClick},
            {"btn_V_AbsClick", &TAxisFrm::btn_V_AbsClick},     {"btn_V_RelClick", &TAxisFrm::btn_V_RelClick},
            {"btn_HomeClick", &TAxisFrm::btn_HomeClick},       {"btn_ZeroClick", &TAxisFrm::btn_ZeroClick}};
        const auto run = [&] { return Guard([&] { (frm.get()->*handlers.at(handler))(); }); };

        entry->setText(QStringLiteral("2"));
        QVERIFY(run());
        const QStringList complete = Journal();
        kqsim_journal_clear();

        MessageLog messages;
        entry->setText(badText);
        QVERIFY(!run());
        QCOMPARE(messages.texts, QStringList{Not_A_Float(badText)});
        QCOMPARE(Journal(), complete.mid(0, callsBefore));
    }

    void badQuickPositionCaptionSendsNothing()
    {
        auto frm = Panel_For(kScenarios[0]);
        MessageLog messages;
        frm->btn_Fast1->setText(QStringLiteral("x90"));
        QVERIFY(!Guard([&] { frm->btn_Fast1Click(); }));
        QCOMPARE(messages.texts, QStringList{Not_A_Float("x90")});
        QVERIFY(Journal().isEmpty());
    }

    void axisOutsideConfigurationIsNeverAddressed_data()
    {
        QTest::addColumn<int>("axis");
        QTest::newRow("one past the last") << 4;
        QTest::newRow("negative") << -1;
    }
    void axisOutsideConfigurationIsNeverAddressed()
    {
        QFETCH(int, axis);
        Panel_For(kScenarios[0]);
        auto frm = Build_Panel(axis);
        frm->rb_Loop->click();
        MessageLog messages;
        for (auto handler : {&TAxisFrm::tmr_AxisTimer, &TAxisFrm::tmr_LoopTimer, &TAxisFrm::tmr_LoopTimer,
                             &TAxisFrm::btn_Pos_AbsClick, &TAxisFrm::btn_Pos_RelClick, &TAxisFrm::btn_Fast0Click,
                             &TAxisFrm::btn_V_AbsClick, &TAxisFrm::btn_V_RelClick, &TAxisFrm::btn_NegMouseDown,
                             &TAxisFrm::btn_PosMouseUp, &TAxisFrm::btn_HomeClick, &TAxisFrm::btn_ZeroClick,
                             &TAxisFrm::btn_Set_StopClick, &TAxisFrm::btn_Set_HaltClick})
            QVERIFY(Guard([&] { (frm.get()->*handler)(); }));
        frm->Move_Abs(1);
        frm.reset();
        QVERIFY(Journal().isEmpty());
        QVERIFY(messages.texts.isEmpty());
    }
};

TAVORIN_TEST(AxisCommandsTest)

#include "AxisCommandsTest.moc"
