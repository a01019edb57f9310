#include "ConfigLoad.h"

#include "Conversion.h"
#include "config/AxisConfig.h"
#include "config/AxisConfigFile.h"
#include "config/IniFile.h"
#include "kq_api.h"

static bool Push_Axis_Sensor_Settings(uint16_t axis, const TAxis_Config &c)
{
    return KQ_Set_Encoder_Z_Polarity(axis, c.Encoder_Z ? 0 : 1) == 0
        && KQ_Set_Encoder_Dir_Polarity(axis, c.Encoder_Dir ? 1 : 0) == 0
        && KQ_Set_Encoder_Over_Enable(axis, c.Encoder_Over ? 1 : 0) == 0
        && KQ_Set_Encoder_Over_Max(axis, c.Encoder_Over_Max) == 0
        && KQ_Set_Encoder_Over_Stable(axis, c.Encoder_Over_Stable) == 0
        && KQ_Set_Axis_Position_Close_Dec_Factor(axis, static_cast<float>(c.Encoder_Factor)) == 0;
}

int Push_Sensor_Settings(int encoderCount, int axisCount)
{
    for (int i = 0; i < encoderCount; ++i) {
        if (i >= axisCount || i >= g_Axis_Config.size())
            continue; // no axis entry, so no settings for this channel
        const TAxis_Config &c = g_Axis_Config.at(i);
        if (!c.Encoder_Has)
            continue;
        if (!Push_Axis_Sensor_Settings(static_cast<uint16_t>(i), c))
            return i;
    }
    return -1;
}

QString Sensor_Failure_Text(int axis)
{
    return g_Axis_Config.at(axis).Axis_Caption + QStringLiteral(" 传感器设置失败");
}

int Load_Configuration(const QString &fileName, int axisCount, int encoderCount, int groupCount,
                       const std::function<void()> &axesLoaded,
                       const std::function<void(const QString &)> &sensorFailed)
{
    if (axisCount > 0) {
        const TIniFile ini(fileName);
        Load_Axis_Records(ini, axisCount);
        Calc_Ratio(axisCount);
        if (axesLoaded)
            axesLoaded();
        groupCount = Load_Group_Records(ini);
    }
    const int failed = Push_Sensor_Settings(encoderCount, axisCount);
    if (failed >= 0 && sensorFailed)
        sensorFailed(Sensor_Failure_Text(failed));
    return groupCount;
}
