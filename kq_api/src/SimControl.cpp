// Control of the virtual board for tests and tools (kq_sim.h).  These calls
// are not journaled; like the library calls they bring the board's motion
// up to the present first.
#include "kq_sim.h"

#include "Library.h"

#include <algorithm>
#include <cmath>

using namespace kq;

namespace {

template <typename Fn>
auto locked(Fn &&fn)
{
    Library &lib = Library::instance();
    lib.touchedBySimControl();
    std::lock_guard<std::mutex> lock(lib.mutex());
    return fn(lib);
}

// Reads a value of an existing axis; 0 when there is none.
template <typename Fn>
auto readAxis(int index, Fn &&fn) -> decltype(fn(std::declval<Axis &>()))
{
    return locked([&](Library &lib) -> decltype(fn(std::declval<Axis &>())) {
        Axis *axis = lib.board().axis(index);
        return axis ? fn(*axis) : 0;
    });
}

template <typename Fn>
void changeAxis(int index, Fn &&fn)
{
    locked([&](Library &lib) {
        if (Axis *axis = lib.board().axis(index))
            fn(*axis);
        return 0;
    });
}

int modeNumber(AxisMode mode)
{
    switch (mode) {
    case AxisMode::Position:
        return KQSIM_MODE_POSITION;
    case AxisMode::PositionClose:
        return KQSIM_MODE_POSITION_CLOSE;
    case AxisMode::Velocity:
        return KQSIM_MODE_VELOCITY;
    case AxisMode::HomeSwitch:
        return KQSIM_MODE_HOME_SWITCH;
    case AxisMode::HomeIndex:
        return KQSIM_MODE_HOME_INDEX;
    case AxisMode::HomeIndexSwitch:
        return KQSIM_MODE_HOME_INDEX_SWITCH;
    }
    return KQSIM_MODE_POSITION;
}

} // namespace

extern "C" {

void kqsim_reset(int axes, int encoders, uint32_t resources)
{
    locked([&](Library &lib) {
        lib.reset(axes, encoders, resources);
        return 0;
    });
}

void kqsim_reset_from_environment(void)
{
    locked([](Library &lib) {
        lib.resetFromEnvironment();
        return 0;
    });
}

void kqsim_set_manual_clock(int on)
{
    locked([&](Library &lib) {
        lib.sync();
        lib.clock().setManual(on != 0);
        return 0;
    });
}

void kqsim_advance_ms(uint32_t ms)
{
    locked([&](Library &lib) {
        lib.sync();
        lib.clock().advance(ms);
        lib.sync();
        return 0;
    });
}

int kqsim_journal_size(void)
{
    return locked([](Library &lib) { return lib.journal().size(); });
}

const char *kqsim_journal_entry(int i)
{
    return locked([&](Library &lib) {
        const std::string *entry = lib.journal().at(i);
        return entry ? entry->c_str() : "";
    });
}

void kqsim_journal_clear(void)
{
    locked([](Library &lib) {
        lib.journal().clear();
        return 0;
    });
}

const char *kqsim_last_help_call(void)
{
    return locked([](Library &lib) { return lib.lastHelpCall().c_str(); });
}

void kqsim_fail(const char *function_name, int on)
{
    if (!function_name)
        return;
    locked([&](Library &lib) {
        lib.setFailure(function_name, on != 0);
        return 0;
    });
}

int kqsim_link(void)
{
    return locked([](Library &lib) { return static_cast<int>(lib.link()); });
}

void kqsim_lose_link(void)
{
    locked([](Library &lib) { lib.loseLink(); });
}

void kqsim_set_product_id(const char *id)
{
    locked([&](Library &lib) {
        lib.board().setProductId(id);
        return 0;
    });
}

int32_t kqsim_axis_position(int axis)
{
    return readAxis(axis, [](Axis &a) { return saturate32(a.softwarePosition()); });
}

int32_t kqsim_axis_physical_position(int axis)
{
    return readAxis(axis, [](Axis &a) { return saturate32(a.physical()); });
}

int32_t kqsim_axis_velocity(int axis)
{
    return readAxis(axis, [](Axis &a) { return saturate32(a.velocity()); });
}

int kqsim_axis_running(int axis)
{
    return readAxis(axis, [](Axis &a) { return a.running() ? 1 : 0; });
}

int kqsim_axis_neg_limit(int axis)
{
    return readAxis(axis, [](Axis &a) { return a.atNegLimit() ? 1 : 0; });
}

int kqsim_axis_pos_limit(int axis)
{
    return readAxis(axis, [](Axis &a) { return a.atPosLimit() ? 1 : 0; });
}

int kqsim_axis_home_switch(int axis)
{
    return readAxis(axis, [](Axis &a) { return a.onHomeSwitch() ? 1 : 0; });
}

int kqsim_axis_mode(int axis)
{
    return readAxis(axis, [](Axis &a) { return modeNumber(a.mode()); });
}

int32_t kqsim_encoder_counts(int axis)
{
    return locked([&](Library &lib) -> int32_t {
        Axis *channel = lib.board().channel(axis);
        return channel ? saturate32(static_cast<double>(channel->encoderCounts())) : 0;
    });
}

float kqsim_axis_close_factor(int axis)
{
    return readAxis(axis, [](Axis &a) { return a.closeFactor(); });
}

int32_t kqsim_encoder_setting(int axis, int which)
{
    return locked([&](Library &lib) -> int32_t {
        Axis *channel = lib.board().channel(axis);
        if (!channel)
            return 0;
        const EncoderSettings &e = channel->encoder;
        switch (which) {
        case 0:
            return e.zPolarity;
        case 1:
            return e.dirPolarity;
        case 2:
            return e.overEnable;
        case 3:
            return e.overMax;
        case 4:
            return e.overStable;
        default:
            return 0;
        }
    });
}

void kqsim_journal_record(int on)
{
    Library::instance().setRecording(on != 0);
}

void kqsim_set_run_flag_delay(int32_t ms)
{
    locked([&](Library &lib) {
        lib.board().setRunFlagDelayMs(ms);
        return 0;
    });
}

void kqsim_set_travel(int axis, int32_t neg_limit, int32_t pos_limit)
{
    changeAxis(axis, [&](Axis &a) {
        a.travel.negLimit = std::min(neg_limit, pos_limit);
        a.travel.posLimit = std::max(neg_limit, pos_limit);
    });
}

void kqsim_set_home_switch(int axis, int32_t position, int32_t half_width)
{
    changeAxis(axis, [&](Axis &a) {
        a.travel.homePosition = position;
        a.travel.homeHalfWidth = std::fabs(static_cast<double>(half_width));
    });
}

void kqsim_set_index_period(int axis, int32_t steps)
{
    changeAxis(axis, [&](Axis &a) { a.travel.indexPeriod = steps; });
}

void kqsim_place_axis(int axis, int32_t physical_position)
{
    changeAxis(axis, [&](Axis &a) { a.place(physical_position); });
}

// The motion so far ran with the mechanics as they were.
void kqsim_set_backlash(int axis, int32_t steps)
{
    changeAxis(axis, [&](Axis &a) { a.setBacklash(steps); });
}

void kqsim_lose_steps(int axis, int32_t steps)
{
    changeAxis(axis, [&](Axis &a) { a.loseSteps(steps); });
}

int32_t kqsim_axis_stage_position(int axis)
{
    return readAxis(axis, [](Axis &a) { return saturate32(a.stage()); });
}

} // extern "C"
