#pragma once
// Walks an automatic program the way the board sees it: every value is
// converted to motor steps with the axis's Motor_Scale (the library's own
// ratio, taken when the configuration was loaded), and each axis's
// position is tracked in steps from where the walk starts.  A home search runs from
// there to the home switch, taken to lie at the coordinate origin as long as
// no coordinate adjust has moved the origin.  The run-time planner and
// the path preview both walk programs through this one class.
#include "AutoCode.h"
#include "config/AxisConfig.h"

#include <cstdint>
#include <vector>

enum class StepKind : uint8_t { Home, Rel, Abs, Pause, Adjust, Unknown };

StepKind StepKindOf(const QString &action);

// A program value in mm or degrees in motor steps: the product with the
// scale to the nearest integer, saturated to 32 bits.  It agrees with the
// library's conversion that the runner sends but, at most, for a value
// that falls on a half step.
int32_t AutoSteps(double value, double scale);

// The motion profile an axis receives for a program step, in steps.
struct TStepProfile
{
    int32_t Acc = 0;
    int32_t Dec = 0;
    int32_t V_Max = 0;
};

// What one step does to its axis.
struct TStepMotion
{
    StepKind Kind = StepKind::Unknown;
    int Axis = -1;          // -1 when the step names no configured axis
    int32_t Repeats = 1;    // repetitions of the motion, at least 1
    double First = 0;       // distance of the first repetition, steps
    double Each = 0;        // distance of every later repetition, steps
    bool Places = false;    // the axis ends where the step says, wherever it was
};

class TProgramWalk
{
public:
    // startSteps[a] is axis a's position in steps; missing entries are 0.
    TProgramWalk(const QVector<TAxis_Config> &axes, const std::vector<double> &startSteps);

    // Carries out one step (with all its repetitions) and tells what moved.
    TStepMotion Apply(const TAutoCode &code);

    double Position(int axis) const { return m_pos[size_t(axis)]; }
    const std::vector<double> &Positions() const { return m_pos; }
    void SetPositions(const std::vector<double> &steps);
    int AxisCount() const { return int(m_profile.size()); }
    const TStepProfile &Profile(int axis) const { return m_profile[size_t(axis)]; }
    // Motor steps per mm or degree; 0 when the axis has none.
    double Scale(int axis) const { return m_scale[size_t(axis)]; }
    // An axis's position in mm or degrees (0 without a scale).
    double RealPosition(int axis) const;

private:
    std::vector<TStepProfile> m_profile;
    std::vector<double> m_scale;
    std::vector<double> m_pos;
    // Where each axis's home switch lies in its coordinates: at 0 until a
    // coordinate adjust moves the origin away from it.
    std::vector<double> m_home;
};
