// The board served by kq-board-sim over TCP and a pseudo-terminal: the same
// calls give the same results and the same journal as the in-process board;
// link faults fail within the time budget and then at once; garbage on the
// wire is rejected without harm.
#include "BoardHelpers.h"
#include "Wire.h"
#include "support/BoardSim.h"
#include "support/TestRegistry.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace kqtest;
using Fixtures::BoardSim;

namespace {

const int kBudgetMs = 200;

bool IsLinkCall(const QString &entry)
{
    static const QRegularExpression link(R"(^KQ_(Init|DeInit|Open_\w+|Close_\w+)\()");
    return link.match(entry).hasMatch();
}

QStringList BoardCalls(const QStringList &journal)
{
    QStringList calls;
    for (const QString &e : journal)
        if (!IsLinkCall(e))
            calls << e;
    return calls;
}

// Every board call on an axis, a channel and a number past the count, with
// the identity read back: the results that do not depend on time.
QStringList RunSession()
{
    QStringList results;
    for (uint16_t a : {uint16_t(0), uint16_t(3), uint16_t(9)})
        for (const BoardCall &call : EveryBoardCall(a))
            results << QStringLiteral("%1(%2)=%3").arg(call.first).arg(a).arg(call.second());
    char id[KQ_PRODUCT_ID_SIZE] = {};
    uint8_t sn[KQ_PRODUCT_SN_SIZE] = {};
    int32_t v[4] = {}, axes = 0, encoders = 0;
    uint32_t resources = 0;
    KQ_Get_Product_ID(id);
    KQ_Get_Product_SN(sn);
    KQ_Get_Product_Version2(&v[0], &v[1], &v[2], &v[3]);
    KQ_Get_Product_Resource(&resources);
    KQ_Get_Axis_Num(&axes);
    KQ_Get_Encoder_Num(&encoders);
    results << QString::fromLatin1(id) << QByteArray(reinterpret_cast<char *>(sn), sizeof sn).toHex()
            << QStringLiteral("%1.%2.%3.%4 %5 %6 %7").arg(v[0]).arg(v[1]).arg(v[2]).arg(v[3]).arg(resources).arg(axes).arg(encoders);
    results << QString::number(KQ_Set_Encoder_Dir_Polarity(0, 7)) << QString::number(KQ_Get_Axis_Status_Run(0, nullptr));
    return results;
}

int32_t Open(BoardSim &sim, const QString &how)
{
    if (how == "tcp")
        return KQ_Open_Net(127, 0, 0, 1, sim.port);
    return KQ_Open_UART(how == "pty" ? sim.ptyPath.toLocal8Bit().constData() : how.toLocal8Bit().constData());
}

qint64 MsFor(const std::function<void()> &fn)
{
    QElapsedTimer t;
    t.start();
    fn();
    return t.elapsed();
}

QByteArray Frame(uint8_t version, uint16_t seq, const QByteArray &payload)
{
    kq::wire::Frame f;
    f.version = version;
    f.seq = seq;
    f.size = std::min<size_t>(payload.size(), kq::wire::kMaxPayload);
    std::memcpy(f.payload, payload.constData(), f.size);
    std::vector<uint8_t> bytes;
    kq::wire::encode(f, bytes);
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size()));
}

QByteArray CheckRequest(uint16_t seq)
{
    return Frame(kq::wire::kVersion, seq, QByteArray("\x01\x00\x00\x00\x00\x00\x00", 7));
}

// A connection of a test's own to the served board, speaking frames.
class RawClient
{
public:
    explicit RawClient(uint16_t port)
    {
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        socket.waitForConnected(2000);
    }
    // Sends the request (and `tail`, in the same write) and waits for its reply.
    bool Call(const kq::Request &r, const QByteArray &tail = {})
    {
        std::vector<uint8_t> bytes;
        kq::wire::encode(kq::wire::requestFrame(++seq, r), bytes);
        socket.write(QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size())) + tail);
        kq::wire::Frame f;
        while (socket.waitForReadyRead(2000)) {
            const QByteArray in = socket.readAll();
            decoder.feed(reinterpret_cast<const uint8_t *>(in.constData()), size_t(in.size()));
            while (decoder.next(f))
                if (f.seq == seq)
                    return true;
        }
        return false;
    }
    // Ends the connection with a reset instead of an orderly close.
    void Reset()
    {
        const linger abort{1, 0};
        ::setsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        socket.abort();
    }
    QTcpSocket socket;
    kq::wire::Decoder decoder;
    uint16_t seq = 0;
};

