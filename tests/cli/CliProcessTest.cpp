// tavorin-run as a script starts it: its link map, a run over kq-board-sim,
// Ctrl+C during a move, a lost board, and --json.
#include "CliFixture.h"
#include "cli/CliOptions.h"
#include "support/BoardSim.h"
#include "support/Fifo.h"
#include "support/InPlaceSaves.h"
#include "support/TestRegistry.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <fstream>
#include <string>

using namespace CliTest;
using namespace Fixtures;

namespace {

QString Net(const BoardSim &sim)
{
    return QStringLiteral("net:127.0.0.1:%1").arg(sim.port);
}

// Starts tavorin-run with `args`; standard input is empty unless `input`.
void Start(QProcess &p, const QStringList &args, bool input = false)
{
    p.setProgram(QStringLiteral(TAVORIN_RUN_PATH));
    p.setArguments(args);
    if (!input)
        p.setStandardInputFile(QProcess::nullDevice());
    p.start();
    QVERIFY(p.waitForStarted(5000));
}

// Waits until standard output holds a line containing `text`.
bool WaitForOutput(QProcess &p, QByteArray &out, const QString &text, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!QString::fromUtf8(out).contains(text)) {
        if (t.elapsed() > ms || p.state() == QProcess::NotRunning)
            return false;
        p.waitForReadyRead(50);
        out += p.readAllStandardOutput();
    }
    return true;
}

// Waits until the process is stopped by a signal (its state "T").
bool WaitUntilStopped(qint64 pid)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        const size_t paren = line.rfind(')');
        if (paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] == 'T')
            return true;
        QTest::qWait(10);
    }
    return false;
}

} // namespace

class CliProcessTest : public QObject
{
    Q_OBJECT
private slots:
    // The runner is built on QtCore alone.
    void linksQtCoreOnly()
    {
        QProcess ldd;
        ldd.start(QStringLiteral("ldd"), {QStringLiteral(TAVORIN_RUN_PATH)});
        QVERIFY(ldd.waitForFinished(10000));
        const QString map = QString::fromUtf8(ldd.readAllStandardOutput());
        QVERIFY2(map.contains(QLatin1String("libQt6Core.so")), qPrintable(map));
        QVERIFY2(map.contains(QLatin1String("libKQ_API.so")), qPrintable(map));
        for (const char *lib : {"libQt6Gui", "libQt6Widgets", "libQt6Network", "libQt6SerialPort"})
            QVERIFY2(!map.contains(QLatin1String(lib)), lib);
    }

