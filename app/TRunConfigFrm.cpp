#include "TRunConfigFrm.h"

#include "axis/TAxisFrm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>

TRunConfigFrm::TRunConfigFrm(int axis, const QString &caption, QWidget *parent)
    : QFrame(parent)
{
    m_choice.Axis = axis;
    setObjectName(QStringLiteral("Axis") + QString::number(axis));
    grp_Ch = new QGroupBox(caption, this);
    grp_Ch->setObjectName(QStringLiteral("grp_Ch"));
    grp_Ch->setProperty("Tag", axis);

    chk_Run = new QCheckBox(QStringLiteral("启动"), grp_Ch);
    chk_Run->setObjectName(QStringLiteral("chk_Run"));
    chk_Run->setChecked(m_choice.Run);
    connect(chk_Run, &QCheckBox::toggled, this, [this](bool on) { m_choice.Run = on; });

    rb_Pos_Abs = Add_Option(TRun_Action::Pos_Abs, QStringLiteral("rb_Pos_Abs"), QStringLiteral("绝对定位"));
    rb_Pos_Rel = Add_Option(TRun_Action::Pos_Rel, QStringLiteral("rb_Pos_Rel"), QStringLiteral("相对定位"));
    rb_V_Abs = Add_Option(TRun_Action::V_Abs, QStringLiteral("rb_V_Abs"), QStringLiteral("绝对定速"));
    rb_V_Rel = Add_Option(TRun_Action::V_Rel, QStringLiteral("rb_V_Rel"), QStringLiteral("相对定速"));
    rb_Home = Add_Option(TRun_Action::Home, QStringLiteral("rb_Home"), QStringLiteral("查找零位"));
    rb_Pos_Abs->setChecked(true);

    auto *options = new QButtonGroup(this);
    auto *grid = new QGridLayout(grp_Ch);
    grid->addWidget(chk_Run, 0, 0, 2, 1);
    int column = 1;
    for (QRadioButton *rb : {rb_Pos_Abs, rb_Pos_Rel, rb_V_Abs, rb_V_Rel, rb_Home}) {
        options->addButton(rb);
        grid->addWidget(rb, 0, column++);
    }
    grid->setColumnMinimumWidth(0, 70);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(grp_Ch);
    adjustSize();
}

QRadioButton *TRunConfigFrm::Add_Option(TRun_Action action, const QString &name, const QString &caption)
{
    auto *rb = new QRadioButton(caption, grp_Ch);
    rb->setObjectName(name);
    connect(rb, &QRadioButton::toggled, this, [this, action](bool on) {
        if (on)
            m_choice.Action = action;
    });
    return rb;
}

void Perform_Run_Action(TAxisFrm &panel, TRun_Action action)
{
    switch (action) {
    case TRun_Action::Pos_Abs:
        panel.btn_Pos_AbsClick();
        break;
    case TRun_Action::Pos_Rel:
        panel.btn_Pos_RelClick();
        break;
    case TRun_Action::V_Abs:
        panel.btn_V_AbsClick();
        break;
    case TRun_Action::V_Rel:
        panel.btn_V_RelClick();
        break;
    case TRun_Action::Home:
        panel.btn_HomeClick();
        break;
    }
}
