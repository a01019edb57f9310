#pragma once
// The walk of a program through the travel limits before it starts: each
// row's target as the row will run it, relative rows from the positions at
// the start, "坐标调整" rows shifting the coordinate (and with it the
// limits), "归零" rows going back to the home's coordinate.
#include "AutoCode.h"
#include "controller/AxisCommands.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

class TTravelWalk
{
public:
    // `travel` gives an axis's limits as configured and its shift now;
    // `positionNow` its position at the start (read once, when the axis is
    // first met).
    struct TAxis_Travel
    {
        AxisCommands::TTravel Configured;
        double Shift = 0;
    };
    TTravelWalk(std::function<TAxis_Travel(int axis)> travel, std::function<std::optional<double>(int axis)> positionNow);

    // Empty when the row's targets lie inside the limits (or its axis has
    // none); otherwise why not ("<axis> 目标 <value> 超出软限位 [<min>, <max>]").
    // The row's axis must exist.
    QString Step(const TAutoCode &row);

    // An axis's limits in the coordinate the walk has reached and where the
    // walk has the axis; no limits for an axis without them (or whose
    // position cannot be read).  A walk may go on past a refused row: it
    // goes where the row goes.
    struct TPlace
    {
        AxisCommands::TTravel Limits;
        double Position = 0;
    };
    TPlace Place(int axis);
    // Step without the reason: the row's axis's place after the row.
    TPlace Walk(const TAutoCode &row);

    // The walk of a further run of the program starts where the last ended;
    // a run that ends where it began repeats itself.
    void Begin_Run();
    bool Run_Moved() const;

private:
    struct TState
    {
        double Position = 0;
        double Shift = 0;
        bool operator==(const TState &o) const { return Position == o.Position && Shift == o.Shift; }
    };
    // The walk's state of a limited axis; null for an axis without limits.
    TState *State_Of(int axis, QString &why);
    AxisCommands::TTravel Limits_Of(int axis, const TState &state) const;
    static bool Moves(const TAutoCode &row);
    // Carries a moving row out on its axis's state; the first of its
    // targets outside `limits`, if any.
    static std::optional<double> Advance(const TAutoCode &row, TState &state, const AxisCommands::TTravel &limits);

    // The walk's records of `axis`, made room for.
    void Make_Room(int axis);

    std::function<TAxis_Travel(int)> m_travel;
    std::function<std::optional<double>(int)> m_positionNow;
    // By axis number: the limits of each axis met, the state of each limited
    // axis met, and those states at the start of the run under way.
    std::vector<std::optional<AxisCommands::TTravel>> m_configured;
    std::vector<std::optional<TState>> m_states;
    std::vector<std::optional<TState>> m_runStart;
};
