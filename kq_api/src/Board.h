// The virtual board: identity, axes with their encoder channels, and the
// time up to which their motion has been integrated.
#pragma once

#include "Axis.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kq {

class Board
{
public:
    static constexpr int kMaxChannels = 64;

    // Counts are clamped to 0..kMaxChannels.
    Board(int axes, int encoders, uint32_t resources, int64_t nowMs);

    // A board as the environment describes it (KQ_SIM_AXES, KQ_SIM_ENCODERS).
    static Board fromEnvironment(int64_t nowMs);

    int axisCount() const { return m_axisCount; }
    int encoderCount() const { return m_encoderCount; }
    uint32_t resources() const { return m_resources; }

    // nullptr when the board has no such axis / encoder channel.
    Axis *axis(int index);
    Axis *channel(int index);

    void setProductId(const char *id);
    // Fills 17 bytes: the identifier, then zeros.
    void productId(char *out) const;

    // Integrates every axis up to the given time; time never runs backwards.
    void advanceTo(int64_t nowMs);
    int64_t now() const { return m_time; }

    // For this long after a motion command the run flag still reads 0, as
    // on a board that reports it some milliseconds late (default 0, or
    // KQ_SIM_RUN_FLAG_DELAY_MS).
    int64_t runFlagDelayMs() const { return m_runFlagDelayMs; }
    void setRunFlagDelayMs(int64_t ms) { m_runFlagDelayMs = ms < 0 ? 0 : ms; }

private:
    int m_axisCount;
    int m_encoderCount;
    uint32_t m_resources;
    char m_productId[17] = {};
    size_t m_productIdLength = 0;
    int64_t m_time;
    int64_t m_runFlagDelayMs = 0;
    // One entry per axis or encoder channel, whichever count is larger: a
    // channel without a motor reads the counts of a motor that never moves.
    std::vector<Axis> m_axes;
};

} // namespace kq
