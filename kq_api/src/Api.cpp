// The board calls of the controller library.  The only board is the
// virtual one, attached in-process by KQ_Open_USB; the network and serial
// links have nothing to talk to yet and fail to open.
#include "kq_api.h"

#include "Library.h"

#include <cstring>

using namespace kq;

namespace {

const uint8_t kSerialNumber[KQ_PRODUCT_SN_SIZE] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC,
                                                   0xDE, 0xF0, 0x01, 0x23, 0x45, 0x67};
const int32_t kVersion[4] = {2, 1, 0, 5};

int32_t setMode(const char *name, uint16_t axis, AxisMode mode)
{
    return axisCall(CallText(name).arg(axis), axis, [&](Axis &a) {
        a.setMode(mode);
        return Ok;
    });
}

int32_t setValue(const char *name, uint16_t axis, int32_t value, int32_t Axis::*field)
{
    return axisCall(CallText(name).arg(axis).arg(value), axis, [&](Axis &a) {
        a.*field = value;
        return Ok;
    });
}

int32_t stopKind(const char *name, uint16_t axis, Motion kind)
{
    return axisCall(CallText(name).arg(axis), axis, [&](Axis &a) {
        a.stop(kind);
        return Ok;
    });
}

int32_t encoderFlag(const char *name, uint16_t channel, int32_t value, int32_t EncoderSettings::*field)
{
    return channelCall(CallText(name).arg(channel).arg(value), channel, [&](Axis &a) {
        if (value != 0 && value != 1)
            return BadArgument;
        a.encoder.*field = value;
        return Ok;
    });
}

