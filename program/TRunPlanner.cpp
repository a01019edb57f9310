#include "TRunPlanner.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

// Plans are summed in microseconds (a quarter tick is 12,500).  The sums stay below the 64-bit range: a
// program can ask for 2^31 repetitions of a 2^31 ms delay on a million rows, and the sums stop at the cap.
constexpr int64_t kTickCap = 1'000'000'000'000'000'000;
constexpr int64_t kQuarterTickMicros = Estimate::TickMs * 1000 / 4;

int64_t MicrosToMs(int64_t micros)
{
    return micros / 1000;
}

// A cancelled plan ends within this many rows (well under a millisecond).
constexpr size_t kRowsBetweenCancelChecks = 16384;

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

// Quarter ticks from the tick at which a wait of `ms` begins to the tick at
// which it is seen over: the whole ticks that cover it, at least one.  The
// runner and the board count whole milliseconds, and each timer tick wakes
// up a fraction of a millisecond late by its own amount; so a wait that
// ends within the last millisecond before a tick is sometimes seen only on
// the tick after (about one time in four on the machines measured), and
// counts a quarter of a tick more.  (Rounded by hand: this runs for every
// row of a program.)
int64_t QuarterTicksCovering(double ms)
{
    const double ticks = ms / double(Estimate::TickMs) - 1e-9;
    if (!(ticks > 0))
        return 4;
    if (ticks >= double(kTickCap))
        return kTickCap;
    int64_t whole = int64_t(ticks);
    if (double(whole) < ticks)
        ++whole;
    const bool onTick = ms > double(whole * Estimate::TickMs - 1);
    return 4 * whole + (onTick ? 1 : 0);
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

int64_t PollQuarterTicks(double seconds)
{
    return QuarterTicksCovering(seconds * 1000);
}

int64_t DelayQuarterTicks(int32_t delayMs)
{
    return QuarterTicksCovering(std::max(delayMs, 0));
}

int64_t StepQuarterTicks(const TStepMotion &m, const TStepProfile &p, int32_t delayMs)
{
    constexpr int64_t tick = 4;
    switch (m.Kind) {
    case StepKind::Home:
        // load, configure and command, polls, delay
        return 2 * tick + PollQuarterTicks(HomeSeconds(m.First, p.Acc, p.V_Max)) + DelayQuarterTicks(delayMs);
    case StepKind::Abs:
    case StepKind::Rel: {
        // load, configure, then per repetition: command, polls, delay
        const int64_t delay = DelayQuarterTicks(delayMs);
        const int64_t first = tick + PollQuarterTicks(MoveSeconds(m.First, p.Acc, p.Dec, p.V_Max)) + delay;
        const int64_t each = tick + PollQuarterTicks(MoveSeconds(m.Each, p.Acc, p.Dec, p.V_Max)) + delay;
        return CapAdd(2 * tick + first, CapMul(each, m.Repeats - 1));
    }
    case StepKind::Pause:
    case StepKind::Adjust:
    case StepKind::Unknown:
        return 2 * tick; // load, act
    }
    return 2 * tick;
}

namespace {

int64_t FastPollMicros(double seconds)
{
    if (!(seconds > 0))
        return 0; // seen at rest by the poll right after the command
    const double polls = std::ceil(seconds * 1000 / double(FastPollMs) - 1e-9);
    return polls >= double(kTickCap / (FastPollMs * 1000)) ? kTickCap
                                                            : int64_t(polls) * FastPollMs * 1000 + FastPollLateMicros;
}

} // namespace

int64_t FastStepMicros(const TStepMotion &m, const TStepProfile &p, int32_t delayMs)
{
    const int64_t delay = int64_t(std::max(delayMs, 0)) * 1000;
    switch (m.Kind) {
    case StepKind::Home:
        return FastRowMicros + FastPollMicros(HomeSeconds(m.First, p.Acc, p.V_Max)) + FastRestConfirmMs * 1000
            + delay;
    case StepKind::Abs:
    case StepKind::Rel: {
        const int64_t first = FastPollMicros(MoveSeconds(m.First, p.Acc, p.Dec, p.V_Max)) + delay;
        const int64_t each = FastPollMicros(MoveSeconds(m.Each, p.Acc, p.Dec, p.V_Max)) + delay;
        return CapAdd(FastRowMicros + first, CapMul(each, m.Repeats - 1));
    }
    case StepKind::Pause:
    case StepKind::Adjust:
    case StepKind::Unknown:
        return FastRowMicros;
    }
    return FastRowMicros;
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

QString RemainingAtLeastText(int64_t ms)
{
    return QStringLiteral("剩余 ≥ ") + DurationText(ms);
}

QString PlanningText()
{
    return QStringLiteral("预计用时 计算中…");
}

QString RemainingPlanningText()
{
    return QStringLiteral("剩余 计算中…");
}

QString PlanFailedText()
{
    return QStringLiteral("预计用时 无法计算");
}

QString PlanText(const TRunPlanner &planner)
{
    QString text = EstimateText(planner.TotalMs());
    if (planner.PauseCount() > 0)
        text += QStringLiteral("（暂停 %1 处，等待时间不计）").arg(planner.PauseCount());
    return text;
}

QString PausesText(const TRunPlanner &planner)
{
    QStringList where;
    for (const TPauseMark &p : planner.Pauses())
        where << QStringLiteral("第%1行暂停（此前用时 %2）").arg(p.Row + 1).arg(DurationText(p.AtMs));
    return where.join(QLatin1Char('\n'));
}

} // namespace Estimate

// Where a run starts matters to an axis's moves only until a step puts the
// axis at a place of the program's own (a home search, a move to a target, a
// coordinate adjust), and to its home searches only until the first of them
// (an adjust moves the origin relative to the home switch); the steps before
// take as long wherever they start.  So every run after the first starts
// alike on every axis that counts, and runs like the first once the last of
// those steps is done: only that head is planned again.
bool TRunPlanner::Plan(const std::vector<TAutoCode> &rows, const QVector<TAxis_Config> &axes,
                       const std::vector<double> &startSteps, int32_t repeat, const std::atomic_bool *cancel)
{
    m_rows = int(rows.size());
    m_runs = std::max(repeat, 1);
    m_pauses.clear();
    TProgramWalk walk(axes, startSteps);
    const int head = PlanRows(rows, rows.size(), walk, m_first, &m_pauses, cancel);
    m_laterHead.assign(1, 0);
    m_laterShift = 0;
    if (head == -2)
        return false;
    if (m_runs > 1 && head >= 0) {
        if (PlanRows(rows, size_t(head) + 1, walk, m_laterHead, nullptr, cancel) == -2)
            return false;
        m_laterShift = m_laterHead.back() - m_first[size_t(head) + 1];
    }
    return true;
}

int64_t TRunPlanner::StepMicros(const TStepMotion &motion, const TStepProfile &profile, int32_t delayMs) const
{
    if (FastRun)
        return Estimate::FastStepMicros(motion, profile, delayMs);
    return CapMul(Estimate::StepQuarterTicks(motion, profile, delayMs), kQuarterTickMicros);
}

int TRunPlanner::PlanRows(const std::vector<TAutoCode> &rows, size_t end, TProgramWalk &walk, Prefix &ticks,
                          std::vector<TPauseMark> *pauses, const std::atomic_bool *cancel) const
{
    ticks.resize(end + 1);
    ticks[0] = 0;
    // Per axis the first row that places it and the first home search.
    std::vector<int> placed(size_t(walk.AxisCount()), -1), homed(size_t(walk.AxisCount()), -1);
    const TStepProfile still;
    for (size_t i = 0; i < end; ++i) {
        if (cancel && i % kRowsBetweenCancelChecks == 0 && cancel->load(std::memory_order_relaxed))
            return -2;
        const TStepMotion m = walk.Apply(rows[i]);
        const TStepProfile &profile = m.Axis >= 0 ? walk.Profile(m.Axis) : still;
        ticks[i + 1] = CapAdd(ticks[i], StepMicros(m, profile, rows[i].Delay));
        if (m.Places && placed[size_t(m.Axis)] < 0)
            placed[size_t(m.Axis)] = int(i);
        if (m.Places && m.Kind == StepKind::Home && homed[size_t(m.Axis)] < 0)
            homed[size_t(m.Axis)] = int(i);
        if (pauses && m.Kind == StepKind::Pause)
            pauses->push_back({int(i), MicrosToMs(ticks[i + 1])});
    }
    int head = -1;
    for (size_t a = 0; a < placed.size(); ++a)
        head = std::max(head, homed[a] >= 0 ? homed[a] : placed[a]);
    return head;
}

int64_t TRunPlanner::Ticks(int32_t run, int row) const
{
    if (run == 0)
        return m_first[size_t(row)];
    if (size_t(row) < m_laterHead.size())
        return m_laterHead[size_t(row)];
    return m_first[size_t(row)] + m_laterShift;
}

int64_t TRunPlanner::RunMs() const
{
    return MicrosToMs(m_first.back());
}

int64_t TRunPlanner::TotalMs() const
{
    return MicrosToMs(CapAdd(m_first.back(), CapMul(Ticks(1, m_rows), m_runs - 1)));
}

int64_t TRunPlanner::RowMs(int32_t run, int row) const
{
    if (m_rows == 0)
        return 0;
    run = std::clamp(run, 0, m_runs - 1);
    row = std::clamp(row, 0, m_rows - 1);
    return MicrosToMs(Ticks(run, row + 1) - Ticks(run, row));
}

int64_t TRunPlanner::RemainingMs(int32_t run, int row, int64_t msIntoRow) const
{
    if (m_rows == 0)
        return 0;
    run = std::clamp(run, 0, m_runs - 1);
    row = std::clamp(row, 0, m_rows - 1);
    const int64_t left = CapAdd(Ticks(run, m_rows) - Ticks(run, row), CapMul(Ticks(1, m_rows), m_runs - 1 - run));
    return MicrosToMs(left) - std::clamp<int64_t>(msIntoRow, 0, RowMs(run, row));
}
