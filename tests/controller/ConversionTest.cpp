#include "config/AxisConfig.h"
#include "common/Exceptions.h"
#include "controller/CheckedConversion.h"
#include "controller/Conversion.h"
#include "kq_sim.h"
#include "support/TestRegistry.h"

#include <QTest>
#include <cmath>
#include <limits>

namespace {
QString LastHelp()
{
    return QString::fromLatin1(kqsim_last_help_call());
}

TAxis_Config Axis(int kind, int encoderType)
{
    TAxis_Config c;
    c.Axis_Kind = kind;
    c.Encoder_Type = encoderType;
    c.StepAngle = 0.9;
    c.Axis_Div = 16;
    c.Line_Pitch = 5;
    c.Line_Ratio = 2;
    c.Circle_Ratio = 90;
    c.Encoder_Unit_um = 0.5;
    c.Encoder_GratingCount = 3600;
    c.Encoder_LineCount = 2500;
    return c;
}
}

class ConversionChoiceTest : public QObject
{
    Q_OBJECT
private slots:
    void choice_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("encoderType");
        QTest::addColumn<QString>("motorTo");
        QTest::addColumn<QString>("motorFrom");
        QTest::addColumn<QString>("sensorTo");
        QTest::addColumn<QString>("sensorFrom");
        QTest::newRow("linear, grating")
            << 0 << 0
            << "KQ_Help_Step_Line_Real_To_Steps(0.9,16,5,2,2.5)"
            << "KQ_Help_Step_Line_Steps_To_Real(0.9,16,5,2,-7)"
            << "KQ_Help_Grating_Line_Real_To_Steps(0.5,2.5)"
            << "KQ_Help_Grating_Line_Steps_To_Real(0.5,-7)";
        QTest::newRow("linear, encoder")
            << 0 << 1
            << "KQ_Help_Step_Line_Real_To_Steps(0.9,16,5,2,2.5)"
            << "KQ_Help_Step_Line_Steps_To_Real(0.9,16,5,2,-7)"
            << "KQ_Help_Encoder_Line_Real_To_Steps(5,2,2500,2.5)"
            << "KQ_Help_Encoder_Line_Steps_To_Real(5,2,2500,-7)";
        QTest::newRow("rotary, grating")
            << 1 << 0
            << "KQ_Help_Step_Circle_Real_To_Steps(0.9,16,90,2.5)"
            << "KQ_Help_Step_Circle_Steps_To_Real(0.9,16,90,-7)"
            << "KQ_Help_Grating_Circle_Real_To_Steps(3600,2.5)"
            << "KQ_Help_Grating_Circle_Steps_To_Real(3600,-7)";
        QTest::newRow("kind 2 and type 2 count as rotary and encoder")
            << 2 << 2
            << "KQ_Help_Step_Circle_Real_To_Steps(0.9,16,90,2.5)"
            << "KQ_Help_Step_Circle_Steps_To_Real(0.9,16,90,-7)"
            << "KQ_Help_Encoder_Circle_Real_To_Steps(90,2500,2.5)"
            << "KQ_Help_Encoder_Circle_Steps_To_Real(90,2500,-7)";
    }

    void choice()
    {
        QFETCH(int, kind);
        QFETCH(int, encoderType);
        QFETCH(QString, motorTo);
        QFETCH(QString, motorFrom);
        QFETCH(QString, sensorTo);
        QFETCH(QString, sensorFrom);
        g_Axis_Config = {TAxis_Config(), Axis(kind, encoderType)};
        Motor_Real_To_Steps(1, 2.5);
        QCOMPARE(LastHelp(), motorTo);
        Motor_Steps_To_Real(1, -7);
        QCOMPARE(LastHelp(), motorFrom);
        Sensor_Real_To_Counts(1, 2.5);
        QCOMPARE(LastHelp(), sensorTo);
        Sensor_Counts_To_Real(1, -7);
        QCOMPARE(LastHelp(), sensorFrom);
    }

    void configurationIsReadAtEachCall()
    {
        g_Axis_Config = {TAxis_Config()};
        QCOMPARE(Motor_Real_To_Steps(0, 1.0), 6400);
        g_Axis_Config[0].Axis_Div = 16;
        QCOMPARE(Motor_Real_To_Steps(0, 1.0), 3200);
        QCOMPARE(Motor_Real_To_Steps(0, -1.0), -3200);
    }

    void gratingTargetIgnoresMotorParameters()
    {
        g_Axis_Config = {Axis(0, 0)};
        const int32_t before = Sensor_Real_To_Counts(0, 3.0);
        g_Axis_Config[0].StepAngle = 7;
        g_Axis_Config[0].Axis_Div = 3;
        g_Axis_Config[0].Line_Pitch = 9;
        g_Axis_Config[0].Line_Ratio = 11;
        QCOMPARE(Sensor_Real_To_Counts(0, 3.0), before);
    }

    void calcRatioIsTheConversionOfOne()
    {
        g_Axis_Config = {TAxis_Config(), TAxis_Config(), Axis(1, 0)};
        g_Axis_Config[1].Axis_Kind = 1;
        Calc_Ratio(3);
        QCOMPARE(g_Axis_Config[0].Open_Ratio, 6400);
        QCOMPARE(g_Axis_Config[1].Open_Ratio, 2133);
        QCOMPARE(g_Axis_Config[2].Open_Ratio, Motor_Real_To_Steps(2, 1.0));
    }

    void zeroMechanicsGiveFiniteValues()
    {
        g_Axis_Config = {TAxis_Config()};
        g_Axis_Config[0].Axis_Div = 0;
        g_Axis_Config[0].StepAngle = 0;
        g_Axis_Config[0].Line_Pitch = 0;
        QVERIFY(qIsFinite(Motor_Steps_To_Real(0, 1000)));
        Motor_Real_To_Steps(0, 1.0); // saturates, never crashes
        Calc_Ratio(1);
    }

    // One step (count) per mm: the 32-bit bounds themselves are values the
    // board takes; one beyond is refused.
    void checkedConversionsTakeTheBounds()
    {
        g_Axis_Config = {TAxis_Config()};
        TAxis_Config &c = g_Axis_Config[0];
        c.Axis_Div = 1;
        c.Line_Pitch = 200;
        c.Encoder_Unit_um = 1000;
        const auto steps = [](double value) {
            try {
                return QString::number(Checked_Motor_Real_To_Steps(0, value)) + ' '
                    + QString::number(Checked_Sensor_Real_To_Counts(0, value));
            } catch (const EConvertError &e) {
                return e.Message();
            }
        };
        QCOMPARE(steps(2147483647.0), "2147483647 2147483647");
        QCOMPARE(steps(-2147483648.0), "-2147483648 -2147483648");
        QCOMPARE(steps(2147483648.0), "第1轴：数值 2147483648 换算后超出控制器的数值范围");
        QCOMPARE(steps(-2147483649.0), "第1轴：数值 -2147483649 换算后超出控制器的数值范围");
    }

    // The checked conversion that panels and program steps share: the
    // library's exact steps, and a refusal of what the board cannot take.
    void checkedMotorConversionRefusesWhatDoesNotFit()
    {
        g_Axis_Config = {TAxis_Config()};
        const auto converted = [](int32_t div, double value) {
            g_Axis_Config[0].Axis_Div = div;
            try {
                return QString::number(Checked_Motor_Real_To_Steps(0, value));
            } catch (const EConvertError &e) {
                return e.Message();
            }
        };
        const QString noSteps = "第1轴：每毫米(度)的电机步数无效，无法换算数值 %1，请检查参数配置";
        const QString range = "第1轴：数值 %1 换算后超出控制器的数值范围";
        QCOMPARE(converted(16, 0.15625), "500");
        QCOMPARE(converted(0, 1), noSteps.arg(1));
        QCOMPARE(converted(32, 1e6), range.arg(1000000));
        QCOMPARE(converted(32, std::numeric_limits<double>::quiet_NaN()), range.arg("NAN"));
    }

    // A value within the sure bound passes the full check, at the bound and
    // for steps that are tiny, huge or negative; an unusable step has none.
    void sureBoundOnlyLetsThroughWhatPasses()
    {
        constexpr double kMax = std::numeric_limits<double>::max();
        constexpr double kInf = std::numeric_limits<double>::infinity();
        const auto passes = [](double value, double realPerStep) {
            try {
                Check_Motor_Real(0, value, realPerStep);
                return true;
            } catch (const EConvertError &) {
                return false;
            }
        };
        for (double step : {1.0 / 6400, -1.0 / 6400, 1.0, 3e-310, 5e-324, 1e300, kMax}) {
            const double bound = Motor_Real_Sure_Bound(step);
            QVERIFY(bound > 0);
            for (double value : {bound, -bound, std::nextafter(bound, 0.0), bound / 3, kMax, kInf})
                QVERIFY(std::fabs(value) > bound || passes(value, step));
        }
        for (double step : {0.0, kInf, std::numeric_limits<double>::quiet_NaN()})
            QCOMPARE(Motor_Real_Sure_Bound(step), -1.0);
    }
};
TAVORIN_TEST(ConversionChoiceTest)

#include "ConversionTest.moc"
