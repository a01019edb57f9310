#pragma once
// The deviation readout of an axis panel in closed loop: the measured
// sensor position minus the last commanded target, in the axis's unit, with
// three decimals more than one sensor count needs; "—" without a target.
#include <QString>
#include <optional>

// Two unit conversions: the panel asks once, not on every poll.
int Deviation_Decimals(int axis);
QString Deviation_Text(const std::optional<double> &target, double sensorPosition, int decimals, bool linear);
