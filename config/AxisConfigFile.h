#pragma once
// Reading the axis and group records from the configuration file, sending
// the closed-loop sensor settings to the board, and writing the axis panels'
// entry texts back.
#include "AxisConfig.h"

#include <functional>

class TIniFile;

// One axis section read with the defaults of the key table.
TAxis_Config Read_Axis_Config(const TIniFile &ini, int axis);

// Fills g_Axis_Config with axisCount entries from the file, bOpen set.
// The run-time ratios are left to Calc_Ratio; Close_Ratio keeps its value.
void Load_Axis_Records(const TIniFile &ini, int axisCount);

// The axes a configuration file describes without a board: one past the
// highest "AXIS<n>" section (at most kMaxStoredAxes), kDefaultStoredAxes
// when there is none.
constexpr int kDefaultStoredAxes = 4;
constexpr int kMaxStoredAxes = 64;
int Stored_Axis_Count(const TIniFile &ini);

// Reads the "GROUP" section into g_Group_Config; returns the group count.
// With no group the array keeps its earlier contents.
int Load_Group_Records(const TIniFile &ini);

// Sends the sensor settings of every encoder channel whose axis has a
// sensor; ends silently at the first call that fails.  A channel without an
// axis entry (number >= axisCount) has no settings and is skipped.
void Push_Sensor_Settings(int encoderCount, int axisCount);

// The whole configuration load after a connection or the parameter dialog:
// with axes, the axis records from `fileName`, their ratios, `axesLoaded`
// (the window rebuilds its status table and axis lists there) and the
// groups; then, with or without axes, the sensor settings.  Returns the
// group count, or `groupCount` unchanged when there is no axis.
int Load_Configuration(const QString &fileName, int axisCount, int encoderCount, int groupCount,
                       const std::function<void()> &axesLoaded);

// The five entry texts of one axis panel, written under the panel's name.
struct TAxis_Entries
{
    QString Section;
    QString P_Rel;
    QString P_Abs;
    QString V_Abs;
    QString V_Rel;
    QString Home_V;
};

// Writes the entries in the given order as one save of the file; throws
// EIniFileException when the file cannot be written (nothing is written
// then) or a panel's name cannot be a section (the panels before it are
// written).
void Write_Axis_Entries(TIniFile &ini, const QVector<TAxis_Entries> &panels);
