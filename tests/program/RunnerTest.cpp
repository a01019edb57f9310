// The program runner on the virtual board's manual clock, with a tick
// counter that moves with the board's clock: each scenario plays a script of
// run controls and ticks and checks the ticks taken, the log lines, the last
// library commands and the current row.
#include "common/Exceptions.h"
#include "config/AxisConfig.h"
#include "controller/AxisCommands.h"
#include "controller/Conversion.h"
#include "program/ProgramFile.h"
#include "program/StatusRefresh.h"
#include "program/TCodeModel.h"
#include "program/TProgramRunner.h"
#include "program/TStatusModel.h"
#include "support/Fixtures.h"
#include "support/TestRegistry.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(TAutoCode)

namespace {

constexpr int kAxes = 4;
const QString Abs = AutoAction::Abs, Rel = AutoAction::Rel;
const QString kHalt = QStringLiteral("KQ_Set_Axis_Halt_All()");

// Axis 0: 6400 steps/mm; axis 1: 2 steps/mm with values that end in halves.
class Run
{
public:
    Run()
    {
        kqsim_reset(kAxes, kAxes, KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER);
        kqsim_set_manual_clock(1);
        KQ_Open_USB();
        TAxis_Config c; // 1.8°, 32 microsteps, 1 mm pitch: 6400 steps/mm
        c.Acc = 10, c.Dec = 20, c.Max_V = 5;
        g_Axis_Config = QVector<TAxis_Config>(kAxes, c);
        for (int a = 0; a < kAxes; ++a)
            g_Axis_Config[a].Axis_Caption = QStringLiteral("第%1轴").arg(a + 1);
        TAxis_Config &half = g_Axis_Config[1];
        half.Line_Pitch = 3200, half.Acc = 1000.25, half.Dec = 1000.75, half.Max_V = 100.25;
        runner.Ticks = [this] { return ticks; };
        QObject::connect(&runner, &TProgramRunner::Log, [this](const QString &t) { log << t; });
        QObject::connect(&runner, &TProgramRunner::Refused, [this](const QString &t) { log << t; });
        kqsim_journal_clear();
    }
    ~Run()
    {
        kqsim_set_manual_clock(0);
        g_Axis_Config.clear();
    }

    void Pass(uint32_t ms)
    {
        kqsim_advance_ms(ms);
        ticks += ms;
    }
    // One period of the program timer, if it is on.
    bool Tick()
    {
        if (!runner.tmr_Auto->isActive())
            return false;
        Pass(50);
        runner.tmr_AutoTimer();
        return true;
    }
    // Fast stepping: its passes as their timer asks for them, for `ms` at
    // most (and no time while it is off); true while it is on.
    bool FastFor(uint32_t ms)
    {
        while (runner.tmr_FastRun->isActive()) {
            const uint32_t wait = uint32_t(runner.tmr_FastRun->interval());
            if (wait > ms) {
                Pass(ms);
                return true;
            }
            Pass(wait);
            ms -= wait;
            runner.tmr_FastRunTimer();
            ++passes;
        }
        return false;
    }
    // Words: start (also resumes), pause, stop, halt, end (tick until the
    // timer stops), tN (N ticks), passN (N ms pass), wrap (the counter wraps
    // 230 ms from now: 30 ms after a move step's delay has begun),
    // divN (axis 3's subdivision becomes N), nohome (axis 1's home switch
    // lies outside its travel), lose (the link is lost; the journal starts
    // afresh), status (the status timer's check of the link).  Returns the
    // ticks of the last "end".
    int Play(const QString &script, const QString &repeat)
    {
        int ended = -1;
        for (const QString &word : script.split(' ', Qt::SkipEmptyParts)) {
            const QString arg = word.mid(word.indexOf(QRegularExpression("\\d")));
            if (word == "start") {
                try {
                    runner.Start(repeat);
                } catch (const EConvertError &e) {
                    log << e.Message();
                }
            } else if (word == "pause") {
                runner.Pause();
            } else if (word == "stop") {
                runner.Stop();
            } else if (word == "halt") {
                runner.Halt();
            } else if (word == "end" && runner.FastRun) {
                for (int i = 0; i < 100000 && FastFor(UINT32_MAX); ++i) {}
            } else if (word == "end") {
                for (ended = 0; ended < 1000 && Tick(); ++ended) {}
            } else if (word == "wrap") {
                ticks = 0xFFFFFF1Au;
            } else if (word == "nohome") {
                kqsim_set_travel(0, -6400, 6400);
                kqsim_set_home_switch(0, 100000, 64); // outside the travel
            } else if (word == "lose") {
                kqsim_lose_link();
                kqsim_journal_clear();
            } else if (word == "status") {
                runner.Check_Link();
            } else if (word.startsWith("div")) {
                g_Axis_Config[2].Axis_Div = arg.toInt();
            } else if (word.startsWith("pass")) {
                Pass(arg.toUInt());
            } else if (runner.FastRun) {
                FastFor(uint32_t(arg.toInt()) * 50);
            } else {
                for (int i = arg.toInt(); i > 0; --i)
                    Tick();
            }
        }
        return ended;
    }

