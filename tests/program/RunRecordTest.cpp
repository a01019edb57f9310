// The run record: the program runner on the virtual board's manual clock,
// followed by the run log, writes the run's log lines and its points table
// beside a configuration file of the test's own.  Axis 0 (X) has 2133.33
// motor steps per mm (2133 in a program's scaling) and a 20 µm grating
// ruler; axis 1 (Y) the same motor and no sensor.
#include "config/AxisConfig.h"
#include "controller/Conversion.h"
#include "program/ProgramFile.h"
#include "program/RasterScan.h"
#include "program/TCodeModel.h"
#include "program/TProgramRunner.h"
#include "program/TRunLog.h"
#include "support/Fixtures.h"
#include "support/TestRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

namespace {

constexpr int kAxes = 2;
const QDateTime kStart(QDate(2024, 3, 5), QTime(14, 7, 9));

class Recorded_Run
{
public:
    Recorded_Run()
    {
        kqsim_reset(kAxes, kAxes, KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER);
        kqsim_set_manual_clock(1);
        KQ_Open_USB();
        TAxis_Config c;
        c.Line_Pitch = 3;
        c.Acc = c.Dec = 1000;
        c.Max_V = 10;
        g_Axis_Config = QVector<TAxis_Config>(kAxes, c);
        g_Axis_Config[0].Axis_Caption = QStringLiteral("X");
        g_Axis_Config[0].Encoder_Has = true;
        g_Axis_Config[0].Encoder_Unit_um = 20;
        g_Axis_Config[1].Axis_Caption = QStringLiteral("Y");
        Calc_Ratio(kAxes);
        KQ_Set_Axis_Position_Close_Dec_Factor(0, KQ_Help_Grating_Line_Factor(1.8, 32, 3, 1, 20));
        runner.Ticks = [this] { return ticks; };
        log.Now = [] { return kStart; };
        log.Follow(&runner);
        QObject::connect(&log, &TRunLog::Line, [this](const QString &line) { lines << line; });
    }
    ~Recorded_Run()
    {
        kqsim_set_manual_clock(0);
        g_Axis_Config.clear();
    }

    // Runs the program, given as file lines separated by ";", until it ends
    // or pauses.
    void Run(const QString &program)
    {
        code.SetRows(ReadProgramText(QString(program).replace(';', '\n').toUtf8()).Rows);
        runner.Start(QStringLiteral("1"));
        Go_On();
    }
    // Ticks of the program timer, or passes of fast stepping as their
    // timer asks for them.
    void Go_On()
    {
        for (int i = 0; i < 100000 && (runner.tmr_Auto->isActive() || runner.tmr_FastRun->isActive()); ++i) {
            const bool tick = runner.tmr_Auto->isActive();
            const int ms = tick ? 50 : runner.tmr_FastRun->interval();
            kqsim_advance_ms(uint32_t(ms));
            ticks += uint32_t(ms);
            if (tick)
                runner.tmr_AutoTimer();
            else
                runner.tmr_FastRunTimer();
        }
    }
    // The points table's lines after its heading, split into fields.
    QList<QStringList> Points() const
    {
        QList<QStringList> points;
        const QStringList lines = QString::fromUtf8(Read(Records().value(0)).mid(3)).split("\r\n", Qt::SkipEmptyParts);
        for (const QString &line : lines.mid(1))
            points << line.split(',');
        return points;
    }

