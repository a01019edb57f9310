// Motion of the virtual board on the manual clock: profiles, limits,
// stops, home searches and the closed loop.
#include "BoardHelpers.h"
#include "support/TestRegistry.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace kqtest;

namespace {

int32_t Velocity(uint16_t axis)
{
    int32_t v = 0;
    return KQ_Get_Axis_V_Now(axis, &v) == 0 ? v : -999999;
}

int32_t Position(uint16_t axis)
{
    int32_t p = 0;
    return KQ_Get_Axis_Software_P_Now(axis, &p) == 0 ? p : -999999;
}

int32_t Counts(uint16_t axis)
{
    int32_t c = 0;
    return KQ_Get_Encoder_Pos(axis, &c) == 0 ? c : -999999;
}

int32_t Run(uint16_t axis)
{
    int32_t r = -1;
    return KQ_Get_Axis_Status_Run(axis, &r) == 0 ? r : -1;
}

// s1 running, s3 negative limit, s4 positive limit, s5 home switch
QList<int> Status(uint16_t axis)
{
    uint8_t s[6] = {9, 9, 9, 9, 9, 9};
    if (KQ_Get_Axis_Status(axis, &s[0], &s[1], &s[2], &s[3], &s[4], &s[5]) != 0)
        return {};
    QList<int> flags;
    for (uint8_t b : s)
        flags << (b != 0 ? 1 : 0);
    return flags;
}

#define QCOMPARE_NEAR(actual, expected, tolerance)                                                             \
    do {                                                                                                       \
        const double a_ = (actual), e_ = (expected);                                                           \
        QVERIFY2(std::fabs(a_ - e_) <= (tolerance),                                                            \
                 qPrintable(QStringLiteral("%1 is %2, expected %3 ± %4").arg(#actual).arg(a_).arg(e_).arg(tolerance))); \
    } while (0)

} // namespace

class PositionMotionTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { FreshBoard(); }

    // 6400 steps at acc = dec = 6400 and a limit of 6400 never cruise:
    // 1 s up to 6400 steps/s over the first half, 1 s down over the second.
    // The motion is integrated exactly, not in steps of a millisecond.
    void triangleProfileEndsOnTime()
    {
        QCOMPARE(KQ_Set_Axis_Mode_Position(0), 0);
        QCOMPARE(KQ_Set_Axis_Position_P_Target_Rel(0, 6400), 0);
        QCOMPARE(Run(0), 1);
        kqsim_advance_ms(250);
        QCOMPARE(Position(0), 200); // a t²/2
        kqsim_advance_ms(750);
        QCOMPARE(Position(0), 3200);
        QCOMPARE(Velocity(0), 6400);
        const int rest = MsUntilRest(0, 3000);
        QCOMPARE(1000 + rest, 2000);
        QCOMPARE(Position(0), 6400);
        QCOMPARE(Velocity(0), 0);
        QCOMPARE(Run(0), 0);
        QCOMPARE(Status(0), QList<int>({0, 0, 0, 0, 0, 0}));
    }

    // Up at 12800 in 0.5 s (1600 steps), cruise, down at 3200 in 2 s
    // (6400 steps): 0.5 + 56000/6400 + 2 = 11.25 s.
    void trapezoidUsesAccAndDecForTheirRamps()
    {
        KQ_Set_Axis_Position_Acc(1, 12800);
        KQ_Set_Axis_Position_Dec(1, 3200);
        KQ_Set_Axis_Position_V_Max(1, 6400);
        KQ_Set_Axis_Position_P_Target_Abs(1, -64000);
        kqsim_advance_ms(5000);
        QCOMPARE(Velocity(1), -6400);
        QCOMPARE_NEAR(Position(1), -(1600 + 6400 * 4.5), 10);
        QCOMPARE_NEAR(5000 + MsUntilRest(1, 10000), 11250, 5);
        QCOMPARE(Position(1), -64000);
        QCOMPARE(kqsim_axis_running(0), 0); // the other axes never moved
        QCOMPARE(kqsim_axis_position(0), 0);
    }

    void relativeTargets()
    {
        // At rest: from the position, whatever its zero.
        KQ_Set_Axis_Software_P(0, 1000);
        KQ_Set_Axis_Position_P_Target_Rel(0, -300);
        MsUntilRest(0, 5000);
        QCOMPARE(Position(0), 700);
        QCOMPARE(kqsim_axis_physical_position(0), -300);
        // During a move: from the target of that move.
        KQ_Set_Axis_Position_P_Target_Rel(0, 6400);
        kqsim_advance_ms(300);
        KQ_Set_Axis_Position_P_Target_Rel(0, 6400);
        MsUntilRest(0, 10000);
        QCOMPARE(Position(0), 700 + 12800);
    }

    void absoluteTargetIsInSoftwareSteps()
    {
        KQ_Set_Axis_Software_P(2, -5000);
        KQ_Set_Axis_Position_P_Target_Abs(2, 0);
        MsUntilRest(2, 10000);
        QCOMPARE(Position(2), 0);
        QCOMPARE(kqsim_axis_physical_position(2), 5000);
        KQ_Set_Axis_Position_P_Target_Abs(2, 0); // already there: nothing to do
        QCOMPARE(Run(2), 0);
    }

    void speedLimitAndInstantRamps()
    {
        KQ_Set_Axis_Position_V_Max(0, 0);
        KQ_Set_Axis_Position_P_Target_Rel(0, 1000);
        QCOMPARE(Run(0), 0);
        kqsim_advance_ms(1000);
        QCOMPARE(Position(0), 0);

        // The limit's sign does not matter; zero ramps mean instant changes.
        KQ_Set_Axis_Position_V_Max(0, -6400);
        KQ_Set_Axis_Position_Acc(0, 0);
        KQ_Set_Axis_Position_Dec(0, -5);
        KQ_Set_Axis_Position_P_Target_Rel(0, 6400);
        kqsim_advance_ms(1);
        QCOMPARE(Velocity(0), 6400);
        QCOMPARE_NEAR(1 + MsUntilRest(0, 3000), 1000, 2);
        QCOMPARE(Position(0), 6400);
    }

    void lowerSpeedLimitDuringMoveBrakesAtDec()
    {
        KQ_Set_Axis_Position_P_Target_Abs(0, 100000);
        kqsim_advance_ms(2000);
        QCOMPARE(Velocity(0), 6400);
        KQ_Set_Axis_Position_V_Max(0, 3200);
        kqsim_advance_ms(250);
        QCOMPARE_NEAR(Velocity(0), 4800, 10);
        kqsim_advance_ms(500);
        QCOMPARE(Velocity(0), 3200);
        QCOMPARE(MsUntilRest(0, 60000) > 0, true);
        QCOMPARE(Position(0), 100000);
    }

    // A new target inside the braking distance: the axis brakes at dec,
    // passes the target and comes back to it; it never brakes harder.
    void retargetInsideBrakingDistanceOvershoots()
    {
        KQ_Set_Axis_Position_Acc(0, 12800);
        KQ_Set_Axis_Position_Dec(0, 3200);
        KQ_Set_Axis_Position_P_Target_Abs(0, 500000);
        kqsim_advance_ms(2000);
        QCOMPARE(Velocity(0), 6400);
        const int32_t target = Position(0) + 100;
        KQ_Set_Axis_Position_P_Target_Abs(0, target);
        int32_t farthest = 0, before = Velocity(0);
        for (int t = 0; t < 10000 && Run(0); ++t) {
            kqsim_advance_ms(1);
            const int32_t v = Velocity(0);
            if ((v > 0) == (before > 0) && std::abs(v) < std::abs(before))
                QVERIFY2(std::abs(before) - std::abs(v) <= 4, qPrintable(QString::number(before - v)));
            before = v;
            farthest = std::max(farthest, Position(0));
        }
        QCOMPARE_NEAR(farthest - target, 6400 - 100, 10); // v²/2dec past where it was told
        QCOMPARE(Run(0), 0);
        QCOMPARE(Position(0), target);
    }

    void positionStopBrakesOnlyAPositionMove()
    {
        KQ_Set_Axis_Position_Dec(0, 3200);
        KQ_Set_Axis_Position_P_Target_Abs(0, 600000);
        kqsim_advance_ms(3000);
        KQ_Set_Axis_Velocity_Stop(0);
        KQ_Set_Axis_Home_Stop(0);
        kqsim_advance_ms(100);
        QCOMPARE(Velocity(0), 6400);
        const int32_t from = Position(0);
        KQ_Set_Axis_Position_Stop(0);
        kqsim_advance_ms(1000);
        QCOMPARE(Run(0), 1);
        QCOMPARE_NEAR(Velocity(0), 3200, 10);
        QCOMPARE_NEAR(1000 + MsUntilRest(0, 5000), 2000, 5);
        QCOMPARE_NEAR(Position(0) - from, 6400, 10); // v²/2dec
        kqsim_advance_ms(1000);
        QCOMPARE(Run(0), 0);
    }

    void haltStopsAtOnce()
    {
        for (uint16_t a = 0; a < 4; ++a)
            KQ_Set_Axis_Position_P_Target_Rel(a, 100000);
        kqsim_advance_ms(1500);
        const int32_t at = Position(0);
        QCOMPARE(KQ_Set_Axis_Halt(0), 0);
        QCOMPARE(Run(0), 0);
        QCOMPARE(Velocity(0), 0);
        QCOMPARE(Run(1), 1);
        kqsim_advance_ms(1000);
        QCOMPARE(Position(0), at);
        QCOMPARE(KQ_Set_Axis_Halt_All(), 0);
        const AxisState before = State(3);
        for (int a = 0; a < 4; ++a)
            QCOMPARE(kqsim_axis_running(a), 0);
        kqsim_advance_ms(1000);
        QCOMPARE(State(3), before);
    }

    void limitEndsAMoveThatPassesIt()
    {
        kqsim_set_travel(0, -10000, 10000);
        KQ_Set_Axis_Position_P_Target_Abs(0, 20000);
        QCOMPARE(MsUntilRest(0, 10000) > 0, true);
        QCOMPARE(Position(0), 10000);
        QCOMPARE(Status(0), QList<int>({0, 0, 0, 1, 0, 0}));
        KQ_Set_Axis_Position_P_Target_Abs(0, 20000); // further in: refused
        QCOMPARE(Run(0), 0);
        kqsim_advance_ms(100);
        QCOMPARE(Position(0), 10000);
        KQ_Set_Axis_Position_P_Target_Abs(0, -20000); // away from it: fine
        kqsim_advance_ms(100);
        QVERIFY(Position(0) < 10000);
        QCOMPARE(Status(0).value(3), 0);
        MsUntilRest(0, 20000);
        QCOMPARE(Position(0), -10000);
        QCOMPARE(Status(0), QList<int>({0, 0, 1, 0, 0, 0}));
    }

    // A board that reports the run flag late: it reads 0 for the first
    // 10 ms of each motion command (from KQ_SIM_RUN_FLAG_DELAY_MS for a
    // fresh board), while the axis already moves.
    void runFlagReportedLate_data()
    {
        QTest::addColumn<bool>("fromEnvironment");
        QTest::newRow("kqsim_set_run_flag_delay") << false;
        QTest::newRow("KQ_SIM_RUN_FLAG_DELAY_MS") << true;
    }
    void runFlagReportedLate()
    {
        QFETCH(bool, fromEnvironment);
        if (fromEnvironment) {
            qputenv("KQ_SIM_RUN_FLAG_DELAY_MS", "10");
            kqsim_reset_from_environment();
            qunsetenv("KQ_SIM_RUN_FLAG_DELAY_MS");
            kqsim_set_manual_clock(1);
            KQ_Open_USB();
        } else {
            kqsim_set_run_flag_delay(10);
        }
        for (const char *command : {"target", "velocity", "home"}) {
            if (QByteArray(command) == "target")
                KQ_Set_Axis_Position_P_Target_Rel(0, 64000);
            else if (QByteArray(command) == "velocity")
                KQ_Set_Axis_Mode_Velocity(0), KQ_Set_Axis_Velocity_V_Target_Abs(0, 6400);
            else
                kqsim_place_axis(0, 64000), KQ_Set_Axis_Mode_Home(0), KQ_Set_Axis_Home_V(0, -6400);
            kqsim_advance_ms(9);
            QCOMPARE(Run(0), 0);
            QVERIFY2(kqsim_axis_running(0), command);
            kqsim_advance_ms(1);
            QCOMPARE(Run(0), 1);
            KQ_Set_Axis_Halt_All();
            KQ_Set_Axis_Mode_Position(0);
        }
        kqsim_set_run_flag_delay(0);
        KQ_Set_Axis_Position_P_Target_Rel(0, 64000);
        QCOMPARE(Run(0), 1);
    }

    void modeCallLeavesTheMotionAlone()
    {
        KQ_Set_Axis_Position_P_Target_Rel(0, 6400);
        kqsim_advance_ms(500);
        KQ_Set_Axis_Mode_Velocity(0);
        KQ_Set_Axis_Mode_Position_Close(0);
        QCOMPARE(kqsim_axis_mode(0), int(KQSIM_MODE_POSITION_CLOSE));
        QCOMPARE(Run(0), 1);
        MsUntilRest(0, 5000);
        QCOMPARE(Position(0), 6400);
    }
};
TAVORIN_TEST(PositionMotionTest)

class VelocityMotionTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { FreshBoard(); }

    // What the back-and-forth loop relies on: a run ends at the limit, and
    // the opposite velocity leaves it again.
    void runStopsAtLimitAndLeavesIt()
    {
        kqsim_set_travel(0, -20000, 20000);
        KQ_Set_Axis_Mode_Velocity(0);
        KQ_Set_Axis_Velocity_V_Target_Abs(0, 6400);
        kqsim_advance_ms(500);
        QCOMPARE_NEAR(Velocity(0), 3200, 10);
        // 1 s of ramp covers 3200 steps, the other 16800 take 2.625 s.
        QCOMPARE_NEAR(500 + MsUntilRest(0, 10000), 3625, 5);
        QCOMPARE(Position(0), 20000);
        QCOMPARE(Velocity(0), 0);
        QCOMPARE(Status(0), QList<int>({0, 0, 0, 1, 0, 0}));
        KQ_Set_Axis_Velocity_V_Target_Abs(0, 6400);
        QCOMPARE(Run(0), 0);
        KQ_Set_Axis_Velocity_V_Target_Abs(0, -6400);
        QCOMPARE(Run(0), 1);
        kqsim_advance_ms(100);
        QVERIFY(Position(0) < 20000);
        QCOMPARE(Status(0), QList<int>({1, 0, 0, 0, 0, 0}));
        MsUntilRest(0, 20000);
        QCOMPARE(Position(0), -20000);
        QCOMPARE(Status(0), QList<int>({0, 0, 1, 0, 0, 0}));
    }

    void relativeTargetAddsToTheTarget()
    {
        KQ_Set_Axis_Velocity_V_Target_Rel(0, 1000); // from rest: from 0
        KQ_Set_Axis_Velocity_V_Target_Rel(0, 500);  // during the ramp: from 1000
        kqsim_advance_ms(1000);
        QCOMPARE(Velocity(0), 1500);
        KQ_Set_Axis_Velocity_V_Target_Rel(0, -4000);
        kqsim_advance_ms(1000);
        QCOMPARE(Velocity(0), -2500);
        QCOMPARE(Run(0), 1);
    }

    void stopBrakesAtVelocityDec()
    {
        KQ_Set_Axis_Velocity_Dec(0, 3200);
        KQ_Set_Axis_Velocity_V_Target_Abs(0, -6400);
        kqsim_advance_ms(2000);
        KQ_Set_Axis_Position_Stop(0);
        KQ_Set_Axis_Home_Stop(0);
        kqsim_advance_ms(10);
        QCOMPARE(Velocity(0), -6400);
        const int32_t from = Position(0);
        KQ_Set_Axis_Velocity_Stop(0);
        kqsim_advance_ms(1000);
        QCOMPARE_NEAR(Velocity(0), -3200, 10);
        QCOMPARE(Run(0), 1);
        QCOMPARE_NEAR(1000 + MsUntilRest(0, 5000), 2000, 5);
        QCOMPARE_NEAR(Position(0) - from, -6400, 10);
    }

    void reversalBrakesThenAccelerates()
    {
        KQ_Set_Axis_Velocity_Acc(0, 3200);
        KQ_Set_Axis_Velocity_Dec(0, 12800);
        KQ_Set_Axis_Velocity_V_Target_Abs(0, 6400);
        kqsim_advance_ms(3000);
        QCOMPARE(Velocity(0), 6400);
        KQ_Set_Axis_Velocity_V_Target_Abs(0, -6400);
        kqsim_advance_ms(500);
        QCOMPARE_NEAR(Velocity(0), 0, 15);
        kqsim_advance_ms(1000);
        QCOMPARE_NEAR(Velocity(0), -3200, 15);
    }

    void zeroTargetEndsTheRun()
    {
        KQ_Set_Axis_Velocity_V_Target_Abs(0, 0);
        QCOMPARE(Run(0), 0);
        KQ_Set_Axis_Velocity_V_Target_Abs(0, 640);
        kqsim_advance_ms(500);
        KQ_Set_Axis_Velocity_V_Target_Abs(0, 0);
        QCOMPARE(MsUntilRest(0, 1000) > 0, true);
        QCOMPARE(Velocity(0), 0);
    }

    // Long stretches at constant speed cost nothing and lose nothing.
    void longGapsAreExactAndQuick()
    {
        kqsim_set_travel(0, -2000000000, 2000000000);
        KQ_Set_Axis_Velocity_V_Target_Abs(0, 1);
        KQ_Set_Axis_Velocity_V_Target_Abs(1, -6400);
        kqsim_advance_ms(3600u * 1000u);
        QCOMPARE_NEAR(Position(0), 3600, 1);
        QCOMPARE(Velocity(0), 1);
        QCOMPARE(Position(1), -640000);
        QCOMPARE(Status(1), QList<int>({0, 0, 1, 0, 0, 0}));
        kqsim_advance_ms(std::numeric_limits<uint32_t>::max());
        QCOMPARE(Run(0), 1);
        // A ramp of hours is exact too: 1 step/s² for 50000 s, then on
        // until the end of the travel.
        kqsim_set_travel(2, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
        KQ_Set_Axis_Velocity_Acc(2, 1);
        KQ_Set_Axis_Velocity_V_Target_Abs(2, 2000000000);
        kqsim_advance_ms(50000000u);
        QCOMPARE(Velocity(2), 50000);
        QCOMPARE(Position(2), 1250000000);
        kqsim_advance_ms(std::numeric_limits<uint32_t>::max());
        QCOMPARE(Position(2), std::numeric_limits<int32_t>::max());
        QCOMPARE(Run(2), 0);
    }
};
TAVORIN_TEST(VelocityMotionTest)

class HomeSearchTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { FreshBoard(); }

    void homeSwitchSearch_data()
    {
        QTest::addColumn<bool>("plainMode");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("stopsAt");
        QTest::newRow("home switch mode, from above") << false << 20000 << -6400 << 64;
        QTest::newRow("plain home mode, from above") << true << 20000 << -6400 << 64;
        QTest::newRow("home switch mode, from below") << false << -3000 << 100 << -64;
    }

    void homeSwitchSearch()
    {
        QFETCH(bool, plainMode);
        QFETCH(int, start);
        QFETCH(int, speed);
        QFETCH(int, stopsAt);
        kqsim_place_axis(1, start);
        KQ_Set_Axis_Software_P(1, 777);
        plainMode ? KQ_Set_Axis_Mode_Home(1) : KQ_Set_Axis_Mode_Home_Home_Switch(1);
        QCOMPARE(kqsim_axis_mode(1), int(KQSIM_MODE_HOME_SWITCH));
        QCOMPARE(KQ_Set_Axis_Home_V(1, speed), 0);
        QCOMPARE(Run(1), 1);
        QVERIFY(MsUntilRest(1, 60000) > 0);
        QCOMPARE(Position(1), 0);
        QCOMPARE(Counts(1), 0);
        QCOMPARE(Velocity(1), 0);
        QCOMPARE(kqsim_axis_physical_position(1), stopsAt);
        QCOMPARE(Status(1), QList<int>({0, 0, 0, 0, 1, 0}));
    }

    void startOnTheSwitchEndsAtOnce()
    {
        kqsim_place_axis(0, 30);
        KQ_Set_Axis_Software_P(0, 500);
        KQ_Set_Axis_Mode_Home_Home_Switch(0);
        KQ_Set_Axis_Home_V(0, -100);
        QCOMPARE(Run(0), 0);
        QCOMPARE(Position(0), 0);
        QCOMPARE(Counts(0), 0);
        QCOMPARE(kqsim_axis_physical_position(0), 30);
    }

    void encoderIndexSearch_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("stopsAt");
        QTest::newRow("down to the mark below") << 10000 << -3200 << 6400;
        QTest::newRow("up to the mark above") << 10000 << 3200 << 12800;
        QTest::newRow("on a mark, up: the next one") << 12800 << 3200 << 19200;
        QTest::newRow("on a mark, down: the next one") << 12800 << -3200 << 6400;
        QTest::newRow("negative side") << -100 << -6400 << -6400;
    }