const int kFarAway = 600000; // steps: at the default speed a move of minutes

// A long move of axis 1, through the library or a raw connection.
kq::Request LongMove()
{
    kq::Request r;
    r.op = kq::Op::PositionTargetAbs;
    r.index = 1;
    r.value = kFarAway;
    return r;
}

} // namespace

class FrameDecoderTest : public QObject
{
    Q_OBJECT
private slots:
    // Whatever comes before or around it, a valid frame is found, once.
    void findsTheValidFrame_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("frames");
        const QByteArray good = CheckRequest(7);
        QByteArray badCrc = good;
        badCrc[8] = char(badCrc[8] ^ 1);
        QByteArray oversized = good;
        oversized[5] = char(200);
        QTest::newRow("alone") << good << 1;
        QTest::newRow("after garbage") << QByteArray("\x00\xA5\xA5\x5A\x01\xFF garbage", 14) + good << 1;
        QTest::newRow("wrong check value, then good") << badCrc + good << 1;
        QTest::newRow("oversized length, then good") << oversized + good << 1;
        QTest::newRow("truncated, then good") << good.left(9) + good << 1;
        QTest::newRow("two in a row") << good + good << 2;
        QTest::newRow("truncated at the end") << good + good.left(10) << 1;
    }

    void findsTheValidFrame()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, frames);
        for (int chunk : {1, 3, int(bytes.size())}) {
            kq::wire::Decoder decoder;
            kq::wire::Frame f;
            int found = 0;
            for (int at = 0; at < bytes.size(); at += chunk) {
                const QByteArray part = bytes.mid(at, chunk);
                decoder.feed(reinterpret_cast<const uint8_t *>(part.constData()), size_t(part.size()));
                while (decoder.next(f)) {
                    ++found;
                    QCOMPARE(f.seq, uint16_t(7));
                    QCOMPARE(f.size, kq::wire::kRequestSize);
                }
            }
            QCOMPARE(found, frames);
        }
    }

    // Random bytes: no frame, and the decoder keeps no more than a frame.
    void randomBytesAreBounded()
    {
        QRandomGenerator random(12345);
        kq::wire::Decoder decoder;
        kq::wire::Frame f;
        std::vector<uint8_t> chunk(kq::wire::Decoder::kMaxFeed);
        for (int round = 0; round < 256; ++round) {
            for (uint8_t &b : chunk)
                b = uint8_t(random.bounded(256));
            decoder.feed(chunk.data(), chunk.size());
            while (decoder.next(f)) {
            }
            QVERIFY(decoder.buffered() < kq::wire::kMaxFrame);
        }
    }
};
TAVORIN_TEST(FrameDecoderTest)

class ServedBoardTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
private slots:
    void init() { FreshBoard(); }
    void cleanup() { KQ_DeInit(); }

    // The same calls over each link: the same results, and the served
    // board journals exactly what the in-process board would.
    void sameResultsAndJournalAsInProcess_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("how");
        QTest::newRow("tcp") << QStringList{"--listen", "127.0.0.1:0"} << "tcp";
        QTest::newRow("pty") << QStringList{"--pty"} << "pty";
        QTest::newRow("pty through a link") << QStringList{"--pty", "--link", dir.filePath("ttyKQ")}
                                            << dir.filePath("ttyKQ");
    }

    void sameResultsAndJournalAsInProcess()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, how);
        const QStringList expected = RunSession();
        const QStringList local = BoardCalls(Journal());

        BoardSim sim;
        QVERIFY(sim.Start(args));
        kqsim_journal_clear();
        QCOMPARE(Open(sim, how), 0);
        QCOMPARE(kqsim_link(), how == "tcp" ? int(KQSIM_LINK_NET) : int(KQSIM_LINK_UART));
        QCOMPARE(RunSession(), expected);
        QCOMPARE(sim.Journal(), local);
        QCOMPARE(BoardCalls(Journal()), local);
        QVERIFY(sim.Stop());
        QVERIFY(!QFile::exists(dir.filePath("ttyKQ"))); // the link goes with it
    }

    // A short run: the axis moves on the served board and comes to rest.
    void moveRunsOnTheServedBoard()
    {
        BoardSim sim;
        QVERIFY(sim.Start());
        QCOMPARE(KQ_Open_Net(127, 0, 0, 1, sim.port), 0);
        QCOMPARE(KQ_Set_Axis_Position_Acc(1, 640000), 0);
        QCOMPARE(KQ_Set_Axis_Position_Dec(1, 640000), 0);
        QCOMPARE(KQ_Set_Axis_Position_V_Max(1, 64000), 0);
        QCOMPARE(KQ_Set_Axis_Position_P_Target_Abs(1, 3200), 0);
        int32_t run = 1, position = 0;
        QTRY_VERIFY_WITH_TIMEOUT(KQ_Get_Axis_Status_Run(1, &run) == 0 && run == 0, 5000);
        QCOMPARE(KQ_Get_Axis_Software_P_Now(1, &position), 0);
        QCOMPARE(position, 3200);
        QCOMPARE(kqsim_axis_position(1), 0); // the in-process board never moved
    }

    // --backlash and the "lose" command reach the served board's stage: of
    // the last 100 steps the play takes 20 and the loss 50.
    void backlashAndLostStepsOnTheServedBoard()
    {
        BoardSim sim;
        QVERIFY(sim.Start({"--listen", "127.0.0.1:0", "--backlash", "1:20"}));
        QCOMPARE(KQ_Open_Net(127, 0, 0, 1, sim.port), 0);
        int32_t counts = 0;
        for (const auto &[move, expected] : {std::pair{1000, 1000}, {-400, 620}, {100, 650}}) {
            if (move == 100)
                sim.Command("lose 1 50");
            KQ_Set_Axis_Position_P_Target_Rel(1, move);
            QTRY_VERIFY_WITH_TIMEOUT(!sim.State(1).running, 5000);
            QCOMPARE(KQ_Get_Encoder_Pos(1, &counts), 0);
            QCOMPARE(counts, expected);
        }
    }

    // Each fault fails the call within the budget; the link then fails
    // every call at once, until it is opened again.
    void faultFailsFastUntilReopened_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("no answer") << "silent";
        QTest::newRow("connection dropped") << "drop";
        QTest::newRow("reply too late") << "delay 400";
        QTest::newRow("corrupt reply") << "corrupt 1";
    }

    void faultFailsFastUntilReopened()
    {
        QFETCH(QString, fault);
        BoardSim sim;
        QVERIFY(sim.Start());
        QCOMPARE(KQ_Open_Net(127, 0, 0, 1, sim.port), 0);
        QCOMPARE(KQ_Check(), 0);
        QCOMPARE(KQ_Link_Lost(), 0);
        sim.Command(fault);
        int32_t run = 0;
        int32_t status = 0;
        QVERIFY(MsFor([&] { status = KQ_Get_Axis_Status_Run(0, &run); }) < kBudgetMs);
        QCOMPARE(status, int(KQSIM_ERR_LINK_LOST));
        QCOMPARE(KQ_Link_Lost(), 1);
        sim.Command("normal");
        QVERIFY(MsFor([&] {
                    for (uint16_t a = 0; a < 32; ++a)
                        QCOMPARE(KQ_Get_Axis_Status_Run(a % 4, &run), int(KQSIM_ERR_LINK_LOST));
                }) < 20);
        QCOMPARE(KQ_Open_Net(127, 0, 0, 1, sim.port), 0);
        QCOMPARE(KQ_Link_Lost(), 0);
        QCOMPARE(KQ_Check(), 0);
    }

    void reconnectAfterTheServerRestarts()
    {
        BoardSim sim;
        QVERIFY(sim.Start());
        const uint16_t port = sim.port;
        QCOMPARE(KQ_Open_Net(127, 0, 0, 1, port), 0);
        QCOMPARE(KQ_Check(), 0);
        QVERIFY(sim.Stop());
        QVERIFY(MsFor([] { QVERIFY(KQ_Check() != 0); }) < kBudgetMs);
        QCOMPARE(KQ_Link_Lost(), 1);
        QVERIFY(KQ_Open_Net(127, 0, 0, 1, port) != 0); // nothing there yet
        BoardSim again;
        QVERIFY(again.Start({"--listen", QStringLiteral("127.0.0.1:%1").arg(port)}));
        QCOMPARE(KQ_Open_Net(127, 0, 0, 1, port), 0);
        QCOMPARE(KQ_Check(), 0);
        QCOMPARE(KQ_Close_Net(), 0);
        QCOMPARE(KQ_Check(), int(KQSIM_ERR_NO_LINK));
    }

    // Garbage, a wrong version and an unknown operation: the server answers
    // what frames correctly with an error, and keeps serving.
    void serverSurvivesGarbage()
    {
        BoardSim sim;
        QVERIFY(sim.Start());
        QTcpSocket raw;
        raw.connectToHost(QStringLiteral("127.0.0.1"), sim.port);
        QVERIFY(raw.waitForConnected(2000));
        QRandomGenerator random(99);
        QByteArray junk(65536, Qt::Uninitialized);
        for (char &c : junk)
            c = char(random.bounded(256));
        raw.write(junk);
        raw.write(QByteArray("\xA5\x5A\x01\x01\x00\xFF", 6)); // oversized length
        raw.write(Frame(2, 41, CheckRequest(0).mid(6, 7)));
        raw.write(Frame(kq::wire::kVersion, 42, QByteArray("\x7F\x00\x00\x00\x00\x00\x00", 7)));
        raw.write(CheckRequest(43));
        kq::wire::Decoder decoder;
        kq::wire::Frame f;
        QMap<int, int32_t> statuses;
        QElapsedTimer t;
        t.start();
        while (statuses.size() < 3 && t.elapsed() < 5000 && raw.waitForReadyRead(1000)) {
            const QByteArray in = raw.readAll();
            decoder.feed(reinterpret_cast<const uint8_t *>(in.constData()), size_t(in.size()));
            while (decoder.next(f))
                statuses[f.seq] = int32_t(uint32_t(f.payload[1]) | uint32_t(f.payload[2]) << 8);
        }
        QCOMPARE(statuses.value(41, -1), int(KQSIM_ERR_PROTOCOL));
        QCOMPARE(statuses.value(42, -1), int(KQSIM_ERR_PROTOCOL));
        QCOMPARE(statuses.value(43, -1), 0);
        // Once that client has gone, the next one is served.
        raw.disconnectFromHost();
        QCOMPARE(KQ_Open_Net(127, 0, 0, 1, sim.port), 0);
        QCOMPARE(KQ_Check(), 0);
        QVERIFY(sim.Stop());
    }

    // While a client has the board, another connection (a second program,
    // a port probe) gets one "busy" frame and is closed; the client keeps
    // its link.
    void secondClientIsRefused()
    {
        BoardSim sim;
        QVERIFY(sim.Start());
        QCOMPARE(KQ_Open_Net(127, 0, 0, 1, sim.port), 0);
        QCOMPARE(KQ_Check(), 0);
        for (int probe = 0; probe < 2; ++probe) {
            QTcpSocket other;
            other.connectToHost(QStringLiteral("127.0.0.1"), sim.port);
            QVERIFY(other.waitForConnected(2000));
            QVERIFY(other.state() == QAbstractSocket::UnconnectedState || other.waitForDisconnected(2000));
            const QByteArray in = other.readAll();
            kq::wire::Decoder decoder;
            decoder.feed(reinterpret_cast<const uint8_t *>(in.constData()), size_t(in.size()));
            kq::wire::Frame f;
            QVERIFY(decoder.next(f));
            QVERIFY(kq::wire::isBusyFrame(f));
            QVERIFY(!decoder.next(f));
        }
        QCOMPARE(KQ_Check(), 0);
        QCOMPARE(KQ_Link_Lost(), 0);
    }

    // A serial line is this program's alone: a line that another program
    // holds is refused with its own status, and the line taken is locked
    // and exclusive.
    void serialPortIsTakenOnce()
    {
        BoardSim sim;
        QVERIFY(sim.Start({"--pty"}));
        const QByteArray path = sim.ptyPath.toLocal8Bit();
        const int other = ::open(path.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(other >= 0);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
        QCOMPARE(KQ_Open_UART(path.constData()), int(KQSIM_ERR_PORT_BUSY));
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_NONE));
        ::close(other);

        QCOMPARE(KQ_Open_UART(path.constData()), 0);
        QCOMPARE(KQ_Check(), 0);
        const int late = ::open(path.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (late >= 0) { // root may open an exclusive line, but not take it
            int exclusive = 0;
            QCOMPARE(::ioctl(late, TIOCGEXCL, &exclusive), 0);
            QCOMPARE(exclusive, 1);
            QVERIFY(::flock(late, LOCK_EX | LOCK_NB) != 0);
            ::close(late);
        } else {
            QCOMPARE(errno, EBUSY);
        }
    }

    // The "journal" answer waits for a reader: a simulator whose standard
    // output nobody reads goes on serving.
    void journalNeverBlocksTheBoard()
    {
        int out[2];
        QCOMPARE(::pipe2(out, O_CLOEXEC), 0);
        QProcess process;
        process.setProgram(QStringLiteral(KQ_BOARD_SIM_PATH));
        process.setArguments({"--listen", "127.0.0.1:0"});
        process.setChildProcessModifier([out] { ::dup2(out[1], STDOUT_FILENO); });
        process.start();
        QVERIFY(process.waitForStarted(5000));
        ::close(out[1]);
        QByteArray first; // "监听 127.0.0.1:PORT", then nobody reads on
        char c = 0;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            first += c;
        const uint16_t port = uint16_t(first.mid(first.lastIndexOf(':') + 1).toUInt());
        QVERIFY(port != 0);
        QCOMPARE(KQ_Open_Net(127, 0, 0, 1, port), 0);
        int32_t run = 0;
        for (int i = 0; i < 4000; ++i) // well over a pipe's worth of journal
            QCOMPARE(KQ_Get_Axis_Status_Run(0, &run), 0);
        for (int i = 0; i < 3; ++i) {
            process.write("journal\n");
            QVERIFY(process.waitForBytesWritten(2000));
        }
        QTest::qWait(200);
        QCOMPARE(KQ_Check(), 0);
        QCOMPARE(KQ_Link_Lost(), 0);
        ::fcntl(out[0], F_SETFL, O_NONBLOCK);
        const auto drained = [&out] {
            char buffer[4096];
            while (::read(out[0], buffer, sizeof buffer) > 0) {}
            return true;
        };
        process.terminate();
        QTRY_VERIFY_WITH_TIMEOUT(drained() && process.state() == QProcess::NotRunning, 5000);
        ::close(out[0]);
    }

    // Only terminal devices: a name is looked for under /dev, and neither
    // a regular file nor a relative path is ever opened and written.
    void serialNamesOnlyReachTerminals()
    {
        QFile file(dir.filePath("not-a-port"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep");
        file.close();
        QVERIFY(KQ_Open_UART(file.fileName().toLocal8Bit().constData()) != 0);
        QVERIFY(KQ_Open_UART("../tmp/ttyS0") != 0);
        QVERIFY(KQ_Open_UART("") != 0);
        QVERIFY(KQ_Open_UART("kq-no-such-port") != 0);
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_NONE));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep"));
    }
};
TAVORIN_TEST(ServedBoardTest)

