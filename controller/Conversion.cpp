#include "Conversion.h"

#include "config/AxisConfig.h"
#include "kq_api.h"

#include <cmath>

// Every conversion reads the axis's entry at the moment of the call, so a
// reloaded configuration takes effect on the next call.  The motor side is
// chosen by the axis kind alone; the sensor side by the axis kind and the
// sensor type.  Kind 0 is a linear stage, any other value a rotary stage;
// sensor type 0 is a grating ruler, any other value an encoder.

int32_t Motor_Real_To_Steps(int axis, double value)
{
    const TAxis_Config &c = g_Axis_Config.at(axis);
    if (c.Axis_Kind == 0)
        return KQ_Help_Step_Line_Real_To_Steps(c.StepAngle, c.Axis_Div, c.Line_Pitch, c.Line_Ratio, value);
    return KQ_Help_Step_Circle_Real_To_Steps(c.StepAngle, c.Axis_Div, c.Circle_Ratio, value);
}

double Motor_Steps_To_Real(int axis, int32_t steps)
{
    const TAxis_Config &c = g_Axis_Config.at(axis);
    if (c.Axis_Kind == 0)
        return KQ_Help_Step_Line_Steps_To_Real(c.StepAngle, c.Axis_Div, c.Line_Pitch, c.Line_Ratio, steps);
    return KQ_Help_Step_Circle_Steps_To_Real(c.StepAngle, c.Axis_Div, c.Circle_Ratio, steps);
}

int32_t Sensor_Real_To_Counts(int axis, double value)
{
    const TAxis_Config &c = g_Axis_Config.at(axis);
    if (c.Axis_Kind == 0) {
        if (c.Encoder_Type == 0)
            return KQ_Help_Grating_Line_Real_To_Steps(c.Encoder_Unit_um, value);
        return KQ_Help_Encoder_Line_Real_To_Steps(c.Line_Pitch, c.Line_Ratio, c.Encoder_LineCount, value);
    }
    if (c.Encoder_Type == 0)
        return KQ_Help_Grating_Circle_Real_To_Steps(c.Encoder_GratingCount, value);
    return KQ_Help_Encoder_Circle_Real_To_Steps(c.Circle_Ratio, c.Encoder_LineCount, value);
}

double Sensor_Counts_To_Real(int axis, int32_t counts)
{
    const TAxis_Config &c = g_Axis_Config.at(axis);
    if (c.Axis_Kind == 0) {
        if (c.Encoder_Type == 0)
            return KQ_Help_Grating_Line_Steps_To_Real(c.Encoder_Unit_um, counts);
        return KQ_Help_Encoder_Line_Steps_To_Real(c.Line_Pitch, c.Line_Ratio, c.Encoder_LineCount, counts);
    }
    if (c.Encoder_Type == 0)
        return KQ_Help_Grating_Circle_Steps_To_Real(c.Encoder_GratingCount, counts);
    return KQ_Help_Encoder_Circle_Steps_To_Real(c.Circle_Ratio, c.Encoder_LineCount, counts);
}

void Calc_Ratio(int axisCount)
{
    for (int axis = 0; axis < axisCount && axis < g_Axis_Config.size(); ++axis) {
        TAxis_Config &c = g_Axis_Config[axis];
        c.Open_Ratio = Motor_Real_To_Steps(axis, 1.0);
        const double unit = Motor_Steps_To_Real(axis, 1);
        c.Motor_Scale = std::isfinite(unit) && unit != 0 ? 1 / unit : 0;
    }
}
