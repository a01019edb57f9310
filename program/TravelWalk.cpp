#include "TravelWalk.h"

#include <algorithm>
#include <cmath>

TTravelWalk::TTravelWalk(std::function<TAxis_Travel(int)> travel, std::function<std::optional<double>(int)> positionNow)
    : m_travel(std::move(travel))
    , m_positionNow(std::move(positionNow))
{
}

void TTravelWalk::Make_Room(int axis)
{
    if (size_t(axis) < m_configured.size())
        return;
    m_configured.resize(size_t(axis) + 1);
    m_states.resize(size_t(axis) + 1);
    m_runStart.resize(size_t(axis) + 1);
}

TTravelWalk::TState *TTravelWalk::State_Of(int axis, QString &why)
{
    if (axis < 0)
        return nullptr; // no axis, no limits
    Make_Room(axis);
    std::optional<TState> &known = m_states[size_t(axis)];
    if (known)
        return &*known;
    std::optional<AxisCommands::TTravel> &configured = m_configured[size_t(axis)];
    if (configured)
        return nullptr; // met before: no limits
    const TAxis_Travel travel = m_travel(axis);
    if (!travel.Configured.Limited()) {
        configured = travel.Configured;
        return nullptr;
    }
    const std::optional<double> now = m_positionNow(axis);
    if (!now) {
        why = QStringLiteral("读不到当前位置，无法检查软限位"); // asked again with the next row
        return nullptr;
    }
    configured = travel.Configured;
    m_runStart[size_t(axis)] = TState{*now, travel.Shift};
    known = m_runStart[size_t(axis)];
    return &*known;
}

AxisCommands::TTravel TTravelWalk::Limits_Of(int axis, const TState &state) const
{
    return m_configured[size_t(axis)]->Shifted(state.Shift);
}

TTravelWalk::TPlace TTravelWalk::Place(int axis)
{
    QString why;
    const TState *state = State_Of(axis, why);
    return state ? TPlace{Limits_Of(axis, *state), state->Position} : TPlace{};
}

bool TTravelWalk::Moves(const TAutoCode &row)
{
    return AutoAction::Drives_Axis(AutoAction::Kind_Of(row.Action));
}

QString TTravelWalk::Step(const TAutoCode &row)
{
    if (!Moves(row))
        return QString();
    QString why;
    TState *state = State_Of(row.ID, why);
    if (!state)
        return why.isEmpty() ? QString() : row.Axis + QLatin1Char(' ') + why;
    const AxisCommands::TTravel limits = Limits_Of(row.ID, *state);
    const std::optional<double> outside = Advance(row, *state, limits);
    return outside ? limits.Refusal(row.Axis, *outside) : QString();
}

TTravelWalk::TPlace TTravelWalk::Walk(const TAutoCode &row)
{
    QString why;
    TState *state = State_Of(row.ID, why);
    if (!state)
        return {};
    AxisCommands::TTravel limits = Limits_Of(row.ID, *state);
    if (Moves(row)) {
        Advance(row, *state, limits);
        limits = Limits_Of(row.ID, *state);
    }
    return {limits, state->Position};
}

// `limits` are the row's axis's before the row.
std::optional<double> TTravelWalk::Advance(const TAutoCode &row, TState &state, const AxisCommands::TTravel &limits)
{
    const auto outside = [&limits](double target) {
        return limits.Inside(target) ? std::nullopt : std::optional<double>(target);
    };
    const AutoAction::TKind action = AutoAction::Kind_Of(row.Action);
    if (action == AutoAction::TKind::Home) {
        state = TState{0, 0};
        return std::nullopt;
    }
    if (action == AutoAction::TKind::Adjust) {
        state.Shift += row.Param - state.Position;
        state.Position = row.Param;
        return std::nullopt;
    }
    if (action == AutoAction::TKind::Abs) {
        state.Position = row.Param;
        return outside(row.Param);
    }
    // Each repetition moves by the distance again: the first target
    // outside is the one reported.
    const double repeats = std::max<int32_t>(row.Count, 1);
    const double last = state.Position + repeats * row.Param;
    std::optional<double> why = outside(state.Position + row.Param);
    if (!why && outside(last)) {
        const double limit = row.Param > 0 ? *limits.Max : *limits.Min;
        const double k = std::floor((limit - state.Position) / row.Param) + 1;
        why = outside(state.Position + std::min(k, repeats) * row.Param);
    }
    state.Position = last;
    return why;
}

void TTravelWalk::Begin_Run()
{
    m_runStart = m_states;
}

bool TTravelWalk::Run_Moved() const
{
    return m_runStart != m_states;
}
