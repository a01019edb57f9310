#include "Wire.h"

#include "kq_sim.h"

#include <algorithm>
#include <cstring>

namespace kq::wire {

uint16_t crc16(const uint8_t *data, size_t n)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < n; ++i) {
        crc ^= static_cast<uint16_t>(data[i]) << 8;
        for (int b = 0; b < 8; ++b)
            crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021) : static_cast<uint16_t>(crc << 1);
    }
    return crc;
}

void encode(const Frame &f, std::vector<uint8_t> &out)
{
    const size_t n = std::min(f.size, kMaxPayload);
    const size_t begin = out.size();
    out.push_back(kMagic0);
    out.push_back(kMagic1);
    out.push_back(f.version);
    out.push_back(static_cast<uint8_t>(f.seq));
    out.push_back(static_cast<uint8_t>(f.seq >> 8));
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), f.payload, f.payload + n);
    const uint16_t crc = crc16(out.data() + begin + 2, kHeaderSize - 2 + n);
    out.push_back(static_cast<uint8_t>(crc));
    out.push_back(static_cast<uint8_t>(crc >> 8));
}

size_t Decoder::feed(const uint8_t *data, size_t n)
{
    n = std::min(n, kMaxFeed);
    // Drop what is consumed before growing, so the buffer stays bounded.
    if (m_start > 0) {
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_start));
        m_start = 0;
    }
    if (m_buffer.size() > kMaxFeed + kMaxFrame) // unreachable while next() is called in between
        m_buffer.erase(m_buffer.begin(), m_buffer.end() - static_cast<std::ptrdiff_t>(kMaxFrame));
    m_buffer.insert(m_buffer.end(), data, data + n);
    return n;
}

// Looks for a frame start; a candidate that turns out not to be a valid
// frame (length out of range, wrong CRC) costs one byte, and the search
// goes on from the next.
bool Decoder::next(Frame &f)
{
    const uint8_t *b = m_buffer.data();
    const size_t end = m_buffer.size();
    while (m_start < end) {
        if (b[m_start] != kMagic0) {
            ++m_start;
            continue;
        }
        if (end - m_start < 2)
            return false;
        if (b[m_start + 1] != kMagic1) {
            ++m_start;
            continue;
        }
        if (end - m_start < kHeaderSize)
            return false;
        const size_t n = b[m_start + 5];
        if (n > kMaxPayload) {
            ++m_start;
            continue;
        }
        const size_t total = kHeaderSize + n + 2;
        if (end - m_start < total)
            return false;
        const uint8_t *frame = b + m_start;
        const uint16_t crc = static_cast<uint16_t>(frame[kHeaderSize + n] | frame[kHeaderSize + n + 1] << 8);
        if (crc != crc16(frame + 2, kHeaderSize - 2 + n)) {
            ++m_start;
            continue;
        }
        f.version = frame[2];
        f.seq = static_cast<uint16_t>(frame[3] | frame[4] << 8);
        f.size = n;
        std::memcpy(f.payload, frame + kHeaderSize, n);
        m_start += total;
        return true;
    }
    return false;
}

namespace {

void putInt(uint8_t *p, int32_t v)
{
    const uint32_t u = static_cast<uint32_t>(v);
    p[0] = uint8_t(u);
    p[1] = uint8_t(u >> 8);
    p[2] = uint8_t(u >> 16);
    p[3] = uint8_t(u >> 24);
}

int32_t getInt(const uint8_t *p)
{
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

} // namespace

Frame requestFrame(uint16_t seq, const Request &r)
{
    Frame f;
    f.seq = seq;
    f.payload[0] = static_cast<uint8_t>(r.op);
    f.payload[1] = static_cast<uint8_t>(r.index);
    f.payload[2] = static_cast<uint8_t>(r.index >> 8);
    putInt(f.payload + 3, r.value);
    f.size = kRequestSize;
    return f;
}

bool parseRequest(const Frame &f, Request &r)
{
    if (f.version != kVersion || f.size != kRequestSize || !validOp(f.payload[0]))
        return false;
    r.op = static_cast<Op>(f.payload[0]);
    r.index = static_cast<uint16_t>(f.payload[1] | f.payload[2] << 8);
    r.value = getInt(f.payload + 3);
    return true;
}

Frame replyFrame(uint16_t seq, Op op, const Reply &reply)
{
    Frame f;
    f.seq = seq;
    f.payload[0] = static_cast<uint8_t>(op);
    putInt(f.payload + 1, reply.status);
    const size_t n = std::min(reply.size, Reply::kMaxData);
    std::memcpy(f.payload + kReplyHeader, reply.data, n);
    f.size = kReplyHeader + n;
    return f;
}

// A reply carries the data its operation promises, or none with a failure.
bool parseReply(const Frame &f, Op op, Reply &reply)
{
    if (f.version != kVersion || f.size < kReplyHeader || f.payload[0] != static_cast<uint8_t>(op))
        return false;
    reply = Reply{};
    reply.status = getInt(f.payload + 1);
    const size_t n = f.size - kReplyHeader;
    if (n != 0 && n != replySize(op))
        return false;
    if (reply.status == 0 && n != replySize(op))
        return false;
    reply.putBytes(f.payload + kReplyHeader, n);
    return true;
}

Frame busyFrame()
{
    Reply reply;
    reply.status = KQSIM_ERR_BUSY;
    return replyFrame(0, static_cast<Op>(0), reply);
}

bool isBusyFrame(const Frame &f)
{
    return f.version == kVersion && f.seq == 0 && f.size == kReplyHeader && f.payload[0] == 0
        && getInt(f.payload + 1) == KQSIM_ERR_BUSY;
}

} // namespace kq::wire
