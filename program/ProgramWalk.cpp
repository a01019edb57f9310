#include "ProgramWalk.h"

#include <algorithm>
#include <cmath>
#include <limits>

StepKind StepKindOf(const QString &action)
{
    if (action == AutoAction::Abs)
        return StepKind::Abs;
    if (action == AutoAction::Rel)
        return StepKind::Rel;
    if (action == AutoAction::Home)
        return StepKind::Home;
    if (action == AutoAction::Pause)
        return StepKind::Pause;
    if (action == AutoAction::Adjust)
        return StepKind::Adjust;
    return StepKind::Unknown;
}

// std::rint costs less than std::round: it runs for every row of a program.
int32_t AutoSteps(double value, double scale)
{
    const double steps = std::rint(scale * value);
    if (std::isnan(steps))
        return 0;
    if (steps <= double(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    if (steps >= double(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return int32_t(steps);
}

TProgramWalk::TProgramWalk(const QVector<TAxis_Config> &axes, const std::vector<double> &startSteps)
{
    for (const TAxis_Config &c : axes) {
        m_scale.push_back(c.Motor_Scale);
        m_profile.push_back({AutoSteps(c.Acc, c.Motor_Scale), AutoSteps(c.Dec, c.Motor_Scale),
                             AutoSteps(c.Max_V, c.Motor_Scale)});
    }
    SetPositions(startSteps);
}

double TProgramWalk::RealPosition(int axis) const
{
    const double scale = m_scale[size_t(axis)];
    return scale != 0 ? m_pos[size_t(axis)] / scale : 0.0;
}

void TProgramWalk::SetPositions(const std::vector<double> &steps)
{
    m_pos.assign(m_profile.size(), 0.0);
    m_home.assign(m_profile.size(), 0.0);
    std::copy_n(steps.begin(), std::min(steps.size(), m_pos.size()), m_pos.begin());
}

// A step whose axis has a speed limit of 0 steps does not move: the board
// ignores a target or home speed with no speed to reach it.
TStepMotion TProgramWalk::Apply(const TAutoCode &code)
{
    TStepMotion m;
    m.Kind = StepKindOf(code.Action);
    if (m.Kind == StepKind::Pause || m.Kind == StepKind::Unknown)
        return m;
    if (code.ID < 0 || code.ID >= AxisCount())
        return m;
    m.Axis = code.ID;
    double &pos = m_pos[size_t(code.ID)];
    double &home = m_home[size_t(code.ID)];
    const double scale = m_scale[size_t(code.ID)];
    const bool canMove = m_profile[size_t(code.ID)].V_Max != 0;

    switch (m.Kind) {
    case StepKind::Home:
        if (canMove) {
            m.First = std::fabs(pos - home);
            pos = home = 0;
            m.Places = true;
        }
        break;
    case StepKind::Abs: {
        m.Repeats = std::max(code.Count, 1);
        const double target = AutoSteps(code.Param, scale);
        if (canMove) {
            m.First = std::fabs(target - pos);
            pos = target;
            m.Places = true;
        }
        break;
    }
    case StepKind::Rel: {
        m.Repeats = std::max(code.Count, 1);
        const double distance = AutoSteps(code.Param, scale);
        if (canMove) {
            m.First = m.Each = std::fabs(distance);
            pos += distance * m.Repeats;
        }
        break;
    }
    case StepKind::Adjust: {
        const double value = AutoSteps(code.Param, scale);
        home += value - pos;
        pos = value;
        m.Places = true;
        break;
    }
    case StepKind::Pause:
    case StepKind::Unknown:
        break;
    }
    return m;
}
