#pragma once
// The progress of a running program against its plan: the time left from
// the row being executed, "剩余 ≥ …" while that row overruns its plan.  The
// window's estimate label and tavorin-run's progress line both show it.
#include "RunClock.h"
#include "TRunPlanner.h"

#include <QString>
#include <cstdint>
#include <functional>

class TRunProgress
{
public:
    TRunPlanner &Planner() { return m_planner; }
    const TRunPlanner &Planner() const { return m_planner; }

    // The clock of the time left: monotonic milliseconds.
    void SetClock(std::function<int64_t()> now) { m_rowClock.Now = std::move(now); }

    // A fresh start: run 0, the first row's time begins now.
    void Start();
    // The end of the run, by any way.
    void End();
    bool Running() const { return m_running; }
    // Paused time does not count toward the row.
    void SetPaused(bool paused) { m_rowClock.SetPaused(paused); }
    bool Paused() const { return m_rowClock.Paused(); }
    // The row being executed has changed.
    void RowChanged() { m_rowClock.RowChanged(); }
    // `run` complete runs so far; a new run starts the row's time again (a
    // one-row program keeps its row from run to run).
    void SetRun(int32_t run);

    // Time left with `row` (0-based) being executed.
    int64_t RemainingMs(int row) const;
    // True when `row` has taken longer than planned.
    bool Overruns(int row) const;
    // "剩余 …", or "剩余 ≥ …" while the row overruns: the rows after it are
    // left at least.
    QString RemainingText(int row) const;

private:
    TRunPlanner m_planner;
    TRunClock m_rowClock;
    int32_t m_run = 0;
    bool m_running = false;
};