    uint32_t ticks = 1000;
    int passes = 0; // of fast stepping
    TCodeModel code;
    TProgramRunner runner{&code, [] { return kAxes; }};
    QStringList log; // log lines and refusals
};

// Program rows written as file lines separated by ";".
std::vector<TAutoCode> Rows(const QString &lines)
{
    return ReadProgramText(QString(lines).replace(';', '\n').toUtf8()).Rows;
}

QStringList MoveLog(const QString &kind, int repetition, const QString &axis = QStringLiteral("第1轴"))
{
    return {axis + " 开始" + kind, axis + " " + kind + "结束", axis + " 开始延时", axis + " 延时结束",
            axis + " 完成循环 " + QString::number(repetition)};
}

QStringList Started(const QStringList &lines)
{
    return QStringList{"开始运行"} + lines;
}

QStringList Ended(int runs = 1)
{
    return {"方案执行完成 " + QString::number(runs), "停止"};
}

// Axis 1 limited to -10…10 mm, standing at `startMm`, with `rows` loaded.
void Limit_First_Axis(Run &run, const QString &rows, double startMm)
{
    AxisCommands::Reset_Travel_Shifts();
    g_Axis_Config[0].Soft_Min = -10;
    g_Axis_Config[0].Soft_Max = 10;
    kqsim_place_axis(0, int32_t(startMm * 6400));
    run.code.SetRows(Rows(rows));
}

} // namespace