int32_t encoderValue(const char *name, uint16_t channel, int32_t value, int32_t EncoderSettings::*field)
{
    return channelCall(CallText(name).arg(channel).arg(value), channel, [&](Axis &a) {
        a.encoder.*field = value;
        return Ok;
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

// Opening a link first closes whichever one is open: one link at a time.
int32_t KQ_Open_UART(const char *port)
{
    return linkCall(CallText("KQ_Open_UART").quoted(port), [](Library &lib) {
        lib.setLink(Link::None);
        return NoBoard;
    });
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
    return linkCall(CallText("KQ_Open_Net").arg(ip0).arg(ip1).arg(ip2).arg(ip3).arg(port),
                    [](Library &lib) {
                        lib.setLink(Link::None);
                        return NoBoard;
                    });
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

int32_t KQ_Check(void)
{
    return boardCall(CallText("KQ_Check"), [](Board &) { return Ok; });
}

// ---- identity ------------------------------------------------------------

int32_t KQ_Get_Product_ID(char *id)
{
    return boardCall(CallText("KQ_Get_Product_ID"), [&](Board &board) {
        if (!id)
            return NullOut;
        board.productId(id);
        return Ok;
    });
}

int32_t KQ_Get_Product_SN(uint8_t *sn)
{
    return boardCall(CallText("KQ_Get_Product_SN"), [&](Board &) {
        if (!sn)
            return NullOut;
        std::memcpy(sn, kSerialNumber, sizeof kSerialNumber);
        return Ok;
    });
}

int32_t KQ_Get_Product_Version2(int32_t *a, int32_t *b, int32_t *c, int32_t *d)
{
    return boardCall(CallText("KQ_Get_Product_Version2"), [&](Board &) {
        if (!a || !b || !c || !d)
            return NullOut;
        *a = kVersion[0];
        *b = kVersion[1];
        *c = kVersion[2];
        *d = kVersion[3];
        return Ok;
    });
}

int32_t KQ_Get_Product_Resource(uint32_t *resource)
{
    return boardCall(CallText("KQ_Get_Product_Resource"), [&](Board &board) {
        if (!resource)
            return NullOut;
        *resource = board.resources();
        return Ok;
    });
}

int32_t KQ_Get_Axis_Num(int32_t *count)
{
    return boardCall(CallText("KQ_Get_Axis_Num"), [&](Board &board) {
        if (!count)
            return NullOut;
        *count = board.axisCount();
        return Ok;
    });
}

int32_t KQ_Get_Encoder_Num(int32_t *count)
{
    return boardCall(CallText("KQ_Get_Encoder_Num"), [&](Board &board) {
        if (!count)
            return NullOut;
        *count = board.encoderCount();
        return Ok;
    });
}

// ---- axis modes ----------------------------------------------------------

int32_t KQ_Set_Axis_Mode_Position(uint16_t axis)
{
    return setMode("KQ_Set_Axis_Mode_Position", axis, AxisMode::Position);
}

int32_t KQ_Set_Axis_Mode_Position_Close(uint16_t axis)
{
    return setMode("KQ_Set_Axis_Mode_Position_Close", axis, AxisMode::PositionClose);
}

int32_t KQ_Set_Axis_Mode_Velocity(uint16_t axis)
{
    return setMode("KQ_Set_Axis_Mode_Velocity", axis, AxisMode::Velocity);
}

int32_t KQ_Set_Axis_Mode_Home(uint16_t axis)
{
    return setMode("KQ_Set_Axis_Mode_Home", axis, AxisMode::HomeSwitch);
}

int32_t KQ_Set_Axis_Mode_Home_Home_Switch(uint16_t axis)
{
    return setMode("KQ_Set_Axis_Mode_Home_Home_Switch", axis, AxisMode::HomeSwitch);
}

int32_t KQ_Set_Axis_Mode_Home_Encoder_Index(uint16_t axis)
{
    return setMode("KQ_Set_Axis_Mode_Home_Encoder_Index", axis, AxisMode::HomeIndex);
}

int32_t KQ_Set_Axis_Mode_Home_Encoder_Home_Switch(uint16_t axis)
{
    return setMode("KQ_Set_Axis_Mode_Home_Encoder_Home_Switch", axis, AxisMode::HomeIndexSwitch);
}

// ---- profiles and targets ------------------------------------------------

int32_t KQ_Set_Axis_Position_Acc(uint16_t axis, int32_t acc)
{
    return setValue("KQ_Set_Axis_Position_Acc", axis, acc, &Axis::posAcc);
}

int32_t KQ_Set_Axis_Position_Dec(uint16_t axis, int32_t dec)
{
    return setValue("KQ_Set_Axis_Position_Dec", axis, dec, &Axis::posDec);
}

int32_t KQ_Set_Axis_Position_V_Max(uint16_t axis, int32_t v_max)
{
    return setValue("KQ_Set_Axis_Position_V_Max", axis, v_max, &Axis::posVMax);
}

int32_t KQ_Set_Axis_Position_P_Target_Abs(uint16_t axis, int32_t target)
{
    return axisCall(CallText("KQ_Set_Axis_Position_P_Target_Abs").arg(axis).arg(target), axis,
                    [&](Axis &a) {
                        a.positionAbsolute(target);
                        return Ok;
                    });
}

int32_t KQ_Set_Axis_Position_P_Target_Rel(uint16_t axis, int32_t distance)
{
    return axisCall(CallText("KQ_Set_Axis_Position_P_Target_Rel").arg(axis).arg(distance), axis,
                    [&](Axis &a) {
                        a.positionRelative(distance);
                        return Ok;
                    });
}

int32_t KQ_Set_Axis_Velocity_Acc(uint16_t axis, int32_t acc)
{
    return setValue("KQ_Set_Axis_Velocity_Acc", axis, acc, &Axis::velAcc);
}

int32_t KQ_Set_Axis_Velocity_Dec(uint16_t axis, int32_t dec)
{
    return setValue("KQ_Set_Axis_Velocity_Dec", axis, dec, &Axis::velDec);
}

int32_t KQ_Set_Axis_Velocity_V_Target_Abs(uint16_t axis, int32_t v)
{
    return axisCall(CallText("KQ_Set_Axis_Velocity_V_Target_Abs").arg(axis).arg(v), axis,
                    [&](Axis &a) {
                        a.velocityAbsolute(v);
                        return Ok;
                    });
}

int32_t KQ_Set_Axis_Velocity_V_Target_Rel(uint16_t axis, int32_t dv)
{
    return axisCall(CallText("KQ_Set_Axis_Velocity_V_Target_Rel").arg(axis).arg(dv), axis,
                    [&](Axis &a) {
                        a.velocityRelative(dv);
                        return Ok;
                    });
}

int32_t KQ_Set_Axis_Home_Acc(uint16_t axis, int32_t acc)
{
    return setValue("KQ_Set_Axis_Home_Acc", axis, acc, &Axis::homeAcc);
}

int32_t KQ_Set_Axis_Home_Dec(uint16_t axis, int32_t dec)
{
    return setValue("KQ_Set_Axis_Home_Dec", axis, dec, &Axis::homeDec);
}

int32_t KQ_Set_Axis_Home_V(uint16_t axis, int32_t v)
{
    return axisCall(CallText("KQ_Set_Axis_Home_V").arg(axis).arg(v), axis, [&](Axis &a) {
        a.home(v);
        return Ok;
    });
}

int32_t KQ_Set_Axis_Software_P(uint16_t axis, int32_t position)
{
    return axisCall(CallText("KQ_Set_Axis_Software_P").arg(axis).arg(position), axis,
                    [&](Axis &a) {
                        a.setSoftwarePosition(position);
                        return Ok;
                    });
}

int32_t KQ_Set_Axis_Position_Close_Dec_Factor(uint16_t axis, float factor)
{
    return axisCall(CallText("KQ_Set_Axis_Position_Close_Dec_Factor").arg(axis).arg(factor), axis,
                    [&](Axis &a) {
                        a.setCloseFactor(factor);
                        return Ok;
                    });
}

// ---- stops ---------------------------------------------------------------

int32_t KQ_Set_Axis_Velocity_Stop(uint16_t axis)
{
    return stopKind("KQ_Set_Axis_Velocity_Stop", axis, Motion::Velocity);
}

int32_t KQ_Set_Axis_Position_Stop(uint16_t axis)
{
    return stopKind("KQ_Set_Axis_Position_Stop", axis, Motion::Position);
}

int32_t KQ_Set_Axis_Home_Stop(uint16_t axis)
{
    return stopKind("KQ_Set_Axis_Home_Stop", axis, Motion::Home);
}

int32_t KQ_Set_Axis_Halt(uint16_t axis)
{
    return axisCall(CallText("KQ_Set_Axis_Halt").arg(axis), axis, [](Axis &a) {
        a.halt();
        return Ok;
    });
}

int32_t KQ_Set_Axis_Halt_All(void)
{
    return boardCall(CallText("KQ_Set_Axis_Halt_All"), [](Board &board) {
        for (int i = 0; i < board.axisCount(); ++i)
            board.axis(i)->halt();
        return Ok;
    });
}

// ---- status --------------------------------------------------------------

int32_t KQ_Get_Axis_Status(uint16_t axis, uint8_t *s1, uint8_t *s2, uint8_t *s3, uint8_t *s4,
                           uint8_t *s5, uint8_t *s6)
{
    return axisCall(CallText("KQ_Get_Axis_Status").arg(axis), axis, [&](Axis &a) {
        if (!s1 || !s2 || !s3 || !s4 || !s5 || !s6)
            return NullOut;
        *s1 = a.running() ? 1 : 0;
        *s2 = 0;
        *s3 = a.atNegLimit() ? 1 : 0;
        *s4 = a.atPosLimit() ? 1 : 0;
        *s5 = a.onHomeSwitch() ? 1 : 0;
        *s6 = a.homeFailed() ? 1 : 0;
        return Ok;
    });
}

int32_t KQ_Get_Axis_Status_Run(uint16_t axis, int32_t *run)
{
    return axisCall(CallText("KQ_Get_Axis_Status_Run").arg(axis), axis, [&](Axis &a) {
        if (!run)
            return NullOut;
        *run = a.running() ? 1 : 0;
        return a.homeFailed() ? HomeFailed : Ok;
    });
}

int32_t KQ_Get_Axis_Software_P_Now(uint16_t axis, int32_t *position)
{
    return axisCall(CallText("KQ_Get_Axis_Software_P_Now").arg(axis), axis, [&](Axis &a) {
        if (!position)
            return NullOut;
        *position = saturate32(a.softwarePosition());
        return Ok;
    });
}

int32_t KQ_Get_Axis_V_Now(uint16_t axis, int32_t *velocity)
{
    return axisCall(CallText("KQ_Get_Axis_V_Now").arg(axis), axis, [&](Axis &a) {
        if (!velocity)
            return NullOut;
        *velocity = saturate32(a.velocity());
        return Ok;
    });
}

int32_t KQ_Get_Encoder_Pos(uint16_t channel, int32_t *counts)
{
    return channelCall(CallText("KQ_Get_Encoder_Pos").arg(channel), channel, [&](Axis &a) {
        if (!counts)
            return NullOut;
        *counts = saturate32(static_cast<double>(a.encoderCounts()));
        return Ok;
    });
}

// ---- encoder settings ------------------------------------------------------

int32_t KQ_Set_Encoder_Z_Polarity(uint16_t channel, int32_t polarity)
{
    return encoderFlag("KQ_Set_Encoder_Z_Polarity", channel, polarity, &EncoderSettings::zPolarity);
}

int32_t KQ_Set_Encoder_Dir_Polarity(uint16_t channel, int32_t polarity)
{
    return channelCall(CallText("KQ_Set_Encoder_Dir_Polarity").arg(channel).arg(polarity), channel, [&](Axis &a) {
        if (polarity != 0 && polarity != 1)
            return BadArgument;
        a.setDirPolarity(polarity);
        return Ok;
    });
}

int32_t KQ_Set_Encoder_Over_Enable(uint16_t channel, int32_t enable)
{
    return encoderFlag("KQ_Set_Encoder_Over_Enable", channel, enable, &EncoderSettings::overEnable);
}

int32_t KQ_Set_Encoder_Over_Max(uint16_t channel, int32_t attempts)
{
    return encoderValue("KQ_Set_Encoder_Over_Max", channel, attempts, &EncoderSettings::overMax);
}

int32_t KQ_Set_Encoder_Over_Stable(uint16_t channel, int32_t criterion)
{
    return encoderValue("KQ_Set_Encoder_Over_Stable", channel, criterion, &EncoderSettings::overStable);
}

} // extern "C"
