#pragma once
// Reading the axis and group records from the configuration file and
// writing the axis panels' entry texts back.
#include "AxisConfig.h"

class TIniFile;

// One axis section read with the defaults of the key table.
TAxis_Config Read_Axis_Config(const TIniFile &ini, int axis);

// Fills g_Axis_Config with axisCount entries from the file.  The run-time
// ratios are left to Calc_Ratio.
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
