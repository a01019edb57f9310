#include "Axis.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kq {

namespace {

constexpr double kStep = 0.001; // integration step, s

// A long gap is integrated step by step only this far per axis; the rest of
// it is dropped.  Only a ramp of hours (an acceleration of a few steps/s²)
// comes near it; constant-velocity stretches are jumped over.
constexpr int64_t kMaxStepsPerAdvance = 5'000'000;

// Velocity one step on from v toward vt: a growing speed changes at acc, a
// shrinking one at dec.  A reversal first brakes to 0 and accelerates on the
// following step.  A rate of 0 or less makes that change instantaneous.
double ramp(double v, double vt, double acc, double dec)
{
    if (v == vt)
        return v;
    const bool slowing = (v > 0 && vt < v) || (v < 0 && vt > v);
    if (slowing) {
        const double floor = v > 0 ? std::max(vt, 0.0) : std::min(vt, 0.0);
        if (!(dec > 0))
            return floor;
        return v > 0 ? std::max(v - dec * kStep, floor) : std::min(v + dec * kStep, floor);
    }
    if (!(acc > 0))
        return vt;
    return vt > v ? std::min(v + acc * kStep, vt) : std::max(v - acc * kStep, vt);
}

int sign(double x)
{
    return x > 0 ? 1 : (x < 0 ? -1 : 0);
}

} // namespace

int64_t roundClamped(double v)
{
    constexpr double kBound = 4503599627370496.0; // 2^52
    if (std::isnan(v))
        return 0;
    v = std::clamp(v, -kBound, kBound);
    return std::llround(v);
}

