// One motor axis of the virtual board, with its encoder channel.
//
// The axis has a physical position in motor steps (a double, so that a
// velocity of a few steps per second still moves it) and a velocity in
// steps/s.  The software position that the board reports is the physical
// position plus an offset.  The encoder counts accumulate the motion through
// the closed-loop factor (motor steps per count) and the direction polarity:
// they are kept as the counts at one reference position, so that a change
// of factor or polarity only affects motion from then on, never the counts
// of an axis at rest.  The physical position only moves by motion (or by
// the test hook that places the axis).
//
// The stage that the sensor reads follows the motor through the play of
// its drive: with a backlash of B steps, the first B steps after each
// reversal of the motor turn it without moving the stage, and lost steps
// leave the stage behind the motor for good.  The encoder counts follow the
// stage; the software position, the switches and the limits follow the
// motor.  Without backlash or lost steps the stage is the motor.
//
// Time advances in whole milliseconds, but motion is integrated exactly:
// every stretch of constant acceleration (a ramp, a cruise, a braking) is
// one segment whose end, and the switches, marks and limits met on the way,
// are solved in closed form.  A gap of any length costs a few segments.
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
    int32_t posAcc = 6400, posDec = 6400, posVMax = 6400;
    int32_t velAcc = 6400, velDec = 6400;
    int32_t homeAcc = 6400, homeDec = 6400;
    EncoderSettings encoder; // direction polarity through setDirPolarity
    Travel travel;
    // Board time before which the run flag reads 0 (see Board::runFlagDelayMs).
    int64_t runFlagFromMs = 0;

    // ---- settings that the counts depend on --------------------------------
    // The mode also sets or clears the closed-loop flag: position-close and
    // the encoder home modes set it, position and the home-switch mode clear
    // it, velocity mode leaves it as it is.
    void setMode(AxisMode m);
    AxisMode mode() const { return m_mode; }
    bool closedLoop() const { return m_closedLoop; }
    void setCloseFactor(float f);
    float closeFactor() const { return m_closeFactor; }
    void setDirPolarity(int32_t polarity);

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
    // Play of the drive in motor steps (0: none), from the next motion on.
    void setBacklash(int32_t steps);
    // The stage falls `steps` behind the motor during its next motion.
    void loseSteps(int32_t steps);

    // ---- state ----------------------------------------------------------
    double physical() const { return m_phys; }
    double stage() const { return m_phys - m_lag; }
    double velocity() const { return m_vel; }
    double softwarePosition() const { return m_phys + m_swOffset; }
    int64_t encoderCounts() const;
    bool running() const { return m_motion != Motion::None; }
    bool atNegLimit() const { return m_phys <= travel.negLimit; }
    bool atPosLimit() const { return m_phys >= travel.posLimit; }
    bool onHomeSwitch() const;
    // The last home search met both limits without finding what it looked
    // for; cleared by the next motion command.
    bool homeFailed() const { return m_homeFailed; }

    // Integrates `ms` milliseconds of motion.
    void advance(int64_t ms);

private:
    // One stretch of constant acceleration and what happens at its end.
    struct Plan {
        double acc = 0.0;        // steps/s², signed
        double duration = 0.0;   // s until the end; may be infinite
        double endVelocity = 0.0;
        bool arrive = false;     // the end is the position target
        bool end = false;        // the motion is over now
    };
    enum class EventKind { None, Limit, HomeSwitch, IndexMark };
    struct Event {
        EventKind kind = EventKind::None;
        double time = 0.0;
        double position = 0.0;
    };

    double factor() const; // effective closed-loop factor
    int dirSign() const { return encoder.dirPolarity == 0 ? -1 : 1; }
    double exactCounts() const;
    void rebaseCounts();

    void startMotion(Motion kind);
    void startPositionMove(double physicalTarget);
    void endMotion();
    void arriveHome(double physical);
    // The motor goes to `physical` by motion; the stage follows it through
    // the play.
    void driveTo(double physical);
    // The lag of the stage behind the motor once a motion in `direction`
    // has taken up the play.
    double lagMovingTowards(int direction) const;
    void refuseIntoActiveLimit(int direction);

    Plan plan() const;
    Plan rampPlan(double goal, double acc, double dec) const;
    Plan positionPlan() const;
    Event nextEvent(double acc, double duration) const;
    void finish(const Plan &p);
    void meet(const Event &e, int direction);
    bool restEndsMotion() const;
    bool searching(int direction) const;
    bool nextIndexMark(double from, int direction, double &mark) const;

    AxisMode m_mode = AxisMode::Position;
    bool m_closedLoop = false;
    float m_closeFactor = 1.0f;

    double m_phys = 0.0;
    double m_vel = 0.0;
    double m_swOffset = 0.0;
    double m_countBase = 0.0; // exact counts...
    double m_countPhys = 0.0; // ...at this stage position

    // The stage is m_lag steps behind the motor; the play keeps the lag
    // within [m_lagLow, m_lagLow + m_backlash], placed at the first motion
    // after the backlash was set so that this motion moves the stage.
    double m_lag = 0.0;
    double m_lagLow = 0.0;
    double m_backlash = 0.0;
    bool m_playPlaced = true;
    double m_lostSteps = 0.0; // still to lose, at the next motion

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
    bool m_reversed = false;  // a limit has turned the search round once
    bool m_homeFailed = false;
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
