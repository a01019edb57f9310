#pragma once
// Shared set-up for the library's own tests: a fresh board on the manual
// clock, attached over the in-process link.
#include "kq_api.h"
#include "kq_sim.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

namespace kqtest {

constexpr uint32_t kAllResources = KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER;

inline void FreshBoard(int axes = 4, int encoders = 4)
{
    kqsim_reset(axes, encoders, kAllResources);
    kqsim_set_manual_clock(1);
    KQ_Open_USB();
    kqsim_journal_clear();
}

// Advances the clock 1 ms at a time until the axis is at rest; returns the
// milliseconds that took, or -1 when it still runs after `limitMs`.
inline int MsUntilRest(int axis, int limitMs)
{
    for (int t = 0; t <= limitMs; ++t) {
        if (!kqsim_axis_running(axis))
            return t;
        kqsim_advance_ms(1);
    }
    return -1;
}

inline QStringList Journal()
{
    QStringList entries;
    for (int i = 0; i < kqsim_journal_size(); ++i)
        entries << QString::fromLatin1(kqsim_journal_entry(i));
    return entries;
}

struct AxisState {
    int32_t position, physical, velocity, counts;
    int running, negLimit, posLimit, homeSwitch, mode;
    bool operator==(const AxisState &o) const
    {
        return position == o.position && physical == o.physical && velocity == o.velocity
               && counts == o.counts && running == o.running && negLimit == o.negLimit
               && posLimit == o.posLimit && homeSwitch == o.homeSwitch && mode == o.mode;
    }
};

inline AxisState State(int axis)
{
    return {kqsim_axis_position(axis),   kqsim_axis_physical_position(axis), kqsim_axis_velocity(axis),
            kqsim_encoder_counts(axis),  kqsim_axis_running(axis),           kqsim_axis_neg_limit(axis),
            kqsim_axis_pos_limit(axis),  kqsim_axis_home_switch(axis),       kqsim_axis_mode(axis)};
}

using BoardCall = std::pair<const char *, std::function<int32_t()>>;

// Every board call once, on axis or channel `a`, with arguments that
// succeed on an attached board.
inline std::vector<BoardCall> EveryBoardCall(uint16_t a)
{
    static char id[KQ_PRODUCT_ID_SIZE];
    static uint8_t sn[KQ_PRODUCT_SN_SIZE];
    static int32_t i1, i2, i3, i4;
    static uint32_t u;
    static uint8_t s[6];
    return {
        {"KQ_Check", [] { return KQ_Check(); }},
        {"KQ_Get_Product_ID", [] { return KQ_Get_Product_ID(id); }},
        {"KQ_Get_Product_SN", [] { return KQ_Get_Product_SN(sn); }},
        {"KQ_Get_Product_Version2", [] { return KQ_Get_Product_Version2(&i1, &i2, &i3, &i4); }},
        {"KQ_Get_Product_Resource", [] { return KQ_Get_Product_Resource(&u); }},
        {"KQ_Get_Axis_Num", [] { return KQ_Get_Axis_Num(&i1); }},
        {"KQ_Get_Encoder_Num", [] { return KQ_Get_Encoder_Num(&i1); }},
        {"KQ_Set_Axis_Mode_Position", [a] { return KQ_Set_Axis_Mode_Position(a); }},
        {"KQ_Set_Axis_Mode_Position_Close", [a] { return KQ_Set_Axis_Mode_Position_Close(a); }},
        {"KQ_Set_Axis_Mode_Velocity", [a] { return KQ_Set_Axis_Mode_Velocity(a); }},
        {"KQ_Set_Axis_Mode_Home", [a] { return KQ_Set_Axis_Mode_Home(a); }},
        {"KQ_Set_Axis_Mode_Home_Home_Switch", [a] { return KQ_Set_Axis_Mode_Home_Home_Switch(a); }},
        {"KQ_Set_Axis_Mode_Home_Encoder_Index", [a] { return KQ_Set_Axis_Mode_Home_Encoder_Index(a); }},
        {"KQ_Set_Axis_Mode_Home_Encoder_Home_Switch", [a] { return KQ_Set_Axis_Mode_Home_Encoder_Home_Switch(a); }},
        {"KQ_Set_Axis_Position_Acc", [a] { return KQ_Set_Axis_Position_Acc(a, 1); }},
        {"KQ_Set_Axis_Position_Dec", [a] { return KQ_Set_Axis_Position_Dec(a, 1); }},
        {"KQ_Set_Axis_Position_V_Max", [a] { return KQ_Set_Axis_Position_V_Max(a, 1); }},
        {"KQ_Set_Axis_Position_P_Target_Abs", [a] { return KQ_Set_Axis_Position_P_Target_Abs(a, 5000); }},
        {"KQ_Set_Axis_Position_P_Target_Rel", [a] { return KQ_Set_Axis_Position_P_Target_Rel(a, 5000); }},
        {"KQ_Set_Axis_Velocity_Acc", [a] { return KQ_Set_Axis_Velocity_Acc(a, 1); }},
        {"KQ_Set_Axis_Velocity_Dec", [a] { return KQ_Set_Axis_Velocity_Dec(a, 1); }},
        {"KQ_Set_Axis_Velocity_V_Target_Abs", [a] { return KQ_Set_Axis_Velocity_V_Target_Abs(a, 100); }},
        {"KQ_Set_Axis_Velocity_V_Target_Rel", [a] { return KQ_Set_Axis_Velocity_V_Target_Rel(a, 100); }},
        {"KQ_Set_Axis_Home_Acc", [a] { return KQ_Set_Axis_Home_Acc(a, 1); }},
        {"KQ_Set_Axis_Home_Dec", [a] { return KQ_Set_Axis_Home_Dec(a, 1); }},
        {"KQ_Set_Axis_Home_V", [a] { return KQ_Set_Axis_Home_V(a, -100); }},
        {"KQ_Set_Axis_Software_P", [a] { return KQ_Set_Axis_Software_P(a, 777); }},
        {"KQ_Set_Axis_Position_Close_Dec_Factor", [a] { return KQ_Set_Axis_Position_Close_Dec_Factor(a, 2.5f); }},
        {"KQ_Set_Axis_Velocity_Stop", [a] { return KQ_Set_Axis_Velocity_Stop(a); }},
        {"KQ_Set_Axis_Position_Stop", [a] { return KQ_Set_Axis_Position_Stop(a); }},
        {"KQ_Set_Axis_Home_Stop", [a] { return KQ_Set_Axis_Home_Stop(a); }},
        {"KQ_Set_Axis_Halt", [a] { return KQ_Set_Axis_Halt(a); }},
        {"KQ_Set_Axis_Halt_All", [] { return KQ_Set_Axis_Halt_All(); }},
        {"KQ_Get_Axis_Status", [a] { return KQ_Get_Axis_Status(a, s, s + 1, s + 2, s + 3, s + 4, s + 5); }},
        {"KQ_Get_Axis_Status_Run", [a] { return KQ_Get_Axis_Status_Run(a, &i1); }},
        {"KQ_Get_Axis_Software_P_Now", [a] { return KQ_Get_Axis_Software_P_Now(a, &i1); }},
        {"KQ_Get_Axis_V_Now", [a] { return KQ_Get_Axis_V_Now(a, &i1); }},
        {"KQ_Get_Encoder_Pos", [a] { return KQ_Get_Encoder_Pos(a, &i1); }},
        {"KQ_Set_Encoder_Z_Polarity", [a] { return KQ_Set_Encoder_Z_Polarity(a, 1); }},
        {"KQ_Set_Encoder_Dir_Polarity", [a] { return KQ_Set_Encoder_Dir_Polarity(a, 0); }},
        {"KQ_Set_Encoder_Over_Enable", [a] { return KQ_Set_Encoder_Over_Enable(a, 1); }},
        {"KQ_Set_Encoder_Over_Max", [a] { return KQ_Set_Encoder_Over_Max(a, 3); }},
        {"KQ_Set_Encoder_Over_Stable", [a] { return KQ_Set_Encoder_Over_Stable(a, 4); }},
    };
}

} // namespace kqtest
