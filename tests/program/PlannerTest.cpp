#include "controller/Conversion.h"
#include "program/TRunPlanner.h"
#include "support/TestRegistry.h"

#include <QTest>
#include <limits>

using Rows = std::vector<TAutoCode>;
Q_DECLARE_METATYPE(Rows)

namespace {
// 100 steps per mm: 1000 steps/s² up, 2000 steps/s² down, 500 steps/s.
QVector<TAxis_Config> Axes(double maxV = 5)
{
    TAxis_Config c;
    c.Motor_Scale = 100;
    c.Acc = 10;
    c.Dec = 20;
    c.Max_V = maxV;
    return {c, c};
}

TAutoCode Step(const QString &action, double param = 0, int delay = 0, int count = 1, int axis = 0)
{
    return TAutoCode{false, axis, QString(), action, param, delay, count};
}

constexpr int64_t T = Estimate::TickMs;
} // namespace

class PlannerTest : public QObject
{
    Q_OBJECT
private slots:
    // Hand-computed: a 1 mm move peaks at sqrt(2·100·1000·2000/3000) steps/s
    // and takes sqrt(0.3) s = 11 polls; a 10 mm move reaches 500 steps/s
    // and takes 0.5 + 0.25 + 812.5/500 = 2.375 s = 48 polls; a home search
    // over 1000 steps takes 0.5 + 875/500 = 2.25 s, exactly 45 ticks, and a
    // delay of 1000 ms exactly 20: a wait that ends on a tick counts half a
    // tick more.
    void duration_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<double>("start");
        QTest::addColumn<int>("repeat");
        QTest::addColumn<double>("maxV");
        QTest::addColumn<double>("ticks");
        using namespace AutoAction;
        QTest::newRow("zero motion") << Rows{Step(Abs, 0)} << 0.0 << 1 << 5.0 << double(5);
        QTest::newRow("below max speed") << Rows{Step(Rel, 1)} << 0.0 << 1 << 5.0 << double(3 + 11 + 1);
        QTest::newRow("reaches max speed") << Rows{Step(Abs, 10, 1000)} << 0.0 << 1 << 5.0 << double(3 + 48 + 20.25);
        QTest::newRow("backwards") << Rows{Step(Abs, 0)} << 1000.0 << 1 << 5.0 << double(3 + 48 + 1);
        QTest::newRow("relative repeated") << Rows{Step(Rel, -1, 100, 3)} << 0.0 << 1 << 5.0
                                           << double(2 + 3 * (1 + 11 + 2.25));
        QTest::newRow("absolute repeated stays") << Rows{Step(Abs, 10, 0, 3)} << 0.0 << 1 << 5.0
                                                 << double(2 + (1 + 48 + 1) + 2 * 3);
        QTest::newRow("count 0 runs once") << Rows{Step(Rel, 1, 0, 0)} << 0.0 << 1 << 5.0 << double(15);
        QTest::newRow("negative delay") << Rows{Step(Rel, 1, -500)} << 0.0 << 1 << 5.0 << double(15);
        QTest::newRow("delay rounds up to ticks") << Rows{Step(Rel, 1, 51)} << 0.0 << 1 << 5.0 << double(3 + 11 + 2);
        QTest::newRow("home from start") << Rows{Step(Home, 0, 120)} << 1000.0 << 1 << 5.0 << double(2 + 45.25 + 3);
        QTest::newRow("home from tracked") << Rows{Step(Abs, 10), Step(Home)} << 0.0 << 1 << 5.0
                                           << double(3 + 48 + 1 + 2 + 45.25 + 1);
        QTest::newRow("home at zero") << Rows{Step(Home)} << 0.0 << 1 << 5.0 << double(4);
        QTest::newRow("adjust moves the origin") << Rows{Step(Adjust, 10), Step(Abs, 10)} << 0.0 << 1 << 5.0
                                                 << double(2 + 5);
        QTest::newRow("home after adjust") << Rows{Step(Abs, 10), Step(Adjust, 0), Step(Home)} << 0.0 << 1 << 5.0
                                           << double(52 + 2 + 48.25);
        QTest::newRow("pause") << Rows{Step(Pause, 0, 0, 1, -1)} << 0.0 << 1 << 5.0 << double(2);
        QTest::newRow("no axis") << Rows{Step(Rel, 10, 0, 1, 7)} << 0.0 << 1 << 5.0 << double(5);
        QTest::newRow("no speed, no motion") << Rows{Step(Rel, 10), Step(Home)} << 500.0 << 1 << 0.0
                                             << double(5 + 4);
        QTest::newRow("repeat 0 runs once") << Rows{Step(Rel, 1)} << 0.0 << 0 << 5.0 << double(15);
        QTest::newRow("relative runs") << Rows{Step(Rel, 1)} << 0.0 << 3 << 5.0 << double(3 * 15);
        QTest::newRow("later runs start at the end") << Rows{Step(Abs, 10)} << 0.0 << 3 << 5.0
                                                      << double(52 + 2 * 5);
        QTest::newRow("relative before the first move")
            << Rows{Step(Rel, 1), Step(Abs, 10), Step(Rel, 1, 0, 1, 1)} << 0.0 << 3 << 5.0
            << double((15 + (3 + 44 + 1) + 15) + 2 * (15 + 15 + 15));
        QTest::newRow("origin moved each run")
            << Rows{Step(Abs, 10), Step(Adjust, 0), Step(Home), Step(Abs, 5), Step(Adjust, 0)} << 0.0 << 2 << 5.0
            << double((52 + 2 + 48.25 + 32 + 2) + (52 + 2 + 68.25 + 32 + 2));
        QTest::newRow("home each run") << Rows{Step(Home), Step(Abs, 10)} << 1000.0 << 2 << 5.0
                                       << double((48.25 + 52) + (48.25 + 52));
    }
    void duration()
    {
        QFETCH(Rows, rows);
        QFETCH(double, start);
        QFETCH(int, repeat);
        QFETCH(double, maxV);
        QFETCH(double, ticks);
        TRunPlanner planner;
        planner.Plan(rows, Axes(maxV), {start}, repeat);
        QCOMPARE(planner.TotalMs(), qint64(ticks * T));
    }

    // Fast stepping, hand-computed as above: a motion is seen ended at the
    // first 5 ms poll after it (none for no motion), the poll itself a
    // little late, a home search 20 ms later, a delay counts as it is, and
    // each row costs 0.15 ms of work.
    void fastDuration_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<double>("start");
        QTest::addColumn<int>("repeat");
        QTest::addColumn<qint64>("us");
        using namespace AutoAction;
        const qint64 row = Estimate::FastRowMicros;
        const qint64 late = Estimate::FastPollLateMicros;
        QTest::newRow("zero motion") << Rows(1000, Step(Abs, 0)) << 0.0 << 1 << 1000 * row;
        QTest::newRow("below max speed") << Rows{Step(Rel, 1)} << 0.0 << 1 << 550'000 + late + row;
        QTest::newRow("relative repeated") << Rows{Step(Rel, -1, 100, 3)} << 0.0 << 1 << 3 * (650'000 + late) + row;
        QTest::newRow("reaches max speed, delay") << Rows{Step(Abs, 10, 1000)} << 0.0 << 1 << 2'375'000 + late + 1'000'000 + row;
        QTest::newRow("negative delay") << Rows{Step(Rel, 1, -500)} << 0.0 << 1 << 550'000 + late + row;
        QTest::newRow("home: a poll on the switch, 20 ms more") << Rows{Step(Home, 0, 120)} << 1000.0 << 1
                                                                << 2'250'000 + late + 20'000 + 120'000 + row;
        QTest::newRow("adjust and pause") << Rows{Step(Adjust, 10), Step(Pause, 0, 0, 1, -1)} << 0.0 << 2 << 4 * row;
        QTest::newRow("runs") << Rows{Step(Rel, 1)} << 0.0 << 3 << 3 * (550'000 + late + row);
    }
    void fastDuration()
    {
        QFETCH(Rows, rows);
        QFETCH(double, start);
        QFETCH(int, repeat);
        QFETCH(qint64, us);
        TRunPlanner planner;
        planner.FastRun = true;
        planner.Plan(rows, Axes(), {start}, repeat);
        QCOMPARE(planner.TotalMs(), us / 1000);
    }

    void pausesAndRemaining()
    {
        using namespace AutoAction;
        TRunPlanner planner;
        planner.Plan({Step(Abs, 10), Step(Pause, 0, 0, 1, -1)}, Axes(), {}, 2);
        QCOMPARE(planner.RunMs(), (52 + 2) * T);
        QCOMPARE(planner.TotalMs(), (54 + 5 + 2) * T);
        QCOMPARE(planner.PauseCount(), qint64(2));
        QCOMPARE(planner.Pauses().size(), size_t(1));
        QCOMPARE(planner.Pauses()[0].Row, 1);
        QCOMPARE(planner.Pauses()[0].AtMs, 54 * T);
        QCOMPARE(planner.RemainingMs(0, 0, 0), planner.TotalMs());
        QCOMPARE(planner.RemainingMs(0, 0, 1000), 61 * T - 1000);
        // Time into a row counts only up to the row's length.
        QCOMPARE(planner.RemainingMs(1, 0, 1'000'000), 2 * T);
        QCOMPARE(planner.RemainingMs(1, 1, 0), 2 * T);
    }

    void hugeProgramsSaturate()
    {
        const int32_t most = std::numeric_limits<int32_t>::max();
        TRunPlanner planner;
        planner.Plan(Rows(1000, Step(AutoAction::Rel, 1, most, most)), Axes(), {}, most);
        QVERIFY(planner.TotalMs() > 0);
        QVERIFY(planner.TotalMs() >= planner.RunMs());
        QVERIFY(Estimate::DurationText(planner.TotalMs()).contains(QStringLiteral("天 ")));
    }

    void boardSteps_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("ratio");
        QTest::addColumn<int>("steps");
        QTest::newRow("half to even down") << 2.5 << 1 << 2;
        QTest::newRow("half to even up") << -3.5 << 1 << -4;
        QTest::newRow("scaled") << 0.123 << 6400 << 787;
        QTest::newRow("saturates") << 1e10 << 6400 << std::numeric_limits<int32_t>::max();
        QTest::newRow("saturates below") << -1e10 << 6400 << std::numeric_limits<int32_t>::min();
    }
    void boardSteps()
    {
        QFETCH(double, value);
        QFETCH(int, ratio);
        QFETCH(int, steps);
        QCOMPARE(AutoSteps(value, ratio), steps);
    }

    // The planner and the preview see the steps that the runner sends: 90°
    // on a direct-drive rotary stage with 16 microsteps is 800 steps, where
    // a whole number of steps per degree gave 810.
    void walkConvertsAsTheLibrary()
    {
        g_Axis_Config = QVector<TAxis_Config>(1);
        g_Axis_Config[0].Axis_Kind = 1;
        g_Axis_Config[0].Axis_Div = 16;
        g_Axis_Config[0].Circle_Ratio = 1;
        Calc_Ratio(1);
        TProgramWalk walk(g_Axis_Config, {});
        walk.Apply(Step(AutoAction::Abs, 90));
        QCOMPARE(walk.Position(0), double(Motor_Real_To_Steps(0, 90)));
        QCOMPARE(walk.RealPosition(0), 90.0);
        g_Axis_Config.clear();
    }

    void texts_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("estimate");
        QTest::addColumn<QString>("remaining");
        QTest::newRow("zero") << qint64(0) << "预计用时 00:00:00" << "剩余 00:00:00";
        QTest::newRow("rounds up") << qint64(1) << "预计用时 00:00:01" << "剩余 00:00:01";
        QTest::newRow("clock") << qint64(3661000) << "预计用时 01:01:01" << "剩余 01:01:01";
        QTest::newRow("one day") << qint64(86400000) << "预计用时 1天 00:00:00" << "剩余 1天 00:00:00";
        QTest::newRow("days") << qint64(((12 * 24 + 1) * 3600 + 62) * 1000 + 500)
                              << "预计用时 12天 01:01:03" << "剩余 12天 01:01:03";
    }
    void texts()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, estimate);
        QFETCH(QString, remaining);
        QCOMPARE(Estimate::EstimateText(ms), estimate);
        QCOMPARE(Estimate::RemainingText(ms), remaining);
    }
};

TAVORIN_TEST(PlannerTest)
#include "PlannerTest.moc"
