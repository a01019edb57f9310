// The library's entry points.  A board call becomes a request that runs on
// the in-process virtual board (KQ_Open_USB) or travels to a served board
// over TCP (KQ_Open_Net) or a serial device (KQ_Open_UART); its reply fills
// the out-values.
#include "kq_api.h"

#include "Library.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <initializer_list>

using namespace kq;

namespace {

int32_t ask(Op op, uint16_t index, int32_t value, Reply &reply)
{
    return Library::instance().transact(Request{op, index, value}, reply);
}

int32_t ask(Op op, uint16_t index = 0, int32_t value = 0)
{
    Reply reply;
    return ask(op, index, value, reply);
}

// Out-values are written by a call that worked (a failed home search still
// reports its run flag); a missing out-pointer fails the call.
bool delivered(int32_t status)
{
    return status == Ok || status == HomeFailed;
}

int32_t fillInts(int32_t status, const Reply &reply, std::initializer_list<int32_t *> outs)
{
    if (!delivered(status))
        return status;
    for (int32_t *out : outs)
        if (!out)
            return NullOut;
    size_t offset = 0;
    for (int32_t *out : outs) {
        *out = reply.intAt(offset);
        offset += 4;
    }
    return status;
}

int32_t askInt(Op op, uint16_t index, int32_t *out)
{
    Reply reply;
    const int32_t status = ask(op, index, 0, reply);
    return fillInts(status, reply, {out});
}

int32_t askBytes(Op op, void *out, size_t size)
{
    Reply reply;
    const int32_t status = ask(op, 0, 0, reply);
    if (!delivered(status))
        return status;
    if (!out)
        return NullOut;
    std::memset(out, 0, size);
    std::memcpy(out, reply.data, std::min(size, reply.size));
    return status;
}

// Opening a link first closes whichever one is open: one link at a time.
int32_t openRemote(const CallText &call, Link kind, const std::function<int32_t(RemoteLink &)> &open)
{
    return linkCall(call, [&](Library &lib) -> int32_t {
        lib.setLink(Link::None);
        const int32_t status = open(lib.remote());
        if (status == Ok)
            lib.setLink(kind);
        return status;
    });
}

int32_t closeLink(const char *name, Link kind)
{
    return linkCall(CallText(name), [&](Library &lib) {
        if (lib.link() == kind)
            lib.setLink(Link::None);
        return Ok;
    });
}

} // namespace

