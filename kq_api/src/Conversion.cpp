// Unit conversion between machine units and motor steps or sensor counts.
//
// Every conversion is value × ratio one way and steps / ratio the other,
// with the ratio in steps (or counts) per mm or per degree:
//
//   motor, linear      steps/mm   = 360 / step_angle × div × line_ratio / pitch
//                                   (1.8°, 32, 1:1, 1 mm → 6400)
//   motor, rotary      steps/deg  = div × circle_ratio / step_angle
//                                   (= 360 / step_angle × div × circle_ratio / 360;
//                                    1.8°, 32, 1:120 → 2133.33…)
//   grating, linear    counts/mm  = 1000 / unit_um             (20 µm → 50)
//   grating, rotary    counts/deg = grating_count / 360        (64800 → 180)
//   encoder, linear    counts/mm  = 4 × line_count × line_ratio / pitch
//                                   (quadrature; 1000 lines, 1:1, 1 mm → 4000)
//   encoder, rotary    counts/deg = 4 × line_count × circle_ratio / 360
//
//   _Real_To_Steps  = value × ratio to the nearest integer (halves away from
//                     zero), saturated to 32 bits; 0 when the product is NaN.
//   _Steps_To_Real  = steps / ratio; 0 when the ratio is 0 or not finite, or
//                     so small that the quotient is not finite, so a zero
//                     or absurd step angle, subdivision or pitch never
//                     gives infinities.
//
// Both directions use the same ratio, so Steps_To_Real(Real_To_Steps(x)) is
// within half a step of x wherever no saturation occurs.
//
// Closed-loop factors, motor steps per sensor count, as single precision
// (0 when not finite or beyond its range):
//
//   Grating_Line_Factor   = motor steps/mm  / grating counts/mm
//   Grating_Circle_Factor = motor steps/deg / grating counts/deg
//   Encoder_Factor        = 360 / step_angle × div / (4 × line_count)
//                           (motor steps per revolution / counts per revolution)
//
// These functions touch no board; the last call is remembered only so that
// tests can see which conversion ran, and only while the journal records
// (no text is formatted and no lock taken otherwise).
#include "kq_api.h"

#include "Axis.h"
#include "Library.h"

#include <cfloat>
#include <cmath>

using namespace kq;

namespace {

double stepLinePerMm(double stepAngle, int32_t div, double pitch, double lineRatio)
{
    return 360.0 / stepAngle * div * lineRatio / pitch;
}

double stepCirclePerDeg(double stepAngle, int32_t div, double circleRatio)
{
    return static_cast<double>(div) * circleRatio / stepAngle;
}

double gratingLinePerMm(double unitUm)
{
    return 1000.0 / unitUm;
}

double gratingCirclePerDeg(int32_t gratingCount)
{
    return gratingCount / 360.0;
}

double encoderLinePerMm(double pitch, double lineRatio, int32_t lineCount)
{
    return 4.0 * lineCount * lineRatio / pitch;
}

double encoderCirclePerDeg(double circleRatio, int32_t lineCount)
{
    return 4.0 * lineCount * circleRatio / 360.0;
}

int32_t toSteps(double ratio, double value)
{
    return saturate32(value * ratio);
}

double toReal(double ratio, int32_t steps)
{
    if (ratio == 0 || !std::isfinite(ratio))
        return 0.0;
    const double real = steps / ratio;
    return std::isfinite(real) ? real : 0.0;
}

float toFactor(double f)
{
    if (!std::isfinite(f) || std::fabs(f) > FLT_MAX)
        return 0.0f;
    return static_cast<float>(f);
}

template <typename... Args>
void remember(const char *name, Args... args)
{
    Library &lib = Library::instance();
    if (!lib.records())
        return;
    CallText call(name);
    (call.arg(args), ...);
    std::lock_guard<std::mutex> lock(lib.mutex());
    lib.lastHelpCall() = call.text();
}

} // namespace

