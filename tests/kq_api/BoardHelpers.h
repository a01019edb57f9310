#pragma once
// Shared set-up for the library's own tests: a fresh board on the manual
// clock, attached over the in-process link.
#include "kq_api.h"
#include "kq_sim.h"

#include <QString>
#include <QStringList>

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

} // namespace kqtest