// A served board never serves a client that has gone: when the client's
// connection ends, or nothing whole has come from it for 2 s, every axis
// is halted and the next client is served.  The board's clock is the
// test's, so the watchdog bites exactly when told.
class WatchdogTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { FreshBoard(); }
    void cleanup() { KQ_DeInit(); }

    void connectionEndHaltsTheMove_data()
    {
        QTest::addColumn<QString>("end");
        QTest::newRow("the library closes") << "close";
        QTest::newRow("a client closes after half a frame") << "half frame";
        QTest::newRow("a client's connection is reset") << "reset";
    }

    void connectionEndHaltsTheMove()
    {
        QFETCH(QString, end);
        BoardSim sim;
        QVERIFY(sim.Start());
        sim.Command("clock manual");
        std::unique_ptr<RawClient> raw;
        if (end == "close") {
            QCOMPARE(KQ_Open_Net(127, 0, 0, 1, sim.port), 0);
            QCOMPARE(KQ_Set_Axis_Position_P_Target_Abs(1, kFarAway), 0);
        } else {
            raw = std::make_unique<RawClient>(sim.port);
            QVERIFY(raw->Call(LongMove(), end == "half frame" ? CheckRequest(9).left(4) : QByteArray()));
        }
        sim.Command("advance 500");
        QVERIFY(sim.State(1).running);
        if (end == "close")
            KQ_Close_Net();
        else if (end == "reset")
            raw->Reset();
        else
            raw->socket.disconnectFromHost();
        QTRY_VERIFY_WITH_TIMEOUT(!sim.State(1).running, 2000);
        QCOMPARE(sim.State(1).velocity, 0);
        QVERIFY(sim.Journal().contains("Watchdog_Halt_All(closed)"));
        QCOMPARE(KQ_Open_Net(127, 0, 0, 1, sim.port), 0);
        QCOMPARE(KQ_Check(), 0);
    }

    void silentClientIsHaltedAndLetGo_data()
    {
        QTest::addColumn<QString>("client");
        QTest::newRow("the library, no call") << "library";
        QTest::newRow("a client that sent 4 bytes of a frame") << "half frame";
        QTest::newRow("the library over a serial line") << "serial";
    }

    void silentClientIsHaltedAndLetGo()
    {
        QFETCH(QString, client);
        BoardSim sim;
        QVERIFY(sim.Start(client == "serial" ? QStringList{"--pty"} : QStringList{"--listen", "127.0.0.1:0"}));
        sim.Command("clock manual");
        std::unique_ptr<RawClient> raw;
        if (client == "half frame") {
            raw = std::make_unique<RawClient>(sim.port);
            QVERIFY(raw->Call(LongMove(), CheckRequest(9).left(4)));
        } else {
            QCOMPARE(client == "serial" ? KQ_Open_UART(sim.ptyPath.toLocal8Bit().constData())
                                        : KQ_Open_Net(127, 0, 0, 1, sim.port), 0);
            QCOMPARE(KQ_Set_Axis_Position_P_Target_Abs(1, kFarAway), 0);
        }
        sim.Command("advance 1999");
        QVERIFY(sim.State(1).running);
        QVERIFY(!sim.Journal().join(' ').contains("Watchdog"));
        sim.Command("advance 1");
        QVERIFY(!sim.State(1).running);
        QVERIFY(sim.Journal().contains("Watchdog_Halt_All(silent)"));
        if (raw)
            QVERIFY(raw->socket.state() == QAbstractSocket::UnconnectedState || raw->socket.waitForDisconnected(2000));
        // Free for the next client (over the serial line: the same one, once
        // it speaks again).
        if (client != "serial")
            QCOMPARE(KQ_Open_Net(127, 0, 0, 1, sim.port), 0);
        QCOMPARE(KQ_Check(), 0);
        QCOMPARE(KQ_Set_Axis_Position_P_Target_Abs(1, -kFarAway), 0);
        sim.Command("advance 1000");
        QVERIFY(sim.State(1).running); // no second bite while it speaks
    }

    // On the wall clock: a client that left a frame half sent holds the
    // board for 2 s, not for ever.
    void halfFrameHoldsTheBoardTwoSeconds()
    {
        BoardSim sim;
        QVERIFY(sim.Start());
        RawClient raw(sim.port);
        QElapsedTimer held;
        held.start();
        raw.socket.write(CheckRequest(1).left(4));
        QVERIFY(raw.socket.waitForDisconnected(4000));
        QVERIFY2(held.elapsed() >= 1900 && held.elapsed() < 3000, qPrintable(QString::number(held.elapsed())));
        QCOMPARE(KQ_Open_Net(127, 0, 0, 1, sim.port), 0);
        QCOMPARE(KQ_Check(), 0);
    }

    // A client that sent bad frames and closed is gone at once: the next
    // connection, right after, is served, not refused as busy.
    void reconnectRightAfterBadFramesIsServed_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::newRow("one frame with a wrong check value") << 15;
        QTest::newRow("20 kB of them") << 20000;
    }

    void reconnectRightAfterBadFramesIsServed()
    {
        QFETCH(int, bytes);
        QByteArray bad = CheckRequest(5);
        bad[bad.size() - 1] = char(bad[bad.size() - 1] ^ 0x55);
        const QByteArray junk = bad.repeated(bytes / bad.size() + 1).left(bytes);
        BoardSim sim;
        QVERIFY(sim.Start());
        const int tries = 100;
        int served = 0;
        for (int i = 0; i < tries; ++i) {
            {
                RawClient raw(sim.port);
                raw.socket.write(junk);
                raw.socket.waitForBytesWritten(2000);
                raw.socket.disconnectFromHost();
            }
            QCOMPARE(KQ_Open_Net(127, 0, 0, 1, sim.port), 0);
            served += KQ_Check() == 0;
            KQ_Close_Net();
        }
        QCOMPARE(served, tries);
    }
};
TAVORIN_TEST(WatchdogTest)

#include "ServedBoardTest.moc"
