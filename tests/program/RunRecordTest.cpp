// The run record: the program runner on the virtual board's manual clock,
// followed by the run log, writes the run's log lines and its points table
// beside a configuration file of the test's own.  Axis 0 (X) has 2133.33
// motor steps per mm (2133 in a program's scaling) and a 20 µm grating
// ruler; axis 1 (Y) the same motor and no sensor.
#include "config/AxisConfig.h"
#include "controller/Conversion.h"
#include "program/ProgramFile.h"
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
    void Go_On()
    {
        for (int i = 0; i < 1000 && runner.tmr_Auto->isActive(); ++i) {
            kqsim_advance_ms(50);
            ticks += 50;
            runner.tmr_AutoTimer();
        }
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
                 QStringList({"时间,运行次数,行号,轴名称,动作,指令位置,电机位置,传感器位置,偏差,单位",
                              t + ",1,1,X,绝对定位,1.502000,1.501875,1.500000,-0.002000,mm",
                              t + ",1,2,X,相对定位,1.517000,1.516875,1.520000,0.003000,mm",
                              t + ",1,2,X,相对定位,1.532000,1.531875,1.540000,0.008000,mm",
                              t + ",1,4,Y,相对定位,3.750000,3.750000,,0.000000,mm",
                              t + ",1,5,Y,归零,0.000000,0.000000,,0.000000,mm",
                              t + ",1,6,Y,坐标调整,-1.000000,-0.999844,,0.000156,mm"}));
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
