// One motor axis of the virtual board, with its encoder channel.
//
// The axis has a physical position in motor steps (a double, so that a
// velocity of a few steps per second still moves it) and a velocity in
// steps/s.  The software position that the board reports is the physical
// position plus an offset; the encoder counts follow the physical position
// through the closed-loop factor (motor steps per count) and the direction
// polarity, plus an offset of their own.  Both offsets move when the
// position is set or a home search arrives; the physical position only
// moves by motion (or by the test hook that places the axis).
//
// Time advances in whole milliseconds.  Motion is integrated with a fixed
// 1 ms step; stretches at constant velocity far from any event are covered
// in one jump, and an axis at rest costs nothing.
#pragma once

#include <cstdint>

namespace kq {

enum class AxisMode { Position, PositionClose, Velocity, HomeSwitch, HomeIndex, HomeIndexSwitch };

enum class Motion { None, Position, Velocity, Home };

struct EncoderSettings {
    int32_t zPolarity = 0;
    int32_t dirPolarity = 1;
    int32_t overEnable = 0;
    int32_t overMax = 100;
    int32_t overStable = 50;
};

// Switches along the travel, in physical steps.
struct Travel {
    double negLimit = -640000.0;
    double posLimit = 640000.0;
    double homePosition = 0.0;
    double homeHalfWidth = 64.0;
    double indexPeriod = 6400.0; // <= 0: no index marks
};

class Axis
{
public:
    // Settings as last sent; they act on the motion in progress too.
    AxisMode mode = AxisMode::Position;
    int32_t posAcc = 6400, posDec = 6400, posVMax = 6400;
    int32_t velAcc = 6400, velDec = 6400;
    int32_t homeAcc = 6400, homeDec = 6400;
    float closeFactor = 1.0f;
    EncoderSettings encoder;
    Travel travel;

    // ---- commands -------------------------------------------------------
    // Target in software steps (open loop) or encoder counts (closed loop).
    void positionAbsolute(int64_t target);
    void positionRelative(int64_t distance);
    void velocityAbsolute(double v);
    void velocityRelative(double dv);
    void home(int32_t v);
    void stop(Motion kind); // decelerates a motion of that kind only
    void halt();
    void setSoftwarePosition(int32_t value);
    void place(double physical);

    // ---- state ----------------------------------------------------------
    double physical() const { return m_phys; }
    double velocity() const { return m_vel; }
    double softwarePosition() const { return m_phys + m_swOffset; }
    int64_t encoderCounts() const;
    bool running() const { return m_motion != Motion::None; }
    bool atNegLimit() const { return m_phys <= travel.negLimit; }
    bool atPosLimit() const { return m_phys >= travel.posLimit; }
    bool onHomeSwitch() const;

    // Integrates `ms` milliseconds of motion.
    void advance(int64_t ms);

private:
    double factor() const;   // effective closed-loop factor
    int dirSign() const { return encoder.dirPolarity == 0 ? -1 : 1; }
    bool closedLoop() const { return mode == AxisMode::PositionClose; }

    void startPositionMove(double physicalTarget);
    void endMotion();
    void arriveHome(double physical);
    void refuseIntoActiveLimit(int direction);

    void step(); // one millisecond
    void positionStep(double p0, double v0, double &p1, double &v1, bool &arrived) const;
    bool homeEvent(double p0, double p1);
    int64_t coastSteps(int64_t available) const;
    bool nextIndexMark(double from, int direction, double &mark) const;

    double m_phys = 0.0;
    double m_vel = 0.0;
    double m_swOffset = 0.0;
    int64_t m_encOffset = 0;

    Motion m_motion = Motion::None;
    bool m_stopping = false;
    double m_posTarget = 0.0;   // physical
    double m_velTarget = 0.0;

    // Home search
    enum class HomeStage { Switch, Index };
    AxisMode m_homeMode = AxisMode::HomeSwitch;
    HomeStage m_homeStage = HomeStage::Switch;
    int m_homeDir = 1;
    double m_homeSpeed = 0.0;
    bool m_markArmed = false; // the index mark to stop at has been chosen
    bool m_hasMark = false;   // ... and there is one
    double m_mark = 0.0;
};

// Nearest integer with halves away from zero; NaN gives 0 and anything
// beyond +-2^52 is clamped there, so sums of a few of them never overflow.
int64_t roundClamped(double v);
// Nearest integer saturated to the 32-bit range; NaN gives 0.
int32_t saturate32(double v);

} // namespace kq
