#pragma once
// "参数配置": edits the stored configuration of the axes one axis at a time,
// straight in the configuration file, and computes the closed-loop
// deceleration factor from the mechanics and the sensor.
#include <QDialog>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TGroupFrm;

class TConfigFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TConfigFrm(QWidget *parent = nullptr);

    int32_t iAxis_Max = 0;
    int32_t iEncoder_Max = 0;
    int32_t iAxis_Now = 0;

    QGroupBox *grp_Group;
    QComboBox *cbb_Group;
    QPushButton *btn_EditGroup;

    QGroupBox *grp_Info;
    QLineEdit *edt_Caption, *edt_Neg, *edt_Pos;

    QGroupBox *grp_Mechanics;
    QComboBox *cbb_Kind;
    QLineEdit *edt_Div, *edt_Line_Pitch, *edt_Circle_Ratio, *edt_Line_Ratio;
    QLabel *lb_Acc, *lbl_Dec, *lbl_Max_V;
    QLineEdit *edt_Acc, *edt_Dec, *edt_Max_V, *edt_StepAngle;
    QLineEdit *edt_Soft_Min, *edt_Soft_Max; // travel limits, empty for none

    QGroupBox *grp_Custom;
    QLineEdit *edt_Fast0, *edt_Fast1, *edt_Fast2, *edt_Fast3;

    QGroupBox *grp_Encoder;
    QCheckBox *chk_Encoder;
    QComboBox *cbb_Encoder;
    QLineEdit *edt_Unit_um, *edt_GratingCount, *edt_LineCount, *edt_Factor;
    QPushButton *btn_Factor;
    QCheckBox *chk_Dir, *chk_Z_Polarity, *chk_Over_Enable;
    QLineEdit *edt_Over_Max, *edt_Over_Stable;
    // In-position check of program moves: tolerance (empty or 0: none)
    // and the number of corrections.
    QLineEdit *edt_InPos_Tol, *edt_InPos_Retry;

    QPushButton *btn_Pre, *btn_Next, *btn_OK;

    // The dialog that "分组定义" opens.
    void Set_Group_Form(TGroupFrm *form) { m_groupFrm = form; }

    // Prepares an opening for a board with AMaxAxis axes; the shown axis is
    // kept, brought back to the last axis when the board has fewer.
    void Set_Config(int32_t AMaxAxis, int32_t AMaxEncoder);

    void btn_PreClick();
    void btn_NextClick();
    void btn_OKClick();
    void cbb_KindChange();
    void btn_FactorClick();
    void btn_EditGroupClick();

    void Load_Group();
    void Load_Config();
    // Writes the shown axis key by key; an entry that does not parse stops
    // the save there, the keys before it stay written.
    void Save_Config();
    void Check_Limits() const;
    void Check_InPos() const;
    static constexpr int32_t kMaxInPosRetries = 100;
    void Set_Unit();
    void Set_Caption();

private:
    void BuildControls();
    void BuildLayout();
    void ConnectHandlers();
    void Show_Axis_Step(int step);
    // After the group list has been read again: the group the operator
    // chose, where it stands now (none when it was deleted), or else the
    // stored one.
    void Show_Group_Again(const QString &chosen);

    TGroupFrm *m_groupFrm = nullptr;
    int32_t m_loadedGroupId = 0; // "GROUP_ID" as the shown axis was loaded
    bool m_groupChosen = false;  // the operator chose in cbb_Group since
};
