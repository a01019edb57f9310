#include "TRunPlanner.h"

#include <algorithm>
#include <cmath>

namespace {

// Sums of ticks stay far below the 64-bit range, even as milliseconds: a
// program can ask for 2^31 repetitions of a 2^31 ms delay on a million rows.
constexpr int64_t kTickCap = 100'000'000'000'000'000;

int64_t CapAdd(int64_t a, int64_t b)
{
    return std::min(a + b, kTickCap);
}

int64_t CapMul(int64_t a, int64_t b)
{
    if (a == 0 || b == 0)
        return 0;
    return a > kTickCap / b ? kTickCap : std::min(a * b, kTickCap);
}

// Ticks of whole 50 ms needed to cover `ms`, at least one.
int64_t TicksCovering(double ms)
{
    const double ticks = std::ceil(ms / double(Estimate::TickMs) - 1e-9);
    if (!(ticks >= 1))
        return 1;
    return ticks >= double(kTickCap) ? kTickCap : int64_t(ticks);
}

} // namespace

namespace Estimate {

double MoveSeconds(double distance, double acc, double dec, double vMax)
{
    const double d = std::fabs(distance);
    const double v = std::fabs(vMax);
    if (!(d > 0) || !(v > 0))
        return 0;
    const bool ramps = acc > 0, brakes = dec > 0;
    const double dAcc = ramps ? v * v / (2 * acc) : 0;
    const double dDec = brakes ? v * v / (2 * dec) : 0;
    if (dAcc + dDec <= d)
        return (ramps ? v / acc : 0) + (brakes ? v / dec : 0) + (d - dAcc - dDec) / v;
    // The move turns from speeding up to braking below vMax, at the speed
    // whose two ramps together cover the distance.
    if (ramps && brakes) {
        const double peak = std::sqrt(2 * d * acc * dec / (acc + dec));
        return peak / acc + peak / dec;
    }
    return ramps ? std::sqrt(2 * d / acc) : std::sqrt(2 * d / dec);
}

double HomeSeconds(double distance, double acc, double v)
{
    const double d = std::fabs(distance);
    v = std::fabs(v);
    if (!(d > 0) || !(v > 0))
        return 0;
    if (!(acc > 0))
        return d / v;
    const double dAcc = v * v / (2 * acc);
    return d <= dAcc ? std::sqrt(2 * d / acc) : v / acc + (d - dAcc) / v;
}

int64_t PollTicks(double seconds)
{
    return TicksCovering(seconds * 1000);
}

int64_t DelayTicks(int32_t delayMs)
{
    return TicksCovering(std::max(delayMs, 0));
}

int64_t StepTicks(const TStepMotion &m, const TStepProfile &p, int32_t delayMs)
{
    switch (m.Kind) {
    case StepKind::Home:
        // load, configure and command, polls, delay
        return 2 + PollTicks(HomeSeconds(m.First, p.Acc, p.V_Max)) + DelayTicks(delayMs);
    case StepKind::Abs:
    case StepKind::Rel: {
        // load, configure, then per repetition: command, polls, delay
        const int64_t delay = DelayTicks(delayMs);
        const int64_t first = 1 + PollTicks(MoveSeconds(m.First, p.Acc, p.Dec, p.V_Max)) + delay;
        const int64_t each = 1 + PollTicks(MoveSeconds(m.Each, p.Acc, p.Dec, p.V_Max)) + delay;
        return CapAdd(2 + first, CapMul(each, m.Repeats - 1));
    }
    case StepKind::Pause:
    case StepKind::Adjust:
    case StepKind::Unknown:
        return 2; // load, act
    }
    return 2;
}

QString DurationText(int64_t ms)
{
    const int64_t seconds = ms <= 0 ? 0 : (ms + 999) / 1000;
    const int64_t days = seconds / 86400;
    const int64_t rest = seconds % 86400;
    const QString clock = QStringLiteral("%1:%2:%3")
                              .arg(rest / 3600, 2, 10, QLatin1Char('0'))
                              .arg(rest / 60 % 60, 2, 10, QLatin1Char('0'))
                              .arg(rest % 60, 2, 10, QLatin1Char('0'));
    return days > 0 ? QStringLiteral("%1天 %2").arg(days).arg(clock) : clock;
}

QString EstimateText(int64_t ms)
{
    return QStringLiteral("预计用时 ") + DurationText(ms);
}

QString RemainingText(int64_t ms)
{
    return QStringLiteral("剩余 ") + DurationText(ms);
}

} // namespace Estimate

// Every run after the first takes as long as the second: a run can depend
// on where it starts only through the first move or home search of an
// axis, and that step puts the axis where the program says, so from the
// second run on every such axis starts from the same place.
void TRunPlanner::Plan(const std::vector<TAutoCode> &rows, const QVector<TAxis_Config> &axes,
                       const std::vector<double> &startSteps, int32_t repeat)
{
    m_rows = int(rows.size());
    m_runs = std::max(repeat, 1);
    m_pauses.clear();
    TProgramWalk walk(axes, startSteps);
    PlanRun(rows, walk, m_first, &m_pauses);
    if (m_runs > 1)
        PlanRun(rows, walk, m_later, nullptr);
    else
        m_later.assign(1, 0);
}

void TRunPlanner::PlanRun(const std::vector<TAutoCode> &rows, TProgramWalk &walk, Prefix &ticks,
                          std::vector<TPauseMark> *pauses)
{
    ticks.resize(rows.size() + 1);
    ticks[0] = 0;
    const TStepProfile still;
    for (size_t i = 0; i < rows.size(); ++i) {
        const TStepMotion m = walk.Apply(rows[i]);
        const TStepProfile &profile = m.Axis >= 0 ? walk.Profile(m.Axis) : still;
        ticks[i + 1] = CapAdd(ticks[i], Estimate::StepTicks(m, profile, rows[i].Delay));
        if (pauses && m.Kind == StepKind::Pause)
            pauses->push_back({int(i), ticks[i + 1] * Estimate::TickMs});
    }
}

int64_t TRunPlanner::RunMs() const
{
    return m_first.back() * Estimate::TickMs;
}

int64_t TRunPlanner::TotalMs() const
{
    return CapAdd(m_first.back(), CapMul(m_later.back(), m_runs - 1)) * Estimate::TickMs;
}

int64_t TRunPlanner::RemainingMs(int32_t run, int row, int64_t msIntoRow) const
{
    if (m_rows == 0)
        return 0;
    run = std::clamp(run, 0, m_runs - 1);
    row = std::clamp(row, 0, m_rows - 1);
    const Prefix &ticks = RunTicks(run);
    const int64_t left = CapAdd(ticks.back() - ticks[size_t(row)], CapMul(m_later.back(), m_runs - 1 - run));
    const int64_t rowMs = (ticks[size_t(row) + 1] - ticks[size_t(row)]) * Estimate::TickMs;
    return left * Estimate::TickMs - std::clamp<int64_t>(msIntoRow, 0, rowMs);
}
