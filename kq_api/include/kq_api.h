/*
 * KQ_API - the controller library of the motion-controller board.
 *
 * Every board call returns 0 on success and a non-zero status on failure;
 * out-values are only meaningful after a 0.  Axis numbers count from 0; an
 * encoder channel has the number of the axis it belongs to.  Motion values
 * (steps, steps/s, steps/s^2, sensor counts) are signed 32-bit integers.
 *
 * The KQ_Help_ functions are pure unit conversions; they never touch a board.
 */
#ifndef KQ_API_H
#define KQ_API_H

#include <stdint.h>

#if defined(_WIN32)
#  define KQ_EXPORT __declspec(dllexport)
#else
#  define KQ_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- status results ------------------------------------------------------
 * Every call but the conversions returns 0 for success and anything else for
 * a failure.  These failures tell more: */
#define KQ_STATUS_HOME_FAILED 7 /* KQ_Get_Axis_Status_Run: the last home search ended
                                   without finding home (the run flag is 0) */
#define KQ_STATUS_LINK_LOST 8   /* the network or serial link is lost (KQ_Link_Lost) */
#define KQ_STATUS_BOARD_BUSY 10 /* a served board already has another client */
#define KQ_STATUS_PORT_BUSY 11  /* KQ_Open_UART: another program holds the serial port */

/* ---- links ------------------------------------------------------------ */
KQ_EXPORT int32_t KQ_Init(void);
KQ_EXPORT int32_t KQ_DeInit(void);
/* port: zero-terminated 8-bit port name, e.g. "COM3" or "/dev/ttyUSB0" */
KQ_EXPORT int32_t KQ_Open_UART(const char *port);
KQ_EXPORT int32_t KQ_Open_USB(void);
/* ip0 is the first octet of the dotted form */
KQ_EXPORT int32_t KQ_Open_Net(uint8_t ip0, uint8_t ip1, uint8_t ip2, uint8_t ip3, uint16_t port);
KQ_EXPORT int32_t KQ_Close_UART(void);
KQ_EXPORT int32_t KQ_Close_USB(void);
KQ_EXPORT int32_t KQ_Close_Net(void);
/* 0 only when a board answers on the open link */
KQ_EXPORT int32_t KQ_Check(void);

/* ---- identity --------------------------------------------------------- */
#define KQ_PRODUCT_ID_SIZE 17
#define KQ_PRODUCT_SN_SIZE 12
#define KQ_RESOURCE_AXIS    0x00000001u /* the board has motor axes */
#define KQ_RESOURCE_ENCODER 0x00000800u /* the board has encoder channels */

/* id: at least 17 bytes; the identifier is zero-terminated when shorter */
KQ_EXPORT int32_t KQ_Get_Product_ID(char *id);
/* sn: at least 12 bytes of raw serial number */
KQ_EXPORT int32_t KQ_Get_Product_SN(uint8_t *sn);
KQ_EXPORT int32_t KQ_Get_Product_Version2(int32_t *a, int32_t *b, int32_t *c, int32_t *d);
KQ_EXPORT int32_t KQ_Get_Product_Resource(uint32_t *resource);
KQ_EXPORT int32_t KQ_Get_Axis_Num(int32_t *count);
KQ_EXPORT int32_t KQ_Get_Encoder_Num(int32_t *count);

/* ---- axis modes ------------------------------------------------------- */
KQ_EXPORT int32_t KQ_Set_Axis_Mode_Position(uint16_t axis);
KQ_EXPORT int32_t KQ_Set_Axis_Mode_Position_Close(uint16_t axis);
KQ_EXPORT int32_t KQ_Set_Axis_Mode_Velocity(uint16_t axis);
KQ_EXPORT int32_t KQ_Set_Axis_Mode_Home(uint16_t axis);
KQ_EXPORT int32_t KQ_Set_Axis_Mode_Home_Home_Switch(uint16_t axis);
KQ_EXPORT int32_t KQ_Set_Axis_Mode_Home_Encoder_Index(uint16_t axis);
KQ_EXPORT int32_t KQ_Set_Axis_Mode_Home_Encoder_Home_Switch(uint16_t axis);

/* ---- profiles and targets --------------------------------------------- */
KQ_EXPORT int32_t KQ_Set_Axis_Position_Acc(uint16_t axis, int32_t acc);
KQ_EXPORT int32_t KQ_Set_Axis_Position_Dec(uint16_t axis, int32_t dec);
KQ_EXPORT int32_t KQ_Set_Axis_Position_V_Max(uint16_t axis, int32_t v_max);
KQ_EXPORT int32_t KQ_Set_Axis_Position_P_Target_Abs(uint16_t axis, int32_t target);
KQ_EXPORT int32_t KQ_Set_Axis_Position_P_Target_Rel(uint16_t axis, int32_t distance);
KQ_EXPORT int32_t KQ_Set_Axis_Velocity_Acc(uint16_t axis, int32_t acc);
KQ_EXPORT int32_t KQ_Set_Axis_Velocity_Dec(uint16_t axis, int32_t dec);
KQ_EXPORT int32_t KQ_Set_Axis_Velocity_V_Target_Abs(uint16_t axis, int32_t v);
KQ_EXPORT int32_t KQ_Set_Axis_Velocity_V_Target_Rel(uint16_t axis, int32_t dv);
KQ_EXPORT int32_t KQ_Set_Axis_Home_Acc(uint16_t axis, int32_t acc);
KQ_EXPORT int32_t KQ_Set_Axis_Home_Dec(uint16_t axis, int32_t dec);
KQ_EXPORT int32_t KQ_Set_Axis_Home_V(uint16_t axis, int32_t v);
KQ_EXPORT int32_t KQ_Set_Axis_Software_P(uint16_t axis, int32_t position);
KQ_EXPORT int32_t KQ_Set_Axis_Position_Close_Dec_Factor(uint16_t axis, float factor);

