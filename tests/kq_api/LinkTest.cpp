// Links, identity, journal and failure injection of the library.
#include "BoardHelpers.h"
#include "support/TestRegistry.h"

#include <QTcpServer>
#include <QtTest>

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

using namespace kqtest;

namespace {

// Everything a board call could change on axis 0 and on the board.
QList<int32_t> Snapshot()
{
    QList<int32_t> v;
    const AxisState a = State(0);
    v << a.position << a.physical << a.velocity << a.counts << a.running << a.mode;
    for (int which = 0; which < 5; ++which)
        v << kqsim_encoder_setting(0, which);
    v << int32_t(kqsim_axis_close_factor(0) * 1000) << kqsim_link();
    return v;
}

} // namespace

class LinkTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { FreshBoard(); }

    void everyBoardCallWorksOnTheAttachedBoard()
    {
        for (const BoardCall &call : EveryBoardCall(0))
            QVERIFY2(call.second() == 0, call.first);
    }

    void withoutLinkEveryBoardCallFailsAndChangesNothing()
    {
        KQ_Close_USB();
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_NONE));
        const QList<int32_t> before = Snapshot();
        for (const BoardCall &call : EveryBoardCall(0)) {
            QVERIFY2(call.second() == KQSIM_ERR_NO_LINK, call.first);
            kqsim_advance_ms(10);
        }
        QCOMPARE(Snapshot(), before);
        // Every attempt is in the journal all the same.
        QCOMPARE(kqsim_journal_size(), 1 + int(EveryBoardCall(0).size()));
    }

    void usbLinkOpensAndClosesOnlyItself()
    {
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_USB));
        QCOMPARE(KQ_Check(), 0);
        QCOMPARE(KQ_Close_Net(), 0);
        QCOMPARE(KQ_Close_UART(), 0);
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_USB));
        QCOMPARE(KQ_Close_USB(), 0);
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_NONE));
        QVERIFY(KQ_Check() != 0);
        QCOMPARE(KQ_Close_USB(), 0); // not open: harmless
        QCOMPARE(KQ_Open_USB(), 0);
        QCOMPARE(KQ_Open_USB(), 0); // again: still one link
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_USB));
    }

    void networkAndSerialFindNoBoard()
    {
        QTcpServer closed; // a port that nothing listens on
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const uint16_t port = closed.serverPort();
        closed.close();
        QVERIFY(KQ_Open_Net(127, 0, 0, 1, port) != 0);
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_NONE)); // the USB link was closed first
        QVERIFY(KQ_Check() != 0);
        KQ_Open_USB();
        QVERIFY(KQ_Open_UART("/dev/ttyUSB0") != 0);
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_NONE));
        QVERIFY(KQ_Check() != 0);
        QVERIFY(KQ_Open_UART(nullptr) != 0);
    }

    void initAndDeInitInAnyOrder()
    {
        QCOMPARE(KQ_DeInit(), 0);
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_NONE));
        QCOMPARE(KQ_DeInit(), 0);
        QCOMPARE(KQ_Init(), 0);
        QCOMPARE(KQ_Init(), 0);
        QCOMPARE(KQ_Open_USB(), 0);
        QCOMPARE(KQ_Init(), 0);
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_USB));
        QCOMPARE(KQ_DeInit(), 0);
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_NONE));
        QVERIFY(KQ_Set_Axis_Halt_All() != 0); // what start-up sends with no link
    }

    // Like a real board, the virtual one keeps its state, and its motion,
    // while no link is open; only a reset makes it new.
    void boardOutlivesTheLink()
    {
        KQ_Set_Axis_Software_P(1, 500);
        KQ_Set_Axis_Velocity_V_Target_Abs(0, 1000);
        kqsim_advance_ms(2000);
        KQ_Close_USB();
        kqsim_advance_ms(1000);
        KQ_Open_USB();
        int32_t p = 0;
        QCOMPARE(KQ_Get_Axis_Software_P_Now(1, &p), 0);
        QCOMPARE(p, 500);
        QCOMPARE(KQ_Get_Axis_Software_P_Now(0, &p), 0);
        QVERIFY2(p > 2000, qPrintable(QString::number(p)));
        kqsim_reset(4, 4, kAllResources);
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_NONE));
        QCOMPARE(kqsim_axis_position(0), 0);
        QCOMPARE(kqsim_axis_position(1), 0);
        QCOMPARE(kqsim_axis_running(0), 0);
    }

    void identity()
    {
        char id[20];
        std::memset(id, 'x', sizeof id);
        QCOMPARE(KQ_Get_Product_ID(id), 0);
        QCOMPARE(QByteArray(id), QByteArray("SIMBOARD-MC"));
        uint8_t sn[KQ_PRODUCT_SN_SIZE + 1];
        std::memset(sn, 0xEE, sizeof sn);
        QCOMPARE(KQ_Get_Product_SN(sn), 0);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(sn), sizeof sn).toHex(), QByteArray("123456789abcdef001234567ee"));
        int32_t a = 0, b = 0, c = 0, d = 0;
        QCOMPARE(KQ_Get_Product_Version2(&a, &b, &c, &d), 0);
        QCOMPARE(QList<int32_t>({a, b, c, d}), QList<int32_t>({2, 1, 0, 5}));
        uint32_t resources = 0;
        QCOMPARE(KQ_Get_Product_Resource(&resources), 0);
        QCOMPARE(resources, 0x801u);
        int32_t n = 0;
        QCOMPARE(KQ_Get_Axis_Num(&n), 0);
        QCOMPARE(n, 4);
        QCOMPARE(KQ_Get_Encoder_Num(&n), 0);
        QCOMPARE(n, 4);

        kqsim_reset(7, 2, KQ_RESOURCE_ENCODER);
        KQ_Open_USB();
        QCOMPARE(KQ_Get_Product_Resource(&resources), 0);
        QCOMPARE(resources, uint32_t(KQ_RESOURCE_ENCODER));
        KQ_Get_Axis_Num(&n);
        QCOMPARE(n, 7);
        KQ_Get_Encoder_Num(&n);
        QCOMPARE(n, 2);
        kqsim_reset(100, -3, 0);
        KQ_Open_USB();
        KQ_Get_Axis_Num(&n);
        QCOMPARE(n, 64);
        KQ_Get_Encoder_Num(&n);
        QCOMPARE(n, 0);
    }

    void productIdFillsSeventeenBytes()
    {
        char id[20];
        std::memset(id, 'x', sizeof id);
        kqsim_set_product_id("ABCDEFGHIJKLMNOPQRSTU"); // 21: only 17 are used
        QCOMPARE(KQ_Get_Product_ID(id), 0);
        QCOMPARE(QByteArray(id, 20), QByteArray("ABCDEFGHIJKLMNOPQxxx"));
        std::memset(id, 'x', sizeof id);
        kqsim_set_product_id("AB");
        KQ_Get_Product_ID(id);
        QCOMPARE(QByteArray(id, 20), QByteArray("AB\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0xxx", 20));
        kqsim_set_product_id(nullptr);
        KQ_Get_Product_ID(id);
        QCOMPARE(id[0], '\0');
        kqsim_reset(4, 4, kAllResources);
        KQ_Open_USB();
        KQ_Get_Product_ID(id);
        QCOMPARE(QByteArray(id), QByteArray("SIMBOARD-MC"));
    }

    void boardFromEnvironment_data()
    {
        QTest::addColumn<QByteArray>("axes");
        QTest::addColumn<QByteArray>("encoders");
        QTest::addColumn<int>("axisCount");
        QTest::addColumn<int>("encoderCount");
        QTest::newRow("unset") << QByteArray() << QByteArray() << 4 << 4;
        QTest::newRow("plain") << QByteArray("7") << QByteArray("2") << 7 << 2;
        QTest::newRow("blanks") << QByteArray(" 3 ") << QByteArray("0") << 3 << 0;
        QTest::newRow("clamped") << QByteArray("100") << QByteArray("-5") << 64 << 0;
        QTest::newRow("huge") << QByteArray("99999999999999999999") << QByteArray("64") << 64 << 64;
        QTest::newRow("junk") << QByteArray("five") << QByteArray("2x") << 4 << 4;
        QTest::newRow("empty") << QByteArray("") << QByteArray(" ") << 4 << 4;
    }

    void boardFromEnvironment()
    {
        QFETCH(QByteArray, axes);
        QFETCH(QByteArray, encoders);
        QFETCH(int, axisCount);
        QFETCH(int, encoderCount);
        const QByteArray oldAxes = qgetenv("KQ_SIM_AXES");
        const QByteArray oldEncoders = qgetenv("KQ_SIM_ENCODERS");
        const bool hadAxes = qEnvironmentVariableIsSet("KQ_SIM_AXES");
        const bool hadEncoders = qEnvironmentVariableIsSet("KQ_SIM_ENCODERS");
        auto set = [](const char *name, const QByteArray &value) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        };
        set("KQ_SIM_AXES", axes);
        set("KQ_SIM_ENCODERS", encoders);
        kqsim_reset_from_environment();
        set("KQ_SIM_AXES", hadAxes ? oldAxes : QByteArray());
        set("KQ_SIM_ENCODERS", hadEncoders ? oldEncoders : QByteArray());

        KQ_Open_USB();
        int32_t n = -1;
        uint32_t resources = 0;
        KQ_Get_Axis_Num(&n);
        QCOMPARE(n, axisCount);
        KQ_Get_Encoder_Num(&n);
        QCOMPARE(n, encoderCount);
        KQ_Get_Product_Resource(&resources);
        QCOMPARE(resources, 0x801u);
    }

    void nullOutPointersFail()
    {
        int32_t i = 0;
        uint8_t s[6];
        QCOMPARE(KQ_Get_Product_ID(nullptr), int32_t(KQSIM_ERR_NULL));
        QCOMPARE(KQ_Get_Product_SN(nullptr), int32_t(KQSIM_ERR_NULL));
        QCOMPARE(KQ_Get_Product_Version2(&i, &i, nullptr, &i), int32_t(KQSIM_ERR_NULL));
        QCOMPARE(KQ_Get_Product_Resource(nullptr), int32_t(KQSIM_ERR_NULL));
        QCOMPARE(KQ_Get_Axis_Num(nullptr), int32_t(KQSIM_ERR_NULL));
        QCOMPARE(KQ_Get_Encoder_Num(nullptr), int32_t(KQSIM_ERR_NULL));
        QCOMPARE(KQ_Get_Axis_Status(0, s, s, s, s, s, nullptr), int32_t(KQSIM_ERR_NULL));
        QCOMPARE(KQ_Get_Axis_Status(0, nullptr, s, s, s, s, s), int32_t(KQSIM_ERR_NULL));
        QCOMPARE(KQ_Get_Axis_Status_Run(0, nullptr), int32_t(KQSIM_ERR_NULL));
        QCOMPARE(KQ_Get_Axis_Software_P_Now(0, nullptr), int32_t(KQSIM_ERR_NULL));
        QCOMPARE(KQ_Get_Axis_V_Now(0, nullptr), int32_t(KQSIM_ERR_NULL));
        QCOMPARE(KQ_Get_Encoder_Pos(0, nullptr), int32_t(KQSIM_ERR_NULL));
    }

    void numbersPastTheCountFailAndChangeNothing()
    {
        kqsim_reset(2, 1, kAllResources);
        kqsim_set_manual_clock(1);
        KQ_Open_USB();
        const AxisState axis0 = State(0), axis1 = State(1);
        for (uint16_t a : {uint16_t(2), uint16_t(63), uint16_t(64), uint16_t(65535)}) {
            for (const BoardCall &call : EveryBoardCall(a)) {
                const QByteArray name(call.first);
                const bool boardWide = name == "KQ_Check" || name.startsWith("KQ_Get_Product_")
                                       || name == "KQ_Get_Axis_Num" || name == "KQ_Get_Encoder_Num"
                                       || name == "KQ_Set_Axis_Halt_All";
                QVERIFY2(call.second() == (boardWide ? 0 : KQSIM_ERR_NO_AXIS), call.first);
            }
        }
        kqsim_advance_ms(5000);
        QCOMPARE(State(0), axis0);
        QCOMPARE(State(1), axis1);
        // Axis 1 has a motor but no encoder channel; channel 0 has both.
        int32_t counts = 0;
        QCOMPARE(KQ_Get_Encoder_Pos(1, &counts), int32_t(KQSIM_ERR_NO_AXIS));
        QCOMPARE(KQ_Set_Encoder_Dir_Polarity(1, 0), int32_t(KQSIM_ERR_NO_AXIS));
        QCOMPARE(KQ_Get_Encoder_Pos(0, &counts), 0);
        QCOMPARE(KQ_Set_Axis_Halt(1), 0);
        // The accessors answer 0 for what does not exist.
        QCOMPARE(kqsim_axis_position(2), 0);
        QCOMPARE(kqsim_encoder_counts(1), 0);
        QCOMPARE(kqsim_encoder_setting(1, 1), 0);
        QCOMPARE(kqsim_axis_close_factor(-1), 0.0f);
    }

    void encoderSettingsAreStored()
    {
        QCOMPARE(kqsim_encoder_setting(2, 0), 0);
        QCOMPARE(kqsim_encoder_setting(2, 1), 1);
        QCOMPARE(KQ_Set_Encoder_Z_Polarity(2, 1), 0);
        QCOMPARE(KQ_Set_Encoder_Dir_Polarity(2, 0), 0);
        QCOMPARE(KQ_Set_Encoder_Over_Enable(2, 1), 0);
        QCOMPARE(KQ_Set_Encoder_Over_Max(2, -7), 0);
        QCOMPARE(KQ_Set_Encoder_Over_Stable(2, 123456), 0);
        QCOMPARE(kqsim_encoder_setting(2, 0), 1);
        QCOMPARE(kqsim_encoder_setting(2, 1), 0);
        QCOMPARE(kqsim_encoder_setting(2, 2), 1);
        QCOMPARE(kqsim_encoder_setting(2, 3), -7);
        QCOMPARE(kqsim_encoder_setting(2, 4), 123456);
        QCOMPARE(kqsim_encoder_setting(2, 5), 0);
        QCOMPARE(kqsim_encoder_setting(1, 2), 0); // other channels untouched
        // The three switches take 0 or 1 only.
        QCOMPARE(KQ_Set_Encoder_Dir_Polarity(2, 2), int32_t(KQSIM_ERR_ARGUMENT));
        QCOMPARE(KQ_Set_Encoder_Z_Polarity(2, -1), int32_t(KQSIM_ERR_ARGUMENT));
        QCOMPARE(kqsim_encoder_setting(2, 1), 0);
        QCOMPARE(kqsim_encoder_setting(2, 0), 1);
        QCOMPARE(KQ_Set_Axis_Position_Close_Dec_Factor(3, 0.1f), 0);
        QCOMPARE(kqsim_axis_close_factor(3), 0.1f);
        QCOMPARE(kqsim_axis_close_factor(2), 1.0f);
    }
};
TAVORIN_TEST(LinkTest)

class JournalTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { FreshBoard(); }

    void callsAreWrittenWithTheirArguments()
    {
        uint8_t s[6];
        int32_t v;
        KQ_Set_Axis_Position_Acc(0, 6400);
        KQ_Set_Axis_Position_Close_Dec_Factor(1, 1.6f);
        KQ_Set_Axis_Position_Close_Dec_Factor(1, 0.1f);
        KQ_Set_Axis_Position_Close_Dec_Factor(1, 1e-20f);
        KQ_Set_Axis_Velocity_V_Target_Abs(3, -2147483647 - 1);
        KQ_Get_Axis_Status(2, s, s, s, s, s, s);
        KQ_Get_Axis_V_Now(65535, &v); // fails, still written
        KQ_Open_Net(127, 255, 0, 255, 65535); // loopback: nothing else is ever dialled
        KQ_Set_Axis_Halt_All(); // fails without link
        KQ_Open_UART("/dev/ttyUSB0");
        KQ_Open_UART("COM3 \"x\"");
        KQ_Open_UART(nullptr);
        KQ_Close_Net();
        KQ_Init();
        KQ_DeInit();
        KQ_Help_Step_Line_Real_To_Steps(1.8, 32, 1, 1, 1); // not written
        QCOMPARE(Journal(), QStringList({
                                "KQ_Set_Axis_Position_Acc(0,6400)",
                                "KQ_Set_Axis_Position_Close_Dec_Factor(1,1.60000002)",
                                "KQ_Set_Axis_Position_Close_Dec_Factor(1,0.100000001)",
                                "KQ_Set_Axis_Position_Close_Dec_Factor(1,9.99999968e-21)",
                                "KQ_Set_Axis_Velocity_V_Target_Abs(3,-2147483648)",
                                "KQ_Get_Axis_Status(2)",
                                "KQ_Get_Axis_V_Now(65535)",
                                "KQ_Open_Net(127,255,0,255,65535)",
                                "KQ_Set_Axis_Halt_All()",
                                "KQ_Open_UART(\"/dev/ttyUSB0\")",
                                "KQ_Open_UART(\"COM3 \"x\"\")",
                                "KQ_Open_UART(NULL)",
                                "KQ_Close_Net()",
                                "KQ_Init()",
                                "KQ_DeInit()",
                            }));
    }

    void portNameBytesPassUnchanged()
    {
        const char port[] = "\xB4\xAE\xBF\xDA" "1"; // 8-bit code page text
        KQ_Open_UART(port);
        QCOMPARE(QByteArray(kqsim_journal_entry(0)), QByteArray("KQ_Open_UART(\"") + port + "\")");
    }

    void keepsTheMostRecentEntries()
    {
        const int extra = 5;
        for (int i = 0; i < KQSIM_JOURNAL_CAPACITY + extra; ++i)
            KQ_Set_Axis_Position_Acc(0, i);
        QCOMPARE(kqsim_journal_size(), KQSIM_JOURNAL_CAPACITY);
        QCOMPARE(QByteArray(kqsim_journal_entry(0)), QByteArray("KQ_Set_Axis_Position_Acc(0,5)"));
        QCOMPARE(QByteArray(kqsim_journal_entry(KQSIM_JOURNAL_CAPACITY - 1)),
                 QByteArray("KQ_Set_Axis_Position_Acc(0,") + QByteArray::number(KQSIM_JOURNAL_CAPACITY + extra - 1) + ")");
        QCOMPARE(QByteArray(kqsim_journal_entry(KQSIM_JOURNAL_CAPACITY)), QByteArray());
        QCOMPARE(QByteArray(kqsim_journal_entry(-1)), QByteArray());
        kqsim_journal_clear();
        QCOMPARE(kqsim_journal_size(), 0);
        KQ_Check();
        QCOMPARE(Journal(), QStringList({"KQ_Check()"}));
        KQ_Check();
        kqsim_reset(4, 4, kAllResources);
        QCOMPARE(kqsim_journal_size(), 0);
    }
};
TAVORIN_TEST(JournalTest)

class FailureInjectionTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { FreshBoard(); }

    void namedCallFailsAlone()
    {
        kqsim_fail("KQ_Set_Axis_Software_P", 1);
        QCOMPARE(KQ_Set_Axis_Software_P(0, 1234), int32_t(KQSIM_ERR_INJECTED));
        QCOMPARE(kqsim_axis_position(0), 0);
        QCOMPARE(KQ_Set_Axis_Position_P_Target_Abs(0, 100), 0);
        QCOMPARE(kqsim_axis_running(0), 1);
        kqsim_fail("KQ_Set_Axis_Software_P", 0);
        QCOMPARE(KQ_Set_Axis_Software_P(1, 1234), 0);
        QCOMPARE(kqsim_axis_position(1), 1234);
        QCOMPARE(Journal(), QStringList({"KQ_Set_Axis_Software_P(0,1234)", "KQ_Set_Axis_Position_P_Target_Abs(0,100)",
                                         "KQ_Set_Axis_Software_P(1,1234)"}));
    }

    void linkCallsCanFailByName()
    {
        KQ_Close_USB();
        kqsim_fail("KQ_Open_USB", 1);
        QVERIFY(KQ_Open_USB() != 0);
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_NONE));
        kqsim_fail("KQ_Open_USB", 0);
        QCOMPARE(KQ_Open_USB(), 0);
        kqsim_fail("KQ_DeInit", 1);
        QVERIFY(KQ_DeInit() != 0);
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_USB));
        kqsim_fail("KQ_Check", 1);
        QVERIFY(KQ_Check() != 0);
    }

    void starFailsEveryBoardCall()
    {
        kqsim_fail("*", 1);
        const QList<int32_t> before = Snapshot();
        for (const BoardCall &call : EveryBoardCall(0))
            QVERIFY2(call.second() == KQSIM_ERR_INJECTED, call.first);
        kqsim_advance_ms(1000);
        QCOMPARE(Snapshot(), before);
        QCOMPARE(kqsim_journal_size(), int(EveryBoardCall(0).size()));
        // The link calls are not board calls.
        QCOMPARE(KQ_Close_USB(), 0);
        QCOMPARE(KQ_Open_USB(), 0);
        QCOMPARE(KQ_Init(), 0);
        kqsim_fail("*", 0);
        QCOMPARE(KQ_Check(), 0);
    }

    void resetClearsFailures()
    {
        kqsim_fail("*", 1);
        kqsim_fail("KQ_Open_USB", 1);
        kqsim_fail(nullptr, 1); // ignored
        kqsim_reset(4, 4, kAllResources);
        QCOMPARE(KQ_Open_USB(), 0);
        QCOMPARE(KQ_Check(), 0);
    }
};
TAVORIN_TEST(FailureInjectionTest)

#include "LinkTest.moc"
