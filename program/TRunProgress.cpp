#include "TRunProgress.h"

void TRunProgress::Start()
{
    m_running = true;
    m_run = 0;
    m_rowClock.SetPaused(false);
    m_rowClock.RowChanged();
}

void TRunProgress::End()
{
    m_running = false;
    m_rowClock.SetPaused(false);
}

void TRunProgress::SetRun(int32_t run)
{
    if (run == m_run)
        return;
    m_run = run;
    m_rowClock.RowChanged();
}

// The time left counts from the start of the row being executed, so that a
// step that took longer than planned does not hold up the rows after it.
int64_t TRunProgress::RemainingMs(int row) const
{
    return m_planner.RemainingMs(m_run, row, m_rowClock.MsIntoRow());
}

bool TRunProgress::Overruns(int row) const
{
    return m_rowClock.MsIntoRow() > m_planner.RowMs(m_run, row);
}

QString TRunProgress::RemainingText(int row) const
{
    const int64_t left = RemainingMs(row);
    return Overruns(row) ? Estimate::RemainingAtLeastText(left) : Estimate::RemainingText(left);
}
