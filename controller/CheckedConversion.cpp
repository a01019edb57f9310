#include "CheckedConversion.h"

#include "Conversion.h"
#include "common/Exceptions.h"
#include "common/NumberText.h"
#include "config/AxisConfig.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kMin32 = std::numeric_limits<int32_t>::min();
constexpr double kMax32 = std::numeric_limits<int32_t>::max();

// Whether a step count, before its rounding to the nearest integer, lands
// inside the 32-bit range, the bounds themselves included (NaN does not).
bool Fits_32_Bits(double steps)
{
    return std::isfinite(steps) && steps >= kMin32 - 0.5 && steps < kMax32 + 0.5;
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

// The library's result is at a bound both for a value that lands there and
// for one far beyond; the value over the size of one step tells them apart.
int32_t Checked_Motor_Real_To_Steps(int axis, double value)
{
    Check_Motor_Real(axis, value, Motor_Steps_To_Real(axis, 1));
    return Motor_Real_To_Steps(axis, value);
}

void Check_Motor_Real(int axis, double value, double realPerStep)
{
    if (!Usable_Unit(realPerStep))
        Throw_No_Ratio(axis, value, Motor_Side());
    if (!Fits_32_Bits(value / realPerStep))
        Throw_Out_Of_Range(axis, value);
}

// |value| <= |realPerStep| * 2^30 gives |value / realPerStep| <= 2^30: the
// product is exact (a power of two) and the rounded quotient stays at or
// below the exact one's bound.  Where the product is beyond the largest
// double, every finite value's quotient is below 2^30; infinity is not let
// through.
double Motor_Real_Sure_Bound(double realPerStep)
{
    if (!Usable_Unit(realPerStep))
        return -1;
    return std::min(std::ldexp(std::fabs(realPerStep), 30), std::numeric_limits<double>::max());
}

int32_t Checked_Sensor_Real_To_Counts(int axis, double value)
{
    const double realPerCount = Sensor_Counts_To_Real(axis, 1);
    if (!Usable_Unit(realPerCount))
        Throw_No_Ratio(axis, value, QStringLiteral("每毫米(度)的传感器计数"));
    if (!Fits_32_Bits(value / realPerCount))
        Throw_Out_Of_Range(axis, value);
    return Sensor_Real_To_Counts(axis, value);
}

bool Has_Motor_Unit(int axis)
{
    return Usable_Unit(Motor_Steps_To_Real(axis, 1));
}
