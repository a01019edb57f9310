#include "Calls.h"

#include "Journal.h"
#include "kq_sim.h"

#include <cstring>

namespace kq {

namespace {

constexpr int32_t kOk = 0;

enum class Args { None, Index, IndexValue, IndexFloat };

struct OpInfo {
    const char *name;
    Args args;
    size_t replySize;
};

// Indexed by the operation's number.
const OpInfo kOps[] = {
    {"", Args::None, 0},
    {"KQ_Check", Args::None, KQ_PRODUCT_ID_SIZE},
    {"KQ_Get_Product_ID", Args::None, KQ_PRODUCT_ID_SIZE},
    {"KQ_Get_Product_SN", Args::None, KQ_PRODUCT_SN_SIZE},
    {"KQ_Get_Product_Version2", Args::None, 16},
    {"KQ_Get_Product_Resource", Args::None, 4},
    {"KQ_Get_Axis_Num", Args::None, 4},
    {"KQ_Get_Encoder_Num", Args::None, 4},
    {"KQ_Set_Axis_Mode_Position", Args::Index, 0},
    {"KQ_Set_Axis_Mode_Position_Close", Args::Index, 0},
    {"KQ_Set_Axis_Mode_Velocity", Args::Index, 0},
    {"KQ_Set_Axis_Mode_Home", Args::Index, 0},
    {"KQ_Set_Axis_Mode_Home_Home_Switch", Args::Index, 0},
    {"KQ_Set_Axis_Mode_Home_Encoder_Index", Args::Index, 0},
    {"KQ_Set_Axis_Mode_Home_Encoder_Home_Switch", Args::Index, 0},
    {"KQ_Set_Axis_Position_Acc", Args::IndexValue, 0},
    {"KQ_Set_Axis_Position_Dec", Args::IndexValue, 0},
    {"KQ_Set_Axis_Position_V_Max", Args::IndexValue, 0},
    {"KQ_Set_Axis_Position_P_Target_Abs", Args::IndexValue, 0},
    {"KQ_Set_Axis_Position_P_Target_Rel", Args::IndexValue, 0},
    {"KQ_Set_Axis_Velocity_Acc", Args::IndexValue, 0},
    {"KQ_Set_Axis_Velocity_Dec", Args::IndexValue, 0},
    {"KQ_Set_Axis_Velocity_V_Target_Abs", Args::IndexValue, 0},
    {"KQ_Set_Axis_Velocity_V_Target_Rel", Args::IndexValue, 0},
    {"KQ_Set_Axis_Home_Acc", Args::IndexValue, 0},
    {"KQ_Set_Axis_Home_Dec", Args::IndexValue, 0},
    {"KQ_Set_Axis_Home_V", Args::IndexValue, 0},
    {"KQ_Set_Axis_Software_P", Args::IndexValue, 0},
    {"KQ_Set_Axis_Position_Close_Dec_Factor", Args::IndexFloat, 0},
    {"KQ_Set_Axis_Velocity_Stop", Args::Index, 0},
    {"KQ_Set_Axis_Position_Stop", Args::Index, 0},
    {"KQ_Set_Axis_Home_Stop", Args::Index, 0},
    {"KQ_Set_Axis_Halt", Args::Index, 0},
    {"KQ_Set_Axis_Halt_All", Args::None, 0},
    {"KQ_Get_Axis_Status", Args::Index, 6},
    {"KQ_Get_Axis_Status_Run", Args::Index, 4},
    {"KQ_Get_Axis_Software_P_Now", Args::Index, 4},
    {"KQ_Get_Axis_V_Now", Args::Index, 4},
    {"KQ_Get_Encoder_Pos", Args::Index, 4},
    {"KQ_Set_Encoder_Z_Polarity", Args::IndexValue, 0},
    {"KQ_Set_Encoder_Dir_Polarity", Args::IndexValue, 0},
    {"KQ_Set_Encoder_Over_Enable", Args::IndexValue, 0},
    {"KQ_Set_Encoder_Over_Max", Args::IndexValue, 0},
    {"KQ_Set_Encoder_Over_Stable", Args::IndexValue, 0},
};
static_assert(sizeof kOps / sizeof kOps[0] == static_cast<size_t>(Op::End), "one entry per operation");

const OpInfo &info(Op op)
{
    return kOps[validOp(static_cast<uint8_t>(op)) ? static_cast<size_t>(op) : 0];
}

float floatOf(int32_t bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

const uint8_t kSerialNumber[KQ_PRODUCT_SN_SIZE] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC,
                                                   0xDE, 0xF0, 0x01, 0x23, 0x45, 0x67};
const int32_t kVersion[4] = {2, 1, 0, 5};

int32_t boardOp(Board &board, const Request &r, Reply &reply)
{
    switch (r.op) {
    case Op::Check:
    case Op::ProductId: {
        char id[KQ_PRODUCT_ID_SIZE];
        board.productId(id);
        reply.putBytes(id, sizeof id);
        return kOk;
    }
    case Op::ProductSn:
        reply.putBytes(kSerialNumber, sizeof kSerialNumber);
        return kOk;
    case Op::Version:
        for (int32_t v : kVersion)
            reply.putInt(v);
        return kOk;
    case Op::Resource:
        reply.putInt(static_cast<int32_t>(board.resources()));
        return kOk;
    case Op::AxisNum:
        reply.putInt(board.axisCount());
        return kOk;
    case Op::EncoderNum:
        reply.putInt(board.encoderCount());
        return kOk;
    case Op::HaltAll:
        for (int i = 0; i < board.axisCount(); ++i)
            board.axis(i)->halt();
        return kOk;
    default:
        return KQSIM_ERR_PROTOCOL;
    }
}

int32_t encoderOp(Axis &a, const Request &r, Reply &reply)
{
    const bool flag = r.value == 0 || r.value == 1;
    switch (r.op) {
    case Op::EncoderPos:
        reply.putInt(saturate32(static_cast<double>(a.encoderCounts())));
        return kOk;
    case Op::EncoderZPolarity:
        if (!flag)
            return KQSIM_ERR_ARGUMENT;
        a.encoder.zPolarity = r.value;
        return kOk;
    case Op::EncoderDirPolarity:
        if (!flag)
            return KQSIM_ERR_ARGUMENT;
        a.setDirPolarity(r.value);
        return kOk;
    case Op::EncoderOverEnable:
        if (!flag)
            return KQSIM_ERR_ARGUMENT;
        a.encoder.overEnable = r.value;
        return kOk;
    case Op::EncoderOverMax:
        a.encoder.overMax = r.value;
        return kOk;
    case Op::EncoderOverStable:
        a.encoder.overStable = r.value;
        return kOk;
    default:
        return KQSIM_ERR_PROTOCOL;
    }
}

int32_t axisOp(Axis &a, const Request &r, Reply &reply)
{
    const int32_t v = r.value;
    switch (r.op) {
    case Op::ModePosition: a.setMode(AxisMode::Position); break;
    case Op::ModePositionClose: a.setMode(AxisMode::PositionClose); break;
    case Op::ModeVelocity: a.setMode(AxisMode::Velocity); break;
    case Op::ModeHome:
    case Op::ModeHomeSwitch: a.setMode(AxisMode::HomeSwitch); break;
    case Op::ModeHomeIndex: a.setMode(AxisMode::HomeIndex); break;
    case Op::ModeHomeIndexSwitch: a.setMode(AxisMode::HomeIndexSwitch); break;
    case Op::PositionAcc: a.posAcc = v; break;
    case Op::PositionDec: a.posDec = v; break;
    case Op::PositionVMax: a.posVMax = v; break;
    case Op::PositionTargetAbs: a.positionAbsolute(v); break;
    case Op::PositionTargetRel: a.positionRelative(v); break;
    case Op::VelocityAcc: a.velAcc = v; break;
    case Op::VelocityDec: a.velDec = v; break;
    case Op::VelocityTargetAbs: a.velocityAbsolute(v); break;
    case Op::VelocityTargetRel: a.velocityRelative(v); break;
    case Op::HomeAcc: a.homeAcc = v; break;
    case Op::HomeDec: a.homeDec = v; break;
    case Op::HomeV: a.home(v); break;
    case Op::SoftwareP: a.setSoftwarePosition(v); break;
    case Op::CloseDecFactor: a.setCloseFactor(floatOf(v)); break;
    case Op::VelocityStop: a.stop(Motion::Velocity); break;
    case Op::PositionStop: a.stop(Motion::Position); break;
    case Op::HomeStop: a.stop(Motion::Home); break;
    case Op::Halt: a.halt(); break;
    case Op::Status: {
        const uint8_t s[6] = {uint8_t(a.running() ? 1 : 0), 0, uint8_t(a.atNegLimit() ? 1 : 0),
                              uint8_t(a.atPosLimit() ? 1 : 0), uint8_t(a.onHomeSwitch() ? 1 : 0),
                              uint8_t(a.homeFailed() ? 1 : 0)};
        reply.putBytes(s, sizeof s);
        break;
    }
    case Op::StatusRun:
        reply.putInt(a.running() ? 1 : 0);
        return a.homeFailed() ? KQSIM_ERR_HOME_FAILED : kOk;
    case Op::SoftwarePNow: reply.putInt(saturate32(a.softwarePosition())); break;
    case Op::VNow: reply.putInt(saturate32(a.velocity())); break;
    default: return KQSIM_ERR_PROTOCOL;
    }
    return kOk;
}

bool startsMotion(Op op)
{
    return op == Op::PositionTargetAbs || op == Op::PositionTargetRel || op == Op::VelocityTargetAbs
        || op == Op::VelocityTargetRel || op == Op::HomeV;
}

bool isEncoderOp(Op op)
{
    return op >= Op::EncoderZPolarity || op == Op::EncoderPos;
}

} // namespace

void Reply::putInt(int32_t v)
{
    const uint32_t u = static_cast<uint32_t>(v);
    const uint8_t bytes[4] = {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)};
    putBytes(bytes, sizeof bytes);
}