    QString Runs() const { return cfg.dir.filePath(QStringLiteral("runs")); }
    QStringList Records() const { return QDir(Runs()).entryList(QDir::Files, QDir::Name); }
    QByteArray Read(const QString &name) const
    {
        QFile f(Runs() + '/' + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    Fixtures::TempConfig cfg;
    uint32_t ticks = 1000;
    TCodeModel code;
    TProgramRunner runner{&code, [] { return kAxes; }};
    TRunLog log{[] { return QString(); }};
    QStringList lines; // as the window shows them
};

} // namespace

class RunRecordTest : public QObject
{
    Q_OBJECT

private slots:
    // X in closed loop: the sensor against the commanded position, a
    // relative move 15 µm on from the last one (32 steps each, 3204 from
    // the start).  Y without a sensor: the motor side; its first relative
    // move goes from where it stood (3 mm).  The record stays open over
    // the pause.
    void aRunWritesItsLogAndOnePointPerMove()
    {
        Recorded_Run run;
        kqsim_place_axis(1, 6400);
        run.Run("0,X,绝对定位,1.502,0,1;0,X,相对定位,0.015,0,2;-1,,暂停,0,0,1;1,Y,相对定位,0.75,0,1;"
                "1,Y,归零,0,0,1;1,Y,坐标调整,-1,0,1");
        run.runner.Start(QStringLiteral("1"));
        run.Go_On();
        QCOMPARE(run.Records(), QStringList({"20240305-140709-未保存-points.csv", "20240305-140709-未保存.log"}));
        QCOMPARE(QString::fromUtf8(run.Read("20240305-140709-未保存.log")).split('\n', Qt::SkipEmptyParts), run.lines);
        QCOMPARE(run.lines.first(), "[2024-03-05 14:07:09]开始运行");
        QCOMPARE(run.lines.last(), "[2024-03-05 14:07:09]停止");

        const QByteArray points = run.Read("20240305-140709-未保存-points.csv");
        QVERIFY(points.startsWith("\xEF\xBB\xBF"));
        const QString t = QStringLiteral("2024-03-05 14:07:09.000");
        QCOMPARE(QString::fromUtf8(points.mid(3)).split("\r\n", Qt::SkipEmptyParts),
                 QStringList({"时间,运行次数,行号,轴名称,动作,指令位置,电机位置,传感器位置,偏差,单位,到位,到位偏差",
                              t + ",1,1,X,绝对定位,1.502000,1.501875,1.500000,-0.002000,mm,,",
                              t + ",1,2,X,相对定位,1.517000,1.516875,1.520000,0.003000,mm,,",
                              t + ",1,2,X,相对定位,1.532000,1.531875,1.540000,0.008000,mm,,",
                              t + ",1,4,Y,相对定位,3.750000,3.750000,,0.000000,mm,,",
                              t + ",1,5,Y,归零,0.000000,0.000000,,0.000000,mm,,",
                              t + ",1,6,Y,坐标调整,-1.000000,-0.999844,,0.000156,mm,,"}));
    }

    // The in-position check of X, given a sensor of 1 µm (2.13 motor steps
    // a count) and a tolerance of one count, on a serpentine raster of 4
    // points by 3 lines: 1..4 mm, back 3..1 mm, on again 2..4 mm.  A play
    // of 20 steps (9.4 µm) leaves the stage behind on the reversed line;
    // lost steps leave it behind once.  For each point of X the record's
    // 偏差, 到位 and 到位偏差, and the log's lines of the check.
    void inPositionCheck_data()
    {
        QTest::addColumn<QString>("program"); // empty: the raster
        QTest::addColumn<bool>("fast");
        QTest::addColumn<int>("backlash");
        QTest::addColumn<int>("lost");
        QTest::addColumn<double>("tolerance");
        QTest::addColumn<int>("retries");
        QTest::addColumn<QStringList>("points");
        QTest::addColumn<QStringList>("checks");
        const QString ok = "0.000000|是|0.000000";
        // The counts the stage leaves behind on the reversed line: 9, 10, 9 µm.
        const QStringList behind{"0.009000||", "0.010000||", "0.009000||"};
        QStringList corrected;
        for (const QString &d : {"0.009", "0.01", "0.009"})
            corrected << "X 到位修正 1：偏差 " + d;
        for (const bool fast : {false, true}) {
            const QByteArray schedule = fast ? " (fast)" : " (ticks)";
            QTest::newRow("backlash corrected" + schedule)
                << QString() << fast << 20 << 0 << 0.001 << 3 << QStringList(10, ok) << corrected;
            // 40 steps lost in the first of three relative moves of 1 mm:
            // corrected once, the later moves go on from there.
            QTest::newRow("lost steps corrected" + schedule) << "0,X,相对定位,1,0,3" << fast << 0 << 40 << 0.001 << 3
                << QStringList(3, ok) << QStringList{"X 到位修正 1：偏差 -0.019"};
            // Half a count off a count: a step either way only moves the
            // reading from one side to the other.
            QTest::newRow("retries spent" + schedule) << "0,X,绝对定位,1.0005,0,1" << fast << 0 << 0 << 0.0001 << 2
                << QStringList{"-0.000500|否|-0.000500"}
                << QStringList{"X 到位修正 1：偏差 -0.0005", "X 到位修正 2：偏差 0.0005", "X 未能到位，偏差 -0.0005"};
        }
        QTest::newRow("not checked: the play shows on the reversed line") << QString() << false << 20 << 0 << 0.0 << 3
            << QStringList(4, "0.000000||") + behind + QStringList(3, "0.000000||") << QStringList();
    }

