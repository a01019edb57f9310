#include "AxisConfig.h"

QVector<TAxis_Config> g_Axis_Config;
QVector<TGroup_Config> g_Group_Config;

QString AxisSection(int axis)
{
    return QStringLiteral("AXIS") + QString::number(axis);
}