class RunnerTestCase : public QObject
{
    Q_OBJECT

private slots:
    void scenario_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("repeat");
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("commands"); // the journal's last commands
        QTest::addColumn<int>("row");
        const QString A = "第1轴", adjust = "0,第1轴,坐标调整,1,0,1", pause = "-1,,暂停,0,0,1";
        const QStringList halt{kHalt};
        auto single = [&](const char *name, const QString &row, int ticks, const QStringList &log) {
            QTest::newRow(name) << row << "1" << "start end" << ticks << Started(log) + Ended() << halt << 0;
        };
        single("absolute", "0,第1轴,绝对定位,0,0,1", 5, MoveLog(Abs, 1));
        single("absolute, count 2", "0,第1轴,绝对定位,0,0,2", 8, MoveLog(Abs, 1) + MoveLog(Abs, 2));
        single("negative delay", "0,第1轴,相对定位,0,-5,1", 5, MoveLog(Rel, 1));
        single("count 0", "0,第1轴,相对定位,0,0,0", 5, MoveLog(Rel, 1));
        single("count -2", "0,第1轴,相对定位,0,0,-2", 5, MoveLog(Rel, 1));
        single("delay 120", "0,第1轴,相对定位,0,120,1", 7, MoveLog(Rel, 1));
        single("home", "0,第1轴,归零,0,0,1", 4, {A + " 开始归零", A + " 归零结束"});
        single("home, delay 100", "0,第1轴,归零,0,100,1", 5, {A + " 开始归零", A + " 归零结束"});
        single("adjust", "0,第1轴,坐标调整,0,500,3", 2, {A + " 坐标调整完成"});
        single("pause", pause, 2, {"暂停"});
        QTest::newRow("delay across the wrap") << "0,第1轴,相对定位,0,120,1" << "1" << "wrap start end" << 7
                                               << Started(MoveLog(Rel, 1)) + Ended() << halt << 0;
        const QString B = "第2轴";
        // The library's conversion, as a panel command's: halves away from 0.
        const QStringList configure{"KQ_Set_Axis_Mode_Position(1)", "KQ_Set_Axis_Position_Acc(1,2001)",
                                    "KQ_Set_Axis_Position_Dec(1,2002)", "KQ_Set_Axis_Position_V_Max(1,201)"};
        QTest::newRow("values converted by the library")
            << "1,第2轴,绝对定位,1.25,0,1;1,第2轴,相对定位,-1.25,0,1;1,第2轴,坐标调整,1.75,0,1;1,第2轴,归零,0,0,1"
            << "1" << "start end" << -1
            << Started(MoveLog(Abs, 1, B) + MoveLog(Rel, 1, B)
                       + QStringList{B + " 坐标调整完成", B + " 开始归零", B + " 归零结束"}) + Ended()
            << configure + QStringList{"KQ_Set_Axis_Position_P_Target_Abs(1,3)"} + configure
                   + QStringList{"KQ_Set_Axis_Position_P_Target_Rel(1,-3)", "KQ_Set_Axis_Software_P(1,4)",
                                 "KQ_Set_Axis_Mode_Home(1)", "KQ_Set_Axis_Home_Acc(1,2001)",
                                 "KQ_Set_Axis_Home_Dec(1,2002)", "KQ_Set_Axis_Home_V(1,-201)", kHalt}
            << 3;
        const QString rel5 = "KQ_Set_Axis_Position_P_Target_Rel(0,32000)";
        QTest::newRow("relative 5 mm, 3 times") << "0,第1轴,相对定位,5,0,3" << "1" << "start end" << -1
            << Started(MoveLog(Rel, 1) + MoveLog(Rel, 2) + MoveLog(Rel, 3)) + Ended()
            << QStringList{"KQ_Set_Axis_Position_V_Max(0,32000)", rel5, rel5, rel5, kHalt} << 0;
        for (const char *repeat : {"0", "-3"})
            QTest::newRow(qPrintable(QString("repeat ") + repeat)) << adjust << repeat << "start end" << 2
                << Started({A + " 坐标调整完成"}) + Ended() << halt << 0;
        QTest::newRow("repeat 2") << adjust << "2" << "start end" << 4
            << Started({A + " 坐标调整完成", "方案执行完成 1", A + " 坐标调整完成"}) + Ended(2) << halt << 0;
        QTest::newRow("repeat not a number") << adjust + ";" + adjust << "x1" << "start t1" << -1
            << QStringList{"'x1' is not a valid integer value"} << QStringList() << 0;
        QTest::newRow("empty table") << "" << "1" << "start t1" << -1 << QStringList() << QStringList() << -1;
        QTest::newRow("pause step mid-program") << adjust + ";" + pause + ";0,第1轴,坐标调整,2,0,1" << "1"
            << "start end start end" << 2
            << Started({A + " 坐标调整完成", "暂停", "恢复运行", A + " 坐标调整完成"}) + Ended()
            << QStringList{"KQ_Set_Axis_Software_P(0,12800)", kHalt} << 2;
        QTest::newRow("pause step last, runs left") << adjust + ";" + pause << "2" << "start end start end" << 4
            << Started({A + " 坐标调整完成", "暂停", "方案执行完成 1", "恢复运行", A + " 坐标调整完成", "暂停"})
                   + Ended(2)
            << halt << 1;
        // The move ends while paused; the delay begins at the first tick after.
        QTest::newRow("pause during a move") << "0,第1轴,相对定位,5,100,1" << "1"
            << "start t4 pause pass3000 start end" << 3
            << Started({A + " 开始相对定位", "暂停", "恢复运行"}) + MoveLog(Rel, 1).mid(1) + Ended() << halt << 0;
        // Paused time counts toward the delay.
        QTest::newRow("pause during a delay") << "0,第1轴,相对定位,0,1000,1" << "1"
            << "start t4 pause pass2000 start end" << 1
            << Started(MoveLog(Rel, 1).mid(0, 3) + QStringList{"暂停", "恢复运行"} + MoveLog(Rel, 1).mid(3)) + Ended()
            << halt << 0;
        QStringList stops;
        for (int a = 0; a < kAxes; ++a)
            stops << QString("KQ_Set_Axis_Home_Stop(%1)").arg(a) << QString("KQ_Set_Axis_Position_Stop(%1)").arg(a);
        const QStringList stopped = Started({A + " 坐标调整完成", A + " 开始相对定位", "停止", "开始运行"});
        QTest::newRow("stop, start afresh") << adjust + ";0,第1轴,相对定位,5,0,1" << "1" << "start t5 stop start"
                                            << -1 << stopped << stops << 0;
        QTest::newRow("halt, start afresh") << adjust + ";0,第1轴,相对定位,5,0,1" << "1" << "start t5 halt start"
                                            << -1 << stopped << halt << 0;
        // A configuration reloaded under a run: the row is refused when it is
        // loaded, or at the first value it converts (the acceleration 10),
        // and the run ends as "急停" ends it.
        const QString noRatio = "第%1行无法执行：第3轴：每毫米(度)的电机步数无效，无法换算数值 %2，请检查参数配置";
        QTest::newRow("row checked when loaded") << adjust + ";2,第3轴,坐标调整,1,0,1" << "1" << "start t2 div0 end"
            << 1 << Started({A + " 坐标调整完成", noRatio.arg(2).arg(1), "停止", noRatio.arg(2).arg(1)})
            << QStringList{"KQ_Set_Axis_Software_P(0,6400)", kHalt} << 1;
        QTest::newRow("value checked within a step") << "2,第3轴,相对定位,1,0,1" << "1" << "start t1 div0 end"
            << 1 << Started({noRatio.arg(1).arg(10), "停止", noRatio.arg(1).arg(10)})
            << QStringList{"KQ_Set_Axis_Mode_Position(2)", kHalt} << 0;
    }
    void scenario()
    {
        QFETCH(QString, rows);
        QFETCH(QString, repeat);
        QFETCH(QString, script);
        QFETCH(int, ticks);
        QFETCH(QStringList, log);
        QFETCH(QStringList, commands);
        QFETCH(int, row);
        Run run;
        run.code.SetRows(Rows(rows));
        const int ended = run.Play(script, repeat);
        if (ticks >= 0)
            QCOMPARE(ended, ticks);
        QCOMPARE(run.log, log);
        const QStringList journal = Fixtures::Commands();
        QCOMPARE(journal.mid(journal.size() - commands.size()), commands);
        QCOMPARE(run.code.CurrentRow(), row);
    }

    // Fast stepping: the same log lines, commands and rows, with a board
    // that reports the run flag at once and with one that reports it 10 ms
    // late.  (A configuration changed at a given tick is the tick
    // schedule's own case.)
    void fastScenario_data() { scenario_data(); }
    void fastScenario()
    {
        QFETCH(QString, rows);
        QFETCH(QString, repeat);
        QFETCH(QString, script);
        QFETCH(QStringList, log);
        QFETCH(QStringList, commands);
        QFETCH(int, row);
        if (script.contains("div"))
            QSKIP("timed by ticks");
        for (const int flagDelay : {0, 10}) {
            Run run;
            run.runner.FastRun = true;
            kqsim_set_run_flag_delay(flagDelay);
            run.code.SetRows(Rows(rows));
            run.Play(script, repeat);
            QCOMPARE(run.log, log);
            const QStringList journal = Fixtures::Commands();
            QCOMPARE(journal.mid(journal.size() - commands.size()), commands);
            QCOMPARE(run.code.CurrentRow(), row);
            QVERIFY(!run.runner.tmr_Auto->isActive());
        }
    }
    void fastNothingWaitsForever_data() { nothingWaitsForever_data(); }
    void fastNothingWaitsForever()
    {
        QFETCH(QString, rows);
        QFETCH(QString, script);
        QFETCH(QStringList, log);
        Run run;
        run.runner.FastRun = true;
        run.code.SetRows(Rows(rows));
        run.Play(script, "1");
        QCOMPARE(run.log, log);
        QCOMPARE(run.runner.RunState(), TProgramRunner::Idle);
        QVERIFY(!run.runner.tmr_FastRun->isActive());
    }

    // A move ends at rest on its target, however late the board reports
    // its run flag; one stopped short by a limit switch ends once the flag
    // has read 0 for 20 ms.  Each ends within a poll or so of the stop, and
    // a zero-length move or an adjust takes no time at all.
    void fastMoveEndsAtRest_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("flagDelay");
        QTest::addColumn<int>("limit");  // the positive limit switch, steps
        QTest::addColumn<int>("endsAt"); // where the axis stands at the move's end
        QTest::addColumn<int>("ms");     // the run's length on the board's clock, ±6 ms
        // 5 mm: 0.5 s up to 5 mm/s, 0.625 s at speed, 0.25 s braking; 2.5 mm:
        // 0.125 s at speed.
        for (const int delay : {0, 10}) {
            const QByteArray at = " (flag " + QByteArray::number(delay) + " ms late)";
            QTest::newRow("relative 5 mm" + at) << "0,第1轴,相对定位,5,0,1" << delay << 640000 << 32000 << 1375;
            QTest::newRow("absolute 5 mm, delay 100" + at) << "0,第1轴,绝对定位,5,100,1" << delay << 640000 << 32000 << 1475;
            QTest::newRow("relative 2.5 mm twice" + at) << "0,第1轴,相对定位,2.5,0,2" << delay << 640000 << 32000 << 1750;
            QTest::newRow("into the limit" + at) << "0,第1轴,相对定位,5,0,1" << delay << 16000 << 16000 << 770;
            QTest::newRow("no distance" + at) << "0,第1轴,相对定位,0,0,1;0,第1轴,绝对定位,0,0,1;0,第1轴,坐标调整,0,0,1"
                                              << delay << 640000 << 0 << 0;
        }
    }
    void fastMoveEndsAtRest()
    {
        QFETCH(QString, rows);
        QFETCH(int, flagDelay);
        QFETCH(int, limit);
        QFETCH(int, endsAt);
        QFETCH(int, ms);
        Run run;
        run.runner.FastRun = true;
        kqsim_set_run_flag_delay(flagDelay);
        kqsim_set_travel(0, -640000, limit);
        QList<int> stood;
        QObject::connect(&run.runner, &TProgramRunner::MoveEnded, [&stood] {
            QVERIFY(!kqsim_axis_running(0));
            stood << kqsim_axis_position(0);
        });
        run.code.SetRows(Rows(rows));
        const uint32_t start = run.ticks;
        run.Play("start end", "1");
        QCOMPARE(run.log.last(), QStringLiteral("停止"));
        QCOMPARE(stood.last(), endsAt);
        const int took = int(run.ticks - start);
        QVERIFY2(std::abs(took - ms) <= 6 + (limit < 640000 ? 20 : 0), qPrintable(QString::number(took)));
    }

    void refusesRowThatCannotRun_data()
    {
        QTest::addColumn<TAutoCode>("row");
        QTest::addColumn<int>("div");
        QTest::addColumn<double>("maxV");
        QTest::addColumn<QString>("why");
        const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
        auto step = [](int id, const QString &action, double param) {
            TAutoCode c = Rows(QString("%1,X,%2,0,0,1").arg(id).arg(action)).front();
            c.Param = param;
            return c;
        };
        const QString range = "第3轴：数值 %1 换算后超出控制器的数值范围";
        const QString ratio = "第3轴：每毫米(度)的电机步数无效，无法换算数值 %1，请检查参数配置";
        QTest::newRow("ID -1") << step(-1, Rel, 1) << 32 << 5.0 << "设备上没有轴号为 -1 的轴（轴号从 0 数起，本设备共 4 个轴）";
        QTest::newRow("ID past the board") << step(4, Abs, 1) << 32 << 5.0 << "设备上没有轴号为 4 的轴（轴号从 0 数起，本设备共 4 个轴）";
        QTest::newRow("ratio 0") << step(2, AutoAction::Adjust, 1) << 0 << 5.0 << ratio.arg(1);
        QTest::newRow("ratio huge") << step(2, AutoAction::Home, 0) << INT32_MAX << 5.0 << range.arg(10);
        QTest::newRow("param too large") << step(2, Rel, 1e300) << 32 << 5.0 << range.arg("1E300");
        QTest::newRow("param NaN") << step(2, AutoAction::Adjust, nan) << 32 << 5.0 << range.arg("NAN");
        QTest::newRow("param infinite") << step(2, Abs, -inf) << 32 << 5.0 << range.arg("-INF");
        QTest::newRow("speed too large") << step(2, AutoAction::Home, 0) << 32 << 1e12 << range.arg("1000000000000");
    }
    // Nothing starts; the box names the record number and the row is
    // selected.  A pause row drives no axis and passes whatever it holds.
    void refusesRowThatCannotRun()
    {
        QFETCH(TAutoCode, row);
        QFETCH(int, div);
        QFETCH(double, maxV);
        QFETCH(QString, why);
        Run run;
        g_Axis_Config[2].Axis_Div = div;
        g_Axis_Config[2].Max_V = maxV;
        std::vector<TAutoCode> rows = Rows("-1,,暂停,0,0,1");
        rows.front().Param = std::numeric_limits<double>::quiet_NaN();
        rows.push_back(row);
        run.code.SetRows(rows);
        run.Play("start t1", "1");
        QCOMPARE(run.log, QStringList{"第2行无法执行：" + why});
        QCOMPARE(run.code.CurrentRow(), 1);
        QVERIFY(Fixtures::Journal().isEmpty());
        QCOMPARE(run.runner.RunState(), TProgramRunner::Idle);
    }

    // A long program's rows are checked in slices between the window's
    // events, and the run begins when the last row has passed.  A refusal
    // found in a later slice ends the start as at once; a halt or a change
    // of the table cancels it.
    void checksLongProgramInSlices()
    {
        Run run;
        run.runner.CheckSliceMs = 0; // 1024 rows a slice
        QSignalSpy pending(&run.runner, &TProgramRunner::StartPending);
        std::vector<TAutoCode> rows(3000, Rows("0,第1轴,坐标调整,1,0,1").front());
        run.code.SetRows(rows);
        QVERIFY(!run.runner.Start("1"));
        QVERIFY(run.runner.IsStarting());
        QCOMPARE(run.runner.RunState(), TProgramRunner::Idle);
        QVERIFY(run.log.isEmpty());
        QTRY_COMPARE(run.runner.RunState(), TProgramRunner::Running);
        QCOMPARE(run.log, QStringList{"开始运行"});
        QCOMPARE(pending.size(), 2);
        QCOMPARE(pending.at(0).at(0).toBool(), true);
        QCOMPARE(pending.at(1).at(0).toBool(), false);
        run.Play("halt", "1");

        rows.back().ID = 7;
        run.code.SetRows(rows);
        run.log.clear();
        run.runner.Start("1");
        QTRY_VERIFY(!run.runner.IsStarting());
        QCOMPARE(run.log, QStringList{"第3000行无法执行：设备上没有轴号为 7 的轴（轴号从 0 数起，本设备共 4 个轴）"});
        QCOMPARE(run.code.CurrentRow(), 2999);

        rows.back().ID = 0;
        for (const bool halt : {true, false}) {
            run.code.SetRows(rows);
            run.log.clear();
            run.runner.Start("1");
            QVERIFY(run.runner.IsStarting());
            if (halt)
                run.runner.Halt();
            else
                run.code.RemoveRow(0);
            QVERIFY(!run.runner.IsStarting());
            for (int i = 0; i < 10; ++i)
                QCoreApplication::processEvents();
            QCOMPARE(run.runner.RunState(), TProgramRunner::Idle);
            QVERIFY(!run.runner.tmr_Auto->isActive());
            QCOMPARE(run.log, halt ? QStringList{"停止"} : QStringList());
        }

        // The axis's profile and its step are read once per start, not once
        // for ever: a speed limit or a ratio made unusable between two
        // starts is refused.
        run.code.SetRows(std::vector<TAutoCode>(3000, Rows("0,第1轴,相对定位,0,0,1").front()));
        run.log.clear();
        run.runner.Start("1");
        QTRY_COMPARE(run.runner.RunState(), TProgramRunner::Running);
        run.Play("halt", "1");
        g_Axis_Config[0].Max_V = 1e12;
        run.log.clear();
        run.runner.Start("1");
        QTRY_VERIFY(!run.runner.IsStarting());
        QCOMPARE(run.log, QStringList{"第1行无法执行：第1轴：数值 1000000000000 换算后超出控制器的数值范围"});
        g_Axis_Config[0].Axis_Div = 0;
        run.log.clear();
        run.runner.Start("1");
        QTRY_VERIFY(!run.runner.IsStarting());
        QCOMPARE(run.log,
                 QStringList{"第1行无法执行：第1轴：每毫米(度)的电机步数无效，无法换算数值 0，请检查参数配置"});
    }

    // "绝对定位 90" sends the steps that a panel command sends for 90, the
    // axis stands there, and the status table shows where it stands.
    void landsWhereTold_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("div");
        QTest::addColumn<double>("ratioOrPitch");
        QTest::addColumn<int>("steps");
        QTest::newRow("rotary stage 1:120, 32 microsteps") << 1 << 32 << 120.0 << 192000;
        QTest::newRow("direct-drive rotary stage, 16 microsteps") << 1 << 16 << 1.0 << 800;
        QTest::newRow("3 mm lead screw, 16 microsteps") << 0 << 16 << 3.0 << 96000;
    }
    void landsWhereTold()
    {
        QFETCH(int, kind);
        QFETCH(int, div);
        QFETCH(double, ratioOrPitch);
        QFETCH(int, steps);
        Run run;
        TAxis_Config &c = g_Axis_Config[0];
        c.Axis_Kind = kind;
        c.Axis_Div = div;
        (kind == 0 ? c.Line_Pitch : c.Circle_Ratio) = ratioOrPitch;
        c.Max_V = 90;
        c.Acc = c.Dec = 900;
        Calc_Ratio(kAxes);
        run.code.SetRows(Rows("0,第1轴,绝对定位,90,0,1"));
        QVERIFY(run.Play("start end", "1") < 1000);
        QVERIFY(Fixtures::Commands().contains(QString("KQ_Set_Axis_Position_P_Target_Abs(0,%1)").arg(steps)));
        QCOMPARE(kqsim_axis_position(0), steps);
        TStatusModel status;
        status.SetAxes({"1", "2", "3", "4"});
        Refresh_Status(status, kAxes);
        QCOMPARE(status.index(0, TStatusModel::ColPos).data().toString(), QStringLiteral("90.000000"));
    }

    // A home search that fails ends the run as "急停" does; a lost link
    // ends it at once, without another board call.
    void nothingWaitsForever_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("journalEnd");
        const QString A = "第1轴", lost = "设备无响应，方案在第%1行停止";
        const QString move = "0,第1轴,相对定位,5,5000,1", adjust = "0,第1轴,坐标调整,1,0,1";
        QTest::newRow("home search fails") << "0,第1轴,归零,0,0,1" << "nohome start end"
            << Started({A + " 开始归零", A + " 归零失败", "停止", "第1行：第1轴 归零失败，未找到原点，方案已停止"})
            << QStringList{"KQ_Get_Axis_Status_Run(0)", kHalt};
        QTest::newRow("link lost in a move") << move << "start t4 lose end"
            << Started({A + " 开始相对定位", lost.arg(1)}) << QStringList();
        QTest::newRow("link lost in a delay") << adjust + ";" + move << "start t60 lose end"
            << Started({A + " 坐标调整完成", A + " 开始相对定位", A + " 相对定位结束", A + " 开始延时", lost.arg(2)})
            << QStringList();
        QTest::newRow("link lost while paused") << move << "start t4 pause lose status"
            << Started({A + " 开始相对定位", "暂停", lost.arg(1)}) << QStringList();
    }
    void nothingWaitsForever()
    {
        QFETCH(QString, rows);
        QFETCH(QString, script);
        QFETCH(QStringList, log);
        QFETCH(QStringList, journalEnd);
        Run run;
        run.code.SetRows(Rows(rows));
        QVERIFY(run.Play(script, "1") < 1000);
        QCOMPARE(run.log, log);
        const QStringList journal = Fixtures::Journal();
        if (script.contains("lose"))
            QCOMPARE(journal, QStringList());
        else
            QCOMPARE(journal.mid(journal.size() - journalEnd.size()), journalEnd);
        QCOMPARE(run.runner.RunState(), TProgramRunner::Idle);
        QVERIFY(!run.runner.tmr_Auto->isActive());
        QVERIFY(!run.runner.tmr_AutoStatus->isActive());
    }

    // Positions in mm from the software position; a ratio of 0 shows "—"
    // without stopping the others; a failed read keeps the last value.
    // A call of a step's configuration or command that the board refuses
    // ends the run there: nothing more is sent for the step, the board is
    // halted, and the row is refused naming the call.
    void failedCallEndsTheRun_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("refusal");
        const QStringList configure{"KQ_Set_Axis_Mode_Position(0)", "KQ_Set_Axis_Position_Acc(0,64000)",
                                    "KQ_Set_Axis_Position_Dec(0,128000)", "KQ_Set_Axis_Position_V_Max(0,32000)"};
        const QString A = "第1行：第1轴 设置失败（";
        QTest::newRow("configuration") << "0,第1轴,绝对定位,2,0,1" << "KQ_Set_Axis_Position_Dec"
                                       << configure.mid(0, 3) + QStringList{kHalt}
                                       << A + "KQ_Set_Axis_Position_Dec返回1）";
        QTest::newRow("absolute target") << "0,第1轴,绝对定位,2,0,1" << "KQ_Set_Axis_Position_P_Target_Abs"
                                         << configure + QStringList{"KQ_Set_Axis_Position_P_Target_Abs(0,12800)", kHalt}
                                         << A + "KQ_Set_Axis_Position_P_Target_Abs返回1）";
        QTest::newRow("relative target") << "0,第1轴,相对定位,-1,0,1" << "KQ_Set_Axis_Position_P_Target_Rel"
                                         << configure + QStringList{"KQ_Set_Axis_Position_P_Target_Rel(0,-6400)", kHalt}
                                         << A + "KQ_Set_Axis_Position_P_Target_Rel返回1）";
        QTest::newRow("home") << "0,第1轴,归零,0,0,1" << "KQ_Set_Axis_Home_Acc"
                              << QStringList{"KQ_Set_Axis_Mode_Home(0)", "KQ_Set_Axis_Home_Acc(0,64000)", kHalt}
                              << A + "KQ_Set_Axis_Home_Acc返回1）";
        QTest::newRow("adjust") << "0,第1轴,坐标调整,3,0,1" << "KQ_Set_Axis_Software_P"
                                << QStringList{"KQ_Set_Axis_Software_P(0,19200)", kHalt}
                                << A + "KQ_Set_Axis_Software_P返回1）";
        QTest::newRow("second row") << "0,第1轴,坐标调整,3,0,1;1,第2轴,绝对定位,1,0,1" << "KQ_Set_Axis_Mode_Position"
                                    << QStringList{"KQ_Set_Axis_Software_P(0,19200)", "KQ_Set_Axis_Mode_Position(1)", kHalt}
                                    << "第2行：第2轴 设置失败（KQ_Set_Axis_Mode_Position返回1）";
    }

    void failedCallEndsTheRun()
    {
        QFETCH(QString, rows);
        QFETCH(QString, failing);
        QFETCH(QStringList, commands);
        QFETCH(QString, refusal);
        Run run;
        run.code.SetRows(Rows(rows));
        kqsim_fail(qPrintable(failing), 1);
        run.Play("start end", "1");
        kqsim_fail(qPrintable(failing), 0);
        QCOMPARE(Fixtures::Commands(), commands);
        QCOMPARE(run.runner.RunState(), TProgramRunner::Idle);
        // No start of the step is logged; the refusal is logged, the board
        // halted ("停止"), and the refusal shown to the operator.
        const QStringList before = refusal.startsWith("第2行") ? QStringList{"第1轴 坐标调整完成"} : QStringList();
        QCOMPARE(run.log, Started(before) + QStringList({refusal, "停止", refusal}));
    }

    // The pre-start check walks the program as it will run through the
    // travel limits of axis 1 (-10 .. 10 mm) and refuses the first row
    // outside, before anything moves.
    void travelWalkRefusesFirstRowOutside_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("repeat");
        QTest::addColumn<double>("startMm");
        QTest::addColumn<QString>("refusal");
        const QString A = "第1轴 目标 %1 超出软限位 [%2, %3]";
        QTest::newRow("absolute") << "0,第1轴,绝对定位,12,0,1" << "1" << 0.0 << "第1行：" + A.arg(12).arg(-10).arg(10);
        QTest::newRow("relative from the start") << "0,第1轴,相对定位,1,0,1;0,第1轴,相对定位,1,0,1;0,第1轴,相对定位,1,0,1"
                                                 << "1" << 8.0 << "第3行：" + A.arg(11).arg(-10).arg(10);
        QTest::newRow("repetitions of a row") << "0,第1轴,相对定位,4,0,5" << "1" << 0.0 << "第1行：" + A.arg(12).arg(-10).arg(10);
        QTest::newRow("coordinate adjusted") << "0,第1轴,绝对定位,5,0,1;0,第1轴,坐标调整,0,0,1;0,第1轴,绝对定位,6,0,1"
                                             << "1" << 0.0 << "第3行：" + A.arg(6).arg(-15).arg(5);
        QTest::newRow("home undoes the adjustment") << "0,第1轴,坐标调整,20,0,1;0,第1轴,归零,0,0,1;0,第1轴,绝对定位,9,0,1"
                                                    << "1" << 0.0 << "";
        QTest::newRow("runs that drift") << "0,第1轴,相对定位,3,0,1;1,第2轴,绝对定位,50,0,1" << "4" << 0.0
                                         << "第1行：" + A.arg(12).arg(-10).arg(10);
        QTest::newRow("runs that return") << "0,第1轴,相对定位,9,0,1;0,第1轴,相对定位,-9,0,1" << "1000" << 0.0 << "";
    }

    void travelWalkRefusesFirstRowOutside()
    {
        QFETCH(QString, rows);
        QFETCH(QString, repeat);
        QFETCH(double, startMm);
        QFETCH(QString, refusal);
        Run run;
        Limit_First_Axis(run, rows, startMm);
        run.Play("start", repeat);
        if (refusal.isEmpty()) {
            QCOMPARE(run.runner.RunState(), TProgramRunner::Running);
            return;
        }
        QCOMPARE(run.log, QStringList{refusal});
        QCOMPARE(Fixtures::Commands(), QStringList());
        QCOMPARE(run.runner.RunState(), TProgramRunner::Idle);
        // The command-line check finds the same row.
        int row = -1;
        QCOMPARE(run.runner.Check_Travel(repeat.toInt(), row), refusal);
        QCOMPARE(row + 1, refusal.mid(1, refusal.indexOf("行") - 1).toInt());
    }

    // tavorin-run check: one walk finds what the pre-start check and the
    // travel walk find, and a refused row does not end the walk.
    void commandLineCheckFindsTheSameRows_data()
    {
        travelWalkRefusesFirstRowOutside_data();
        QTest::newRow("a refused row first") << "7,第8轴,绝对定位,1,0,1;0,第1轴,绝对定位,12,0,1" << "1" << 0.0
                                             << "第2行：第1轴 目标 12 超出软限位 [-10, 10]";
    }
    void commandLineCheckFindsTheSameRows()
    {
        QFETCH(QString, rows);
        QFETCH(QString, repeat);
        QFETCH(double, startMm);
        QFETCH(QString, refusal);
        Run run;
        Limit_First_Axis(run, rows, startMm);
        QList<int> expected, refused;
        for (int row = 0; row < run.code.rowCount(); ++row) {
            if (!run.runner.Check_Row(run.code.Row(row)).isEmpty())
                expected << row;
        }
        QString outside;
        int row = -2;
        const int count = run.runner.Check_Program(repeat.toInt(), [&refused](int r, const QString &) { refused << r; },
                                                   outside, row);
        QCOMPARE(refused, expected);
        QCOMPARE(count, int(expected.size()));
        QCOMPARE(outside, refusal);
        QCOMPARE(row + 1, refusal.isEmpty() ? 0 : refusal.mid(1, refusal.indexOf("行") - 1).toInt());
    }

    void statusRefresh()
    {
        Run run;
        TStatusModel status;
        status.SetAxes({"1", "2", "3", "4"});
        g_Axis_Config[1].Axis_Div = 0;
        g_Axis_Config[2].Line_Pitch = 6400.0 / 3; // 3 steps/mm
        kqsim_place_axis(0, 12800);
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
