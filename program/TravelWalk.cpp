#include "TravelWalk.h"

#include <algorithm>
#include <cmath>

TTravelWalk::TTravelWalk(std::function<TAxis_Travel(int)> travel, std::function<std::optional<double>(int)> positionNow)
    : m_travel(std::move(travel))
    , m_positionNow(std::move(positionNow))
{
}

TTravelWalk::TState *TTravelWalk::State_Of(int axis, QString &why)
{
    auto known = m_states.find(axis);
    if (known != m_states.end())
        return &known.value();
    if (m_configured.contains(axis))
        return nullptr; // met before: no limits
    const TAxis_Travel travel = m_travel(axis);
    m_configured.insert(axis, travel.Configured);
    if (!travel.Configured.Limited())
        return nullptr;
    const std::optional<double> now = m_positionNow(axis);
    if (!now) {
        m_configured.remove(axis); // asked again with the next row
        why = QStringLiteral("读不到当前位置，无法检查软限位");
        return nullptr;
    }
    TState state{*now, travel.Shift};
    m_runStart.insert(axis, state);
    return &m_states.insert(axis, state).value();
}

AxisCommands::TTravel TTravelWalk::Limits_Of(int axis) const
{
    return m_configured.value(axis).Shifted(m_states.value(axis).Shift);
}

TTravelWalk::TPlace TTravelWalk::Place(int axis)
{
    QString why;
    const TState *state = State_Of(axis, why);
    return state ? TPlace{Limits_Of(axis), state->Position} : TPlace{};
}

QString TTravelWalk::Outside(const TAutoCode &row, double target) const
{
    const AxisCommands::TTravel travel = Limits_Of(row.ID);
    return travel.Inside(target) ? QString() : travel.Refusal(row.Axis, target);
}

QString TTravelWalk::Step(const TAutoCode &row)
{
    const bool moves = row.Action == AutoAction::Abs || row.Action == AutoAction::Rel
        || row.Action == AutoAction::Adjust || row.Action == AutoAction::Home;
    if (!moves)
        return QString();
    QString why;
    TState *state = State_Of(row.ID, why);
    if (!state)
        return why.isEmpty() ? QString() : row.Axis + QLatin1Char(' ') + why;
    if (row.Action == AutoAction::Home) {
        *state = TState{0, 0};
    } else if (row.Action == AutoAction::Adjust) {
        state->Shift += row.Param - state->Position;
        state->Position = row.Param;
    } else if (row.Action == AutoAction::Abs) {
        why = Outside(row, row.Param);
        state->Position = row.Param;
    } else {
        // Each repetition moves by the distance again: the first target
        // outside is the one reported.
        const double repeats = std::max<int32_t>(row.Count, 1);
        const double last = state->Position + repeats * row.Param;
        why = Outside(row, state->Position + row.Param);
        if (why.isEmpty()) {
            why = Outside(row, last);
            if (!why.isEmpty()) {
                const AxisCommands::TTravel t = Limits_Of(row.ID);
                const double limit = row.Param > 0 ? *t.Max : *t.Min;
                const double k = std::floor((limit - state->Position) / row.Param) + 1;
                why = Outside(row, state->Position + std::min(k, repeats) * row.Param);
            }
        }
        state->Position = last;
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
