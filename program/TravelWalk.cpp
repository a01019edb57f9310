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

QString TTravelWalk::Outside(const TAutoCode &row, double target) const
{
    const AxisCommands::TTravel travel = m_configured[size_t(row.ID)]->Shifted(m_states[size_t(row.ID)]->Shift);
    return travel.Inside(target) ? QString() : travel.Refusal(row.Axis, target);
}

QString TTravelWalk::Step(const TAutoCode &row)
{
    const AutoAction::TKind action = AutoAction::Kind_Of(row.Action);
    if (action == AutoAction::TKind::Pause || action == AutoAction::TKind::None)
        return QString();
    QString why;
    TState *state = State_Of(row.ID, why);
    if (!state)
        return why.isEmpty() ? QString() : row.Axis + QLatin1Char(' ') + why;
    if (action == AutoAction::TKind::Home) {
        *state = TState{0, 0};
    } else if (action == AutoAction::TKind::Adjust) {
        state->Shift += row.Param - state->Position;
        state->Position = row.Param;
    } else if (action == AutoAction::TKind::Abs) {
        why = Outside(row, row.Param);
        state->Position = row.Param;
    } else {
        // Each repetition moves by the distance again: the first target
        // outside is the one reported.
        const double repeats = std::max<int32_t>(row.Count, 1);
        why = Outside(row, state->Position + row.Param);
        if (why.isEmpty()) {
            const double last = state->Position + repeats * row.Param;
            why = Outside(row, last);
            if (!why.isEmpty()) {
                const AxisCommands::TTravel t = m_configured[size_t(row.ID)]->Shifted(state->Shift);
                const double limit = row.Param > 0 ? *t.Max : *t.Min;
                const double k = std::floor((limit - state->Position) / row.Param) + 1;
                why = Outside(row, state->Position + std::min(k, repeats) * row.Param);
            }
            state->Position = last;
        }
    }
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
