#include "AxisConfig.h"

#include "common/NumberText.h"

QVector<TAxis_Config> g_Axis_Config;
QVector<TGroup_Config> g_Group_Config;

QString AxisSection(int axis)
{
    return QStringLiteral("AXIS") + QString::number(axis);
}

std::optional<double> Limit_From_Text(const QString &text)
{
    double value = 0;
    if (!TryStrToFloat(text, value))
        return std::nullopt;
    return value;
}

std::optional<double> InPos_Tolerance(const TAxis_Config &config)
{
    if (!config.Encoder_Has || !config.InPos_Tol || !(*config.InPos_Tol > 0))
        return std::nullopt;
    return config.InPos_Tol;
}

QString Position_Unit(const TAxis_Config &config)
{
    return config.Axis_Kind == 0 ? QStringLiteral("mm") : QStringLiteral("°");
}

QString Speed_Unit(const TAxis_Config &config)
{
    return Position_Unit(config) + QStringLiteral("/s");
}
