#include "StatusRefresh.h"

#include "TStatusModel.h"
#include "config/AxisConfig.h"
#include "controller/CheckedConversion.h"
#include "controller/Conversion.h"
#include "kq_api.h"

#include <algorithm>
#include <limits>

void Refresh_Status(TStatusModel &status, int axisCount)
{
    for (int a = 0; a < axisCount && a < g_Axis_Config.size(); ++a) {
        int32_t steps = 0;
        if (KQ_Get_Axis_Software_P_Now(uint16_t(a), &steps) != 0)
            continue;
        status.SetSteps(a, steps);
        // The software position counts motor steps whatever the work mode;
        // an axis whose steps have no length shows that it has no position.
        status.SetPos(a, Has_Motor_Unit(a) ? Motor_Steps_To_Real(a, steps) : std::numeric_limits<double>::quiet_NaN());
    }
    status.EndRefresh();
}

std::vector<double> Board_Steps(int axisCount)
{
    std::vector<double> steps(size_t(std::max(axisCount, 0)), 0.0);
    for (int a = 0; a < axisCount; ++a) {
        int32_t p = 0;
        if (KQ_Get_Axis_Software_P_Now(uint16_t(a), &p) == 0)
            steps[size_t(a)] = p;
    }
    return steps;
}
