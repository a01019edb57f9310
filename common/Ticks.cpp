#include "Ticks.h"

#include <chrono>

namespace {
uint32_t g_tickOffset = 0;
}

uint32_t GetTickCount32()
{
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count();
    // Unsigned arithmetic wraps at 2^32, as the counter must.
    return static_cast<uint32_t>(ms) + g_tickOffset;
}

void SetTickOffsetForTest(uint32_t offset)
{
    g_tickOffset = offset;
}
