#include "AxisCommands.h"

#include "CheckedConversion.h"
#include "config/AxisConfig.h"
#include "kq_api.h"

#include <cstdlib>

namespace AxisCommands {

namespace {

// Notes the first call that failed; true when this one succeeded.
bool Sent(TResult &result, const char *function, int32_t code)
{
    if (code != 0 && result.Ok()) {
        result.Function = QLatin1String(function);
        result.Code = code;
    }
    return code == 0;
}

// One library call, named as the library names it.
#define KQ_SENT(result, call, ...) Sent(result, #call, call(__VA_ARGS__))

const TAxis_Config &Config(int axis)
{
    return g_Axis_Config.at(axis);
}

int32_t Motor(int axis, double value)
{
    return Checked_Motor_Real_To_Steps(axis, value);
}

int32_t Position_Value(int axis, TLoop loop, double value)
{
    return loop == TLoop::Open ? Motor(axis, value) : Checked_Sensor_Real_To_Counts(axis, value);
}

bool Velocity_Profile(TResult &r, int axis)
{
    const uint16_t a = uint16_t(axis);
    return KQ_SENT(r, KQ_Set_Axis_Mode_Velocity, a) && KQ_SENT(r, KQ_Set_Axis_Velocity_Acc, a, Motor(axis, Config(axis).Acc))
        && KQ_SENT(r, KQ_Set_Axis_Velocity_Dec, a, Motor(axis, Config(axis).Dec));
}

bool Home_Mode(TResult &r, uint16_t a, THome_Mode mode)
{
    switch (mode) {
    case THome_Mode::Board:
        return KQ_SENT(r, KQ_Set_Axis_Mode_Home, a);
    case THome_Mode::Home_Switch:
        return KQ_SENT(r, KQ_Set_Axis_Mode_Home_Home_Switch, a);
    case THome_Mode::Encoder_Index:
        return KQ_SENT(r, KQ_Set_Axis_Mode_Home_Encoder_Index, a);
    case THome_Mode::Encoder_Home_Switch:
        return KQ_SENT(r, KQ_Set_Axis_Mode_Home_Encoder_Home_Switch, a);
    }
    return false;
}

bool Home_Profile(TResult &r, int axis, THome_Mode mode)
{
    const uint16_t a = uint16_t(axis);
    return Home_Mode(r, a, mode) && KQ_SENT(r, KQ_Set_Axis_Home_Acc, a, Motor(axis, Config(axis).Acc))
        && KQ_SENT(r, KQ_Set_Axis_Home_Dec, a, Motor(axis, Config(axis).Dec));
}

} // namespace

THome_Mode Panel_Home_Mode(TLoop loop, int32_t encoderType)
{
    if (loop == TLoop::Open)
        return THome_Mode::Home_Switch;
    return encoderType == 0 ? THome_Mode::Encoder_Index : THome_Mode::Encoder_Home_Switch;
}

QString TResult::Text(const QString &axisName) const
{
    return QStringLiteral("%1 设置失败（%2返回%3）").arg(axisName, Function).arg(Code);
}

// ---- position move ----------------------------------------------------------

TResult Position_Profile(int axis, TLoop loop)
{
    TResult r;
    const uint16_t a = uint16_t(axis);
    const bool mode = loop == TLoop::Open ? KQ_SENT(r, KQ_Set_Axis_Mode_Position, a)
                                          : KQ_SENT(r, KQ_Set_Axis_Mode_Position_Close, a);
    if (mode && KQ_SENT(r, KQ_Set_Axis_Position_Acc, a, Motor(axis, Config(axis).Acc))
        && KQ_SENT(r, KQ_Set_Axis_Position_Dec, a, Motor(axis, Config(axis).Dec)))
        KQ_SENT(r, KQ_Set_Axis_Position_V_Max, a, Motor(axis, Config(axis).Max_V));
    return r;
}

TResult Position_Target(int axis, TLoop loop, bool absolute, double value)
{
    TResult r;
    const uint16_t a = uint16_t(axis);
    const int32_t target = Position_Value(axis, loop, value);
    if (absolute)
        KQ_SENT(r, KQ_Set_Axis_Position_P_Target_Abs, a, target);
    else
        KQ_SENT(r, KQ_Set_Axis_Position_P_Target_Rel, a, target);
    return r;
}

TResult Position_Move(int axis, TLoop loop, bool absolute, const TValue &value)
{
    const TResult profile = Position_Profile(axis, loop);
    if (!profile.Ok())
        return profile;
    return Position_Target(axis, loop, absolute, value());
}

// ---- velocity move -------------------------------------------------------------

TResult Velocity_Move(int axis, bool absolute, const TValue &velocity)
{
    TResult r;
    if (!Velocity_Profile(r, axis))
        return r;
    const uint16_t a = uint16_t(axis);
    const int32_t steps = Motor(axis, velocity());
    if (absolute)
        KQ_SENT(r, KQ_Set_Axis_Velocity_V_Target_Abs, a, steps);
    else
        KQ_SENT(r, KQ_Set_Axis_Velocity_V_Target_Rel, a, steps);
    return r;
}

TResult Jog(int axis, int direction)
{
    TResult r;
    if (!Velocity_Profile(r, axis))
        return r;
    // A checked step count is never the one 32-bit value without a magnitude.
    KQ_SENT(r, KQ_Set_Axis_Velocity_V_Target_Abs, uint16_t(axis), direction * std::abs(Motor(axis, Config(axis).Max_V)));
    return r;
}

TResult Jog_Stop(int axis)
{
    TResult r;
    KQ_SENT(r, KQ_Set_Axis_Velocity_Stop, uint16_t(axis));
    return r;
}

// ---- home -------------------------------------------------------------------------

TResult Home(int axis, THome_Mode mode, const TValue &speed)
{
    TResult r;
    if (Home_Profile(r, axis, mode))
        KQ_SENT(r, KQ_Set_Axis_Home_V, uint16_t(axis), Motor(axis, speed()));
    return r;
}

TResult Program_Home(int axis)
{
    TResult r;
    if (Home_Profile(r, axis, THome_Mode::Board))
        KQ_SENT(r, KQ_Set_Axis_Home_V, uint16_t(axis), -Motor(axis, Config(axis).Max_V));
    return r;
}

// ---- coordinate, stop, halt ---------------------------------------------------------

TResult Set_Position(int axis, TLoop loop, double position)
{
    TResult r;
    KQ_SENT(r, KQ_Set_Axis_Software_P, uint16_t(axis), Position_Value(axis, loop, position));
    return r;
}

TResult Stop(int axis)
{
    TResult r;
    const uint16_t a = uint16_t(axis);
    KQ_SENT(r, KQ_Set_Axis_Home_Stop, a);
    KQ_SENT(r, KQ_Set_Axis_Velocity_Stop, a);
    KQ_SENT(r, KQ_Set_Axis_Position_Stop, a);
    return r;
}

TResult Program_Stop(int axis)
{
    TResult r;
    const uint16_t a = uint16_t(axis);
    KQ_SENT(r, KQ_Set_Axis_Home_Stop, a);
    KQ_SENT(r, KQ_Set_Axis_Position_Stop, a);
    return r;
}

TResult Halt(int axis)
{
    TResult r;
    KQ_SENT(r, KQ_Set_Axis_Halt, uint16_t(axis));
    return r;
}

TResult Halt_All()
{
    TResult r;
    Sent(r, "KQ_Set_Axis_Halt_All", KQ_Set_Axis_Halt_All());
    return r;
}

} // namespace AxisCommands
