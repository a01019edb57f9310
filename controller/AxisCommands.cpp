#include "AxisCommands.h"

#include "CheckedConversion.h"
#include "Conversion.h"
#include "TravelGuard.h"
#include "common/NumberText.h"
#include "config/AxisConfig.h"
#include "kq_api.h"

#include <QHash>
#include <cmath>
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

// Per axis: how far the coordinate was set from the home's, and the target
// of the last position move of an axis with limits.
QHash<int, double> &Shifts()
{
    static QHash<int, double> shifts;
    return shifts;
}

QHash<int, double> &Targets()
{
    static QHash<int, double> targets;
    return targets;
}

[[noreturn]] void Throw_No_Position(int axis)
{
    throw ETravelLimit(QStringLiteral("%1 读不到当前位置，无法检查软限位").arg(Config(axis).Axis_Caption));
}

// Where a position move ends, in the coordinate of its loop.  A relative
// move counts from the target of a move under way, as the board counts.
double Target_Of(int axis, TLoop loop, bool absolute, double value)
{
    if (absolute)
        return value;
    int32_t running = 0;
    const auto known = Targets().constFind(axis);
    if (known != Targets().constEnd() && KQ_Get_Axis_Status_Run(uint16_t(axis), &running) == 0 && running != 0)
        return known.value() + value;
    const std::optional<double> now = Position_Now(axis, loop);
    if (!now)
        Throw_No_Position(axis);
    return *now + value;
}

// On an axis with limits: the move's end, refused when it lies outside.
std::optional<double> Checked_Target(int axis, TLoop loop, bool absolute, double value)
{
    const TTravel travel = Travel(axis);
    if (!travel.Limited())
        return std::nullopt;
    const double target = Target_Of(axis, loop, absolute, value);
    if (!travel.Inside(target))
        throw ETravelLimit(travel.Refusal(Config(axis).Axis_Caption, target));
    return target;
}

TResult Send_Target(int axis, TLoop loop, bool absolute, double value, std::optional<double> end)
{
    TResult r;
    const uint16_t a = uint16_t(axis);
    TTravelGuard::Forget(axis);
    const int32_t target = Position_Value(axis, loop, value);
    if (absolute)
        KQ_SENT(r, KQ_Set_Axis_Position_P_Target_Abs, a, target);
    else
        KQ_SENT(r, KQ_Set_Axis_Position_P_Target_Rel, a, target);
    if (r.Ok() && end)
        Targets().insert(axis, *end);
    return r;
}

// A velocity move under way on an axis with limits is watched.
void Watch_Velocity(const TResult &r, int axis, int direction)
{
    Targets().remove(axis);
    if (r.Ok() && Travel(axis).Limited())
        TTravelGuard::Watch(axis, direction);
}

