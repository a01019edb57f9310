/*
 * Control of the simulated board behind KQ_API, for tests and tools only.
 * The program itself never includes this header.
 *
 * Journal: every library call except the KQ_Help_ conversions is recorded,
 * whether it succeeds or not, as "Name(arg,arg,...)": integers in decimal,
 * floats with up to 9 significant digits, a port name in double quotes,
 * out-parameters left out.  Examples: "KQ_Set_Axis_Position_Acc(0,6400)",
 * "KQ_Open_Net(127,0,0,1,8080)", "KQ_Get_Axis_Status(2)", "KQ_Open_USB()".
 * The journal keeps the most recent KQSIM_JOURNAL_CAPACITY entries.
 */
#ifndef KQ_SIM_H
#define KQ_SIM_H

#include <stdint.h>
#include "kq_api.h"

#ifdef __cplusplus
extern "C" {
#endif

#define KQSIM_JOURNAL_CAPACITY 200000

/* Which link is open. */
enum { KQSIM_LINK_NONE = 0, KQSIM_LINK_UART = 1, KQSIM_LINK_USB = 2, KQSIM_LINK_NET = 3 };

/* A fresh board: every axis at rest at position 0 with default travel and
 * switches, default encoder settings, links closed, journal empty, no
 * failures injected, wall clock.  Out-of-range counts are clamped to 0..64. */
KQ_EXPORT void kqsim_reset(int axes, int encoders, uint32_t resources);

/* Clock: with the manual clock on, time only moves by kqsim_advance_ms. */
KQ_EXPORT void kqsim_set_manual_clock(int on);
KQ_EXPORT void kqsim_advance_ms(uint32_t ms);

/* Journal of library calls. */
KQ_EXPORT int kqsim_journal_size(void);
KQ_EXPORT const char *kqsim_journal_entry(int i); /* "" when i is out of range */
KQ_EXPORT void kqsim_journal_clear(void);

/* The last KQ_Help_ call with its arguments, in the journal's format
 * (the conversions are not journaled, this lets tests see which one ran). */
KQ_EXPORT const char *kqsim_last_help_call(void);

/* Failure injection: while on, the named function (or every board call,
 * for "*") returns non-zero and has no effect.  The call is still journaled. */
KQ_EXPORT void kqsim_fail(const char *function_name, int on);

/* The open link, one of KQSIM_LINK_*. */
KQ_EXPORT int kqsim_link(void);

/* Identity that the board reports. */
KQ_EXPORT void kqsim_set_product_id(const char *id); /* at most 17 bytes are used */

/* True state of an axis (0 for an axis that does not exist). */
KQ_EXPORT int32_t kqsim_axis_position(int axis);      /* software position, steps */
KQ_EXPORT int32_t kqsim_axis_velocity(int axis);      /* steps/s */
KQ_EXPORT int kqsim_axis_running(int axis);
KQ_EXPORT int kqsim_axis_neg_limit(int axis);
KQ_EXPORT int kqsim_axis_pos_limit(int axis);
KQ_EXPORT int kqsim_axis_home_switch(int axis);
KQ_EXPORT int32_t kqsim_encoder_counts(int axis);
KQ_EXPORT float kqsim_axis_close_factor(int axis);
/* which: 0 Z polarity, 1 direction polarity, 2 over enable, 3 over max, 4 over stable */
KQ_EXPORT int32_t kqsim_encoder_setting(int axis, int which);

/* Shape of an axis's travel, in motor steps of its physical position
 * (the software position equals it until KQ_Set_Axis_Software_P or a home
 * search moves the zero).  Defaults: limits at -640000 and +640000
 * (+-100 mm at 6400 steps/mm), home switch at 0 active within +-64 steps,
 * encoder index marks every 6400 steps. */
KQ_EXPORT void kqsim_set_travel(int axis, int32_t neg_limit, int32_t pos_limit);
KQ_EXPORT void kqsim_set_home_switch(int axis, int32_t position, int32_t half_width);
KQ_EXPORT void kqsim_set_index_period(int axis, int32_t steps);
/* Moves the axis at once to a physical position (at rest). */
KQ_EXPORT void kqsim_place_axis(int axis, int32_t physical_position);

#ifdef __cplusplus
}
#endif

#endif /* KQ_SIM_H */
