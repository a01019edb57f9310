#pragma once
// The time a running program has spent on its current row: restarted when
// the row (or the run) changes, standing still while the program is paused.
// With the planner it tells the time left.
#include <QElapsedTimer>
#include <cstdint>

class TRunClock
{
public:
    TRunClock() { m_rowClock.start(); }

    void RowChanged()
    {
        m_msBeforePause = 0;
        m_rowClock.restart();
    }
    void SetPaused(bool paused)
    {
        if (paused == m_paused)
            return;
        m_paused = paused;
        if (paused)
            m_msBeforePause += m_rowClock.elapsed();
        else
            m_rowClock.restart();
    }
    bool Paused() const { return m_paused; }
    int64_t MsIntoRow() const { return m_msBeforePause + (m_paused ? 0 : m_rowClock.elapsed()); }

private:
    QElapsedTimer m_rowClock;
    int64_t m_msBeforePause = 0;
    bool m_paused = false;
};