void Reply::putBytes(const void *bytes, size_t n)
{
    if (n > kMaxData - size)
        n = kMaxData - size;
    std::memcpy(data + size, bytes, n);
    size += n;
}

int32_t Reply::intAt(size_t offset) const
{
    if (offset + 4 > size)
        return 0;
    const uint32_t u = uint32_t(data[offset]) | uint32_t(data[offset + 1]) << 8 | uint32_t(data[offset + 2]) << 16
                       | uint32_t(data[offset + 3]) << 24;
    return static_cast<int32_t>(u);
}

bool validOp(uint8_t op)
{
    return op >= static_cast<uint8_t>(Op::Check) && op < static_cast<uint8_t>(Op::End);
}

const char *opName(Op op)
{
    return info(op).name;
}

size_t replySize(Op op)
{
    return info(op).replySize;
}

Request floatRequest(Op op, uint16_t index, float value)
{
    Request r{op, index, 0};
    std::memcpy(&r.value, &value, sizeof value);
    return r;
}

std::string callText(const Request &r)
{
    const OpInfo &i = info(r.op);
    CallText text(i.name);
    switch (i.args) {
    case Args::None:
        break;
    case Args::Index:
        text.arg(r.index);
        break;
    case Args::IndexValue:
        text.arg(r.index).arg(r.value);
        break;
    case Args::IndexFloat:
        text.arg(r.index).arg(floatOf(r.value));
        break;
    }
    return text.text();
}

int32_t execute(Board &board, const Request &r, Reply &reply)
{
    reply = Reply{};
    if (!validOp(static_cast<uint8_t>(r.op)))
        return reply.status = KQSIM_ERR_PROTOCOL;
    if (info(r.op).args == Args::None) {
        reply.status = boardOp(board, r, reply);
    } else if (isEncoderOp(r.op)) {
        Axis *channel = board.channel(r.index);
        reply.status = channel ? encoderOp(*channel, r, reply) : KQSIM_ERR_NO_AXIS;
    } else {
        Axis *axis = board.axis(r.index);
        reply.status = axis ? axisOp(*axis, r, reply) : KQSIM_ERR_NO_AXIS;
        if (axis && reply.status == kOk && startsMotion(r.op))
            axis->runFlagFromMs = board.now() + board.runFlagDelayMs();
        if (axis && r.op == Op::StatusRun && board.now() < axis->runFlagFromMs) {
            reply.size = 0;
            reply.putInt(0); // not yet reported
        }
    }
    if (reply.status != kOk && reply.status != KQSIM_ERR_HOME_FAILED)
        reply.size = 0;
    return reply.status;
}

} // namespace kq
