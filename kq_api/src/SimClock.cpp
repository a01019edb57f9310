#include "SimClock.h"

#include <chrono>

namespace kq {

int64_t wallMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

SimClock::SimClock()
{
    reset();
}

int64_t SimClock::now() const
{
    return m_manual ? m_manualNow : m_simBase + (wallMs() - m_wallBase);
}

// Switching keeps the simulated time continuous.
void SimClock::setManual(bool on)
{
    if (on == m_manual)
        return;
    const int64_t t = now();
    m_manual = on;
    if (on) {
        m_manualNow = t;
    } else {
        m_simBase = t;
        m_wallBase = wallMs();
    }
}

void SimClock::advance(uint32_t ms)
{
    if (m_manual)
        m_manualNow += ms;
    else
        m_simBase += ms;
}

void SimClock::reset()
{
    m_manual = false;
    m_manualNow = 0;
    m_simBase = 0;
    m_wallBase = wallMs();
}

} // namespace kq
