// Unit conversion arithmetic of the library.
#include "BoardHelpers.h"
#include "support/TestRegistry.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

// One conversion pair with fixed configuration arguments.
struct Pair {
    const char *name;
    double ratio; // expected steps or counts per unit
    int32_t (*to)(double);
    double (*from)(int32_t);
};

const Pair kPairs[] = {
    {"step line 1.8/32/1/1", 6400.0, [](double v) { return KQ_Help_Step_Line_Real_To_Steps(1.8, 32, 1, 1, v); },
     [](int32_t s) { return KQ_Help_Step_Line_Steps_To_Real(1.8, 32, 1, 1, s); }},
    {"step line 0.9/16/5/2", 0.0 + 360.0 / 0.9 * 16 * 2 / 5,
     [](double v) { return KQ_Help_Step_Line_Real_To_Steps(0.9, 16, 5, 2, v); },
     [](int32_t s) { return KQ_Help_Step_Line_Steps_To_Real(0.9, 16, 5, 2, s); }},
    {"step circle 1.8/32/120", 32.0 * 120 / 1.8,
     [](double v) { return KQ_Help_Step_Circle_Real_To_Steps(1.8, 32, 120, v); },
     [](int32_t s) { return KQ_Help_Step_Circle_Steps_To_Real(1.8, 32, 120, s); }},
    {"grating line 20um", 50.0, [](double v) { return KQ_Help_Grating_Line_Real_To_Steps(20, v); },
     [](int32_t s) { return KQ_Help_Grating_Line_Steps_To_Real(20, s); }},
    {"grating circle 64800", 180.0, [](double v) { return KQ_Help_Grating_Circle_Real_To_Steps(64800, v); },
     [](int32_t s) { return KQ_Help_Grating_Circle_Steps_To_Real(64800, s); }},
    {"encoder line 1/1/1000", 4000.0, [](double v) { return KQ_Help_Encoder_Line_Real_To_Steps(1, 1, 1000, v); },
     [](int32_t s) { return KQ_Help_Encoder_Line_Steps_To_Real(1, 1, 1000, s); }},
    {"encoder circle 120/1000", 4.0 * 1000 * 120 / 360,
     [](double v) { return KQ_Help_Encoder_Circle_Real_To_Steps(120, 1000, v); },
     [](int32_t s) { return KQ_Help_Encoder_Circle_Steps_To_Real(120, 1000, s); }},
};

} // namespace

