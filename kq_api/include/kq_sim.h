/*
 * Control of the simulated board behind KQ_API, for tests and tools only.
 * The program itself never includes this header.
 *
 * Journal: every library call except the KQ_Help_ conversions is recorded,
 * whether it succeeds or not, as "Name(arg,arg,...)": integers in decimal,
 * floats with up to 9 significant digits, a port name in double quotes,
 * out-parameters left out.  Examples: "KQ_Set_Axis_Position_Acc(0,6400)",
 * "KQ_Open_Net(127,0,0,1,8080)", "KQ_Get_Axis_Status(2)", "KQ_Open_USB()".
 * The journal keeps the most recent KQSIM_JOURNAL_CAPACITY entries.  It
 * records from the first kqsim_ call of the process on (a process that never
 * makes one, such as the program, formats no entry), unless
 * kqsim_journal_record says otherwise.
 */
#ifndef KQ_SIM_H
#define KQ_SIM_H

#include <stdint.h>
#include "kq_api.h"

#ifdef __cplusplus
extern "C" {
#endif

#define KQSIM_JOURNAL_CAPACITY 200000

/* Status codes that the simulated board returns (any non-zero is a failure). */
enum {
    KQSIM_ERR_INJECTED = 1,  /* kqsim_fail is on for the call */
    KQSIM_ERR_NO_LINK = 2,   /* a board call with no link open */
    KQSIM_ERR_NO_AXIS = 3,   /* axis or encoder channel number past the count */
    KQSIM_ERR_NULL = 4,      /* an out-pointer is NULL */
    KQSIM_ERR_ARGUMENT = 5,  /* a flag other than 0 or 1 */
    KQSIM_ERR_NO_BOARD = 6,  /* KQ_Open_Net / KQ_Open_UART: nothing answers there */
    KQSIM_ERR_HOME_FAILED = KQ_STATUS_HOME_FAILED, /* 7: KQ_Get_Axis_Status_Run after
                                  a home search that failed (the run flag is
                                  filled, 0) */
    KQSIM_ERR_LINK_LOST = KQ_STATUS_LINK_LOST, /* 8: network or serial link: the
                                  board stopped answering or the connection
                                  dropped; every board call fails at once
                                  until a link is opened again */
    KQSIM_ERR_PROTOCOL = 9,    /* the board did not understand the request */
    KQSIM_ERR_BUSY = KQ_STATUS_BOARD_BUSY, /* 10: the served board refused the
                                  connection: another client has it (the link
                                  is then lost) */
    KQSIM_ERR_PORT_BUSY = KQ_STATUS_PORT_BUSY /* 11: KQ_Open_UART: the serial
                                  device is open in another program */
};

/* Board calls are all but KQ_Init, KQ_DeInit, the opens, the closes and the
 * KQ_Help_ conversions; they fail with KQSIM_ERR_NO_LINK unless a link is
 * open: KQ_Open_USB attaches the in-process virtual board, KQ_Open_Net and
 * KQ_Open_UART reach a board served by kq-board-sim (kq_api/PROTOCOL.md),
 * which runs the same board code.  Opening a link closes the open one first.
 * The journal, kqsim_fail and kqsim_link act on every link; the other
 * kqsim_ calls read and change the in-process board only (a served board
 * has control commands of its own).
 * The board's state outlives the link: closing and opening again finds the
 * axes as they were.  Only kqsim_reset makes a fresh board; until it is
 * called, the first use creates one with KQ_SIM_AXES axes and
 * KQ_SIM_ENCODERS encoder channels (4 each by default, 0..64) and resources
 * KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER.  Identity: product id
 * "SIMBOARD-MC", serial number 12 34 56 78 9A BC DE F0 01 23 45 67,
 * version 2.1.0.5. */

/* Which link is open. */
enum { KQSIM_LINK_NONE = 0, KQSIM_LINK_UART = 1, KQSIM_LINK_USB = 2, KQSIM_LINK_NET = 3 };

/* A fresh board: every axis at rest at position 0 with default travel and
 * switches, default encoder settings, links closed, journal empty, no
 * failures injected, wall clock.  Out-of-range counts are clamped to 0..64.
 * Fresh axes: position mode, every acceleration and deceleration 6400
 * steps/s^2, speed limit 6400 steps/s, closed-loop factor 1.  Fresh encoder
 * channels: Z polarity 0, direction polarity 1, over enable 0, over max 100,
 * over stable 50. */
KQ_EXPORT void kqsim_reset(int axes, int encoders, uint32_t resources);
/* kqsim_reset with the counts from KQ_SIM_AXES and KQ_SIM_ENCODERS, read
 * now, and resources KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER: the board that
 * the first use creates. */
KQ_EXPORT void kqsim_reset_from_environment(void);

/* Clock: with the manual clock on, time only moves by kqsim_advance_ms.
 * Motion is integrated exactly, one segment of constant acceleration at a
 * time, up to the present at every call; a long gap costs no more than a
 * short one.
 * With the wall clock, kqsim_advance_ms moves time on by ms in addition. */
KQ_EXPORT void kqsim_set_manual_clock(int on);
KQ_EXPORT void kqsim_advance_ms(uint32_t ms);

/* Journal of library calls. */
KQ_EXPORT int kqsim_journal_size(void);
/* i = 0 is the oldest entry; "" when i is out of range.  The text stays
 * valid until the next library call or journal change. */
KQ_EXPORT const char *kqsim_journal_entry(int i);
KQ_EXPORT void kqsim_journal_clear(void);
/* Journaling on (1) or off (0), the last conversion call included; entries
 * already there stay. */
KQ_EXPORT void kqsim_journal_record(int on);

/* The last KQ_Help_ call with its arguments, in the journal's format
 * (the conversions are not journaled, this lets tests see which one ran). */
KQ_EXPORT const char *kqsim_last_help_call(void);

/* Failure injection: while on, the named function (or every board call,
 * for "*") returns non-zero and has no effect.  The call is still journaled.
 * A name may be any library function, the link calls included. */
KQ_EXPORT void kqsim_fail(const char *function_name, int on);

/* The open link, one of KQSIM_LINK_*. */
KQ_EXPORT int kqsim_link(void);
/* The open link is lost, as when its board stops answering: every board
 * call returns KQSIM_ERR_LINK_LOST at once and KQ_Link_Lost() is 1 until a
 * link is opened again.  Works on every link kind, the in-process one too. */
KQ_EXPORT void kqsim_lose_link(void);

/* Identity that the board reports. */
KQ_EXPORT void kqsim_set_product_id(const char *id); /* at most 17 bytes are used */
/* (kqsim_reset restores "SIMBOARD-MC".) */

/* True state of an axis (0 for an axis that does not exist). */
KQ_EXPORT int32_t kqsim_axis_position(int axis);      /* software position, steps */
KQ_EXPORT int32_t kqsim_axis_physical_position(int axis); /* physical position, steps */
KQ_EXPORT int32_t kqsim_axis_velocity(int axis);      /* steps/s */
KQ_EXPORT int kqsim_axis_running(int axis);
KQ_EXPORT int kqsim_axis_neg_limit(int axis);
KQ_EXPORT int kqsim_axis_pos_limit(int axis);
KQ_EXPORT int kqsim_axis_home_switch(int axis);
KQ_EXPORT int32_t kqsim_encoder_counts(int axis);
KQ_EXPORT float kqsim_axis_close_factor(int axis);
/* The mode last set, one of KQSIM_MODE_* (KQ_Set_Axis_Mode_Home sets the
 * home-switch mode). */
enum {
    KQSIM_MODE_POSITION = 0,
    KQSIM_MODE_POSITION_CLOSE = 1,
    KQSIM_MODE_VELOCITY = 2,
    KQSIM_MODE_HOME_SWITCH = 3,
    KQSIM_MODE_HOME_INDEX = 4,
    KQSIM_MODE_HOME_INDEX_SWITCH = 5
};
KQ_EXPORT int kqsim_axis_mode(int axis);
/* which: 0 Z polarity, 1 direction polarity, 2 over enable, 3 over max, 4 over stable */
KQ_EXPORT int32_t kqsim_encoder_setting(int axis, int which);

/* How an axis moves.
 * - A mode call only records the mode and the closed-loop flag; a target,
 *   home speed, stop or halt changes the motion.  The run flag is set from
 *   the command on.  The closed-loop flag is set by the position-close and
 *   both encoder home modes, cleared by the position mode, KQ_Set_Axis_Mode_Home
 *   and the home-switch mode, and left alone by the velocity mode.
 * - Position targets: trapezoid with the position acc, dec and |v_max| from
 *   the present velocity; an absolute target is in software steps, a
 *   relative one counts from the target of a move under way, else from the
 *   position.  v_max 0: the move does not start.  An acc or dec <= 0 makes
 *   that change instantaneous.  Braking is never harder than dec: a target
 *   too close to stop on is overshot and approached again.
 * - Closed-loop flag set: targets are encoder counts, relative ones count
 *   from the present counts.  The counts grow by d * (physical motion) / f,
 *   with f the closed-loop factor (1 when it is 0, negative or not finite)
 *   and d = +1 for direction polarity 1, -1 for 0; changing f or d changes
 *   how later motion counts, never the counts of the moment.
 * - Velocity targets run until a stop, a halt or a limit switch; a relative
 *   one adds to the target of a run under way, else to the velocity.
 * - A home search moves at the home speed (sign = direction) to the home
 *   switch, to the next index mark beyond its start, or to the switch and
 *   then the next mark beyond it, stops there and makes the software
 *   position and the encoder counts 0.  Home-switch mode started on the
 *   switch ends at once.  A limit reached on the way turns the search round
 *   (at once, from rest); reaching the other limit as well ends the search
 *   without zeroing: the run flag clears, KQ_Get_Axis_Status_Run returns
 *   KQSIM_ERR_HOME_FAILED and status byte 6 is 1 until the next motion
 *   command (target, home speed, stop or halt).
 * - Each stop brakes only a motion of its own kind, at that kind's dec.
 * - A limit switch stops any motion that reaches it in its direction at
 *   once; commands that would drive further into an active limit do not
 *   start, moving away is allowed.
 * - KQ_Set_Axis_Software_P sets counts while the closed-loop flag is set
 *   (the position becomes d * counts * f), else the position (the counts
 *   become d * round(position / f)); nothing moves. */

/* Shape of an axis's travel, in motor steps of its physical position
 * (the software position equals it until KQ_Set_Axis_Software_P or a home
 * search moves the zero).  Defaults: limits at -640000 and +640000
 * (+-100 mm at 6400 steps/mm), home switch at 0 active within +-64 steps,
 * encoder index marks every 6400 steps. */
KQ_EXPORT void kqsim_set_travel(int axis, int32_t neg_limit, int32_t pos_limit);
KQ_EXPORT void kqsim_set_home_switch(int axis, int32_t position, int32_t half_width);
KQ_EXPORT void kqsim_set_index_period(int axis, int32_t steps);
/* For `ms` milliseconds after each motion command (a position target, a
 * velocity target, a home speed) KQ_Get_Axis_Status_Run still reads 0, as
 * on a board that reports the run flag late.  A fresh board takes it from
 * KQ_SIM_RUN_FLAG_DELAY_MS (0 to 60000; default 0). */
KQ_EXPORT void kqsim_set_run_flag_delay(int32_t ms);
/* Moves the axis at once to a physical position (at rest). */
KQ_EXPORT void kqsim_place_axis(int axis, int32_t physical_position);

/* The mechanics between the motor and the stage that the sensor reads.
 * The encoder counts follow the stage; the software position, the
 * switches, the limits and the index marks follow the motor.  A fresh
 * board has neither, and its stage is the motor.
 * Backlash: after each reversal of the motor the first `steps` motor steps
 * do not move the stage (0 or less: none).  The first motion after the
 * call moves the stage at once, whatever its direction.  A closed-loop
 * position move (KQ_Set_Axis_Mode_Position_Close) takes the play into
 * account and ends with the counts on its target, as a servo on the sensor
 * would; an open-loop one does not.
 * Lost steps: during its next motion the stage falls `steps` motor steps
 * behind the motor (negative: ahead), once and for good. */
KQ_EXPORT void kqsim_set_backlash(int axis, int32_t steps);
KQ_EXPORT void kqsim_lose_steps(int axis, int32_t steps);
/* The stage's position in motor steps (the physical position less the lag
 * of the stage behind the motor). */
KQ_EXPORT int32_t kqsim_axis_stage_position(int axis);

#ifdef __cplusplus
}
#endif

#endif /* KQ_SIM_H */