int Sign(double value)
{
    return value > 0 ? 1 : value < 0 ? -1 : 0;
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

// ---- travel limits ------------------------------------------------------------

bool TTravel::Inside(double position) const
{
    return (!Min || position >= *Min) && (!Max || position <= *Max);
}

TTravel TTravel::Shifted(double shift) const
{
    TTravel t;
    if (Min)
        t.Min = *Min + shift;
    if (Max)
        t.Max = *Max + shift;
    return t;
}

QString TTravel::Refusal(const QString &axisName, double target) const
{
    const auto side = [](const std::optional<double> &limit) {
        return limit ? FloatToStr(*limit) : QStringLiteral("不限");
    };
    return QStringLiteral("%1 目标 %2 超出软限位 [%3, %4]").arg(axisName, FloatToStr(target), side(Min), side(Max));
}

TTravel Configured_Travel(int axis)
{
    const TAxis_Config &c = Config(axis);
    return TTravel{c.Soft_Min, c.Soft_Max};
}

double Travel_Shift(int axis)
{
    return Shifts().value(axis, 0);
}

TTravel Travel(int axis)
{
    return Configured_Travel(axis).Shifted(Travel_Shift(axis));
}

void Reset_Travel_Shifts()
{
    Shifts().clear();
    Targets().clear();
}

std::optional<double> Position_Now(int axis, TLoop loop)
{
    int32_t raw = 0;
    const uint16_t a = uint16_t(axis);
    const bool open = loop == TLoop::Open;
    if ((open ? KQ_Get_Axis_Software_P_Now(a, &raw) : KQ_Get_Encoder_Pos(a, &raw)) != 0)
        return std::nullopt;
    const double position = open ? Motor_Steps_To_Real(axis, raw) : Sensor_Counts_To_Real(axis, raw);
    if (!std::isfinite(position))
        return std::nullopt;
    return position;
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
    const std::optional<double> end = Checked_Target(axis, loop, absolute, value);
    return Send_Target(axis, loop, absolute, value, end);
}

TResult Position_Move(int axis, TLoop loop, bool absolute, const TValue &value)
{
    // On an axis with limits the value is taken and checked before the
    // profile goes out; elsewhere it is taken between the two.
    std::optional<double> v, end;
    if (Travel(axis).Limited()) {
        v = value();
        end = Checked_Target(axis, loop, absolute, *v);
    }
    const TResult profile = Position_Profile(axis, loop);
    if (!profile.Ok())
        return profile;
    return Send_Target(axis, loop, absolute, v ? *v : value(), end);
}

// ---- velocity move -------------------------------------------------------------

TResult Velocity_Move(int axis, bool absolute, const TValue &velocity)
{
    TResult r;
    if (!Velocity_Profile(r, axis))
        return r;
    const uint16_t a = uint16_t(axis);
    const double v = velocity();
    const int32_t steps = Motor(axis, v);
    if (absolute)
        KQ_SENT(r, KQ_Set_Axis_Velocity_V_Target_Abs, a, steps);
    else
        KQ_SENT(r, KQ_Set_Axis_Velocity_V_Target_Rel, a, steps);
    // A relative velocity adds to the present one: its direction is seen
    // at the first poll.
    Watch_Velocity(r, axis, absolute ? Sign(v) : 0);
    return r;
}

TResult Jog(int axis, int direction)
{
    TResult r;
    if (!Velocity_Profile(r, axis))
        return r;
    // A checked step count is never the one 32-bit value without a magnitude.
    KQ_SENT(r, KQ_Set_Axis_Velocity_V_Target_Abs, uint16_t(axis), direction * std::abs(Motor(axis, Config(axis).Max_V)));
    Watch_Velocity(r, axis, direction);
    return r;
}

TResult Jog_Stop(int axis)
{
    TResult r;
    KQ_SENT(r, KQ_Set_Axis_Velocity_Stop, uint16_t(axis));
    return r;
}

// ---- home -------------------------------------------------------------------------

// A home search makes the coordinate the home's again.
void Homing(const TResult &r, int axis)
{
    TTravelGuard::Forget(axis);
    Targets().remove(axis);
    if (r.Ok())
        Shifts().remove(axis);
}

TResult Home(int axis, THome_Mode mode, const TValue &speed)
{
    TResult r;
    if (Home_Profile(r, axis, mode))
        KQ_SENT(r, KQ_Set_Axis_Home_V, uint16_t(axis), Motor(axis, speed()));
    Homing(r, axis);
    return r;
}

TResult Program_Home(int axis)
{
    TResult r;
    if (Home_Profile(r, axis, THome_Mode::Board))
        KQ_SENT(r, KQ_Set_Axis_Home_V, uint16_t(axis), -Motor(axis, Config(axis).Max_V));
    Homing(r, axis);
    return r;
}

// ---- coordinate, stop, halt ---------------------------------------------------------

// The limits stay where they are on the stage: they shift with the
// coordinate.
TResult Set_Position(int axis, TLoop loop, double position)
{
    std::optional<double> before;
    if (Configured_Travel(axis).Limited()) {
        before = Position_Now(axis, loop);
        if (!before)
            Throw_No_Position(axis);
    }
    TResult r;
    KQ_SENT(r, KQ_Set_Axis_Software_P, uint16_t(axis), Position_Value(axis, loop, position));
    if (r.Ok() && before) {
        Shifts()[axis] += position - *before;
        Targets().remove(axis);
    }
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
