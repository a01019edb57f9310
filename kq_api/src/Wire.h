// Framing of the link between the controller library and a served board
// (see kq_api/PROTOCOL.md).  A frame is
//
//   A5 5A | version | sequence (2, LE) | length | payload | CRC-16 (2, LE)
//
// with the CRC (CCITT, initial FFFF) over version, sequence, length and
// payload.  The decoder skips anything that is not a whole, valid frame, so
// a reader resynchronises after garbage, and it never holds more than one
// read's worth of bytes plus one frame.
#pragma once

#include "Calls.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kq::wire {

constexpr uint8_t kMagic0 = 0xA5;
constexpr uint8_t kMagic1 = 0x5A;
constexpr uint8_t kVersion = 1;
constexpr size_t kHeaderSize = 6;
constexpr size_t kMaxPayload = 32;
constexpr size_t kMaxFrame = kHeaderSize + kMaxPayload + 2;
constexpr size_t kRequestSize = 7;  // op, index (2), value (4)
constexpr size_t kReplyHeader = 5;  // op, status (4)

uint16_t crc16(const uint8_t *data, size_t n);

struct Frame {
    uint8_t version = kVersion;
    uint16_t seq = 0;
    uint8_t payload[kMaxPayload] = {};
    size_t size = 0;
};

// Appends the frame's bytes to `out`; payloads longer than kMaxPayload are cut.
void encode(const Frame &f, std::vector<uint8_t> &out);

class Decoder
{
public:
    // Takes bytes as they arrive; at most kMaxFeed are kept per call, the
    // rest must be fed again.
    static constexpr size_t kMaxFeed = 4096;
    size_t feed(const uint8_t *data, size_t n);
    // The next whole frame, if one is complete.
    bool next(Frame &f);
    void clear() { m_buffer.clear(); m_start = 0; }
    size_t buffered() const { return m_buffer.size() - m_start; }

private:
    std::vector<uint8_t> m_buffer;
    size_t m_start = 0; // bytes before it are consumed
};

// Requests and replies in a frame's payload.
Frame requestFrame(uint16_t seq, const Request &r);
bool parseRequest(const Frame &f, Request &r); // false: not a request of this version
Frame replyFrame(uint16_t seq, Op op, const Reply &reply);
// False when the payload is not a well-formed reply to `op`.
bool parseReply(const Frame &f, Op op, Reply &reply);

// The one frame that a served board sends on a connection that it refuses
// because another client has it: sequence 0, operation 0, status
// KQSIM_ERR_BUSY.  The board closes the connection right after it.
Frame busyFrame();
bool isBusyFrame(const Frame &f);

} // namespace kq::wire