    void encoderIndexSearch()
    {
        QFETCH(int, start);
        QFETCH(int, speed);
        QFETCH(int, stopsAt);
        kqsim_place_axis(2, start);
        KQ_Set_Axis_Mode_Home_Encoder_Index(2);
        KQ_Set_Axis_Home_V(2, speed);
        QVERIFY(MsUntilRest(2, 60000) > 0);
        QCOMPARE(kqsim_axis_physical_position(2), stopsAt);
        QCOMPARE(Position(2), 0);
        QCOMPARE(Counts(2), 0);
        QCOMPARE(Run(2), 0);
    }

    void encoderAndSwitchSearch_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("stopsAt");
        // Switch at 3000 ± 64, marks every 6400.
        QTest::newRow("down: switch, then mark 0") << 20000 << -6400 << 0;
        QTest::newRow("up: switch, then mark 6400") << -20000 << 6400 << 6400;
        QTest::newRow("on the switch, down") << 3000 << -1000 << 0;
    }

    void encoderAndSwitchSearch()
    {
        QFETCH(int, start);
        QFETCH(int, speed);
        QFETCH(int, stopsAt);
        kqsim_set_home_switch(0, 3000, 64);
        kqsim_place_axis(0, start);
        KQ_Set_Axis_Mode_Home_Encoder_Home_Switch(0);
        KQ_Set_Axis_Home_V(0, speed);
        QVERIFY(MsUntilRest(0, 60000) > 0);
        QCOMPARE(kqsim_axis_physical_position(0), stopsAt);
        QCOMPARE(Position(0), 0);
        QCOMPARE(Counts(0), 0);
    }

    // A limit met before the switch turns the search round; it goes on
    // to the switch (and the mark) on the other side and zeroes there.
    void limitTurnsTheSearchRound_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("stopsAt");
        // Travel +-20000, switch at 3000 +- 64, marks every 6400, speed -6400.
        QTest::newRow("home switch, from below") << int(KQSIM_MODE_HOME_SWITCH) << -5000 << 2936;
        QTest::newRow("switch and mark, from below") << int(KQSIM_MODE_HOME_INDEX_SWITCH) << -5000 << 6400;
        QTest::newRow("home switch, from the limit") << int(KQSIM_MODE_HOME_SWITCH) << -20000 << 2936;
    }

    void limitTurnsTheSearchRound()
    {
        QFETCH(int, mode);
        QFETCH(int, start);
        QFETCH(int, stopsAt);
        kqsim_set_travel(0, -20000, 20000);
        kqsim_set_home_switch(0, 3000, 64);
        kqsim_place_axis(0, start);
        mode == KQSIM_MODE_HOME_SWITCH ? KQ_Set_Axis_Mode_Home(0) : KQ_Set_Axis_Mode_Home_Encoder_Home_Switch(0);
        KQ_Set_Axis_Home_V(0, -6400);
        QVERIFY(MsUntilRest(0, 60000) > 0);
        int32_t run = -1;
        QCOMPARE(KQ_Get_Axis_Status_Run(0, &run), 0);
        QCOMPARE(run, 0);
        QCOMPARE(kqsim_axis_physical_position(0), stopsAt);
        QCOMPARE(Position(0), 0);
        QCOMPARE(Counts(0), 0);
    }

    // Nothing to find between the limits: the search ends at the second
    // limit without zeroing, and says that it failed until the next command.
    void nothingBetweenTheLimitsFailsTheSearch()
    {
        kqsim_set_travel(0, -20000, 20000);
        kqsim_set_home_switch(0, 50000, 64);
        KQ_Set_Axis_Software_P(0, 100);
        KQ_Set_Axis_Mode_Home(0);
        KQ_Set_Axis_Home_V(0, 6400);
        QVERIFY(MsUntilRest(0, 60000) > 0);
        int32_t run = -1;
        QCOMPARE(KQ_Get_Axis_Status_Run(0, &run), int(KQSIM_ERR_HOME_FAILED));
        QCOMPARE(run, 0);
        QCOMPARE(Position(0), -19900);
        QCOMPARE(Status(0), QList<int>({0, 0, 1, 0, 0, 1}));
        // No index marks at all: starting on the limit, the index search
        // turns at once and fails at the other end.
        kqsim_set_index_period(0, 0);
        KQ_Set_Axis_Mode_Home_Encoder_Index(0);
        KQ_Set_Axis_Home_V(0, -6400);
        QCOMPARE(Run(0), 1);
        QVERIFY(MsUntilRest(0, 60000) > 0);
        QCOMPARE(Position(0), 20100);
        QCOMPARE(KQ_Get_Axis_Status_Run(0, &run), int(KQSIM_ERR_HOME_FAILED));
        KQ_Set_Axis_Halt(0);
        QCOMPARE(KQ_Get_Axis_Status_Run(0, &run), 0);
        QCOMPARE(Status(0), QList<int>({0, 0, 0, 1, 0, 0}));
    }

    void homeStopBrakesWithoutZeroing()
    {
        KQ_Set_Axis_Home_Acc(0, 3200);
        KQ_Set_Axis_Home_Dec(0, 12800);
        kqsim_place_axis(0, 600000);
        KQ_Set_Axis_Mode_Home(0);
        KQ_Set_Axis_Home_V(0, -6400);
        kqsim_advance_ms(1000);
        QCOMPARE_NEAR(Velocity(0), -3200, 10);
        kqsim_advance_ms(2000);
        KQ_Set_Axis_Velocity_Stop(0);
        KQ_Set_Axis_Position_Stop(0);
        kqsim_advance_ms(10);
        QCOMPARE(Velocity(0), -6400);
        KQ_Set_Axis_Home_Stop(0);
        QCOMPARE_NEAR(MsUntilRest(0, 5000), 500, 3);
        QCOMPARE(Position(0), kqsim_axis_physical_position(0));
        QVERIFY(Position(0) > 500000);
    }

    void zeroSpeedDoesNothing()
    {
        kqsim_place_axis(0, 20000);
        KQ_Set_Axis_Mode_Home(0);
        QCOMPARE(KQ_Set_Axis_Home_V(0, 0), 0);
        QCOMPARE(Run(0), 0);
        kqsim_advance_ms(1000);
        QCOMPARE(Position(0), 20000);
    }
};
TAVORIN_TEST(HomeSearchTest)

class ClosedLoopTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { FreshBoard(); }

    void targetReachesTheMotorThroughTheFactor()
    {
        KQ_Set_Axis_Position_Close_Dec_Factor(1, 1.6f);
        KQ_Set_Axis_Mode_Position_Close(1);
        KQ_Set_Axis_Position_P_Target_Abs(1, 4000);
        QVERIFY(MsUntilRest(1, 10000) > 0);
        QCOMPARE(kqsim_axis_physical_position(1), 6400);
        QCOMPARE(Position(1), 6400);
        QCOMPARE(Counts(1), 4000);
        KQ_Set_Axis_Position_P_Target_Rel(1, -1000);
        QVERIFY(MsUntilRest(1, 10000) > 0);
        QCOMPARE(Counts(1), 3000);
        QCOMPARE(Position(1), 4800);
    }

    void relativeTargetFollowsTheCounts()
    {
        KQ_Set_Axis_Mode_Position_Close(0);
        KQ_Set_Axis_Position_P_Target_Abs(0, 6400);
        kqsim_advance_ms(1000);
        const int32_t now = Counts(0);
        QCOMPARE_NEAR(now, 3200, 20);
        KQ_Set_Axis_Position_P_Target_Rel(0, 100);
        MsUntilRest(0, 10000);
        QCOMPARE(Counts(0), now + 100);
    }

    void directionPolarityReversesTheCounts()
    {
        KQ_Set_Encoder_Dir_Polarity(0, 0);
        KQ_Set_Axis_Position_Close_Dec_Factor(0, 1.6f);
        KQ_Set_Axis_Mode_Position_Close(0);
        KQ_Set_Axis_Position_P_Target_Abs(0, 4000);
        MsUntilRest(0, 10000);
        QCOMPARE(kqsim_axis_physical_position(0), -6400);
        QCOMPARE(Counts(0), 4000);
    }

    // Each load of the configuration sends the factor and the polarity
    // again: at rest the counts stay; later motion counts the new way.
    void factorAndPolarityChangesKeepTheCounts()
    {
        KQ_Set_Axis_Position_P_Target_Abs(0, 6400);
        MsUntilRest(0, 10000);
        QCOMPARE(Counts(0), 6400);
        KQ_Set_Axis_Position_Close_Dec_Factor(0, 128.0f);
        QCOMPARE(Counts(0), 6400);
        KQ_Set_Encoder_Dir_Polarity(0, 0);
        QCOMPARE(Counts(0), 6400);
        KQ_Set_Axis_Position_P_Target_Rel(0, 1280);
        MsUntilRest(0, 10000);
        QCOMPARE(Counts(0), 6400 - 10);
        KQ_Set_Axis_Mode_Position_Close(0);
        KQ_Set_Axis_Position_P_Target_Abs(0, 6400);
        MsUntilRest(0, 10000);
        QCOMPARE(kqsim_axis_physical_position(0), 6400);
    }

    void unusableFactorCountsAsOne_data()
    {
        QTest::addColumn<float>("factor");
        QTest::newRow("zero") << 0.0f;
        QTest::newRow("negative") << -2.0f;
        QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("infinite") << std::numeric_limits<float>::infinity();
    }

    void unusableFactorCountsAsOne()
    {
        QFETCH(float, factor);
        QCOMPARE(KQ_Set_Axis_Position_Close_Dec_Factor(0, factor), 0);
        const float stored = kqsim_axis_close_factor(0);
        QVERIFY(stored == factor || (std::isnan(stored) && std::isnan(factor)));
        KQ_Set_Axis_Mode_Position_Close(0);
        KQ_Set_Axis_Position_P_Target_Abs(0, 3000);
        MsUntilRest(0, 10000);
        QCOMPARE(kqsim_axis_physical_position(0), 3000);
        QCOMPARE(Counts(0), 3000);
    }

    // The counts follow the motor in every mode, not only in closed loop.
    void countsFollowAnOpenLoopMove()
    {
        KQ_Set_Axis_Position_Close_Dec_Factor(0, 1.6f);
        KQ_Set_Axis_Position_P_Target_Abs(0, -6400);
        MsUntilRest(0, 10000);
        QCOMPARE(Counts(0), -4000);
    }

    // The value is counts while the closed-loop flag is set, which the
    // modes set, clear or (velocity) leave as they are; steps otherwise.
    void softwarePositionByClosedLoopFlag_data()
    {
        QTest::addColumn<QList<int>>("modes");
        QTest::addColumn<bool>("counts");
        QTest::newRow("fresh") << QList<int>{} << false;
        QTest::newRow("closed") << QList<int>{KQSIM_MODE_POSITION_CLOSE} << true;
        QTest::newRow("closed, then velocity (a jog)")
            << QList<int>{KQSIM_MODE_POSITION_CLOSE, KQSIM_MODE_VELOCITY} << true;
        QTest::newRow("velocity alone") << QList<int>{KQSIM_MODE_VELOCITY} << false;
        QTest::newRow("closed, then position") << QList<int>{KQSIM_MODE_POSITION_CLOSE, KQSIM_MODE_POSITION} << false;
        QTest::newRow("closed, then plain home") << QList<int>{KQSIM_MODE_POSITION_CLOSE, -1} << false;
        QTest::newRow("closed, then home switch")
            << QList<int>{KQSIM_MODE_POSITION_CLOSE, KQSIM_MODE_HOME_SWITCH} << false;
        QTest::newRow("encoder index") << QList<int>{KQSIM_MODE_HOME_INDEX} << true;
        QTest::newRow("encoder and switch, then velocity")
            << QList<int>{KQSIM_MODE_HOME_INDEX_SWITCH, KQSIM_MODE_VELOCITY} << true;
    }

    void softwarePositionByClosedLoopFlag()
    {
        QFETCH(QList<int>, modes);
        QFETCH(bool, counts);
        KQ_Set_Axis_Position_Close_Dec_Factor(0, 128.0f);
        for (int m : modes) {
            switch (m) {
            case KQSIM_MODE_POSITION: KQ_Set_Axis_Mode_Position(0); break;
            case KQSIM_MODE_POSITION_CLOSE: KQ_Set_Axis_Mode_Position_Close(0); break;
            case KQSIM_MODE_VELOCITY: KQ_Set_Axis_Mode_Velocity(0); break;
            case KQSIM_MODE_HOME_SWITCH: KQ_Set_Axis_Mode_Home_Home_Switch(0); break;
            case KQSIM_MODE_HOME_INDEX: KQ_Set_Axis_Mode_Home_Encoder_Index(0); break;
            case KQSIM_MODE_HOME_INDEX_SWITCH: KQ_Set_Axis_Mode_Home_Encoder_Home_Switch(0); break;
            default: KQ_Set_Axis_Mode_Home(0); break;
            }
        }
        QCOMPARE(KQ_Set_Axis_Software_P(0, 1280), 0);
        QCOMPARE(Counts(0), counts ? 1280 : 10);
        QCOMPARE(Position(0), counts ? 1280 * 128 : 1280);
    }

    void softwarePositionSetsOneZeroForBoth()
    {
        KQ_Set_Axis_Position_Close_Dec_Factor(0, 1.6f);
        kqsim_place_axis(0, 1234);
        // Open loop: steps, and the counts follow through the factor.
        QCOMPARE(KQ_Set_Axis_Software_P(0, 6400), 0);
        QCOMPARE(Position(0), 6400);
        QCOMPARE(Counts(0), 4000);
        QCOMPARE(kqsim_axis_physical_position(0), 1234);
        // Closed loop: counts, and the position follows.
        KQ_Set_Axis_Mode_Position_Close(0);
        QCOMPARE(KQ_Set_Axis_Software_P(0, -1000), 0);
        QCOMPARE(Counts(0), -1000);
        QCOMPARE(Position(0), -1600);
        QCOMPARE(kqsim_axis_physical_position(0), 1234);
        // Zeros coincide: moving to count 0 brings the position to 0.
        KQ_Set_Axis_Position_P_Target_Abs(0, 0);
        MsUntilRest(0, 10000);
        QCOMPARE(Position(0), 0);
        QCOMPARE(kqsim_axis_physical_position(0), 1234 + 1600);
    }

    void softwarePositionDuringAMotionKeepsItGoing()
    {
        KQ_Set_Axis_Velocity_V_Target_Abs(0, 3200);
        kqsim_advance_ms(2000);
        KQ_Set_Axis_Software_P(0, 0);
        QCOMPARE(Run(0), 1);
        QCOMPARE_NEAR(Position(0), 0, 5);
        kqsim_advance_ms(1000);
        QCOMPARE_NEAR(Position(0), 3200, 5);
    }

    // Relative moves 1000, -400, 300 with a play or with 30 steps lost in
    // the second: the counts (factor 1) follow the stage, the software
    // position the motor; a closed-loop move servos on the counts.
    void countsFollowTheStageThroughThePlay_data()
    {
        QTest::addColumn<int>("backlash");
        QTest::addColumn<int>("lost");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QList<int>>("counts");
        QTest::newRow("none") << 0 << 0 << false << QList<int>{1000, 600, 900};
        QTest::newRow("backlash") << 20 << 0 << false << QList<int>{1000, 620, 900};
        QTest::newRow("lost steps") << 0 << 30 << false << QList<int>{1000, 630, 930};
        QTest::newRow("backlash, closed loop") << 20 << 0 << true << QList<int>{1000, 600, 900};
    }

    void countsFollowTheStageThroughThePlay()
    {
        QFETCH(int, backlash);
        QFETCH(int, lost);
        QFETCH(bool, closed);
        QFETCH(QList<int>, counts);
        kqsim_set_backlash(0, backlash);
        if (closed)
            KQ_Set_Axis_Mode_Position_Close(0);
        const int32_t moves[] = {1000, -400, 300};
        for (int i = 0; i < 3; ++i) {
            if (i == 1)
                kqsim_lose_steps(0, lost);
            KQ_Set_Axis_Position_P_Target_Rel(0, moves[i]);
            QVERIFY(MsUntilRest(0, 10000) >= 0);
            QCOMPARE(Counts(0), counts[i]);
            QCOMPARE(kqsim_axis_stage_position(0), counts[i]);
        }
        QCOMPARE(Position(0), 900);
    }
};
TAVORIN_TEST(ClosedLoopTest)

class ExtremeArgumentsTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { FreshBoard(); }

    void nothingBreaksAndTravelHolds()
    {
        const int32_t values[] = {std::numeric_limits<int32_t>::min(), -1, 0, 1,
                                  std::numeric_limits<int32_t>::max()};
        for (int32_t v : values) {
            for (uint16_t a = 0; a < 4; ++a) {
                KQ_Set_Axis_Position_Acc(a, v);
                KQ_Set_Axis_Position_Dec(a, ~v); // -v - 1
                KQ_Set_Axis_Position_V_Max(a, v);
                KQ_Set_Axis_Velocity_Acc(a, v);
                KQ_Set_Axis_Velocity_Dec(a, v);
                KQ_Set_Axis_Home_Acc(a, v);
                KQ_Set_Axis_Home_Dec(a, v);
                KQ_Set_Axis_Position_Close_Dec_Factor(a, float(v));
                KQ_Set_Encoder_Over_Max(a, v);
            }
            KQ_Set_Axis_Software_P(0, v);
            KQ_Set_Axis_Position_P_Target_Abs(0, v);
            KQ_Set_Axis_Position_P_Target_Rel(1, v);
            KQ_Set_Axis_Position_P_Target_Rel(1, v);
            KQ_Set_Axis_Velocity_V_Target_Rel(2, v);
            KQ_Set_Axis_Velocity_V_Target_Rel(2, v);
            KQ_Set_Axis_Mode_Position_Close(3);
            KQ_Set_Axis_Software_P(3, v);
            KQ_Set_Axis_Position_P_Target_Rel(3, v);
            kqsim_advance_ms(50);
            KQ_Set_Axis_Mode_Home_Encoder_Home_Switch(1);
            KQ_Set_Axis_Home_V(1, v);
            kqsim_advance_ms(100000);
            for (int a = 0; a < 4; ++a) {
                const int32_t p = kqsim_axis_physical_position(a);
                QVERIFY2(p >= -640000 && p <= 640000, qPrintable(QString::number(p)));
                int32_t out = 0;
                QCOMPARE(KQ_Get_Axis_Software_P_Now(uint16_t(a), &out), 0);
                QCOMPARE(KQ_Get_Axis_V_Now(uint16_t(a), &out), 0);
                QCOMPARE(KQ_Get_Encoder_Pos(uint16_t(a), &out), 0);
            }
        }
        // The test hooks ignore axes that do not exist.
        kqsim_place_axis(-1, 5);
        kqsim_place_axis(4, 5);
        kqsim_set_travel(99, 0, 0);
        kqsim_set_home_switch(-7, 0, 0);
        kqsim_set_index_period(4, 1);
        QCOMPARE(kqsim_axis_position(4), 0);
    }

    void travelSettingsTakeEffect()
    {
        kqsim_set_travel(0, 5000, -5000); // given the wrong way round
        kqsim_set_index_period(0, 1000);
        kqsim_set_home_switch(0, 2500, -10); // width taken as its size
        kqsim_place_axis(0, 2505);
        QCOMPARE(kqsim_axis_home_switch(0), 1);
        kqsim_place_axis(0, 2600);
        QCOMPARE(kqsim_axis_home_switch(0), 0);
        KQ_Set_Axis_Mode_Home_Encoder_Index(0);
        KQ_Set_Axis_Home_V(0, 1000);
        MsUntilRest(0, 10000);
        QCOMPARE(kqsim_axis_physical_position(0), 3000);
        KQ_Set_Axis_Velocity_V_Target_Abs(0, -6400);
        MsUntilRest(0, 10000);
        QCOMPARE(kqsim_axis_physical_position(0), -5000);
        QCOMPARE(kqsim_axis_neg_limit(0), 1);
        kqsim_place_axis(0, -6000); // beyond the switch: flag on, stays put
        QCOMPARE(kqsim_axis_neg_limit(0), 1);
        KQ_Set_Axis_Velocity_V_Target_Abs(0, -100);
        kqsim_advance_ms(100);
        QCOMPARE(kqsim_axis_physical_position(0), -6000);
    }
};
TAVORIN_TEST(ExtremeArgumentsTest)

#include "MotionTest.moc"
