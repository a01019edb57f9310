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
#include <QString>
#include <cstdint>
#include <functional>

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

// ---- position move ----------------------------------------------------------

// The profile of a position move: the position mode of the loop, then the
// axis's Acc, Dec and Max_V in motor steps (on the motor side in both loops).
TResult Position_Profile(int axis, TLoop loop);
// The target: motor steps in open loop, sensor counts in closed loop; an
// absolute or a relative target.
TResult Position_Target(int axis, TLoop loop, bool absolute, double value);
// Both in that order, the value taken between them.
TResult Position_Move(int axis, TLoop loop, bool absolute, const TValue &value);

// ---- velocity move -------------------------------------------------------------

// Velocity mode, the axis's Acc and Dec, then the velocity (sign kept) as an
// absolute or a relative velocity target.
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
