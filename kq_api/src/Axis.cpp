#include "Axis.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kq {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Segments per advance: a motion needs a handful (ramp, cruise, braking,
// an overshoot and its return, a reversal at a limit); the bound only
// keeps a numerical corner case from spinning.
constexpr int kMaxSegments = 10000;

int sign(double x)
{
    return x > 0 ? 1 : (x < 0 ? -1 : 0);
}

// Time to cover the distance `d` >= 0 starting at speed `w` >= 0 with the
// acceleration `b` along the way; infinite when it is never covered.
double timeToCover(double d, double w, double b)
{
    if (d <= 0)
        return 0.0;
    if (b == 0)
        return w > 0 ? d / w : kInf;
    const double disc = w * w + 2.0 * b * d;
    if (disc < 0)
        return kInf;
    const double den = w + std::sqrt(disc);
    return den > 0 ? 2.0 * d / den : kInf;
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

// ---- settings ---------------------------------------------------------------

void Axis::setMode(AxisMode m)
{
    m_mode = m;
    switch (m) {
    case AxisMode::PositionClose:
    case AxisMode::HomeIndex:
    case AxisMode::HomeIndexSwitch:
        m_closedLoop = true;
        break;
    case AxisMode::Position:
    case AxisMode::HomeSwitch:
        m_closedLoop = false;
        break;
    case AxisMode::Velocity:
        break;
    }
}

double Axis::factor() const
{
    const double f = m_closeFactor;
    return (std::isfinite(f) && f > 0) ? f : 1.0;
}

double Axis::exactCounts() const
{
    return m_countBase + dirSign() * (stage() - m_countPhys) / factor();
}

int64_t Axis::encoderCounts() const
{
    return roundClamped(exactCounts());
}

// The counts so far become the reference, so that what follows changes
// only how further motion counts.
void Axis::rebaseCounts()
{
    const double c = exactCounts();
    m_countBase = std::isfinite(c) ? c : 0.0;
    m_countPhys = stage();
}

void Axis::setCloseFactor(float f)
{
    rebaseCounts();
    m_closeFactor = f;
}

void Axis::setDirPolarity(int32_t polarity)
{
    rebaseCounts();
    encoder.dirPolarity = polarity;
}

bool Axis::onHomeSwitch() const
{
    return std::fabs(m_phys - travel.homePosition) <= travel.homeHalfWidth;
}

// ---- commands -----------------------------------------------------------

void Axis::positionAbsolute(int64_t target)
{
    if (m_closedLoop) {
        // The board servos on the sensor: the motor goes as far beyond the
        // stage's target as the play will leave the stage behind.
        const double stageTarget = m_countPhys + dirSign() * factor() * (static_cast<double>(target) - m_countBase);
        startPositionMove(stageTarget + lagMovingTowards(sign(stageTarget - stage())));
    } else
        startPositionMove(static_cast<double>(target) - m_swOffset);
}

void Axis::positionRelative(int64_t distance)
{
    int64_t base;
    if (m_closedLoop)
        base = encoderCounts();
    else if (m_motion == Motion::Position && !m_stopping)
        base = roundClamped(m_posTarget + m_swOffset);
    else
        base = roundClamped(softwarePosition());
    positionAbsolute(base + distance);
}

void Axis::startMotion(Motion kind)
{
    m_motion = kind;
    m_stopping = false;
    m_homeFailed = false;
}

void Axis::startPositionMove(double physicalTarget)
{
    m_homeFailed = false;
    if (posVMax == 0 || std::isnan(physicalTarget))
        return;
    startMotion(Motion::Position);
    m_posTarget = physicalTarget;
    if (m_phys == m_posTarget && m_vel == 0) {
        endMotion();
        return;
    }
    refuseIntoActiveLimit(sign(m_posTarget - m_phys));
}

void Axis::velocityAbsolute(double v)
{
    startMotion(Motion::Velocity);
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
    m_homeFailed = false;
    if (v == 0)
        return;
    const bool homeMode = m_mode == AxisMode::HomeSwitch || m_mode == AxisMode::HomeIndex
                          || m_mode == AxisMode::HomeIndexSwitch;
    m_homeMode = homeMode ? m_mode : AxisMode::HomeSwitch;
    m_homeDir = v > 0 ? 1 : -1;
    m_homeSpeed = std::fabs(static_cast<double>(v));

    if (m_homeMode == AxisMode::HomeSwitch && onHomeSwitch()) {
        arriveHome(m_phys);
        return;
    }
    startMotion(Motion::Home);
    m_markArmed = false;
    m_reversed = false;
    // Already on the switch in encoder + switch mode: the switch counts as
    // found here and the search goes on to the next index mark.
    const bool switchDone = m_homeMode == AxisMode::HomeIndex
                            || (m_homeMode == AxisMode::HomeIndexSwitch && onHomeSwitch());
    m_homeStage = switchDone ? HomeStage::Index : HomeStage::Switch;
    // Starting on the limit it would run into: the search turns at once.
    if ((m_homeDir < 0 && atNegLimit() && m_vel <= 0) || (m_homeDir > 0 && atPosLimit() && m_vel >= 0)) {
        m_homeDir = -m_homeDir;
        m_reversed = true;
    }
}

void Axis::stop(Motion kind)
{
    m_homeFailed = false;
    if (m_motion != kind || m_stopping)
        return;
    m_stopping = true;
    if (m_vel == 0)
        endMotion();
}

void Axis::halt()
{
    m_homeFailed = false;
    endMotion();
}

// With the closed-loop flag set the value is in encoder counts and the
// software position follows it through the factor; otherwise it is in
// steps and the counts follow.  Either way the two zeros coincide.
void Axis::setSoftwarePosition(int32_t value)
{
    const int ds = dirSign();
    const double f = factor();
    m_countPhys = stage();
    if (m_closedLoop) {
        m_countBase = value;
        m_swOffset = static_cast<double>(ds) * value * f - m_phys;
    } else {
        m_swOffset = static_cast<double>(value) - m_phys;
        m_countBase = static_cast<double>(ds * roundClamped(value / f));
    }
}

void Axis::place(double physical)
{
    endMotion();
    m_phys = physical;
}

void Axis::setBacklash(int32_t steps)
{
    m_backlash = std::max<int32_t>(steps, 0);
    m_playPlaced = false;
}

void Axis::loseSteps(int32_t steps)
{
    m_lostSteps += steps;
}

double Axis::lagMovingTowards(int direction) const
{
    if (!m_playPlaced || direction == 0)
        return m_lag;
    return direction > 0 ? m_lagLow + m_backlash : m_lagLow;
}

void Axis::driveTo(double physical)
{
    const double moved = physical - m_phys;
    m_phys = physical;
    if (moved == 0)
        return;
    const int direction = sign(moved);
    if (!m_playPlaced) {
        m_lagLow = direction > 0 ? m_lag - m_backlash : m_lag;
        m_playPlaced = true;
    }
    if (m_lostSteps != 0) {
        m_lagLow += direction * m_lostSteps;
        m_lag += direction * m_lostSteps;
        m_lostSteps = 0;
    }
    m_lag = std::clamp(m_lag + moved, m_lagLow, m_lagLow + m_backlash);
}

void Axis::endMotion()
{
    m_motion = Motion::None;
    m_stopping = false;
    m_vel = 0.0;
}

void Axis::arriveHome(double physical)
{
    driveTo(physical);
    endMotion();
    m_swOffset = -m_phys;
    m_countBase = 0.0;
    m_countPhys = stage();
}

// A motion that would drive into a limit switch that is already active
// never starts; moving away from it is fine.
void Axis::refuseIntoActiveLimit(int direction)
{
    if ((direction < 0 && atNegLimit() && m_vel <= 0) || (direction > 0 && atPosLimit() && m_vel >= 0))
        endMotion();
}

// ---- planning -------------------------------------------------------------

// Velocity toward `goal`: a growing speed changes at acc, a shrinking one
// at dec; a reversal first brakes to 0.  A rate of 0 or less makes that
// change instantaneous.
Axis::Plan Axis::rampPlan(double goal, double acc, double dec) const
{
    Plan p;
    const double v = m_vel;
    if (v == goal) {
        p.duration = kInf;
        p.endVelocity = v;
        return p;
    }
    const bool slowing = (v > 0 && goal < v) || (v < 0 && goal > v);
    if (slowing) {
        p.endVelocity = v > 0 ? std::max(goal, 0.0) : std::min(goal, 0.0);
        if (dec > 0) {
            p.acc = -sign(v) * dec;
            p.duration = std::fabs(v - p.endVelocity) / dec;
        }
        return p;
    }
    p.endVelocity = goal;
    if (acc > 0) {
        p.acc = sign(goal - v) * acc;
        p.duration = std::fabs(goal - v) / acc;
    }
    return p;
}

// Trapezoidal approach to the position target, in terms of u, the speed
// toward the target: grow at acc up to |vmax| or to the speed from which
// braking at dec ends on the target, cruise, brake at dec onto it.  A
// motion away from the target, or one too fast to stop in the distance
// left, brakes at dec (never harder), overshooting if it must, and comes
// back.  A speed above |vmax| falls at dec.
Axis::Plan Axis::positionPlan() const
{
    Plan p;
    const double vmax = std::fabs(static_cast<double>(posVMax));
    if (vmax == 0 && m_vel == 0) {
        p.end = true;
        return p;
    }
    const double diff = m_posTarget - m_phys;
    int d = sign(diff);
    if (d == 0) {
        if (m_vel == 0) {
            p.arrive = true;
            return p;
        }
        d = m_vel > 0 ? -1 : 1;
    }
    const double rem = std::fabs(diff);
    const double u = m_vel * d;
    const double acc = posAcc;
    const double dec = posDec;

    auto brakeTo = [&](double uEnd) {
        p.endVelocity = uEnd * d;
        if (dec > 0) {
            p.acc = sign(uEnd - u) * d * dec;
            p.duration = std::fabs(u - uEnd) / dec;
        }
    };
    if (u < 0) {
        brakeTo(0.0);
        return p;
    }
    const double brakeDistance = dec > 0 ? u * u / (2.0 * dec) : 0.0;
    const double tol = 1e-6 + 1e-12 * (std::fabs(m_phys) + std::fabs(m_posTarget) + brakeDistance);
    if (dec > 0 && brakeDistance > rem + tol) { // cannot stop in time
        brakeTo(0.0);
        return p;
    }
    if (dec > 0 && u > 0 && brakeDistance >= rem - tol) { // final braking
        brakeTo(0.0);
        p.arrive = true;
        return p;
    }
    if (rem <= tol && (dec <= 0 || u == 0)) {
        p.arrive = true;
        return p;
    }
    if (u > vmax) {
        brakeTo(vmax);
        return p;
    }
    if (u == vmax) { // cruise to the braking point (or onto the target)
        p.endVelocity = m_vel;
        p.duration = (rem - brakeDistance) / vmax;
        p.arrive = dec <= 0;
        return p;
    }
    // Grow: to vmax or to the peak from which braking ends on the target.
    const double peak = dec > 0 ? (acc > 0 ? std::sqrt((2.0 * acc * dec * rem + dec * u * u) / (acc + dec))
                                           : std::sqrt(2.0 * dec * rem))
                                : kInf;
    const double uEnd = std::min(vmax, peak);
    p.endVelocity = uEnd * d;
    if (acc > 0) {
        p.acc = d * acc;
        p.duration = (uEnd - u) / acc;
        if (dec <= 0) { // no braking: the target may come before vmax
            const double t = timeToCover(rem, u, acc);
            if (t < p.duration) {
                p.duration = t;
                p.endVelocity = (u + acc * t) * d;
                p.arrive = true;
            }
        }
    }
    return p;
}

Axis::Plan Axis::plan() const
{
    switch (m_motion) {
    case Motion::Velocity:
        return rampPlan(m_stopping ? 0.0 : m_velTarget, velAcc, velDec);
    case Motion::Home:
        return rampPlan(m_stopping ? 0.0 : m_homeDir * m_homeSpeed, homeAcc, homeDec);
    case Motion::Position:
        if (m_stopping)
            return rampPlan(0.0, posAcc, posDec);
        return positionPlan();
    case Motion::None:
        break;
    }
    Plan p;
    p.end = true;
    return p;
}

bool Axis::searching(int direction) const
{
    return m_motion == Motion::Home && !m_stopping && direction == m_homeDir;
}

// The first switch, mark or limit met within `duration` by a segment that
// starts at the present state with acceleration `acc`.  A segment never
// changes the direction of motion (reversals end at velocity 0).
Axis::Event Axis::nextEvent(double acc, double duration) const
{
    Event best;
    const int s = m_vel != 0 ? sign(m_vel) : sign(acc);
    if (s == 0)
        return best;
    const double w = s * m_vel;
    const double b = s * acc;
    const double reach = std::isfinite(duration) ? w * duration + b * duration * duration / 2.0 : kInf;
    best.time = kInf;
    auto consider = [&](EventKind kind, double position, double distance) {
        if (distance > reach)
            return;
        const double t = timeToCover(distance, w, b);
        if (t < best.time) {
            best = {kind, t, position};
        }
    };

    if (searching(s) && m_homeStage == HomeStage::Switch) {
        const double lo = travel.homePosition - travel.homeHalfWidth;
        const double hi = travel.homePosition + travel.homeHalfWidth;
        if (s > 0 && m_phys <= hi)
            consider(EventKind::HomeSwitch, std::max(m_phys, lo), std::max(lo - m_phys, 0.0));
        else if (s < 0 && m_phys >= lo)
            consider(EventKind::HomeSwitch, std::min(m_phys, hi), std::max(m_phys - hi, 0.0));
    }
    if (searching(s) && m_homeStage == HomeStage::Index && m_markArmed && m_hasMark)
        consider(EventKind::IndexMark, m_mark, std::max(s * (m_mark - m_phys), 0.0));

    const double limit = s > 0 ? travel.posLimit : travel.negLimit;
    const double toLimit = s * (limit - m_phys);
    if (toLimit <= 0) {
        if (best.kind == EventKind::None || best.time > 0)
            best = {EventKind::Limit, 0.0, m_phys};
    } else {
        consider(EventKind::Limit, limit, toLimit);
    }
    if (best.kind == EventKind::None)
        best.time = 0.0;
    return best;
}

bool Axis::restEndsMotion() const
{
    return m_stopping || (m_motion == Motion::Velocity && m_velTarget == 0)
           || (m_motion == Motion::Position && posVMax == 0);
}

void Axis::finish(const Plan &p)
{
    m_vel = p.endVelocity;
    if (p.arrive) {
        driveTo(m_posTarget);
        endMotion();
    } else if (m_vel == 0 && restEndsMotion()) {
        endMotion();
    }
}

// Limit switches stop any motion that reaches them in its direction at
// once.  A home search turns round at the first limit and keeps looking;
// at the second it has failed.
void Axis::meet(const Event &e, int direction)
{
    driveTo(e.position);
    switch (e.kind) {
    case EventKind::None:
        return;
    case EventKind::HomeSwitch:
        if (m_homeMode == AxisMode::HomeSwitch) {
            arriveHome(e.position);
        } else {
            m_homeStage = HomeStage::Index;
            m_markArmed = false;
        }
        return;
    case EventKind::IndexMark:
        arriveHome(e.position);
        return;
    case EventKind::Limit:
        m_vel = 0.0;
        if (m_motion != Motion::Home || m_stopping) {
            endMotion();
        } else if (direction == m_homeDir) {
            if (m_reversed) {
                endMotion();
                m_homeFailed = true;
            } else {
                m_reversed = true;
                m_homeDir = -m_homeDir;
                m_markArmed = false;
            }
        }
        return;
    }
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

void Axis::advance(int64_t ms)
{
    double left = static_cast<double>(ms) / 1000.0;
    for (int n = 0; left > 0 && m_motion != Motion::None && n < kMaxSegments; ++n) {
        const Plan p = plan();
        if (p.end) {
            endMotion();
            break;
        }
        const int s = m_vel != 0 ? sign(m_vel) : sign(p.acc);
        if (searching(s) && m_homeStage == HomeStage::Index && !m_markArmed) {
            m_markArmed = true;
            m_hasMark = nextIndexMark(m_phys, s, m_mark);
        }
        // A regime that ends within a nanosecond of the time left ends
        // now, so that rounding never leaves a sliver for the next call.
        const double t = p.duration <= left + 1e-9 ? p.duration : left;
        const Event e = nextEvent(p.acc, t);
        const double run = e.kind != EventKind::None ? e.time : t;
        driveTo(m_phys + m_vel * run + p.acc * run * run / 2.0);
        m_vel += p.acc * run;
        left -= run;
        if (e.kind != EventKind::None)
            meet(e, s);
        else if (t == p.duration)
            finish(p);
    }
}

} // namespace kq