    void inPositionCheck()
    {
        QFETCH(QString, program);
        QFETCH(bool, fast);
        QFETCH(int, backlash);
        QFETCH(int, lost);
        QFETCH(double, tolerance);
        QFETCH(int, retries);
        QFETCH(QStringList, points);
        QFETCH(QStringList, checks);
        Recorded_Run run;
        TAxis_Config &x = g_Axis_Config[0];
        x.Encoder_Unit_um = 1;
        x.InPos_Tol = tolerance;
        x.InPos_Retry = retries;
        KQ_Set_Axis_Position_Close_Dec_Factor(0, KQ_Help_Grating_Line_Factor(1.8, 32, 3, 1, 1));
        kqsim_set_backlash(0, backlash);
        kqsim_lose_steps(0, lost);
        run.runner.FastRun = fast;
        if (program.isEmpty()) {
            TScanSettings s;
            s.XAxis = "X", s.YAxis = "Y";
            s.XCount = 4, s.YCount = 3;
            s.XStart = s.YStart = s.XLen = s.YLen = 1;
            s.Delay = 0;
            run.code.SetRows(GenerateRaster(s));
            run.runner.Start(QStringLiteral("1"));
            run.Go_On();
        } else {
            run.Run(program);
        }
        QCOMPARE(run.lines.last(), "[2024-03-05 14:07:09]停止");
        QStringList seen;
        for (const QStringList &p : run.Points())
            if (p.value(3) == "X" && (p.value(4) == AutoAction::Abs || p.value(4) == AutoAction::Rel))
                seen << p.value(8) + '|' + p.value(10) + '|' + p.value(11);
        QCOMPARE(seen, points);
        QStringList texts;
        for (const QString &line : run.lines.filter("到位"))
            texts << line.section(']', 1);
        QCOMPARE(texts, checks);
    }

    void anUnwritableFolderIsLoggedOnceAndTheRunGoesOn()
    {
        Recorded_Run run;
        QFile blocker(run.Runs()); // a file where the folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        run.Run("0,X,绝对定位,1,0,1;1,Y,相对定位,1,0,1");
        const QString failure = QStringLiteral("[2024-03-05 14:07:09]无法写入运行记录：")
                                + QDir::toNativeSeparators(run.Runs() + "/20240305-140709-未保存.log");
        QCOMPARE(run.lines.count(failure), 1);
        QCOMPARE(run.lines.mid(run.lines.size() - 2),
                 QStringList({"[2024-03-05 14:07:09]方案执行完成 1", "[2024-03-05 14:07:09]停止"}));
        QCOMPARE(run.runner.RunState(), TProgramRunner::Idle);
    }

    // A run of 1000 rows in fast stepping, each ending in a pass of its own:
    // the record reaches the disk at most every 100 ms (and at the end),
    // not at every pass, and holds every line and point when the run ends.
    void theRecordSyncsAtMostEvery100ms()
    {
        Recorded_Run run;
        run.runner.FastRun = true;
        QElapsedTimer clock;
        clock.start();
        run.code.SetRows(std::vector<TAutoCode>(1000, TAutoCode{false, 1, "Y", AutoAction::Adjust, 1, 0, 1}));
        run.runner.Start(QStringLiteral("1"));
        while (run.runner.RunState() != TProgramRunner::Idle) {
            run.runner.tmr_FastRunTimer();
            QCoreApplication::processEvents();
        }
        const qint64 ms = clock.elapsed();
        QVERIFY2(run.log.Syncs() <= 2 + ms / TRunLog::kSyncMs, qPrintable(QString::number(run.log.Syncs())));
        QCOMPARE(run.Records().size(), 2);
        QCOMPARE(run.Read(run.Records()[0]).count('\n'), 1 + 1000); // points: a header, a point a row
        QCOMPARE(run.Read(run.Records()[1]).count('\n'), 1000 + 3); // log: start, rows, end, "停止"
    }
};

TAVORIN_TEST(RunRecordTest)
#include "RunRecordTest.moc"
