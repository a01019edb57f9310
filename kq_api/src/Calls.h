// The board calls as data: one request (operation, axis or channel, one
// value) and one reply (status and out-values) per library call.  The same
// description serves the in-process link, which runs a request on the local
// board, and the wire, which carries it to a board served elsewhere; both
// ends journal a request with the same text.
#pragma once

#include "Board.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kq {

// Numbers are part of the wire protocol: never renumber, only append.
enum class Op : uint8_t {
    Check = 1,
    ProductId,
    ProductSn,
    Version,
    Resource,
    AxisNum,
    EncoderNum,
    ModePosition,
    ModePositionClose,
    ModeVelocity,
    ModeHome,
    ModeHomeSwitch,
    ModeHomeIndex,
    ModeHomeIndexSwitch,
    PositionAcc,
    PositionDec,
    PositionVMax,
    PositionTargetAbs,
    PositionTargetRel,
    VelocityAcc,
    VelocityDec,
    VelocityTargetAbs,
    VelocityTargetRel,
    HomeAcc,
    HomeDec,
    HomeV,
    SoftwareP,
    CloseDecFactor,
    VelocityStop,
    PositionStop,
    HomeStop,
    Halt,
    HaltAll,
    Status,
    StatusRun,
    SoftwarePNow,
    VNow,
    EncoderPos,
    EncoderZPolarity,
    EncoderDirPolarity,
    EncoderOverEnable,
    EncoderOverMax,
    EncoderOverStable,
    End // one past the last
};

struct Request {
    Op op = Op::Check;
    uint16_t index = 0; // axis or encoder channel
    int32_t value = 0;  // a float argument travels as its bits
};

struct Reply {
    static constexpr size_t kMaxData = 17;
    int32_t status = 0;
    uint8_t data[kMaxData] = {};
    size_t size = 0;

    void putInt(int32_t v);
    void putBytes(const void *bytes, size_t n);
    int32_t intAt(size_t offset) const; // 0 past the data
};

bool validOp(uint8_t op);
const char *opName(Op op);
// How many bytes of out-values a successful reply to `op` carries.
size_t replySize(Op op);

Request floatRequest(Op op, uint16_t index, float value);

// "KQ_Name(index,value)" as the journal writes it.
std::string callText(const Request &r);

// Runs the request on the board (whose motion must be up to date).
int32_t execute(Board &board, const Request &r, Reply &reply);

} // namespace kq