extern "C" {

// ---- links ---------------------------------------------------------------

int32_t KQ_Init(void)
{
    return linkCall(CallText("KQ_Init"), [](Library &) { return Ok; });
}

int32_t KQ_DeInit(void)
{
    return linkCall(CallText("KQ_DeInit"), [](Library &lib) {
        lib.setLink(Link::None);
        return Ok;
    });
}

int32_t KQ_Open_UART(const char *port)
{
    return openRemote(CallText("KQ_Open_UART").quoted(port), Link::Uart,
                      [&](RemoteLink &remote) { return remote.openSerial(port); });
}

int32_t KQ_Open_USB(void)
{
    return linkCall(CallText("KQ_Open_USB"), [](Library &lib) {
        lib.setLink(Link::Usb);
        return Ok;
    });
}

int32_t KQ_Open_Net(uint8_t ip0, uint8_t ip1, uint8_t ip2, uint8_t ip3, uint16_t port)
{
    const uint8_t ip[4] = {ip0, ip1, ip2, ip3};
    return openRemote(CallText("KQ_Open_Net").arg(ip0).arg(ip1).arg(ip2).arg(ip3).arg(port), Link::Net,
                      [&](RemoteLink &remote) { return remote.openTcp(ip, port); });
}

int32_t KQ_Close_UART(void)
{
    return closeLink("KQ_Close_UART", Link::Uart);
}

int32_t KQ_Close_USB(void)
{
    return closeLink("KQ_Close_USB", Link::Usb);
}

int32_t KQ_Close_Net(void)
{
    return closeLink("KQ_Close_Net", Link::Net);
}

// Asks the board for its identity.
int32_t KQ_Check(void)
{
    return ask(Op::Check);
}

// ---- identity ------------------------------------------------------------

int32_t KQ_Get_Product_ID(char *id)
{
    return askBytes(Op::ProductId, id, KQ_PRODUCT_ID_SIZE);
}

int32_t KQ_Get_Product_SN(uint8_t *sn)
{
    return askBytes(Op::ProductSn, sn, KQ_PRODUCT_SN_SIZE);
}

int32_t KQ_Get_Product_Version2(int32_t *a, int32_t *b, int32_t *c, int32_t *d)
{
    Reply reply;
    const int32_t status = ask(Op::Version, 0, 0, reply);
    return fillInts(status, reply, {a, b, c, d});
}

int32_t KQ_Get_Product_Resource(uint32_t *resource)
{
    int32_t value = 0;
    const int32_t status = askInt(Op::Resource, 0, resource ? &value : nullptr);
    if (status == Ok)
        *resource = static_cast<uint32_t>(value);
    return status;
}

int32_t KQ_Get_Axis_Num(int32_t *count)
{
    return askInt(Op::AxisNum, 0, count);
}

int32_t KQ_Get_Encoder_Num(int32_t *count)
{
    return askInt(Op::EncoderNum, 0, count);
}

// ---- axis modes ----------------------------------------------------------

int32_t KQ_Set_Axis_Mode_Position(uint16_t axis) { return ask(Op::ModePosition, axis); }
int32_t KQ_Set_Axis_Mode_Position_Close(uint16_t axis) { return ask(Op::ModePositionClose, axis); }
int32_t KQ_Set_Axis_Mode_Velocity(uint16_t axis) { return ask(Op::ModeVelocity, axis); }
int32_t KQ_Set_Axis_Mode_Home(uint16_t axis) { return ask(Op::ModeHome, axis); }
int32_t KQ_Set_Axis_Mode_Home_Home_Switch(uint16_t axis) { return ask(Op::ModeHomeSwitch, axis); }
int32_t KQ_Set_Axis_Mode_Home_Encoder_Index(uint16_t axis) { return ask(Op::ModeHomeIndex, axis); }
int32_t KQ_Set_Axis_Mode_Home_Encoder_Home_Switch(uint16_t axis) { return ask(Op::ModeHomeIndexSwitch, axis); }

// ---- profiles and targets ------------------------------------------------

int32_t KQ_Set_Axis_Position_Acc(uint16_t axis, int32_t acc) { return ask(Op::PositionAcc, axis, acc); }
int32_t KQ_Set_Axis_Position_Dec(uint16_t axis, int32_t dec) { return ask(Op::PositionDec, axis, dec); }
int32_t KQ_Set_Axis_Position_V_Max(uint16_t axis, int32_t v_max) { return ask(Op::PositionVMax, axis, v_max); }
int32_t KQ_Set_Axis_Position_P_Target_Abs(uint16_t axis, int32_t target) { return ask(Op::PositionTargetAbs, axis, target); }
int32_t KQ_Set_Axis_Position_P_Target_Rel(uint16_t axis, int32_t distance) { return ask(Op::PositionTargetRel, axis, distance); }
int32_t KQ_Set_Axis_Velocity_Acc(uint16_t axis, int32_t acc) { return ask(Op::VelocityAcc, axis, acc); }
int32_t KQ_Set_Axis_Velocity_Dec(uint16_t axis, int32_t dec) { return ask(Op::VelocityDec, axis, dec); }
int32_t KQ_Set_Axis_Velocity_V_Target_Abs(uint16_t axis, int32_t v) { return ask(Op::VelocityTargetAbs, axis, v); }
int32_t KQ_Set_Axis_Velocity_V_Target_Rel(uint16_t axis, int32_t dv) { return ask(Op::VelocityTargetRel, axis, dv); }
int32_t KQ_Set_Axis_Home_Acc(uint16_t axis, int32_t acc) { return ask(Op::HomeAcc, axis, acc); }
int32_t KQ_Set_Axis_Home_Dec(uint16_t axis, int32_t dec) { return ask(Op::HomeDec, axis, dec); }
int32_t KQ_Set_Axis_Home_V(uint16_t axis, int32_t v) { return ask(Op::HomeV, axis, v); }
int32_t KQ_Set_Axis_Software_P(uint16_t axis, int32_t position) { return ask(Op::SoftwareP, axis, position); }

int32_t KQ_Set_Axis_Position_Close_Dec_Factor(uint16_t axis, float factor)
{
    Reply reply;
    return Library::instance().transact(floatRequest(Op::CloseDecFactor, axis, factor), reply);
}

// ---- stops ---------------------------------------------------------------

int32_t KQ_Set_Axis_Velocity_Stop(uint16_t axis) { return ask(Op::VelocityStop, axis); }
int32_t KQ_Set_Axis_Position_Stop(uint16_t axis) { return ask(Op::PositionStop, axis); }
int32_t KQ_Set_Axis_Home_Stop(uint16_t axis) { return ask(Op::HomeStop, axis); }
int32_t KQ_Set_Axis_Halt(uint16_t axis) { return ask(Op::Halt, axis); }
int32_t KQ_Set_Axis_Halt_All(void) { return ask(Op::HaltAll); }

// ---- status --------------------------------------------------------------

int32_t KQ_Get_Axis_Status(uint16_t axis, uint8_t *s1, uint8_t *s2, uint8_t *s3, uint8_t *s4,
                           uint8_t *s5, uint8_t *s6)
{
    Reply reply;
    const int32_t status = ask(Op::Status, axis, 0, reply);
    if (!delivered(status))
        return status;
    uint8_t *outs[6] = {s1, s2, s3, s4, s5, s6};
    for (uint8_t *out : outs)
        if (!out)
            return NullOut;
    for (size_t i = 0; i < 6; ++i)
        *outs[i] = i < reply.size ? reply.data[i] : 0;
    return status;
}

int32_t KQ_Get_Axis_Status_Run(uint16_t axis, int32_t *run) { return askInt(Op::StatusRun, axis, run); }
int32_t KQ_Get_Axis_Software_P_Now(uint16_t axis, int32_t *position) { return askInt(Op::SoftwarePNow, axis, position); }
int32_t KQ_Get_Axis_V_Now(uint16_t axis, int32_t *velocity) { return askInt(Op::VNow, axis, velocity); }
int32_t KQ_Get_Encoder_Pos(uint16_t channel, int32_t *counts) { return askInt(Op::EncoderPos, channel, counts); }

// ---- encoder settings ------------------------------------------------------

int32_t KQ_Set_Encoder_Z_Polarity(uint16_t channel, int32_t polarity) { return ask(Op::EncoderZPolarity, channel, polarity); }
int32_t KQ_Set_Encoder_Dir_Polarity(uint16_t channel, int32_t polarity) { return ask(Op::EncoderDirPolarity, channel, polarity); }
int32_t KQ_Set_Encoder_Over_Enable(uint16_t channel, int32_t enable) { return ask(Op::EncoderOverEnable, channel, enable); }
int32_t KQ_Set_Encoder_Over_Max(uint16_t channel, int32_t attempts) { return ask(Op::EncoderOverMax, channel, attempts); }
int32_t KQ_Set_Encoder_Over_Stable(uint16_t channel, int32_t criterion) { return ask(Op::EncoderOverStable, channel, criterion); }

// ---- link state ------------------------------------------------------------

int32_t KQ_Link_Lost(void)
{
    Library &lib = Library::instance();
    std::lock_guard<std::mutex> lock(lib.mutex());
    return lib.linkLost() ? 1 : 0;
}

} // extern "C"
