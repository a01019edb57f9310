#include "CheckedConversion.h"

#include "Conversion.h"
#include "common/Exceptions.h"
#include "common/NumberText.h"
#include "config/AxisConfig.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kMin32 = std::numeric_limits<int32_t>::min();
constexpr double kMax32 = std::numeric_limits<int32_t>::max();

// The library gives the bounds themselves for every result beyond them,
// so a bound counts as out of range (and 0 for a value that is not a
// number, which the callers refuse before).
bool Fits_32_Bits(double steps)
{
    return std::isfinite(steps) && steps > kMin32 && steps < kMax32;
}

// One step (or count) is a real, non-zero distance.
bool Usable_Unit(double realPerStep)
{
    return std::isfinite(realPerStep) && realPerStep != 0;
}

QString Axis_Name(int axis)
{
    return QStringLiteral("第%1轴").arg(axis + 1);
}

[[noreturn]] void Throw_No_Ratio(int axis, double value, const QString &side)
{
    throw EConvertError(QStringLiteral("%1：%2无效，无法换算数值 %3，请检查参数配置")
                            .arg(Axis_Name(axis), side, FloatToStr(value)));
}

[[noreturn]] void Throw_Out_Of_Range(int axis, double value)
{
    throw EConvertError(
        QStringLiteral("%1：数值 %2 换算后超出控制器的数值范围").arg(Axis_Name(axis), FloatToStr(value)));
}

const QString &Motor_Side()
{
    static const QString text = QStringLiteral("每毫米(度)的电机步数");
    return text;
}

} // namespace

int32_t Checked_Motor_Real_To_Steps(int axis, double value)
{
    if (!Has_Motor_Unit(axis))
        Throw_No_Ratio(axis, value, Motor_Side());
    const int32_t steps = Motor_Real_To_Steps(axis, value);
    if (!std::isfinite(value) || !Fits_32_Bits(steps))
        Throw_Out_Of_Range(axis, value);
    return steps;
}

int32_t Checked_Sensor_Real_To_Counts(int axis, double value)
{
    if (!Usable_Unit(Sensor_Counts_To_Real(axis, 1)))
        Throw_No_Ratio(axis, value, QStringLiteral("每毫米(度)的传感器计数"));
    const int32_t counts = Sensor_Real_To_Counts(axis, value);
    if (!std::isfinite(value) || !Fits_32_Bits(counts))
        Throw_Out_Of_Range(axis, value);
    return counts;
}

bool Has_Motor_Unit(int axis)
{
    return Usable_Unit(Motor_Steps_To_Real(axis, 1));
}
