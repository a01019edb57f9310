#pragma once
// Every move, stop and halt that the program sends to the board passes
// through here: the axis panels, the program runner, the run-all commands
// and the command-line runner.  Each command is its fixed sequence of
// library calls; values in mm or degrees (per second, per second squared)
// are converted with the checked conversions, which throw EConvertError on
// a value the board cannot take, so that the command ends at that value.
//
// A command stops at the first call that fails and says which one; the
// stops and halts alone send every call whatever the answers, since a stop
// cut short could leave an axis moving.
#include "common/Exceptions.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace AxisCommands {

// The side a position is counted on: motor steps or sensor counts.
enum class TLoop { Open, Closed };

// How a home search finds its zero: the board's own home mode (used by
// programs), the home switch, the sensor's index mark, or the switch and
// then the mark.
enum class THome_Mode { Board, Home_Switch, Encoder_Index, Encoder_Home_Switch };

// The panel's home mode: the home switch in open loop, otherwise the index
// mark of a grating ruler (sensor type 0) or the switch and mark of an
// encoder.
THome_Mode Panel_Home_Mode(TLoop loop, int32_t encoderType);

// What the board answered to a command: all calls succeeded, or the first
// one that did not with its status.
struct TResult
{
    QString Function; // empty when every call succeeded
    int32_t Code = 0;

    bool Ok() const { return Function.isEmpty(); }
    // "<axis> 设置失败（<function>返回<code>）"
    QString Text(const QString &axisName) const;
};

// A value taken when the command needs it (an entry parsed after the calls
// before it have gone out).
using TValue = std::function<double()>;

// ---- travel limits ------------------------------------------------------------
//
// The limits belong to the stage: they are set in the coordinate counted
// from the last home, and when the coordinate is set anew ("调整位置",
// "坐标调整") they shift with it, so that they stay at the same place of
// the stage.  A home search sets the shift back to zero.

// A move that would leave the travel, refused before any call of it:
// "<axis> 目标 <value> 超出软限位 [<min>, <max>]".
class ETravelLimit : public Exception
{
public:
    using Exception::Exception;
};

// Travel limits in the present coordinate; none on a side not set.
struct TTravel
{
    std::optional<double> Min, Max;

    bool Limited() const { return Min || Max; }
    bool Inside(double position) const;
    TTravel Shifted(double shift) const;
    // "<axis> 目标 <value> 超出软限位 [<min>, <max>]"
    QString Refusal(const QString &axisName, double target) const;
};

// The limits as configured, counted from the home.
TTravel Configured_Travel(int axis);
// How far the coordinate has been set away from the home's since then.
double Travel_Shift(int axis);
// The limits in the present coordinate.
TTravel Travel(int axis);
// Forgets every shift (a fresh board).
void Reset_Travel_Shifts();

// The position now in mm or degrees: the software position in open loop,
// the sensor's in closed loop; none when it cannot be read.
std::optional<double> Position_Now(int axis, TLoop loop);

// ---- position move ----------------------------------------------------------

// The profile of a position move: the position mode of the loop, then the
// axis's Acc, Dec and Max_V in motor steps (on the motor side in both loops).
TResult Position_Profile(int axis, TLoop loop);
// The target: motor steps in open loop, sensor counts in closed loop; an
// absolute or a relative target.  On an axis with limits a target outside
// them (for a relative move: the position now plus the distance) throws
// ETravelLimit before the call.
TResult Position_Target(int axis, TLoop loop, bool absolute, double value);
// Both in that order, the value taken between them; on an axis with limits
// the value is taken and checked first, so that a move outside sends nothing.
TResult Position_Move(int axis, TLoop loop, bool absolute, const TValue &value);

// ---- velocity move -------------------------------------------------------------

// Velocity mode, the axis's Acc and Dec, then the velocity (sign kept) as an
// absolute or a relative velocity target.  On an axis with limits the
// move is watched and stopped before it would leave them (TTravelGuard).
TResult Velocity_Move(int axis, bool absolute, const TValue &velocity);
// The velocity move of a jog: the speed limit of position moves, its
// magnitude, in the direction given (-1 or +1).
TResult Jog(int axis, int direction);
// The end of a jog: the velocity stop.
TResult Jog_Stop(int axis);

// ---- home -------------------------------------------------------------------------

// The home mode, the axis's Acc and Dec, then the home speed (sign = direction).
TResult Home(int axis, THome_Mode mode, const TValue &speed);
// A program's home search: the board's home mode, towards negative at the
// speed limit of position moves.
TResult Program_Home(int axis);

// ---- coordinate, stop, halt ---------------------------------------------------------

// Makes `position` the axis's present coordinate, without moving: motor
// steps in open loop, sensor counts in closed loop.
TResult Set_Position(int axis, TLoop loop, double position);
// The panel's stop: home, velocity and position stops, decelerating.
TResult Stop(int axis);
// A program's stop of its own moves: home and position stops.
TResult Program_Stop(int axis);
// The emergency halt of one axis, and of every axis of the board.
TResult Halt(int axis);
TResult Halt_All();

} // namespace AxisCommands