int32_t saturate32(double v)
{
    if (std::isnan(v))
        return 0;
    const double r = std::round(v);
    if (r <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    if (r >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(r);
}

double Axis::factor() const
{
    const double f = closeFactor;
    return (std::isfinite(f) && f > 0) ? f : 1.0;
}

int64_t Axis::encoderCounts() const
{
    return dirSign() * roundClamped(m_phys / factor()) + m_encOffset;
}

bool Axis::onHomeSwitch() const
{
    return std::fabs(m_phys - travel.homePosition) <= travel.homeHalfWidth;
}

// ---- commands -----------------------------------------------------------

void Axis::positionAbsolute(int64_t target)
{
    if (closedLoop())
        startPositionMove(static_cast<double>(target - m_encOffset) * dirSign() * factor());
    else
        startPositionMove(static_cast<double>(target) - m_swOffset);
}

void Axis::positionRelative(int64_t distance)
{
    int64_t base;
    if (closedLoop())
        base = encoderCounts();
    else if (m_motion == Motion::Position && !m_stopping)
        base = roundClamped(m_posTarget + m_swOffset);
    else
        base = roundClamped(softwarePosition());
    positionAbsolute(base + distance);
}

void Axis::startPositionMove(double physicalTarget)
{
    if (posVMax == 0 || std::isnan(physicalTarget))
        return;
    m_motion = Motion::Position;
    m_stopping = false;
    m_posTarget = physicalTarget;
    if (m_phys == m_posTarget && m_vel == 0) {
        endMotion();
        return;
    }
    refuseIntoActiveLimit(sign(m_posTarget - m_phys));
}

void Axis::velocityAbsolute(double v)
{
    m_motion = Motion::Velocity;
    m_stopping = false;
    m_velTarget = v;
    if (v == 0 && m_vel == 0) {
        endMotion();
        return;
    }
    refuseIntoActiveLimit(sign(v));
}

void Axis::velocityRelative(double dv)
{
    const double base = (m_motion == Motion::Velocity && !m_stopping) ? m_velTarget : m_vel;
    const double v = std::clamp(base + dv, static_cast<double>(std::numeric_limits<int32_t>::min()),
                                static_cast<double>(std::numeric_limits<int32_t>::max()));
    velocityAbsolute(v);
}

void Axis::home(int32_t v)
{
    if (v == 0)
        return;
    const bool homeMode = mode == AxisMode::HomeSwitch || mode == AxisMode::HomeIndex
                          || mode == AxisMode::HomeIndexSwitch;
    m_homeMode = homeMode ? mode : AxisMode::HomeSwitch;
    m_homeDir = v > 0 ? 1 : -1;
    m_homeSpeed = std::fabs(static_cast<double>(v));

    if (m_homeMode == AxisMode::HomeSwitch && onHomeSwitch()) {
        arriveHome(m_phys);
        return;
    }
    m_motion = Motion::Home;
    m_stopping = false;
    m_markArmed = false;
    // Already on the switch in encoder + switch mode: the switch counts as
    // found here and the search goes on to the next index mark.
    const bool switchDone = m_homeMode == AxisMode::HomeIndex
                            || (m_homeMode == AxisMode::HomeIndexSwitch && onHomeSwitch());
    m_homeStage = switchDone ? HomeStage::Index : HomeStage::Switch;
    refuseIntoActiveLimit(m_homeDir);
}

void Axis::stop(Motion kind)
{
    if (m_motion != kind || m_stopping)
        return;
    m_stopping = true;
    if (m_vel == 0)
        endMotion();
}

void Axis::halt()
{
    endMotion();
}

// In closed-loop mode the value is in encoder counts and the software
// position follows it through the factor; otherwise it is in steps and the
// counts follow.  Either way the two zeros coincide afterwards.
void Axis::setSoftwarePosition(int32_t value)
{
    const int ds = dirSign();
    const double f = factor();
    const int64_t countsFromPhys = ds * roundClamped(m_phys / f);
    if (closedLoop()) {
        m_encOffset = value - countsFromPhys;
        m_swOffset = static_cast<double>(ds) * value * f - m_phys;
    } else {
        m_swOffset = static_cast<double>(value) - m_phys;
        m_encOffset = ds * roundClamped(value / f) - countsFromPhys;
    }
}

void Axis::place(double physical)
{
    endMotion();
    m_phys = physical;
}

void Axis::endMotion()
{
    m_motion = Motion::None;
    m_stopping = false;
    m_vel = 0.0;
}

void Axis::arriveHome(double physical)
{
    m_phys = physical;
    endMotion();
    m_swOffset = -m_phys;
    m_encOffset = -dirSign() * roundClamped(m_phys / factor());
}

// A motion that would drive into a limit switch that is already active
// never starts; moving away from it is fine.
void Axis::refuseIntoActiveLimit(int direction)
{
    if ((direction < 0 && atNegLimit() && m_vel <= 0) || (direction > 0 && atPosLimit() && m_vel >= 0))
        endMotion();
}

// ---- integration ----------------------------------------------------------

void Axis::advance(int64_t ms)
{
    int64_t steps = 0;
    while (ms > 0 && m_motion != Motion::None) {
        const int64_t coast = coastSteps(ms);
        if (coast > 0) {
            m_phys += m_vel * static_cast<double>(coast) * kStep;
            ms -= coast;
            continue;
        }
        if (++steps > kMaxStepsPerAdvance)
            break;
        step();
        --ms;
    }
}

// Whole milliseconds that can pass at the present velocity before anything
// can change: the velocity is at its goal and no switch, index mark, limit
// or braking point is within reach.  0 when the axis must be stepped.
int64_t Axis::coastSteps(int64_t available) const
{
    if (m_motion == Motion::None || m_stopping || m_vel == 0)
        return 0;
    const int dir = sign(m_vel);
    const double speed = std::fabs(m_vel);
    double room = dir > 0 ? travel.posLimit - m_phys : m_phys - travel.negLimit;

    switch (m_motion) {
    case Motion::Velocity:
        if (m_vel != m_velTarget)
            return 0;
        break;
    case Motion::Home:
        if (m_vel != m_homeDir * m_homeSpeed)
            return 0;
        if (m_homeStage == HomeStage::Switch) {
            const double lo = travel.homePosition - travel.homeHalfWidth;
            const double hi = travel.homePosition + travel.homeHalfWidth;
            const double ahead = dir > 0 ? lo - m_phys : m_phys - hi;
            const double behind = dir > 0 ? m_phys - hi : lo - m_phys;
            if (ahead > 0)
                room = std::min(room, ahead);
            else if (!(behind > 0))
                return 0; // on the switch
        } else {
            if (!m_markArmed)
                return 0;
            if (m_hasMark)
                room = std::min(room, dir * (m_mark - m_phys));
        }
        break;
    case Motion::Position: {
        const double diff = m_posTarget - m_phys;
        const double vmax = std::fabs(static_cast<double>(posVMax));
        if (sign(diff) != dir || speed != vmax)
            return 0;
        const double brakeDistance = posDec > 0 ? vmax * vmax / (2.0 * posDec) : 0.0;
        room = std::min(room, std::fabs(diff) - brakeDistance);
        break;
    }
    case Motion::None:
        return 0;
    }
    const double n = std::floor(room / (speed * kStep)) - 2;
    if (!(n >= 2))
        return 0;
    return n >= static_cast<double>(available) ? available : static_cast<int64_t>(n);
}

bool Axis::nextIndexMark(double from, int direction, double &mark) const
{
    const double period = travel.indexPeriod;
    if (!(period > 0))
        return false;
    const double k = direction > 0 ? std::floor(from / period) + 1 : std::ceil(from / period) - 1;
    mark = k * period;
    return std::isfinite(mark);
}

void Axis::step()
{
    const double p0 = m_phys;
    const double v0 = m_vel;
    double p1 = p0;
    double v1 = 0.0;
    bool arrived = false;

    switch (m_motion) {
    case Motion::None:
        return;
    case Motion::Velocity:
        v1 = ramp(v0, m_stopping ? 0.0 : m_velTarget, velAcc, velDec);
        p1 = p0 + v1 * kStep;
        break;
    case Motion::Home:
        v1 = ramp(v0, m_stopping ? 0.0 : m_homeDir * m_homeSpeed, homeAcc, homeDec);
        p1 = p0 + v1 * kStep;
        break;
    case Motion::Position:
        if (m_stopping) {
            v1 = ramp(v0, 0.0, posAcc, posDec);
            p1 = p0 + v1 * kStep;
        } else {
            positionStep(p0, v0, p1, v1, arrived);
        }
        break;
    }

    // Limit switches stop any motion that reaches them in its direction.
    bool hitLimit = false;
    if (p1 > p0 && p1 >= travel.posLimit) {
        p1 = std::max(p0, travel.posLimit);
        hitLimit = true;
    } else if (p1 < p0 && p1 <= travel.negLimit) {
        p1 = std::min(p0, travel.negLimit);
        hitLimit = true;
    }

    if (m_motion == Motion::Home && !m_stopping && v1 * m_homeDir > 0 && homeEvent(p0, p1))
        return;

    m_phys = p1;
    m_vel = v1;
    if (hitLimit) {
        endMotion();
    } else if (arrived) {
        m_phys = m_posTarget;
        endMotion();
    } else if (v1 == 0) {
        const bool done = m_stopping || (m_motion == Motion::Velocity && m_velTarget == 0)
                          || (m_motion == Motion::Position && posVMax == 0);
        if (done)
            endMotion();
    }
}

// Trapezoidal approach to the position target.  u is the speed toward the
// target: it grows at acc up to |vmax|, is held to sqrt(2·dec·remaining) so
// that braking at dec ends on the target, falls at dec when above |vmax|,
// and a motion away from the target is braked at dec first.  The step that
// would reach or pass the target ends on it.
void Axis::positionStep(double p0, double v0, double &p1, double &v1, bool &arrived) const
{
    const double diff = m_posTarget - p0;
    int d = sign(diff);
    if (d == 0) {
        if (v0 == 0) {
            p1 = p0;
            v1 = 0.0;
            arrived = true;
            return;
        }
        d = v0 > 0 ? -1 : 1; // passing through the target: brake and come back
    }
    const double rem = std::fabs(diff);
    const double u = v0 * d;
    const double acc = posAcc;
    const double dec = posDec;
    const double vmax = std::fabs(static_cast<double>(posVMax));

    double u1;
    if (u < 0) {
        u1 = dec > 0 ? std::min(u + dec * kStep, 0.0) : 0.0;
    } else {
        const double brake = dec > 0 ? std::sqrt(2.0 * dec * rem) : std::numeric_limits<double>::infinity();
        if (u > brake)
            u1 = brake;
        else if (u > vmax)
            u1 = dec > 0 ? std::max(u - dec * kStep, vmax) : vmax;
        else
            u1 = acc > 0 ? std::min(u + acc * kStep, std::min(vmax, brake)) : std::min(vmax, brake);
    }
    if (u1 > 0 && u1 * kStep >= rem) {
        p1 = m_posTarget;
        v1 = 0.0;
        arrived = true;
        return;
    }
    v1 = u1 * d;
    p1 = p0 + v1 * kStep;
}

// Looks for the end of a home search on the stretch p0 → p1 travelled in
// the search direction.  Returns true when the search arrived.
bool Axis::homeEvent(double p0, double p1)
{
    double from = p0;
    if (m_homeStage == HomeStage::Switch) {
        const double lo = travel.homePosition - travel.homeHalfWidth;
        const double hi = travel.homePosition + travel.homeHalfWidth;
        bool found;
        double entry;
        if (m_homeDir > 0) {
            found = p1 >= lo && p0 <= hi;
            entry = std::max(p0, lo);
        } else {
            found = p1 <= hi && p0 >= lo;
            entry = std::min(p0, hi);
        }
        if (!found)
            return false;
        if (m_homeMode == AxisMode::HomeSwitch) {
            arriveHome(entry);
            return true;
        }
        m_homeStage = HomeStage::Index;
        m_markArmed = false;
        from = entry;
    }
    if (!m_markArmed) {
        m_markArmed = true;
        m_hasMark = nextIndexMark(from, m_homeDir, m_mark);
    }
    if (m_hasMark && (m_homeDir > 0 ? p1 >= m_mark : p1 <= m_mark)) {
        arriveHome(m_mark);
        return true;
    }
    return false;
}

} // namespace kq
