#include "Board.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kq {

namespace {

constexpr uint32_t kDefaultResources = 0x801; // motor axes and encoder channels
constexpr int kDefaultCount = 4;
const char kDefaultProductId[] = "SIMBOARD-MC";

int clampCount(long n)
{
    return static_cast<int>(std::clamp<long>(n, 0, Board::kMaxChannels));
}

// A whole decimal number, clamped to the channel range; anything else
// (unset, empty, junk after the digits) gives the default.
int countFromEnvironment(const char *name)
{
    const char *text = std::getenv(name);
    if (!text || !*text)
        return kDefaultCount;
    char *end = nullptr;
    errno = 0;
    const long n = std::strtol(text, &end, 10);
    if (end == text)
        return kDefaultCount;
    while (std::isspace(static_cast<unsigned char>(*end)))
        ++end;
    if (*end)
        return kDefaultCount;
    return clampCount(n); // strtol saturates on overflow, the clamp does the rest
}

// Milliseconds from the environment: a whole number from 0 to one minute,
// anything else 0.
int64_t msFromEnvironment(const char *name)
{
    const char *text = std::getenv(name);
    if (!text || !*text)
        return 0;
    char *end = nullptr;
    const long n = std::strtol(text, &end, 10);
    while (end && std::isspace(static_cast<unsigned char>(*end)))
        ++end;
    if (end == text || *end)
        return 0;
    return std::clamp<long>(n, 0, 60000);
}

} // namespace

Board::Board(int axes, int encoders, uint32_t resources, int64_t nowMs)
    : m_axisCount(clampCount(axes)),
      m_encoderCount(clampCount(encoders)),
      m_resources(resources),
      m_time(nowMs),
      m_runFlagDelayMs(msFromEnvironment("KQ_SIM_RUN_FLAG_DELAY_MS")),
      m_axes(static_cast<size_t>(std::max(m_axisCount, m_encoderCount)))
{
    setProductId(kDefaultProductId);
}

Board Board::fromEnvironment(int64_t nowMs)
{
    return Board(countFromEnvironment("KQ_SIM_AXES"), countFromEnvironment("KQ_SIM_ENCODERS"),
                 kDefaultResources, nowMs);
}

Axis *Board::axis(int index)
{
    return (index >= 0 && index < m_axisCount) ? &m_axes[static_cast<size_t>(index)] : nullptr;
}

Axis *Board::channel(int index)
{
    return (index >= 0 && index < m_encoderCount) ? &m_axes[static_cast<size_t>(index)] : nullptr;
}

void Board::setProductId(const char *id)
{
    std::memset(m_productId, 0, sizeof m_productId);
    m_productIdLength = 0;
    if (!id)
        return;
    while (m_productIdLength < sizeof m_productId && id[m_productIdLength]) {
        m_productId[m_productIdLength] = id[m_productIdLength];
        ++m_productIdLength;
    }
}

void Board::productId(char *out) const
{
    std::memcpy(out, m_productId, sizeof m_productId);
}

void Board::advanceTo(int64_t nowMs)
{
    if (nowMs <= m_time)
        return;
    const int64_t elapsed = nowMs - m_time;
    m_time = nowMs;
    for (Axis &a : m_axes)
        a.advance(elapsed);
}

} // namespace kq
