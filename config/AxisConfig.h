#pragma once
// The configuration of every axis and of the function groups, as loaded
// from the configuration file.
#include <QString>
#include <QVector>
#include <cstdint>
#include <optional>

struct TAxis_Config
{
    bool Axis_Visible = true;
    QString Axis_Caption;
    QString Axis_Neg;
    QString Axis_Pos;
    int32_t Axis_Kind = 0;        // 0 linear stage, otherwise rotary stage
    int32_t Axis_Div = 32;        // microstep subdivision
    double Line_Pitch = 1;        // mm
    double Circle_Ratio = 120;    // 1:N
    double Line_Ratio = 1;        // 1:N
    double Acc = 1;               // mm/s^2 or deg/s^2
    double Dec = 1;
    double Max_V = 1;             // mm/s or deg/s
    double StepAngle = 1.8;       // degrees
    double Fast0 = 0;
    double Fast1 = 90;
    double Fast2 = 180;
    double Fast3 = 270;
    bool Encoder_Has = false;
    int32_t Encoder_Type = 0;     // 0 grating ruler, otherwise encoder
    int32_t Encoder_LineCount = 1000;
    double Encoder_Unit_um = 20;
    int32_t Encoder_GratingCount = 64800;
    double Encoder_Factor = 1;
    bool Encoder_Z = true;
    bool Encoder_Dir = true;
    bool Encoder_Over = true;
    int32_t Encoder_Over_Max = 100;
    int32_t Encoder_Over_Stable = 50;
    QString P_Rel = QStringLiteral("1");
    QString P_Abs = QStringLiteral("1");
    QString V_Rel = QStringLiteral("1");
    QString V_Abs = QStringLiteral("1");
    QString Home_V = QStringLiteral("-1");
    int32_t Group_ID = 0;
    // Travel limits in mm or degrees, in the coordinate counted from the
    // last home; none on a side that is not set.
    std::optional<double> Soft_Min;
    std::optional<double> Soft_Max;
    // In-position check of program moves on an axis with a sensor: the
    // tolerance in mm or degrees (none or 0: no check) and how many
    // corrections a move may take.
    std::optional<double> InPos_Tol;
    int32_t InPos_Retry = 3;
    // Motor steps per mm or degree, rounded to a whole step: the library's
    // conversion of 1.  Nothing converts with it (a rounded ratio puts
    // axes whose steps per unit are not whole off target).
    int32_t Open_Ratio = 0;
    // Motor steps per mm or degree as the library converts, unrounded: the
    // planner and the path preview convert whole programs with it, without
    // a library call per row (and from any thread).
    double Motor_Scale = 0;
};

struct TGroup_Config
{
    int32_t ID = 0;
    QString Caption;
    bool Visible = false;
};

extern QVector<TAxis_Config> g_Axis_Config;
extern QVector<TGroup_Config> g_Group_Config;

// A travel limit as the file holds it: empty (or absent, or not a number)
// for none.
std::optional<double> Limit_From_Text(const QString &text);

// The tolerance of the in-position check of program moves; none when the
// axis has no sensor or no tolerance above 0 is set.
std::optional<double> InPos_Tolerance(const TAxis_Config &config);

// Section name of an axis: "AXIS" + number.
QString AxisSection(int axis);

// The units of an axis's positions and speeds: "mm" and "mm/s" for a
// linear stage, "°" and "°/s" for a rotary one.
QString Position_Unit(const TAxis_Config &config);
QString Speed_Unit(const TAxis_Config &config);
