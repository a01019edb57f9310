#pragma once
// Loading the configuration after a connection or the parameter dialog:
// the records from the configuration file, the ratios the library computes
// from them, and the closed-loop sensor settings sent to the board.
#include <QString>
#include <functional>

// Sends the sensor settings of every encoder channel whose axis has a
// sensor; ends at the first call that fails and returns that axis (-1 when
// every call succeeded).  A channel without an axis entry (number >=
// axisCount) has no settings and is skipped.
int Push_Sensor_Settings(int encoderCount, int axisCount);

// What the operator is told when an axis's sensor settings failed: a
// closed-loop axis may run with the wrong counting direction.
QString Sensor_Failure_Text(int axis);

// The whole configuration load: with axes, the axis records from
// `fileName`, their ratios, `axesLoaded` (the window rebuilds its status
// table and axis lists there) and the groups; then, with or without axes,
// the sensor settings, a failure of which goes to `sensorFailed` (its
// Sensor_Failure_Text).  Returns the group count, or `groupCount`
// unchanged when there is no axis.
int Load_Configuration(const QString &fileName, int axisCount, int encoderCount, int groupCount,
                       const std::function<void()> &axesLoaded,
                       const std::function<void(const QString &)> &sensorFailed = {});
