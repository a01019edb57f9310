#pragma once
// The time a running program has spent on its current row: restarted when
// the row (or the run) changes, standing still while the program is paused.
// With the planner it tells the time left.
#include <chrono>
#include <cstdint>
#include <functional>

class TRunClock
{
public:
    TRunClock() : m_rowStart(Now()) {}

    // Monotonic milliseconds; tests set a clock of their own.
    std::function<int64_t()> Now = [] {
        using namespace std::chrono;
        return int64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    };

    void RowChanged()
    {
        m_msBeforePause = 0;
        m_rowStart = Now();
    }
    void SetPaused(bool paused)
    {
        if (paused == m_paused)
            return;
        m_paused = paused;
        if (paused)
            m_msBeforePause += Now() - m_rowStart;
        else
            m_rowStart = Now();
    }
    bool Paused() const { return m_paused; }
    int64_t MsIntoRow() const { return m_msBeforePause + (m_paused ? 0 : Now() - m_rowStart); }

private:
    int64_t m_rowStart;
    int64_t m_msBeforePause = 0;
    bool m_paused = false;
};
