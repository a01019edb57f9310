#pragma once
// Run-time estimate of an automatic program.  The planner walks the table
// as the 50 ms program timer would run it: one tick to load a row, the
// ticks that configure and command a motion, the polls of the run flag
// until the trapezoidal motion has ended, the delay in whole ticks, every
// repetition, and every run of the program.  A pause step costs its ticks
// but the operator's wait is unknown: it is reported as a marker instead.
// In fast stepping a step costs its motion seen ended by the 5 ms polls,
// its delay and the work of a row.
#include "ProgramWalk.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <vector>

namespace Estimate {

constexpr int64_t TickMs = 50;
// The planner counts time in quarter ticks (see QuarterTicksCovering).
constexpr int64_t QuarterTicksToMs(int64_t quarters)
{
    return quarters * TickMs / 4;
}

// Seconds of a move over `distance` steps from rest to rest: accelerate at
// acc, cruise at vMax, brake at dec.  A rate of 0 or less is a jump.
double MoveSeconds(double distance, double acc, double dec, double vMax);
// Seconds of a home search over `distance` steps at speed v: it
// accelerates at acc and ends at the switch without braking.
double HomeSeconds(double distance, double acc, double v);
// Quarter ticks of the polls of the run flag until a motion of `seconds`
// is seen ended; the first poll comes one tick after the command.
int64_t PollQuarterTicks(double seconds);
// Quarter ticks from the tick at which the axis was seen stopped until the
// delay has passed (a negative delay behaves like 0).
int64_t DelayQuarterTicks(int32_t delayMs);

// Quarter ticks of one step, from the tick that selects it to the tick that
// selects the next row.
int64_t StepQuarterTicks(const TStepMotion &motion, const TStepProfile &profile, int32_t delayMs);

// Fast stepping: microseconds of one step.  A motion is seen ended at the
// first 5 ms poll after it (a home search 20 ms after that: it may end
// where it started), a delay is timed from that poll, and every row costs
// the runner's own work besides.  A poll timer fires a little after its
// time, and the event loop has the window's or the terminal's output to
// do before it: the poll that sees the end of a motion comes that much
// later (measured on 100 x 100 rasters in the window and in tavorin-run).
constexpr int64_t FastPollMs = 5;
constexpr int64_t FastRestConfirmMs = 20;
constexpr int64_t FastRowMicros = 150;
constexpr int64_t FastPollLateMicros = 400;
int64_t FastStepMicros(const TStepMotion &motion, const TStepProfile &profile, int32_t delayMs);

// "hh:mm:ss", or "N天 hh:mm:ss" from one day on; whole seconds rounded up.
QString DurationText(int64_t ms);
QString EstimateText(int64_t ms);   // "预计用时 " + duration
QString RemainingText(int64_t ms);  // "剩余 " + duration
// "剩余 ≥ " + duration: the step being executed has overrun its plan, so
// at least this much is left.
QString RemainingAtLeastText(int64_t ms);
// While a plan is being made: "预计用时 计算中…", "剩余 计算中…".
QString PlanningText();
QString RemainingPlanningText();
// When the plan could not be made: "预计用时 无法计算".
QString PlanFailedText();

} // namespace Estimate

// A pause step: where it is and how long the run has taken up to it.
struct TPauseMark
{
    int Row = 0;
    int64_t AtMs = 0;
};

class TRunPlanner
{
public:
    // Plans for fast stepping instead of the tick schedule.
    bool FastRun = false;

    // `repeat` below 1 runs the program once, as the run controls do.
    // Returns false, leaving the plan incomplete, when `cancel` is set
    // while it plans (another thread may set it).
    bool Plan(const std::vector<TAutoCode> &rows, const QVector<TAxis_Config> &axes,
              const std::vector<double> &startSteps, int32_t repeat, const std::atomic_bool *cancel = nullptr);

    int RowCount() const { return m_rows; }
    int32_t Runs() const { return m_runs; }
    int64_t RunMs() const;          // the first run
    int64_t TotalMs() const;        // every run
    // Pause steps of one run, in row order (every run has the same ones).
    const std::vector<TPauseMark> &Pauses() const { return m_pauses; }
    int64_t PauseCount() const { return int64_t(m_pauses.size()) * m_runs; }

    // Time left when `row` of run `run` (0-based) was selected `msIntoRow`
    // ago; the time into the row counts only up to the row's own length.
    int64_t RemainingMs(int32_t run, int row, int64_t msIntoRow) const;
    // The planned length of `row` in run `run`.
    int64_t RowMs(int32_t run, int row) const;

private:
    // Microseconds from the start of a run up to each row; size rows + 1.
    using Prefix = std::vector<int64_t>;
    // Plans rows [0, end) and returns the row after which a later run goes
    // on like this one (-1 when the whole run does).
    // -2 when cancelled.
    int PlanRows(const std::vector<TAutoCode> &rows, size_t end, TProgramWalk &walk, Prefix &ticks,
                 std::vector<TPauseMark> *pauses, const std::atomic_bool *cancel) const;
    int64_t StepMicros(const TStepMotion &motion, const TStepProfile &profile, int32_t delayMs) const;
    // Microseconds of run `run` up to `row`.
    int64_t Ticks(int32_t run, int row) const;

    int m_rows = 0;
    int32_t m_runs = 1;
    Prefix m_first{0};
    // Later runs differ from the first only up to the head row that
    // PlanRows returns; after it they are the first run's ticks shifted by
    // m_laterShift.
    Prefix m_laterHead{0};
    int64_t m_laterShift = 0;
    std::vector<TPauseMark> m_pauses;
};

namespace Estimate {

// The text of the estimate label: the planned total ("预计用时 …") and, with
// pause steps, how many (their waits are not counted).
QString PlanText(const TRunPlanner &planner);
// One line per pause step: its row and the time the run has taken up to it.
QString PausesText(const TRunPlanner &planner);

} // namespace Estimate
