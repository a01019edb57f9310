#pragma once
// Unit conversion of one axis between mm or degrees and motor steps or
// sensor counts, through the controller library, with the axis's current
// entry in g_Axis_Config.
#include <cstdint>

int32_t Motor_Real_To_Steps(int axis, double value);
double Motor_Steps_To_Real(int axis, int32_t steps);
int32_t Sensor_Real_To_Counts(int axis, double value);
double Sensor_Counts_To_Real(int axis, int32_t counts);

// Open_Ratio and Motor_Scale of axes 0 .. axisCount-1.
void Calc_Ratio(int axisCount);
