// The time of a simulated board: the monotonic wall clock, or a clock of a
// test's own that moves only when told to.
#pragma once

#include <cstdint>

namespace kq {

// Milliseconds of the monotonic clock (the same count everywhere).
int64_t wallMs();

// Milliseconds of the monotonic clock, or of the test's own clock.
class SimClock
{
public:
    SimClock();
    int64_t now() const;
    void setManual(bool on);
    bool manual() const { return m_manual; }
    void advance(uint32_t ms);
    void reset();

private:
    bool m_manual = false;
    int64_t m_manualNow = 0;
    int64_t m_wallBase = 0; // wall time at which...
    int64_t m_simBase = 0;  // ...the simulated time was this
};

} // namespace kq
