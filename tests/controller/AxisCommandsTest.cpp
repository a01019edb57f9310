// The motion layer's answer to a board that refuses a call: a command ends
// at the call that failed and names it; a stop or halt still sends all.
#include "config/AxisConfig.h"
#include "controller/AxisCommands.h"
#include "support/Fixtures.h"
#include "support/TestRegistry.h"

#include <QTest>
#include <functional>

using namespace AxisCommands;
using Fixtures::Journal;

namespace {

using TCommand = std::function<TResult()>;

struct Case
{
    const char *name;
    TCommand command;
    const char *failing;
    QStringList journal; // every call the command makes, up to the failed one
};

// Axis 1 at 6400 steps/mm (Acc 1, Dec 2, Max_V 3 mm/s).
void Reset()
{
    kqsim_reset(2, 2, KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER);
    KQ_Open_USB();
    TAxis_Config c;
    c.Axis_Caption = QStringLiteral("X轴");
    c.Acc = 1, c.Dec = 2, c.Max_V = 3;
    g_Axis_Config = QVector<TAxis_Config>(2, c);
    kqsim_journal_clear();
}

double Never()
{
    QTest::qFail("the value was taken after a failed call", __FILE__, __LINE__);
    return 0;
}

const Case kCases[] = {
    {"position mode", [] { return Position_Move(1, TLoop::Open, true, Never); }, "KQ_Set_Axis_Mode_Position",
     {"KQ_Set_Axis_Mode_Position(1)"}},
    {"position profile", [] { return Position_Move(1, TLoop::Closed, true, Never); }, "KQ_Set_Axis_Position_Dec",
     {"KQ_Set_Axis_Mode_Position_Close(1)", "KQ_Set_Axis_Position_Acc(1,6400)", "KQ_Set_Axis_Position_Dec(1,12800)"}},
    {"position target", [] { return Position_Target(1, TLoop::Open, false, -1); }, "KQ_Set_Axis_Position_P_Target_Rel",
     {"KQ_Set_Axis_Position_P_Target_Rel(1,-6400)"}},
    {"velocity", [] { return Velocity_Move(1, true, Never); }, "KQ_Set_Axis_Velocity_Acc",
     {"KQ_Set_Axis_Mode_Velocity(1)", "KQ_Set_Axis_Velocity_Acc(1,6400)"}},
    {"velocity target", [] { return Velocity_Move(1, false, [] { return -2.0; }); }, "KQ_Set_Axis_Velocity_V_Target_Rel",
     {"KQ_Set_Axis_Mode_Velocity(1)", "KQ_Set_Axis_Velocity_Acc(1,6400)", "KQ_Set_Axis_Velocity_Dec(1,12800)",
      "KQ_Set_Axis_Velocity_V_Target_Rel(1,-12800)"}},
    {"jog", [] { return Jog(1, -1); }, "KQ_Set_Axis_Mode_Velocity", {"KQ_Set_Axis_Mode_Velocity(1)"}},
    {"home", [] { return Home(1, THome_Mode::Encoder_Index, Never); }, "KQ_Set_Axis_Home_Dec",
     {"KQ_Set_Axis_Mode_Home_Encoder_Index(1)", "KQ_Set_Axis_Home_Acc(1,6400)", "KQ_Set_Axis_Home_Dec(1,12800)"}},
    {"program home", [] { return Program_Home(1); }, "KQ_Set_Axis_Mode_Home", {"KQ_Set_Axis_Mode_Home(1)"}},
    {"set position", [] { return Set_Position(1, TLoop::Open, 0.5); }, "KQ_Set_Axis_Software_P",
     {"KQ_Set_Axis_Software_P(1,3200)"}},
    // A stop cut short could leave the axis moving: every stop goes out.
    {"stop", [] { return Stop(1); }, "KQ_Set_Axis_Home_Stop",
     {"KQ_Set_Axis_Home_Stop(1)", "KQ_Set_Axis_Velocity_Stop(1)", "KQ_Set_Axis_Position_Stop(1)"}},
    {"program stop", [] { return Program_Stop(1); }, "KQ_Set_Axis_Home_Stop",
     {"KQ_Set_Axis_Home_Stop(1)", "KQ_Set_Axis_Position_Stop(1)"}},
    {"halt", [] { return Halt(1); }, "KQ_Set_Axis_Halt", {"KQ_Set_Axis_Halt(1)"}},
    {"halt all", [] { return Halt_All(); }, "KQ_Set_Axis_Halt_All", {"KQ_Set_Axis_Halt_All()"}},
};

} // namespace

class AxisCommandsFailureTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        kqsim_fail("*", 0);
        g_Axis_Config.clear();
    }

    void endsAtTheFailedCall_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kCases)); ++i)
            QTest::newRow(kCases[i].name) << i;
    }

    void endsAtTheFailedCall()
    {
        QFETCH(int, index);
        const Case &c = kCases[index];
        Reset();
        kqsim_fail(c.failing, 1);
        const TResult result = c.command();
        kqsim_fail(c.failing, 0);
        QCOMPARE(Journal(), c.journal);
        QVERIFY(!result.Ok());
        QCOMPARE(result.Function, QString::fromLatin1(c.failing));
        QCOMPARE(result.Code, int32_t(KQSIM_ERR_INJECTED));
    }

    void succeedsWhenTheBoardDoes()
    {
        Reset();
        const TResult result = Position_Move(1, TLoop::Open, true, [] { return 1.0; });
        QVERIFY(result.Ok());
        QCOMPARE(Journal().size(), 5);
    }

    void textNamesAxisCallAndCode()
    {
        TResult r;
        r.Function = QStringLiteral("KQ_Set_Axis_Position_Acc");
        r.Code = 8;
        QCOMPARE(r.Text(QStringLiteral("X轴")), QStringLiteral("X轴 设置失败（KQ_Set_Axis_Position_Acc返回8）"));
    }
};
TAVORIN_TEST(AxisCommandsFailureTest)

#include "AxisCommandsTest.moc"