/* ---- stops ------------------------------------------------------------ */
KQ_EXPORT int32_t KQ_Set_Axis_Velocity_Stop(uint16_t axis);
KQ_EXPORT int32_t KQ_Set_Axis_Position_Stop(uint16_t axis);
KQ_EXPORT int32_t KQ_Set_Axis_Home_Stop(uint16_t axis);
KQ_EXPORT int32_t KQ_Set_Axis_Halt(uint16_t axis);
KQ_EXPORT int32_t KQ_Set_Axis_Halt_All(void);

/* ---- status ----------------------------------------------------------- */
/* s1 running, s3 negative limit, s4 positive limit, s5 home switch */
KQ_EXPORT int32_t KQ_Get_Axis_Status(uint16_t axis, uint8_t *s1, uint8_t *s2, uint8_t *s3,
                                     uint8_t *s4, uint8_t *s5, uint8_t *s6);
KQ_EXPORT int32_t KQ_Get_Axis_Status_Run(uint16_t axis, int32_t *run);
KQ_EXPORT int32_t KQ_Get_Axis_Software_P_Now(uint16_t axis, int32_t *position);
KQ_EXPORT int32_t KQ_Get_Axis_V_Now(uint16_t axis, int32_t *velocity);
KQ_EXPORT int32_t KQ_Get_Encoder_Pos(uint16_t channel, int32_t *counts);

/* ---- encoder settings ------------------------------------------------- */
KQ_EXPORT int32_t KQ_Set_Encoder_Z_Polarity(uint16_t channel, int32_t polarity);
KQ_EXPORT int32_t KQ_Set_Encoder_Dir_Polarity(uint16_t channel, int32_t polarity);
KQ_EXPORT int32_t KQ_Set_Encoder_Over_Enable(uint16_t channel, int32_t enable);
KQ_EXPORT int32_t KQ_Set_Encoder_Over_Max(uint16_t channel, int32_t attempts);
KQ_EXPORT int32_t KQ_Set_Encoder_Over_Stable(uint16_t channel, int32_t criterion);

/* ---- unit conversion (pure) -------------------------------------------
 * Motor side: step angle in degrees, subdivision, lead-screw pitch in mm,
 * linear ratio 1:n, rotary ratio 1:n.  Sensor side: grating pitch in um,
 * graduations per full turn, encoder lines per revolution.
 * _Real_To_Steps rounds to the nearest integer and saturates to 32 bits. */
KQ_EXPORT int32_t KQ_Help_Step_Line_Real_To_Steps(double step_angle, int32_t div, double pitch,
                                                  double line_ratio, double value);
KQ_EXPORT double KQ_Help_Step_Line_Steps_To_Real(double step_angle, int32_t div, double pitch,
                                                 double line_ratio, int32_t steps);
KQ_EXPORT int32_t KQ_Help_Step_Circle_Real_To_Steps(double step_angle, int32_t div,
                                                    double circle_ratio, double value);
KQ_EXPORT double KQ_Help_Step_Circle_Steps_To_Real(double step_angle, int32_t div,
                                                   double circle_ratio, int32_t steps);
KQ_EXPORT int32_t KQ_Help_Grating_Line_Real_To_Steps(double unit_um, double value);
KQ_EXPORT double KQ_Help_Grating_Line_Steps_To_Real(double unit_um, int32_t counts);
KQ_EXPORT int32_t KQ_Help_Grating_Circle_Real_To_Steps(int32_t grating_count, double value);
KQ_EXPORT double KQ_Help_Grating_Circle_Steps_To_Real(int32_t grating_count, int32_t counts);
KQ_EXPORT int32_t KQ_Help_Encoder_Line_Real_To_Steps(double pitch, double line_ratio,
                                                     int32_t line_count, double value);
KQ_EXPORT double KQ_Help_Encoder_Line_Steps_To_Real(double pitch, double line_ratio,
                                                    int32_t line_count, int32_t counts);
KQ_EXPORT int32_t KQ_Help_Encoder_Circle_Real_To_Steps(double circle_ratio, int32_t line_count,
                                                       double value);
KQ_EXPORT double KQ_Help_Encoder_Circle_Steps_To_Real(double circle_ratio, int32_t line_count,
                                                      int32_t counts);
/* closed-loop deceleration factors: motor steps per sensor count */
KQ_EXPORT float KQ_Help_Grating_Line_Factor(double step_angle, int32_t div, double pitch,
                                            double line_ratio, double unit_um);
KQ_EXPORT float KQ_Help_Grating_Circle_Factor(double step_angle, int32_t div, double circle_ratio,
                                              int32_t grating_count);
KQ_EXPORT float KQ_Help_Encoder_Factor(double step_angle, int32_t div, int32_t line_count);

/* ---- link state (an addition of this library) ----------------------------
 * 1 while the open network or serial link is lost: the board stopped
 * answering or the connection dropped, and every board call fails at once
 * until a link is opened again; else 0.  Never blocks, never journaled.
 * A program that may also run with a library without it declares it weak. */
KQ_EXPORT int32_t KQ_Link_Lost(void);

#ifdef __cplusplus
}
#endif

#endif /* KQ_API_H */
