#include "AxisDeviation.h"

#include "common/NumberText.h"
#include "controller/Conversion.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kExtraDecimals = 3;
constexpr int kMostDecimals = 12;
// For a sensor whose count has no usable size.
constexpr int kFallbackDecimals = 6;

} // namespace

int Deviation_Decimals(int axis)
{
    const double count = std::fabs(Sensor_Counts_To_Real(axis, 1) - Sensor_Counts_To_Real(axis, 0));
    if (!std::isfinite(count) || count <= 0)
        return kFallbackDecimals;
    // Decimals that show one count: 0.02 mm needs 2, 0.001 mm needs 3.
    const int needed = std::max(0, int(std::ceil(-std::log10(count) - 1e-9)));
    return std::min(needed + kExtraDecimals, kMostDecimals);
}

QString Deviation_Text(const std::optional<double> &target, double sensorPosition, int decimals, bool linear)
{
    if (!target)
        return QStringLiteral("—");
    return FormatFixed(sensorPosition - *target, decimals) + QLatin1Char(' ')
           + (linear ? QStringLiteral("mm") : QStringLiteral("°"));
}