    // To the end over TCP, with the calls the window makes for "启动".
    void rasterOverTcpHasTheWindowsJournal()
    {
        Files files;
        const std::vector<TAutoCode> rows = Raster(50);
        const QStringList window = BoardCommands(Window_Run(files.Config(), rows, QStringLiteral("1")));
        BoardSim sim;
        QVERIFY(sim.Start());
        QProcess p;
        Start(p, {"run", files.Program(rows), "--config", files.Config(), "--link", Net(sim)});
        QVERIFY(p.waitForFinished(60000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QCOMPARE(p.exitCode(), int(Exit_Ok));
        QVERIFY2(out.endsWith(QStringLiteral("]方案执行完成 1\n") + out.section('\n', -2, -2) + '\n'), qPrintable(out));
        QVERIFY(out.endsWith(QStringLiteral("]停止\n")));
        QCOMPARE(p.readAllStandardError(), QByteArray()); // not a terminal: no progress line
        // The start-up halt comes before any link is open.
        QCOMPARE(window.first(), QStringLiteral("KQ_Set_Axis_Halt_All()"));
        QCOMPARE(BoardCommands(sim.Journal()), window.mid(1));
    }

    // A move ended from outside: Ctrl+C (twice), SIGTERM or SIGHUP halt every axis
    // and log "停止"; the simulator killed ends the run as in the window.
    // Within a second.
    void endedDuringAMove_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("lastLog");
        QTest::newRow("Ctrl+C twice") << SIGINT << 130 << QStringLiteral("收到 Ctrl+C，已急停\n") << QStringLiteral("停止");
        QTest::newRow("SIGTERM") << SIGTERM << 143 << QStringLiteral("收到终止信号，已急停\n") << QStringLiteral("停止");
        QTest::newRow("terminal closed") << SIGHUP << 129 << QStringLiteral("终端已断开，已急停\n") << QStringLiteral("停止");
        QTest::newRow("simulator killed") << SIGKILL << int(Exit_Link_Lost) << QStringLiteral("设备无响应，运行已停止\n")
                                          << QStringLiteral("设备无响应，方案在第1行停止");
    }
    void endedDuringAMove()
    {
        QFETCH(int, how);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(QString, lastLog);
        Files files;
        TIniFile(files.Config()).WriteString("AXIS0", "MAX_V", "1"); // a slow move
        BoardSim sim;
        QVERIFY(sim.Start());
        QProcess p;
        Start(p, {"run", files.Program({AxisStep(0, AutoAction::Abs, 5)}), "--config", files.Config(), "--link", Net(sim)});
        QByteArray out;
        QVERIFY(WaitForOutput(p, out, QStringLiteral("开始绝对定位")));
        QElapsedTimer t;
        t.start();
        if (how == SIGKILL) {
            sim.Kill();
        } else {
            for (int i = how == SIGINT ? 2 : 1; i > 0; --i)
                ::kill(pid_t(p.processId()), how);
        }
        QVERIFY(p.waitForFinished(5000));
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), status);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()), message);
        QVERIFY(QString::fromUtf8(out + p.readAllStandardOutput()).endsWith(']' + lastLog + '\n'));
        if (how != SIGKILL)
            QCOMPARE(BoardCommands(sim.Journal()).last(), QStringLiteral("KQ_Set_Axis_Halt_All()"));
    }

    // A runner that vanishes in a move (killed) or freezes (stopped) leaves
    // nothing moving on a served board, and the next client is served.  The
    // board's clock is the test's.
    void vanishedRunnerLeavesNothingMoving_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("halt");
        QTest::newRow("killed") << SIGKILL << "Watchdog_Halt_All(closed)";
        QTest::newRow("stopped") << SIGSTOP << "Watchdog_Halt_All(silent)";
    }

    void vanishedRunnerLeavesNothingMoving()
    {
        QFETCH(int, how);
        QFETCH(QString, halt);
        Files files;
        TIniFile(files.Config()).WriteString("AXIS0", "MAX_V", "1"); // a move of seconds
        BoardSim sim;
        QVERIFY(sim.Start());
        sim.Command("clock manual");
        QProcess p;
        Start(p, {"run", files.Program({AxisStep(0, AutoAction::Abs, 5)}), "--config", files.Config(), "--link", Net(sim)});
        QByteArray out;
        QVERIFY(WaitForOutput(p, out, QStringLiteral("开始绝对定位")));
        QVERIFY(sim.State(0).running);
        ::kill(pid_t(p.processId()), how);
        if (how == SIGSTOP) {
            QVERIFY(WaitUntilStopped(p.processId()));
            QTest::qWait(100); // whatever it sent last has been read
            sim.Command("advance 1999");
            QVERIFY(sim.State(0).running);
            sim.Command("advance 1");
        }
        QTRY_VERIFY_WITH_TIMEOUT(!sim.State(0).running, 2000);
        QVERIFY(sim.Journal().contains(halt));
        QCOMPARE(KQ_Open_Net(127, 0, 0, 1, sim.port), 0);
        QCOMPARE(KQ_Check(), 0);
        KQ_Close_Net();
        p.kill();
        p.waitForFinished(5000);
        QCOMPARE(p.state(), QProcess::NotRunning);
    }

    // A board that serves another program: said so, status 4.
    void busyBoardIsSaid()
    {
        Files files;
        BoardSim sim;
        QVERIFY(sim.Start());
        sim.Command("clock manual"); // this test holds the board as long as it likes
        QCOMPARE(KQ_Open_Net(127, 0, 0, 1, sim.port), 0);
        QCOMPARE(KQ_Check(), 0);
        QProcess p;
        Start(p, {"run", files.Program({AxisStep(0, AutoAction::Abs, 1)}), "--config", files.Config(), "--link", Net(sim)});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), int(Exit_No_Board));
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()), QStringLiteral("设备忙，已有其他程序连接\n"));
        QCOMPARE(KQ_Check(), 0); // the holder keeps it
        KQ_Close_Net();
    }

    // On the wall clock: a pause step waiting for its line keeps the board
    // past its 2 s watchdog, reading at least once a second.
    void pauseStepKeepsTheBoard()
    {
        Files files;
        const QString program = files.Program({AxisStep(0, AutoAction::Adjust, 1), AxisStep(-1, AutoAction::Pause, 0),
                                               AxisStep(1, AutoAction::Adjust, 2)});
        BoardSim sim;
        QVERIFY(sim.Start());
        QProcess p;
        Start(p, {"run", program, "--config", files.Config(), "--link", Net(sim)}, true);
        QByteArray out;
        QVERIFY(WaitForOutput(p, out, QStringLiteral("]暂停")));
        const int before = sim.Journal().size();
        QTest::qWait(2500);
        const QStringList calls = sim.Journal().mid(before);
        QVERIFY2(!calls.join(' ').contains("Watchdog"), qPrintable(calls.join(' ')));
        QVERIFY(calls.count("KQ_Get_Axis_Num()") >= 4);
        p.write("\n");
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), int(Exit_Ok));
        QVERIFY(QString::fromUtf8(out + p.readAllStandardOutput()).contains(QStringLiteral("]第2轴 坐标调整完成\n")));
    }

    // One JSON object per line; the last is the result.
    void jsonEventsParseLineByLine()
    {
        Files files;
        QProcess p;
        Start(p, {"run", files.Program({AxisStep(0, AutoAction::Rel, 0.1, 2), AxisStep(1, AutoAction::Adjust, 3)}),
                  "--config", files.Config(), "--json", "--repeat", "2"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), int(Exit_Ok));
        const QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
        QStringList texts;
        QJsonObject last;
        for (const QByteArray &line : lines.mid(0, lines.size() - 1)) {
            QJsonParseError error;
            const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
            QVERIFY2(error.error == QJsonParseError::NoError && doc.isObject(), line.constData());
            last = doc.object();
            for (const char *key : {"kind", "time", "row", "run", "text"})
                QVERIFY2(last.contains(QLatin1String(key)), line.constData());
            if (last["kind"] == QLatin1String("log"))
                texts << last["text"].toString();
        }
        QCOMPARE(last["kind"].toString(), QStringLiteral("result"));
        QCOMPARE(last["status"].toInt(), 0);
        QVERIFY(texts.contains(QStringLiteral("第1轴 完成循环 2")));
        QCOMPARE(texts.mid(texts.size() - 2), QStringList({"方案执行完成 2", "停止"}));
    }

    // A pause step waits for a line on standard input; without one the run
    // stops there.
    void pauseStepWaitsForALine()
    {
        Files files;
        const QString program = files.Program({AxisStep(0, AutoAction::Adjust, 1), AxisStep(-1, AutoAction::Pause, 0),
                                               AxisStep(1, AutoAction::Adjust, 2)});
        QProcess resumed;
        Start(resumed, {"run", program, "--config", files.Config()}, true);
        QByteArray out;
        QVERIFY(WaitForOutput(resumed, out, QStringLiteral("]暂停")));
        resumed.write("\n");
        QVERIFY(resumed.waitForFinished(10000));
        out += resumed.readAllStandardOutput();
        QCOMPARE(resumed.exitCode(), int(Exit_Ok));
        QVERIFY(QString::fromUtf8(out).contains(QStringLiteral("]恢复运行\n")));
        QVERIFY(QString::fromUtf8(out).contains(QStringLiteral("]第2轴 坐标调整完成\n")));

        QProcess ended;
        Start(ended, {"run", program, "--config", files.Config()});
        QVERIFY(ended.waitForFinished(10000));
        QCOMPARE(ended.exitCode(), int(Exit_Pause_Ended));
        const QString log = QString::fromUtf8(ended.readAllStandardOutput());
        QVERIFY(log.endsWith(QStringLiteral("]暂停\n") + log.section('\n', -2, -2) + '\n'));
        QVERIFY(log.endsWith(QStringLiteral("]停止\n")));
        QVERIFY(!log.contains(QStringLiteral("第2轴")));
    }

    // Ended before anything moves, with its status and one line on
    // standard error.  "FILE" stands for the program file.
    void refusedBeforeTheRun_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QByteArray good = QStringLiteral("0,第1轴,绝对定位,1,0,1\r\n").toUtf8();
        const QStringList run{"run", "FILE"};
        QTest::newRow("no command") << QStringList() << good << 2 << "缺少命令";
        QTest::newRow("unknown command") << QStringList{"go", "FILE"} << good << 2 << "未知的命令：go";
        QTest::newRow("bad address") << run + QStringList{"--link", "net:127.0.0.256:8080"} << good << 2 << "网络连接应写作";
        QTest::newRow("port too low") << run + QStringList{"--link", "net:127.0.0.1:80"} << good << 2
                                      << "端口必须在 1024 到 65535 之间";
        QTest::newRow("repeat not a number") << run + QStringList{"--repeat", "x"} << good << 2
                                             << "--repeat：'x' is not a valid integer value";
        QTest::newRow("a bad line in the middle") << run << good + QStringLiteral("0,a,飞行,1,0,1\r\n").toUtf8() + good
                                                  << 3 << "方案文件第 2 行格式不正确，已停止读取，共读入 1 行";
        QTest::newRow("a number that is not one") << run << QStringLiteral("0,a,归零,x,0,1\r\n").toUtf8()
                                                  << 3 << "'x' is not a valid floating point value";
        QTest::newRow("no board") << run + QStringList{"--link", "net:127.0.0.1:1024"} << good << 4 << "没有发现设备";
        QTest::newRow("a row on a missing axis") << run << good + QStringLiteral("9,第10轴,绝对定位,1,0,1\r\n").toUtf8()
                                                 << 1 << "第2行无法执行：设备上没有轴号为 9 的轴";
    }
    void refusedBeforeTheRun()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, program);
        QFETCH(int, status);
        QFETCH(QString, message);
        Files files;
        QFile file(files.dir.filePath(QStringLiteral("program.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(program) == program.size());
        file.close();
        args.replaceInStrings(QStringLiteral("FILE"), file.fileName());
        QProcess p;
        Start(p, args + QStringList{"--config", files.Config()});
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), status);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(err.startsWith(message) && err.count('\n') == 1, qPrintable(err));
    }

    // A FIFO or a device given as the program or the configuration file is
    // refused at once with status 3: the runner never waits for a writer
    // nor reads without end.
    void refusesWhatIsNotARegularFile_data()
    {
        QTest::addColumn<bool>("fifo");
        QTest::addColumn<bool>("asConfig");
        QTest::newRow("fifo as the program") << true << false;
        QTest::newRow("/dev/zero as the program") << false << false;
        QTest::newRow("fifo as the configuration") << true << true;
    }
    void refusesWhatIsNotARegularFile()
    {
        QFETCH(bool, fifo);
        QFETCH(bool, asConfig);
        Files files;
        Fixtures::Fifo pipe;
        QVERIFY(pipe.Made());
        const QString odd = fifo ? pipe.Path() : QStringLiteral("/dev/zero");
        const QString program = asConfig ? files.Program(Raster(0)) : odd;
        QElapsedTimer took;
        took.start();
        QProcess p;
        Start(p, {"run", program, "--config", asConfig ? odd : files.Config()});
        QVERIFY(p.waitForFinished(5000));
        QVERIFY(took.elapsed() < 1500);
        QCOMPARE(p.exitCode(), 3);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()), QStringLiteral("不是普通文件：") + odd + "\n");
    }

    // A save killed halfway is undone before the runner reads the files,
    // and the runner says so.
    void startPutsBackASaveKilledHalfway()
    {
        Files files;
        const std::vector<TAutoCode> rows = Raster(0);
        const QString program = files.Program(rows);
        const QByteArray old = InPlaceSaves::Bytes(program);
        // The runner's state folder: the one of the window.
        const QString testName = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(QStringLiteral("Tavorin"));
        const bool killed = InPlaceSaves::KilledAt({TWriteStep::Write, 2}, [&] {
            WriteProgramFile(program, std::vector<TAutoCode>(400, rows.front()));
        });
        QCoreApplication::setApplicationName(testName);
        QVERIFY(killed);
        QVERIFY(InPlaceSaves::Bytes(program) != old);
        QProcess p;
        Start(p, {"check", program, "--config", files.Config()});
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(InPlaceSaves::Bytes(program) == old);
        QVERIFY(QString::fromUtf8(p.readAllStandardError())
                    .startsWith(QStringLiteral("上次保存未完成，已恢复原文件：") + program + "\n"));
    }
};

TAVORIN_TEST(CliProcessTest)
#include "CliProcessTest.moc"
