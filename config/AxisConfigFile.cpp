#include "AxisConfigFile.h"

#include "IniFile.h"

#include <algorithm>

TAxis_Config Read_Axis_Config(const TIniFile &ini, int axis)
{
    const QString s = AxisSection(axis);
    const TAxis_Config d; // the defaults
    TAxis_Config c;
    c.Axis_Visible = ini.ReadBool(s, "VISIBLE", d.Axis_Visible);
    c.Axis_Caption = ini.ReadString(s, "CAPTION", QStringLiteral("第%1轴").arg(axis + 1));
    c.Axis_Neg = ini.ReadString(s, "NEG", QStringLiteral("负"));
    c.Axis_Pos = ini.ReadString(s, "POS", QStringLiteral("正"));
    c.Axis_Kind = ini.ReadInteger(s, "KIND", d.Axis_Kind);
    c.Axis_Div = ini.ReadInteger(s, "DIV", d.Axis_Div);
    c.Line_Ratio = ini.ReadFloat(s, "LINE_RATIO", d.Line_Ratio);
    c.Circle_Ratio = ini.ReadFloat(s, "CIRCLE_RATIO", d.Circle_Ratio);
    c.Line_Pitch = ini.ReadFloat(s, "PITCH", d.Line_Pitch);
    c.Acc = ini.ReadFloat(s, "ACC", d.Acc);
    c.Dec = ini.ReadFloat(s, "DEC", d.Dec);
    c.Max_V = ini.ReadFloat(s, "MAX_V", d.Max_V);
    c.StepAngle = ini.ReadFloat(s, "STEPANGLE", d.StepAngle);
    c.Fast0 = ini.ReadFloat(s, "FAST0", d.Fast0);
    c.Fast1 = ini.ReadFloat(s, "FAST1", d.Fast1);
    c.Fast2 = ini.ReadFloat(s, "FAST2", d.Fast2);
    c.Fast3 = ini.ReadFloat(s, "FAST3", d.Fast3);
    c.P_Rel = ini.ReadString(s, "P_REL", d.P_Rel);
    c.P_Abs = ini.ReadString(s, "P_ABS", d.P_Abs);
    c.V_Rel = ini.ReadString(s, "V_REL", d.V_Rel);
    c.V_Abs = ini.ReadString(s, "V_ABS", d.V_Abs);
    c.Home_V = ini.ReadString(s, "HOME_V", d.Home_V);
    c.Encoder_Has = ini.ReadBool(s, "ENCODER_HAS", d.Encoder_Has);
    c.Encoder_Type = ini.ReadInteger(s, "ENCODER_TYPE", d.Encoder_Type);
    c.Encoder_LineCount = ini.ReadInteger(s, "ENCODER_LINE_COUNT", d.Encoder_LineCount);
    c.Encoder_Unit_um = ini.ReadFloat(s, "ENCODER_UNIT_UM", d.Encoder_Unit_um);
    c.Encoder_GratingCount = ini.ReadInteger(s, "ENCODER_GRATING_COUNT", d.Encoder_GratingCount);
    c.Encoder_Factor = ini.ReadFloat(s, "ENCODER_FACTOR", d.Encoder_Factor);
    c.Encoder_Z = ini.ReadBool(s, "ENCODER_Z", d.Encoder_Z);
    c.Encoder_Dir = ini.ReadBool(s, "ENCODER_DIR", d.Encoder_Dir);
    c.Encoder_Over = ini.ReadBool(s, "ENCODER_OVER", d.Encoder_Over);
    c.Encoder_Over_Max = ini.ReadInteger(s, "ENCODER_OVER_MAX", d.Encoder_Over_Max);
    c.Encoder_Over_Stable = ini.ReadInteger(s, "ENCODER_OVER_STABLE", d.Encoder_Over_Stable);
    c.Group_ID = ini.ReadInteger(s, "GROUP_ID", d.Group_ID);
    c.Soft_Min = Limit_From_Text(ini.ReadString(s, "SOFT_MIN", QString()));
    c.Soft_Max = Limit_From_Text(ini.ReadString(s, "SOFT_MAX", QString()));
    c.InPos_Tol = Limit_From_Text(ini.ReadString(s, "INPOS_TOL", QString()));
    c.InPos_Retry = ini.ReadInteger(s, "INPOS_RETRY", d.InPos_Retry);
    return c;
}

void Load_Axis_Records(const TIniFile &ini, int axisCount)
{
    g_Axis_Config.resize(axisCount);
    for (int i = 0; i < axisCount; ++i)
        g_Axis_Config[i] = Read_Axis_Config(ini, i);
}

int Load_Group_Records(const TIniFile &ini)
{
    const QStringList names = ini.ReadSection(QStringLiteral("GROUP"));
    if (names.isEmpty())
        return 0;
    g_Group_Config.resize(names.size());
    for (int k = 0; k < names.size(); ++k) {
        g_Group_Config[k].ID = k;
        g_Group_Config[k].Caption = names.at(k);
        g_Group_Config[k].Visible = false;
    }
    return names.size();
}

void Write_Axis_Entries(TIniFile &ini, const QVector<TAxis_Entries> &panels)
{
    ini.Batch([&] {
        for (const TAxis_Entries &e : panels) {
            ini.WriteString(e.Section, "P_REL", e.P_Rel);
            ini.WriteString(e.Section, "P_ABS", e.P_Abs);
            ini.WriteString(e.Section, "V_ABS", e.V_Abs);
            ini.WriteString(e.Section, "V_REL", e.V_Rel);
            ini.WriteString(e.Section, "HOME_V", e.Home_V);
        }
    });
}

int Stored_Axis_Count(const TIniFile &ini)
{
    int count = 0;
    for (const QString &section : ini.ReadSections()) {
        if (!section.startsWith(QLatin1String("AXIS"), Qt::CaseInsensitive))
            continue;
        bool number = false;
        const int axis = section.mid(4).toInt(&number);
        if (number && axis >= 0 && axis < kMaxStoredAxes && section.mid(4) == QString::number(axis))
            count = std::max(count, axis + 1);
    }
    return count > 0 ? count : kDefaultStoredAxes;
}
