#pragma once
// The conversions of values that a command sends to the board.
//
// The library saturates a result that does not fit in 32 bits, and an axis
// whose configuration gives no usable steps per unit (a step angle,
// subdivision or pitch of 0) turns every speed and target into the largest
// number or into 0.  Sent on, such a value drives the axis at full speed
// into its limit.  These conversions throw EConvertError instead, naming
// the axis (counted from 1) and the value, so that the command ends at that
// conversion exactly as it does on an entry that is not a number.
#include <cstdint>

// Motor_Real_To_Steps with the check: the axis must have a usable motor
// ratio and the result must lie inside the 32-bit range.
int32_t Checked_Motor_Real_To_Steps(int axis, double value);

// Its check alone, for an axis whose distance of one motor step
// (Motor_Steps_To_Real(axis, 1)) is already known: a check of many values
// reads it once.  Throws as the conversion would.
void Check_Motor_Real(int axis, double value, double realPerStep);
// A magnitude up to which every value passes Check_Motor_Real with
// `realPerStep`, without the division (half the range: no rounding can
// take such a value out); -1 when the step is unusable and nothing passes.
double Motor_Real_Sure_Bound(double realPerStep);

// Sensor_Real_To_Counts with the same check on the sensor side.
int32_t Checked_Sensor_Real_To_Counts(int axis, double value);

// Whether one motor step of the axis is a real, non-zero distance: without
// that the axis has no position in mm or degrees.
bool Has_Motor_Unit(int axis);