extern "C" {

int32_t KQ_Help_Step_Line_Real_To_Steps(double step_angle, int32_t div, double pitch, double line_ratio,
                                        double value)
{
    remember("KQ_Help_Step_Line_Real_To_Steps", step_angle, div, pitch, line_ratio, value);
    return toSteps(stepLinePerMm(step_angle, div, pitch, line_ratio), value);
}

double KQ_Help_Step_Line_Steps_To_Real(double step_angle, int32_t div, double pitch, double line_ratio,
                                       int32_t steps)
{
    remember("KQ_Help_Step_Line_Steps_To_Real", step_angle, div, pitch, line_ratio, steps);
    return toReal(stepLinePerMm(step_angle, div, pitch, line_ratio), steps);
}

int32_t KQ_Help_Step_Circle_Real_To_Steps(double step_angle, int32_t div, double circle_ratio, double value)
{
    remember("KQ_Help_Step_Circle_Real_To_Steps", step_angle, div, circle_ratio, value);
    return toSteps(stepCirclePerDeg(step_angle, div, circle_ratio), value);
}

double KQ_Help_Step_Circle_Steps_To_Real(double step_angle, int32_t div, double circle_ratio, int32_t steps)
{
    remember("KQ_Help_Step_Circle_Steps_To_Real", step_angle, div, circle_ratio, steps);
    return toReal(stepCirclePerDeg(step_angle, div, circle_ratio), steps);
}

int32_t KQ_Help_Grating_Line_Real_To_Steps(double unit_um, double value)
{
    remember("KQ_Help_Grating_Line_Real_To_Steps", unit_um, value);
    return toSteps(gratingLinePerMm(unit_um), value);
}

double KQ_Help_Grating_Line_Steps_To_Real(double unit_um, int32_t counts)
{
    remember("KQ_Help_Grating_Line_Steps_To_Real", unit_um, counts);
    return toReal(gratingLinePerMm(unit_um), counts);
}

int32_t KQ_Help_Grating_Circle_Real_To_Steps(int32_t grating_count, double value)
{
    remember("KQ_Help_Grating_Circle_Real_To_Steps", grating_count, value);
    return toSteps(gratingCirclePerDeg(grating_count), value);
}

double KQ_Help_Grating_Circle_Steps_To_Real(int32_t grating_count, int32_t counts)
{
    remember("KQ_Help_Grating_Circle_Steps_To_Real", grating_count, counts);
    return toReal(gratingCirclePerDeg(grating_count), counts);
}

int32_t KQ_Help_Encoder_Line_Real_To_Steps(double pitch, double line_ratio, int32_t line_count, double value)
{
    remember("KQ_Help_Encoder_Line_Real_To_Steps", pitch, line_ratio, line_count, value);
    return toSteps(encoderLinePerMm(pitch, line_ratio, line_count), value);
}

double KQ_Help_Encoder_Line_Steps_To_Real(double pitch, double line_ratio, int32_t line_count, int32_t counts)
{
    remember("KQ_Help_Encoder_Line_Steps_To_Real", pitch, line_ratio, line_count, counts);
    return toReal(encoderLinePerMm(pitch, line_ratio, line_count), counts);
}

int32_t KQ_Help_Encoder_Circle_Real_To_Steps(double circle_ratio, int32_t line_count, double value)
{
    remember("KQ_Help_Encoder_Circle_Real_To_Steps", circle_ratio, line_count, value);
    return toSteps(encoderCirclePerDeg(circle_ratio, line_count), value);
}

double KQ_Help_Encoder_Circle_Steps_To_Real(double circle_ratio, int32_t line_count, int32_t counts)
{
    remember("KQ_Help_Encoder_Circle_Steps_To_Real", circle_ratio, line_count, counts);
    return toReal(encoderCirclePerDeg(circle_ratio, line_count), counts);
}

float KQ_Help_Grating_Line_Factor(double step_angle, int32_t div, double pitch, double line_ratio, double unit_um)
{
    remember("KQ_Help_Grating_Line_Factor", step_angle, div, pitch, line_ratio, unit_um);
    return toFactor(stepLinePerMm(step_angle, div, pitch, line_ratio) / gratingLinePerMm(unit_um));
}

float KQ_Help_Grating_Circle_Factor(double step_angle, int32_t div, double circle_ratio, int32_t grating_count)
{
    remember("KQ_Help_Grating_Circle_Factor", step_angle, div, circle_ratio, grating_count);
    return toFactor(stepCirclePerDeg(step_angle, div, circle_ratio) / gratingCirclePerDeg(grating_count));
}

float KQ_Help_Encoder_Factor(double step_angle, int32_t div, int32_t line_count)
{
    remember("KQ_Help_Encoder_Factor", step_angle, div, line_count);
    return toFactor(360.0 / step_angle * div / (4.0 * line_count));
}

} // extern "C"
