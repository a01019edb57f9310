#pragma once
// The panel of one axis: work mode, status poll, back-and-forth loop and
// the manual motion commands.  The axis number sits in the "Tag" property
// of grp_Ch; every operation reads the axis's g_Axis_Config entry at the
// moment it runs.
#include <QFrame>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "controller/AxisCommands.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class QAbstractButton;
struct TAxis_Config;

class TAxisFrm : public QFrame
{
    Q_OBJECT
public:
    explicit TAxisFrm(QWidget *parent = nullptr);
    ~TAxisFrm() override;

    int Axis() const;

    QGroupBox *grp_Ch, *grp_Mode, *grp_Status, *grp_Motion, *grp_Fast;
    QRadioButton *rb_Open, *rb_Close, *rb_Loop;
    QCheckBox *chk_Run, *chk_Zero, *chk_Neg, *chk_Pos;
    QLabel *Label2, *lbl_15, *lbl_Deviation;
    // The units of the position and speed readouts, by the axis's kind.
    QLabel *lbl_PosUnit, *lbl_SpeedUnit;
    QLineEdit *edt_Show_Software, *edt_Show_Deviation, *edt_Show_V, *edt_P_Set, *edt_Mode_V_Abs, *edt_Mode_V_Rel,
        *edt_Abs, *edt_Rel, *edt_Home_V;
    QPushButton *btn_Zero, *btn_Neg, *btn_Pos, *btn_V_Abs, *btn_V_Rel, *btn_Pos_Abs, *btn_Pos_Rel,
        *btn_Home, *btn_Set_Stop, *btn_Set_Halt, *btn_Fast0, *btn_Fast1, *btn_Fast2, *btn_Fast3;
    QTimer *tmr_Axis, *tmr_Loop;

    // Names of the negative and positive directions, shown after the speed.
    QString FNegCaption, FPosCaption;

    // 0: the next loop tick starts a run; 1: a run is under way.
    int LoopState() const;
    // Where the last position command sent the axis (mm or degrees); none
    // after a velocity command, a home search or a new coordinate.
    std::optional<double> Target() const { return m_target; }

    // The board is lost: the readouts are greyed and the indicators cleared,
    // since nothing is known about the axis any more; false shows them again
    // (the next poll fills them).
    void Show_Stale(bool stale);
    bool Is_Stale() const { return m_stale; }

    // Handlers.  They throw EConvertError on an entry that is not a number;
    // the signal connections run them through Guard.
    void Load_Param();
    void Set_Mode();
    void rb_OpenClick();
    void tmr_AxisTimer();
    void tmr_LoopTimer();
    void btn_Pos_AbsClick();
    void btn_Pos_RelClick();
    void btn_Fast0Click();
    void btn_Fast1Click();
    void btn_Fast2Click();
    void btn_Fast3Click();
    void Move_Abs(double value);
    void btn_V_AbsClick();
    void btn_V_RelClick();
    void btn_NegMouseDown();
    void btn_PosMouseDown();
    void btn_NegMouseUp();
    void btn_PosMouseUp();
    void btn_HomeClick();
    void btn_ZeroClick();
    void btn_Set_StopClick();
    void btn_Set_HaltClick();

signals:
    // A command that the board did not carry out: "<axis> 设置失败（<function>返回<code>）".
    void Command_Failed(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Create_Controls();
    void Build_Layout();
    void Connect_Handlers();
    void Connect_Click(QAbstractButton *button, void (TAxisFrm::*handler)());

    bool Has_Config() const;
    const TAxis_Config &Config() const;
    uint16_t Axis_No() const;
    bool Is_Open_Loop() const;
    AxisCommands::TLoop Loop() const;
    // Reports a command the board did not carry out; true when it did.
    bool Sent(const AxisCommands::TResult &result);
    // A position move of the work mode's loop to (absolute) or by the value,
    // which is taken after the profile has been sent.
    void Position_Move(bool absolute, const std::function<double()> &value);
    void Fast_Click(const QPushButton *button);
    void Jog_Start(int direction);
    void Jog_Stop();
    void End_Jog_If_Active();
    void Forget_Jog();
    void Watch_Jog_Window();
    bool Jog_Window_Lost(QObject *watched, const QEvent *event) const;
    void End_Jog_Without_Mouse_Button();
    void Select_Open_Loop();
    void Set_Motion_Buttons_Enabled(bool enabled);
    void Set_Loop_State(int state);

    void Show_Status();
    void Show_Position();
    void Show_Speed();
    void Show_Deviation(double sensorPosition);
    void Loop_Step();

    bool m_stale = false;
    // A jog has been started by a press whose release has not come yet.
    bool m_jogActive = false;
    // The window watched while the jog is held.
    QPointer<QWidget> m_jogWindow;
    std::optional<double> m_target;
    // The position the poll last showed, where a relative move starts when
    // no target is known.
    std::optional<double> m_shownPosition;
    int m_deviationDecimals = 6;
};
