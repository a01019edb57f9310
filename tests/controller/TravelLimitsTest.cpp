// Travel limits in the motion layer: a position move outside is refused
// before any call, the limits shift with the coordinate and go back with a
// home, and a velocity move is stopped so that it comes to rest inside.
#include "config/AxisConfig.h"
#include "controller/AxisCommands.h"
#include "controller/TravelGuard.h"
#include "support/Fixtures.h"
#include "support/TestRegistry.h"

#include <QTest>
#include <QTimer>

using namespace AxisCommands;
using Fixtures::Commands;
using Fixtures::Journal;

namespace {

constexpr int kAxis = 1;
constexpr double kStepsPerMm = 6400;

// Axis 1 (6400 steps/mm) limited to -10 .. 10 mm, at 0.
void Reset(std::optional<double> min = -10, std::optional<double> max = 10)
{
    kqsim_reset(2, 2, KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER);
    kqsim_set_manual_clock(1);
    KQ_Open_USB();
    Reset_Travel_Shifts();
    TAxis_Config c;
    c.Axis_Caption = QStringLiteral("X轴");
    c.Acc = 20, c.Dec = 20, c.Max_V = 5;
    c.Soft_Min = min, c.Soft_Max = max;
    g_Axis_Config = QVector<TAxis_Config>(2, c);
    kqsim_journal_clear();
}

double Position_Mm()
{
    return kqsim_axis_position(kAxis) / kStepsPerMm;
}

// Runs the board and the guard's polls until the axis is at rest.
void Run_To_Rest()
{
    for (int i = 0; i < 10000 && kqsim_axis_running(kAxis); ++i) {
        kqsim_advance_ms(TTravelGuard::kPollMs);
        TTravelGuard::Instance()->tmr_PollTimer();
    }
}

QString Refusal(const std::function<void()> &command)
{
    try {
        command();
    } catch (const ETravelLimit &e) {
        return e.Message();
    }
    return QString();
}

} // namespace

class TravelLimitsTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        kqsim_set_manual_clock(0);
        g_Axis_Config.clear();
        Reset_Travel_Shifts();
    }

    void moveOutsideRefusedBeforeAnyCall_data()
    {
        QTest::addColumn<bool>("absolute");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("absolute beyond the upper") << true << 50.0 << "X轴 目标 50 超出软限位 [-10, 10]";
        QTest::newRow("absolute below the lower") << true << -10.5 << "X轴 目标 -10.5 超出软限位 [-10, 10]";
        // From the position now (4 mm) plus the distance.
        QTest::newRow("relative") << false << 7.0 << "X轴 目标 11 超出软限位 [-10, 10]";
        QTest::newRow("relative inside") << false << -14.0 << "";
        QTest::newRow("at the limit") << true << 10.0 << "";
    }
    void moveOutsideRefusedBeforeAnyCall()
    {
        QFETCH(bool, absolute);
        QFETCH(double, value);
        Reset();
        kqsim_place_axis(kAxis, 4 * kStepsPerMm);
        kqsim_journal_clear();
        QTEST(Refusal([&] { Position_Move(kAxis, TLoop::Open, absolute, [&] { return value; }); }), "refusal");
        QFETCH(QString, refusal);
        if (!refusal.isEmpty())
            QCOMPARE(Commands(), QStringList());
        else
            QCOMPARE(Commands().size(), 5);
    }

    void oneSidedLimitNamesTheOpenSide()
    {
        Reset(std::nullopt, 10);
        QCOMPARE(Refusal([] { Position_Target(kAxis, TLoop::Open, true, 12); }), "X轴 目标 12 超出软限位 [不限, 10]");
        QCOMPARE(Refusal([] { Position_Target(kAxis, TLoop::Open, true, -100); }), QString());
    }

    void limitsFollowTheCoordinateUntilHome()
    {
        Reset();
        kqsim_place_axis(kAxis, 4 * kStepsPerMm);
        Set_Position(kAxis, TLoop::Open, 0); // the stage stands 4 mm up: the limits are -14 .. 6 now
        QCOMPARE(Travel_Shift(kAxis), -4.0);
        QCOMPARE(Refusal([] { Position_Target(kAxis, TLoop::Open, true, 7); }), "X轴 目标 7 超出软限位 [-14, 6]");
        QCOMPARE(Refusal([] { Position_Target(kAxis, TLoop::Open, true, -13); }), QString());
        Program_Home(kAxis);
        QCOMPARE(Travel_Shift(kAxis), 0.0);
        QCOMPARE(Refusal([] { Position_Target(kAxis, TLoop::Open, true, 7); }), QString());
    }

    void axisWithoutLimitsSendsAsBefore()
    {
        Reset(std::nullopt, std::nullopt);
        Position_Move(kAxis, TLoop::Open, false, [] { return 1000.0; });
        Set_Position(kAxis, TLoop::Open, 3);
        Velocity_Move(kAxis, true, [] { return 1.0; });
        // No reads: the calls as a panel sends them.
        QCOMPARE(Journal().size(), 5 + 1 + 4);
        QVERIFY(!TTravelGuard::Instance()->Watches(kAxis));
    }

    // Velocity moves run to the limit at the configured deceleration and
    // come to rest inside it.
    void velocityMoveStopsInside_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<double>("speed");
        QTest::addColumn<double>("dec");
        QTest::newRow("jog up") << 1 << 0.0 << 20.0;
        QTest::newRow("jog down, soft braking") << -1 << 0.0 << 2.0;
        QTest::newRow("velocity up, fast") << 1 << 9.0 << 5.0;
        QTest::newRow("velocity down") << -1 << -3.0 << 50.0;
    }
    void velocityMoveStopsInside()
    {
        QFETCH(int, direction);
        QFETCH(double, speed);
        QFETCH(double, dec);
        Reset();
        g_Axis_Config[kAxis].Dec = dec;
        if (speed == 0)
            Jog(kAxis, direction);
        else
            Velocity_Move(kAxis, true, [speed] { return speed; });
        QVERIFY(TTravelGuard::Instance()->Watches(kAxis));
        Run_To_Rest();
        const double at = Position_Mm();
        QVERIFY2(at <= 10 && at >= -10, qPrintable(QString::number(at)));
        // Not far short of it either: within the braking distance of a poll.
        QVERIFY2(std::abs(at) > 9.5, qPrintable(QString::number(at)));
        QVERIFY(Commands().contains(QStringLiteral("KQ_Set_Axis_Velocity_Stop(1)")));
        QVERIFY(!TTravelGuard::Instance()->Watches(kAxis));
    }

    void jogAtTheLimitStopsAtOnce()
    {
        Reset();
        kqsim_place_axis(kAxis, 10 * kStepsPerMm);
        Jog(kAxis, +1);
        QCOMPARE(Commands().last(), QStringLiteral("KQ_Set_Axis_Velocity_Stop(1)"));
        // Away from it is free.
        Jog(kAxis, -1);
        QVERIFY(TTravelGuard::Instance()->Watches(kAxis));
    }
};
TAVORIN_TEST(TravelLimitsTest)

#include "TravelLimitsTest.moc"