class HelpConversionTest : public QObject
{
    Q_OBJECT
private slots:
    void defaultMechanics()
    {
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(1.8, 32, 1, 1, 1.0), 6400);
        QCOMPARE(KQ_Help_Step_Circle_Real_To_Steps(1.8, 32, 120, 1.0), 2133);
        QCOMPARE(KQ_Help_Grating_Line_Real_To_Steps(20, 1.0), 50);
        QCOMPARE(KQ_Help_Grating_Circle_Real_To_Steps(64800, 1.0), 180);
        QCOMPARE(KQ_Help_Encoder_Line_Real_To_Steps(1, 1, 1000, 1.0), 4000);
        QCOMPARE(KQ_Help_Encoder_Circle_Real_To_Steps(120, 1000, 1.0), 1333);
        QCOMPARE(KQ_Help_Step_Line_Steps_To_Real(1.8, 32, 1, 1, 6400), 1.0);
        QCOMPARE(KQ_Help_Step_Circle_Steps_To_Real(1.8, 32, 120, 6400), 3.0);
        QCOMPARE(KQ_Help_Grating_Line_Steps_To_Real(20, 50), 1.0);
        QCOMPARE(KQ_Help_Grating_Circle_Steps_To_Real(64800, 180), 1.0);
        QCOMPARE(KQ_Help_Encoder_Line_Steps_To_Real(1, 1, 1000, 4000), 1.0);
    }

    // Each argument enters where it should: a lead-screw pitch of 5 mm with
    // ratio 1:2 gives 6400·2/5 steps/mm, a 0.9° motor twice as many steps.
    void argumentsEnterTheirFormula()
    {
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(1.8, 32, 5, 2, 1.0), 2560);
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(0.9, 32, 1, 1, 1.0), 12800);
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(1.8, 16, 1, 1, 1.0), 3200);
        QCOMPARE(KQ_Help_Step_Circle_Real_To_Steps(1.8, 32, 1, 90.0), 1600); // one quarter turn
        QCOMPARE(KQ_Help_Grating_Line_Real_To_Steps(0.5, 1.0), 2000);
        QCOMPARE(KQ_Help_Grating_Circle_Real_To_Steps(3600, 90.0), 900);
        QCOMPARE(KQ_Help_Encoder_Line_Real_To_Steps(5, 2, 2500, 1.0), 4000);
        QCOMPARE(KQ_Help_Encoder_Circle_Real_To_Steps(1, 2500, 360.0), 10000);
    }

    void roundTripsWithinHalfAStep()
    {
        const double values[] = {0.0, 1e-6, 0.3, 1.0, -1.0, 2.5, -7.77, 123.456, -98765.4321, 333.333333};
        for (const Pair &p : kPairs) {
            for (double x : values) {
                if (std::fabs(x * p.ratio) >= kMax)
                    continue;
                const int32_t steps = p.to(x);
                const double back = p.from(steps);
                QVERIFY2(std::fabs(back - x) <= 0.5 / p.ratio + 1e-12,
                         qPrintable(QStringLiteral("%1: %2 -> %3 -> %4").arg(p.name).arg(x).arg(steps).arg(back)));
                if (std::fabs(x * p.ratio) >= 0.5)
                    QVERIFY2((steps > 0) == (x > 0), p.name);
            }
            // And from the integer side: steps survive a trip through real units.
            for (int32_t s : {0, 1, -1, 6399, -123457, 10000000})
                QCOMPARE(p.to(p.from(s)), s);
        }
    }

    void roundsToNearestWithHalvesAwayFromZero()
    {
        // 360 graduations: one count per degree.
        QCOMPARE(KQ_Help_Grating_Circle_Real_To_Steps(360, 2.4), 2);
        QCOMPARE(KQ_Help_Grating_Circle_Real_To_Steps(360, 2.5), 3);
        QCOMPARE(KQ_Help_Grating_Circle_Real_To_Steps(360, 2.6), 3);
        QCOMPARE(KQ_Help_Grating_Circle_Real_To_Steps(360, -2.5), -3);
        QCOMPARE(KQ_Help_Grating_Circle_Real_To_Steps(360, -2.4), -2);
        QCOMPARE(KQ_Help_Grating_Circle_Real_To_Steps(360, 0.49), 0);
    }

    void saturatesAndStaysFinite()
    {
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(1.8, 32, 1, 1, 1e12), kMax);
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(1.8, 32, 1, 1, -1e12), kMin);
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(1.8, 32, 1, 1, kInf), kMax);
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(1.8, 32, 1, 1, -kInf), kMin);
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(1.8, 32, 1, 1, kNaN), 0);
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(kNaN, 32, 1, 1, 1.0), 0);
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(1.8, kMax, 1, 1, 1e300), kMax);
        // Just inside the range stays exact.
        QCOMPARE(KQ_Help_Grating_Circle_Real_To_Steps(360, 2147483647.0), kMax);
        QCOMPARE(KQ_Help_Grating_Circle_Real_To_Steps(360, -2147483648.0), kMin);
        QCOMPARE(KQ_Help_Grating_Circle_Real_To_Steps(360, 2147483646.4), kMax - 1);

        // Zero step angle, subdivision, pitch, scale, count or line count:
        // the integer side saturates or is 0, the real side is 0, never NaN.
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(0, 32, 1, 1, 1.0), kMax);
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(0, 32, 1, 1, -1.0), kMin);
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(0, 32, 1, 1, 0.0), 0);
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(1.8, 0, 1, 1, 5.0), 0);
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(1.8, 32, 0, 1, 1.0), kMax);
        QCOMPARE(KQ_Help_Step_Line_Steps_To_Real(0, 32, 1, 1, 100), 0.0);
        QCOMPARE(KQ_Help_Step_Line_Steps_To_Real(1.8, 0, 1, 1, 100), 0.0);
        QCOMPARE(KQ_Help_Step_Line_Steps_To_Real(1.8, 32, 0, 1, 100), 0.0);
        QCOMPARE(KQ_Help_Step_Line_Steps_To_Real(1.8, 32, 1, 0, 100), 0.0);
        QCOMPARE(KQ_Help_Step_Circle_Steps_To_Real(0, 32, 120, 100), 0.0);
        QCOMPARE(KQ_Help_Step_Circle_Steps_To_Real(1.8, 32, 0, 100), 0.0);
        QCOMPARE(KQ_Help_Grating_Line_Steps_To_Real(0, 100), 0.0);
        QCOMPARE(KQ_Help_Grating_Line_Real_To_Steps(0, 1.0), kMax);
        QCOMPARE(KQ_Help_Grating_Circle_Steps_To_Real(0, 100), 0.0);
        QCOMPARE(KQ_Help_Encoder_Line_Steps_To_Real(1, 1, 0, 100), 0.0);
        QCOMPARE(KQ_Help_Encoder_Line_Steps_To_Real(0, 1, 1000, 100), 0.0);
        QCOMPARE(KQ_Help_Encoder_Circle_Steps_To_Real(120, 0, 100), 0.0);
        QCOMPARE(KQ_Help_Step_Line_Steps_To_Real(kNaN, 32, 1, 1, 100), 0.0);
        QVERIFY(std::isfinite(KQ_Help_Step_Line_Steps_To_Real(1e-300, 32, 1e-300, 1, kMax)));
        // A ratio so small that the quotient overflows: 0, never infinite.
        QCOMPARE(KQ_Help_Step_Line_Steps_To_Real(1.8, 32, 1e308, 1, kMax), 0.0);
        QCOMPARE(KQ_Help_Step_Circle_Steps_To_Real(1.8, 1, 1e-308, kMin), 0.0);
        QCOMPARE(KQ_Help_Grating_Line_Steps_To_Real(1e308, kMax), 0.0);
        QCOMPARE(KQ_Help_Encoder_Line_Steps_To_Real(1e308, 1, 1, kMax), 0.0);
        QCOMPARE(KQ_Help_Encoder_Circle_Steps_To_Real(1e-308, 1, kMax), 0.0);
    }

    void negativeMechanicsKeepTheSign()
    {
        // A negative ratio flips the steps, and the way back flips them again.
        const int32_t s = KQ_Help_Step_Line_Real_To_Steps(1.8, 32, 1, -1, 2.0);
        QCOMPARE(s, -12800);
        QCOMPARE(KQ_Help_Step_Line_Steps_To_Real(1.8, 32, 1, -1, s), 2.0);
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(1.8, -32, 1, 1, -1.0), 6400);
    }

    void closedLoopFactors()
    {
        QCOMPARE(KQ_Help_Grating_Line_Factor(1.8, 32, 1, 1, 20), 128.0f);
        QCOMPARE(KQ_Help_Grating_Line_Factor(1.8, 32, 5, 2, 0.5), 1.28f);
        QCOMPARE(KQ_Help_Grating_Circle_Factor(1.8, 32, 120, 64800), float(32.0 * 120 / 1.8 / 180));
        QCOMPARE(KQ_Help_Grating_Circle_Factor(1.8, 32, 1, 360), 17.7777786f);
        QCOMPARE(KQ_Help_Encoder_Factor(1.8, 32, 1000), 1.6f);
        QCOMPARE(KQ_Help_Encoder_Factor(0.9, 16, 2500), 0.64f);

        QCOMPARE(KQ_Help_Encoder_Factor(1.8, 32, 0), 0.0f);
        QCOMPARE(KQ_Help_Encoder_Factor(0, 32, 1000), 0.0f);
        QCOMPARE(KQ_Help_Encoder_Factor(kNaN, 32, 1000), 0.0f);
        QCOMPARE(KQ_Help_Grating_Line_Factor(0, 32, 1, 1, 20), 0.0f);
        QCOMPARE(KQ_Help_Grating_Line_Factor(1.8, 32, 1, 1, 0), 0.0f);
        QCOMPARE(KQ_Help_Grating_Line_Factor(1.8, 32, 0, 0, 20), 0.0f);
        QCOMPARE(KQ_Help_Grating_Circle_Factor(1.8, 32, 120, 0), 0.0f);
        QCOMPARE(KQ_Help_Grating_Line_Factor(1e-30, kMax, 1, 1, 20), 0.0f); // beyond float
    }

    void helpCallsAreRememberedNotJournaled()
    {
        kqtest::FreshBoard();
        KQ_Help_Step_Line_Real_To_Steps(1.8, 32, 1, 1, 0.5);
        QCOMPARE(QString::fromLatin1(kqsim_last_help_call()),
                 QStringLiteral("KQ_Help_Step_Line_Real_To_Steps(1.8,32,1,1,0.5)"));
        KQ_Help_Encoder_Factor(1.8, -32, 1000);
        QCOMPARE(QString::fromLatin1(kqsim_last_help_call()), QStringLiteral("KQ_Help_Encoder_Factor(1.8,-32,1000)"));
        KQ_Help_Grating_Circle_Steps_To_Real(64800, -7);
        QCOMPARE(QString::fromLatin1(kqsim_last_help_call()),
                 QStringLiteral("KQ_Help_Grating_Circle_Steps_To_Real(64800,-7)"));
        KQ_Get_Axis_Num(nullptr); // a board call leaves it alone
        QCOMPARE(QString::fromLatin1(kqsim_last_help_call()),
                 QStringLiteral("KQ_Help_Grating_Circle_Steps_To_Real(64800,-7)"));
        QCOMPARE(kqtest::Journal(), QStringList({"KQ_Get_Axis_Num()"}));
        kqsim_reset(4, 4, kqtest::kAllResources);
        QCOMPARE(QString::fromLatin1(kqsim_last_help_call()), QString());
    }

    // With the journal off nothing is written down: no board call, no
    // conversion (the conversions still answer).
    void nothingIsWrittenDownWhileTheJournalIsOff()
    {
        kqtest::FreshBoard();
        KQ_Help_Step_Line_Real_To_Steps(1.8, 32, 1, 1, 0.5);
        kqsim_journal_record(0);
        QCOMPARE(KQ_Help_Step_Line_Real_To_Steps(1.8, 32, 1, 1, 2), 12800);
        KQ_Get_Axis_Num(nullptr);
        kqsim_reset(4, 4, kqtest::kAllResources); // stays off
        KQ_Open_USB();
        KQ_Help_Encoder_Factor(1.8, -32, 1000);
        QCOMPARE(kqtest::Journal(), QStringList());
        QCOMPARE(QString::fromLatin1(kqsim_last_help_call()), QString());
        kqsim_journal_record(1);
        KQ_Get_Axis_Num(nullptr);
        KQ_Help_Encoder_Factor(1.8, -32, 1000);
        QCOMPARE(kqtest::Journal(), QStringList({"KQ_Get_Axis_Num()"}));
        QCOMPARE(QString::fromLatin1(kqsim_last_help_call()), QStringLiteral("KQ_Help_Encoder_Factor(1.8,-32,1000)"));
    }
};
TAVORIN_TEST(HelpConversionTest)

#include "ConversionTest.moc"
