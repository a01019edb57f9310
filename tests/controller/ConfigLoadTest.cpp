// The closed-loop sensor settings sent after a configuration load.
#include "controller/ConfigLoad.h"
#include "config/AxisConfig.h"
#include "support/Fixtures.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace Fixtures;

class SensorPushTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        kqsim_reset(4, 4, KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER);
        KQ_Open_USB();
        kqsim_journal_clear();
        g_Axis_Config = QVector<TAxis_Config>(3);
    }
    void cleanup() { kqsim_reset(4, 4, KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER); }

    void onlyAxesWithSensorInOrder()
    {
        g_Axis_Config[1].Encoder_Has = true;
        g_Axis_Config[1].Encoder_Factor = 0.1;
        g_Axis_Config[1].Encoder_Over_Max = 7;
        g_Axis_Config[1].Encoder_Over_Stable = 9;
        Push_Sensor_Settings(3, 3);
        QCOMPARE(Journal(), QStringList({
            "KQ_Set_Encoder_Z_Polarity(1,0)",
            "KQ_Set_Encoder_Dir_Polarity(1,1)",
            "KQ_Set_Encoder_Over_Enable(1,1)",
            "KQ_Set_Encoder_Over_Max(1,7)",
            "KQ_Set_Encoder_Over_Stable(1,9)",
            "KQ_Set_Axis_Position_Close_Dec_Factor(1,0.100000001)"}));
        QCOMPARE(kqsim_axis_close_factor(1), 0.1f);
    }

    void falseFlagsSendTheOppositeLevels()
    {
        g_Axis_Config[0].Encoder_Has = true;
        g_Axis_Config[0].Encoder_Z = false;
        g_Axis_Config[0].Encoder_Dir = false;
        g_Axis_Config[0].Encoder_Over = false;
        Push_Sensor_Settings(1, 3);
        QCOMPARE(Journal().mid(0, 3), QStringList({
            "KQ_Set_Encoder_Z_Polarity(0,1)",
            "KQ_Set_Encoder_Dir_Polarity(0,0)",
            "KQ_Set_Encoder_Over_Enable(0,0)"}));
    }

    void firstFailureEndsThePush()
    {
        for (TAxis_Config &c : g_Axis_Config)
            c.Encoder_Has = true;
        g_Axis_Config[0].Encoder_Has = false;
        kqsim_fail("KQ_Set_Encoder_Dir_Polarity", 1);
        QCOMPARE(Push_Sensor_Settings(3, 3), 1); // the axis whose settings failed
        kqsim_fail("KQ_Set_Encoder_Dir_Polarity", 0);
        QCOMPARE(Journal(), QStringList({
            "KQ_Set_Encoder_Z_Polarity(1,0)",
            "KQ_Set_Encoder_Dir_Polarity(1,1)"}));
    }

    void loadReportsTheAxisWhoseSettingsFailed()
    {
        TempConfig cfg;
        cfg.Write("[AXIS1]\r\nCAPTION=Y轴\r\nENCODER_HAS=1\r\n[AXIS2]\r\nENCODER_HAS=1\r\n");
        QStringList told;
        const auto tell = [&told](const QString &why) { told << why; };
        kqsim_fail("KQ_Set_Axis_Position_Close_Dec_Factor", 1);
        Load_Configuration(cfg.Path(), 3, 3, 0, {}, tell);
        kqsim_fail("KQ_Set_Axis_Position_Close_Dec_Factor", 0);
        QCOMPARE(told, QStringList({"Y轴 传感器设置失败"}));
        Load_Configuration(cfg.Path(), 3, 3, 0, {}, tell);
        QCOMPARE(told.size(), 1); // nothing to tell when every call succeeds
    }

    void channelsWithoutAxisEntryAreSkipped()
    {
        for (TAxis_Config &c : g_Axis_Config)
            c.Encoder_Has = true;
        // Four channels, three entries, and an axis count of 2 in force.
        Push_Sensor_Settings(4, 2);
        for (const QString &e : Journal())
            QVERIFY2(e.contains(QLatin1String("(0,")) || e.contains(QLatin1String("(1,")), qPrintable(e));
        QCOMPARE(Journal().size(), 12);
    }
};
TAVORIN_TEST(SensorPushTest)


#include "ConfigLoadTest.moc"
