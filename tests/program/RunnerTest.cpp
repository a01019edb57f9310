// The program runner on the manual clock: ticks per step kind, library calls
// and log lines, repeats, pauses, stop and halt, and the rows it refuses.
#include "RunnerFixture.h"
#include "common/Exceptions.h"
#include "program/StatusRefresh.h"
#include "program/TStatusModel.h"
#include "support/TestRegistry.h"

#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <limits>

using namespace RunnerTest;

Q_DECLARE_METATYPE(TAutoCode)

namespace {

const QString A = QStringLiteral("第1轴");

// The log of one repetition of a move: commanded, ended, delay, repetition.
QStringList MoveLog(const QString &kind, int repetition)
{
    return {A + " 开始" + kind, A + " " + kind + "结束", A + " 开始延时", A + " 延时结束",
            A + " 完成循环 " + QString::number(repetition)};
}

QStringList Ended(int runs = 1)
{
    return {"方案执行完成 " + QString::number(runs), "停止"};
}

} // namespace

class RunnerTestCase : public QObject
{
    Q_OBJECT

private slots:
    void stepTicksAndLog_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("delay");
        QTest::addColumn<int>("count");
        QTest::addColumn<uint>("firstTick");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QStringList>("log");
        const QString abs = AutoAction::Abs, rel = AutoAction::Rel;
        QTest::newRow("absolute") << abs << 0 << 1 << 1000u << 5 << MoveLog(abs, 1);
        QTest::newRow("absolute twice") << abs << 0 << 2 << 1000u << 8 << MoveLog(abs, 1) + MoveLog(abs, 2);
        QTest::newRow("negative delay") << rel << -5 << 1 << 1000u << 5 << MoveLog(rel, 1);
        QTest::newRow("count 0") << rel << 0 << 0 << 1000u << 5 << MoveLog(rel, 1);
        QTest::newRow("count -2") << rel << 0 << -2 << 1000u << 5 << MoveLog(rel, 1);
        QTest::newRow("delay 120") << rel << 120 << 1 << 1000u << 7 << MoveLog(rel, 1);
        // The delay begins 30 ms before the counter wraps.
        QTest::newRow("delay across the wrap") << rel << 120 << 1 << 0xFFFFFF1Au << 7 << MoveLog(rel, 1);
        const QStringList home = {A + " 开始归零", A + " 归零结束"};
        QTest::newRow("home") << AutoAction::Home << 0 << 1 << 1000u << 4 << home;
        QTest::newRow("home, delay 100") << AutoAction::Home << 100 << 1 << 1000u << 5 << home;
        QTest::newRow("adjust") << AutoAction::Adjust << 500 << 3 << 1000u << 2 << QStringList{A + " 坐标调整完成"};
        QTest::newRow("pause") << AutoAction::Pause << 0 << 1 << 1000u << 2 << QStringList{"暂停"};
    }
    // A single zero-motion step from start to the end of the program.
    void stepTicksAndLog()
    {
        QFETCH(QString, action);
        QFETCH(int, delay);
        QFETCH(int, count);
        QFETCH(uint, firstTick);
        QFETCH(int, ticks);
        QFETCH(QStringList, log);
        Run run(firstTick);
        run.code.InsertRow(-1, Step(0, action, 0, delay, count));
        QVERIFY(run.Start());
        QCOMPARE(run.TickToEnd(), ticks);
        QCOMPARE(run.log, QStringList{"开始运行"} + log + Ended());
        QCOMPARE(run.runner->RunState(), TProgramRunner::Idle);
        QVERIFY(!run.runner->tmr_AutoStatus->isActive());
        QCOMPARE(Fixtures::Commands().constLast(), QStringLiteral("KQ_Set_Axis_Halt_All()"));
    }

    // Values go out as value × Open_Ratio with halves to the even neighbour.
    void valuesScaledHalvesToEven()
    {
        Run run;
        TAxis_Config &c = g_Axis_Config[1];
        c.Open_Ratio = 2;
        c.Acc = 1000.25;
        c.Dec = 1000.75;
        c.Max_V = 100.25;
        for (const TAutoCode &s : {Step(1, AutoAction::Abs, 1.25), Step(1, AutoAction::Rel, -1.25),
                                   Step(1, AutoAction::Adjust, 1.75), Step(1, AutoAction::Home)})
            run.code.InsertRow(-1, s);
        QVERIFY(run.Start());
        run.TickToEnd();
        const QStringList configure{"KQ_Set_Axis_Mode_Position(1)", "KQ_Set_Axis_Position_Acc(1,2000)",
                                       "KQ_Set_Axis_Position_Dec(1,2002)", "KQ_Set_Axis_Position_V_Max(1,200)"};
        const QStringList expected = configure + QStringList{"KQ_Set_Axis_Position_P_Target_Abs(1,2)"} + configure
            + QStringList{"KQ_Set_Axis_Position_P_Target_Rel(1,-2)", "KQ_Set_Axis_Software_P(1,4)",
                          "KQ_Set_Axis_Mode_Home(1)", "KQ_Set_Axis_Home_Acc(1,2000)", "KQ_Set_Axis_Home_Dec(1,2002)",
                          "KQ_Set_Axis_Home_V(1,-200)", "KQ_Set_Axis_Halt_All()"};
        QCOMPARE(Fixtures::Commands(), expected);
    }

    void relativeMoveThreeTimes()
    {
        Run run;
        run.code.InsertRow(-1, Step(0, AutoAction::Rel, 5, 0, 3));
        QVERIFY(run.Start());
        run.TickToEnd();
        const QString rel = AutoAction::Rel;
        QCOMPARE(run.log, QStringList{"开始运行"} + MoveLog(rel, 1) + MoveLog(rel, 2) + MoveLog(rel, 3) + Ended());
        QCOMPARE(kqsim_axis_position(0), 3 * 5 * 6400);
        QCOMPARE(Fixtures::Commands().filter("Target_Rel"), QStringList(3, "KQ_Set_Axis_Position_P_Target_Rel(0,32000)"));
        QCOMPARE(Fixtures::Commands().filter("Mode_Position").size(), 1);
    }

    void repeatCount_data()
    {
        QTest::addColumn<QString>("repeat");
        QTest::addColumn<int>("runs");
        QTest::newRow("0") << "0" << 1;
        QTest::newRow("-3") << "-3" << 1;
        QTest::newRow("2") << "2" << 2;
        QTest::newRow("hex 3") << "0x3" << 3;
    }
    void repeatCount()
    {
        QFETCH(QString, repeat);
        QFETCH(int, runs);
        Run run;
        run.code.InsertRow(-1, Step(0, AutoAction::Adjust, 1));
        QVERIFY(run.Start(repeat));
        QCOMPARE(run.TickToEnd(), 2 * runs);
        QCOMPARE(run.log.filter("方案执行完成").size(), runs);
        QCOMPARE(run.log.mid(run.log.size() - 2), Ended(runs));
    }

    void repeatNotANumber()
    {
        Run run;
        run.code.InsertRow(-1, Step(0, AutoAction::Adjust, 1));
        run.code.InsertRow(-1, Step(0, AutoAction::Adjust, 2));
        try {
            run.Start("x1");
            QFAIL("no conversion error");
        } catch (const EConvertError &e) {
            QCOMPARE(e.Message(), QStringLiteral("'x1' is not a valid integer value"));
        }
        QCOMPARE(run.code.CurrentRow(), 0);
        QCOMPARE(run.runner->RunState(), TProgramRunner::Idle);
        QVERIFY(!run.TimerOn() && run.log.isEmpty());
    }

    void emptyTableStartsNothing()
    {
        Run run;
        QSignalSpy states(run.runner.get(), &TProgramRunner::StateChanged);
        QVERIFY(!run.Start());
        QVERIFY(!run.TimerOn() && run.log.isEmpty() && states.isEmpty());
    }

    // A pause step pauses after the row before it; "启动" goes on after it,
    // and the repeat text is not read again.
    void pauseStepMidProgram()
    {
        Run run;
        run.code.InsertRow(-1, Step(0, AutoAction::Adjust, 1));
        run.code.InsertRow(-1, Step(-1, AutoAction::Pause));
        run.code.InsertRow(-1, Step(0, AutoAction::Adjust, 2));
        QVERIFY(run.Start());
        QCOMPARE(run.TickToEnd(), 4);
        QCOMPARE(run.runner->RunState(), TProgramRunner::Paused);
        QCOMPARE(run.code.CurrentRow(), 2);
        QVERIFY(run.runner->tmr_AutoStatus->isActive());
        QVERIFY(run.Start("not read"));
        QCOMPARE(run.TickToEnd(), 2);
        QCOMPARE(run.log, QStringList({"开始运行", A + " 坐标调整完成", "暂停", "恢复运行", A + " 坐标调整完成"}) + Ended());
        QCOMPARE(kqsim_axis_position(0), 2 * 6400);
    }

    void pauseStepLastWithRunsLeft()
    {
        Run run;
        run.code.InsertRow(-1, Step(0, AutoAction::Adjust, 1));
        run.code.InsertRow(-1, Step(-1, AutoAction::Pause));
        QVERIFY(run.Start("2"));
        run.TickToEnd();
        QCOMPARE(run.log, QStringList({"开始运行", A + " 坐标调整完成", "暂停", "方案执行完成 1"}));
        QCOMPARE(run.runner->RunState(), TProgramRunner::Paused);
        QCOMPARE(run.code.CurrentRow(), 0);
        QVERIFY(run.Start());
        run.TickToEnd();
        QCOMPARE(run.log.mid(4), QStringList({"恢复运行", A + " 坐标调整完成", "暂停"}) + Ended(2));
        QCOMPARE(run.runner->RunState(), TProgramRunner::Idle);
    }

    // Pausing lets the move finish; the delay begins at the first tick after
    // the resume.
    void pauseDuringMove()
    {
        Run run;
        run.code.InsertRow(-1, Step(0, AutoAction::Rel, 5, 100));
        QVERIFY(run.Start());
        for (int i = 0; i < 4; ++i)
            run.Tick();
        QVERIFY(kqsim_axis_running(0));
        run.runner->Pause();
        run.Pass(3000);
        QCOMPARE(kqsim_axis_position(0), 32000);
        QVERIFY(run.Start());
        run.Tick();
        QCOMPARE(run.runner->g_Status_Delay, run.ticks);
        QCOMPARE(run.log.mid(run.log.size() - 2), QStringList({A + " 相对定位结束", A + " 开始延时"}));
    }

    // Paused time counts toward the delay.
    void pauseDuringDelay()
    {
        Run run;
        run.code.InsertRow(-1, Step(0, AutoAction::Rel, 0, 1000));
        QVERIFY(run.Start());
        for (int i = 0; i < 4; ++i)
            run.Tick();
        run.runner->Pause();
        run.Pass(2000);
        QVERIFY(run.Start());
        QCOMPARE(run.TickToEnd(), 1);
    }

    void stopAndHalt_data()
    {
        QTest::addColumn<bool>("halt");
        QTest::addColumn<QStringList>("commands");
        QStringList stops;
        for (int a = 0; a < kAxes; ++a)
            stops << QStringLiteral("KQ_Set_Axis_Home_Stop(%1)").arg(a) << QStringLiteral("KQ_Set_Axis_Position_Stop(%1)").arg(a);
        QTest::newRow("stop") << false << stops;
        QTest::newRow("halt") << true << QStringList{"KQ_Set_Axis_Halt_All()"};
    }
    // Both leave the selection; the next start begins with the first row.
    void stopAndHalt()
    {
        QFETCH(bool, halt);
        QFETCH(QStringList, commands);
        Run run;
        run.code.InsertRow(-1, Step(0, AutoAction::Adjust, 1));
        run.code.InsertRow(-1, Step(0, AutoAction::Rel, 5));
        QVERIFY(run.Start());
        for (int i = 0; i < 4; ++i)
            run.Tick();
        kqsim_journal_clear();
        halt ? run.runner->Halt() : run.runner->Stop();
        QCOMPARE(Fixtures::Commands(), commands);
        QCOMPARE(run.log.constLast(), QStringLiteral("停止"));
        QVERIFY(!run.TimerOn() && !run.runner->tmr_AutoStatus->isActive());
        QCOMPARE(run.code.CurrentRow(), 1);
        QVERIFY(run.Start());
        QCOMPARE(run.code.CurrentRow(), 0);
        QCOMPARE(run.log.constLast(), QStringLiteral("开始运行"));
    }

    void refusesRowThatCannotRun_data()
    {
        QTest::addColumn<TAutoCode>("row");
        QTest::addColumn<int>("ratio");
        QTest::addColumn<double>("maxV");
        QTest::addColumn<QString>("why");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        const QString range = QStringLiteral("第3轴：数值 %1 换算后超出控制器的数值范围");
        const QString ratio = QStringLiteral("第3轴：每毫米(度)的电机步数无效，无法换算数值 %1，请检查参数配置");
        QTest::newRow("ID -1") << Step(-1, AutoAction::Rel, 1) << 6400 << 5.0 << "设备上没有轴号为 -1 的轴";
        QTest::newRow("ID past the board") << Step(4, AutoAction::Abs, 1) << 6400 << 5.0 << "设备上没有轴号为 4 的轴";
        QTest::newRow("ratio 0") << Step(2, AutoAction::Adjust, 1) << 0 << 5.0 << ratio.arg(1);
        QTest::newRow("ratio saturated") << Step(2, AutoAction::Home) << INT32_MAX << 5.0 << ratio.arg(0);
        QTest::newRow("param too large") << Step(2, AutoAction::Rel, 1e300) << 6400 << 5.0 << range.arg("1E300");
        QTest::newRow("param NaN") << Step(2, AutoAction::Adjust, nan) << 6400 << 5.0 << range.arg("NAN");
        QTest::newRow("param infinite") << Step(2, AutoAction::Abs, -inf) << 6400 << 5.0 << range.arg("-INF");
        QTest::newRow("speed too large") << Step(2, AutoAction::Home) << 6400 << 1e12 << range.arg("1000000000000");
    }
    // Nothing starts; the box names the record number and the row is selected.
    void refusesRowThatCannotRun()
    {
        QFETCH(TAutoCode, row);
        QFETCH(int, ratio);
        QFETCH(double, maxV);
        QFETCH(QString, why);
        Run run;
        g_Axis_Config[2].Open_Ratio = ratio;
        g_Axis_Config[2].Max_V = maxV;
        run.code.InsertRow(-1, Step(-1, AutoAction::Pause, std::numeric_limits<double>::quiet_NaN()));
        run.code.InsertRow(-1, row);
        QVERIFY(!run.Start());
        QCOMPARE(run.refused, QStringList{"第2行无法执行：" + why});
        QCOMPARE(run.code.CurrentRow(), 1);
        QVERIFY(!run.TimerOn() && run.log.isEmpty() && Fixtures::Journal().isEmpty());
        QCOMPARE(run.runner->RunState(), TProgramRunner::Idle);
    }

    // A configuration reloaded under a run: the row is refused when loaded
    // and the run ends as "急停" ends it.
    void rowCheckedWhenLoaded()
    {
        Run run;
        run.code.InsertRow(-1, Step(0, AutoAction::Adjust, 1));
        run.code.InsertRow(-1, Step(2, AutoAction::Adjust, 1));
        QVERIFY(run.Start());
        run.Tick();
        run.Tick();
        g_Axis_Config[2].Open_Ratio = 0;
        run.Tick();
        const QString text = QStringLiteral("第2行无法执行：第3轴：每毫米(度)的电机步数无效，无法换算数值 1，请检查参数配置");
        QCOMPARE(run.log.mid(2), QStringList({text, "停止"}));
        QCOMPARE(run.refused, QStringList{text});
        QCOMPARE(Fixtures::Commands(), QStringList({"KQ_Set_Axis_Software_P(0,6400)", "KQ_Set_Axis_Halt_All()"}));
        QCOMPARE(run.runner->RunState(), TProgramRunner::Idle);
    }

    // ... and within a step, at the first value it converts.
    void configurationChangedWithinStep()
    {
        Run run;
        run.code.InsertRow(-1, Step(2, AutoAction::Rel, 1));
        QVERIFY(run.Start());
        run.Tick();
        g_Axis_Config[2].Open_Ratio = 0;
        run.Tick();
        QCOMPARE(run.refused.size(), 1);
        QVERIFY(run.refused[0].startsWith("第1行无法执行：第3轴："));
        QCOMPARE(Fixtures::Commands(), QStringList({"KQ_Set_Axis_Mode_Position(2)", "KQ_Set_Axis_Halt_All()"}));
        QCOMPARE(run.runner->RunState(), TProgramRunner::Idle);
    }

    // Positions in mm from the software position; a ratio of 0 shows "—"
    // without stopping the others; a failed read keeps the last value.
    void statusRefresh()
    {
        Run run;
        TStatusModel status;
        status.SetAxes({"第1轴", "第2轴", "第3轴", "第4轴"});
        g_Axis_Config[1].Open_Ratio = 0;
        g_Axis_Config[2].Open_Ratio = 3;
        kqsim_place_axis(0, 12800);
        kqsim_place_axis(1, 5);
        kqsim_place_axis(2, -1);
        Refresh_Status(status, kAxes);
        auto shown = [&status](int axis) { return status.index(axis, TStatusModel::ColPos).data().toString(); };
        QCOMPARE(QStringList({shown(0), shown(1), shown(2), shown(3)}),
                 QStringList({"2.000000", "—", "-0.333333", "0.000000"}));
        kqsim_fail("KQ_Get_Axis_Software_P_Now", 1);
        kqsim_place_axis(0, 0);
        Refresh_Status(status, kAxes);
        QCOMPARE(shown(0), QStringLiteral("2.000000"));
    }
};

TAVORIN_TEST(RunnerTestCase)
#include "RunnerTest.moc"
