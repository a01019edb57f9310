// The library's end of a network or serial link to a served board: one
// request out, one reply back, per board call, within a fixed time.
//
// A call that gets no valid reply in time, or finds the connection gone,
// marks the link lost; from then on every call fails at once, so a window
// that polls many axes is not held up by a timeout per call.  Only opening
// a link again clears it.
#pragma once

#include "Calls.h"
#include "Wire.h"

#include <cstdint>
#include <string>

namespace kq {

class RemoteLink
{
public:
    // Time that one call may take, opening included.
    static constexpr int kBudgetMs = 150;
    // Serial links run at this rate, 8 data bits, no parity, 1 stop bit.
    static constexpr int kBaudRate = 115200;

    RemoteLink() = default;
    RemoteLink(const RemoteLink &) = delete;
    RemoteLink &operator=(const RemoteLink &) = delete;
    ~RemoteLink() { close(); }

    // 0, or KQSIM_ERR_NO_BOARD when nothing can be reached there.  A board
    // that serves another client answers the first call with
    // KQSIM_ERR_BUSY (and the link is lost).
    int32_t openTcp(const uint8_t ip[4], uint16_t port);
    // A bare name ("ttyUSB0") is looked for under /dev; otherwise an
    // absolute path.  Only a terminal device is accepted, and only when no
    // other program has it open for a link (KQSIM_ERR_PORT_BUSY).
    int32_t openSerial(const char *port);
    void close();

    bool isOpen() const { return m_fd >= 0; }
    bool lost() const { return m_lost; }
    void markLost() { m_lost = m_fd >= 0; }

    int32_t transact(const Request &r, Reply &reply);

private:
    bool sendAll(const uint8_t *data, size_t n, int64_t deadline);
    bool awaitReply(uint16_t seq, Op op, Reply &reply, int64_t deadline);
    int32_t fail();

    int m_fd = -1;
    bool m_lost = false;
    bool m_refused = false; // the last call met the board's "busy" frame
    bool m_serial = false;
    uint16_t m_seq = 0;
    wire::Decoder m_decoder;
};

// The device path for a serial port name, or "" when the name is unusable.
std::string serialDevicePath(const char *port);

} // namespace kq
