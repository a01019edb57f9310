#pragma once
// One axis of the run-all dialog: whether it takes part and which of the
// axis panel's five commands starts it.  The frame keeps the choice in a
// record that follows its controls.
#include <QFrame>

class QCheckBox;
class QGroupBox;
class QRadioButton;
class TAxisFrm;

enum class TRun_Action { Pos_Abs, Pos_Rel, V_Abs, V_Rel, Home };

struct TRun_Choice
{
    int Axis = 0;
    bool Run = true;
    TRun_Action Action = TRun_Action::Pos_Abs;
};

class TRunConfigFrm : public QFrame
{
    Q_OBJECT
public:
    // Named "Axis" + axis, grp_Ch titled `caption` with the axis in its Tag.
    TRunConfigFrm(int axis, const QString &caption, QWidget *parent = nullptr);

    QGroupBox *grp_Ch;
    QCheckBox *chk_Run;
    QRadioButton *rb_Pos_Abs, *rb_Pos_Rel, *rb_V_Abs, *rb_V_Rel, *rb_Home;

    const TRun_Choice &Choice() const { return m_choice; }

private:
    QRadioButton *Add_Option(TRun_Action action, const QString &name, const QString &caption);

    TRun_Choice m_choice;
};

// Performs on an axis panel the command that belongs to `action`, exactly as
// a click on that panel's button would, whether or not the button is enabled.
void Perform_Run_Action(TAxisFrm &panel, TRun_Action action);
