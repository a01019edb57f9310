// tavorin-run as a script starts it: its link map, a run over kq-board-sim,
// Ctrl+C during a move, a lost board, and --json.
#include "CliFixture.h"
#include "cli/CliOptions.h"
#include "support/BoardSim.h"
#include "support/TestRegistry.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <csignal>

using namespace CliTest;
using namespace Fixtures;

namespace {

QString Net(const BoardSim &sim)
{
    return QStringLiteral("net:127.0.0.1:%1").arg(sim.port);
}

// Starts tavorin-run with `args`; standard input is closed.
void Start(QProcess &p, const QStringList &args)
{
    p.setProgram(QStringLiteral(TAVORIN_RUN_PATH));
    p.setArguments(args);
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

// The calls that set an axis: modes, profiles, targets, stops and halts.
QStringList Motion(const QStringList &journal)
{
    QStringList motion;
    for (const QString &call : BoardCommands(journal))
        if (call.startsWith(QLatin1String("KQ_Set_Axis")))
            motion << call;
    return motion;
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

    // Ctrl+C twice during a move: the halt is sent, "停止" logged, 130.
    void ctrlCDuringAMoveHalts()
    {
        Files files;
        TIniFile(files.Config()).WriteString("AXIS0", "MAX_V", "1"); // a slow first move
        BoardSim sim;
        QVERIFY(sim.Start());
        QProcess p;
        Start(p, {"run", files.Program({Step(0, AutoAction::Abs, 5)}), "--config", files.Config(), "--link", Net(sim)});
        QByteArray out;
        QVERIFY(WaitForOutput(p, out, QStringLiteral("开始绝对定位")));
        ::kill(pid_t(p.processId()), SIGINT);
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(5000));
        out += p.readAllStandardOutput();
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 130);
        QVERIFY(QString::fromUtf8(out).endsWith(QStringLiteral("]停止\n")));
        QCOMPARE(Motion(sim.Journal()).last(), QStringLiteral("KQ_Set_Axis_Halt_All()"));
    }

    void sigtermHaltsToo()
    {
        Files files;
        TIniFile(files.Config()).WriteString("AXIS0", "MAX_V", "1");
        BoardSim sim;
        QVERIFY(sim.Start());
        QProcess p;
        Start(p, {"run", files.Program({Step(0, AutoAction::Abs, 5)}), "--config", files.Config(), "--link", Net(sim)});
        QByteArray out;
        QVERIFY(WaitForOutput(p, out, QStringLiteral("开始绝对定位")));
        p.terminate();
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 143);
        QCOMPARE(Motion(sim.Journal()).last(), QStringLiteral("KQ_Set_Axis_Halt_All()"));
    }

    // The simulator killed during a move: the run ends within a second.
    void lostLinkEndsTheRun()
    {
        Files files;
        TIniFile(files.Config()).WriteString("AXIS0", "MAX_V", "1");
        BoardSim sim;
        QVERIFY(sim.Start());
        QProcess p;
        Start(p, {"run", files.Program({Step(0, AutoAction::Abs, 5)}), "--config", files.Config(), "--link", Net(sim)});
        QByteArray out;
        QVERIFY(WaitForOutput(p, out, QStringLiteral("开始绝对定位")));
        QElapsedTimer t;
        t.start();
        sim.Kill();
        QVERIFY(p.waitForFinished(5000));
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(p.exitCode(), int(Exit_Link_Lost));
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()), QStringLiteral("设备无响应，运行已停止\n"));
    }

    // One JSON object per line; the last is the result.
    void jsonEventsParseLineByLine()
    {
        Files files;
        QProcess p;
        Start(p, {"run", files.Program({Step(0, AutoAction::Rel, 0.1, 2), Step(1, AutoAction::Adjust, 3)}),
                  "--config", files.Config(), "--json", "--repeat", "2"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), int(Exit_Ok));
        const QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
        QCOMPARE(lines.last(), QByteArray()); // every line ends
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
        QCOMPARE(texts.last(), QStringLiteral("停止"));
        QCOMPARE(texts.at(texts.size() - 2), QStringLiteral("方案执行完成 2"));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command") << QStringList() << QStringLiteral("缺少命令");
        QTest::newRow("unknown command") << QStringList{"go", "a.txt"} << QStringLiteral("未知的命令：go");
        QTest::newRow("no file") << QStringList{"run"} << QStringLiteral("缺少方案文件");
        QTest::newRow("bad link") << QStringList{"run", "a.txt", "--link", "tcp:1"} << QStringLiteral("无法识别的连接");
        QTest::newRow("bad address") << QStringList{"run", "a.txt", "--link", "net:127.0.0.256:8080"} << QStringLiteral("网络连接应写作");
        QTest::newRow("port too low") << QStringList{"run", "a.txt", "--link", "net:127.0.0.1:80"} << QStringLiteral("端口必须在 1024 到 65535 之间");
        QTest::newRow("repeat not a number") << QStringList{"run", "a.txt", "--repeat", "x"} << QStringLiteral("--repeat：'x' is not a valid integer value");
        QTest::newRow("unknown option") << QStringList{"run", "a.txt", "--fast"} << QStringLiteral("未知的选项：--fast");
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QProcess p;
        Start(p, args);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), int(Exit_Usage));
        QVERIFY2(QString::fromUtf8(p.readAllStandardError()).startsWith(message), qPrintable(message));
    }
};

TAVORIN_TEST(CliProcessTest)
#include "CliProcessTest.moc"
