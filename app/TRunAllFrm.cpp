#include "TRunAllFrm.h"

#include "config/AxisConfig.h"
#include "common/ui/Widgets.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {
const int kExtraHeight = 50;
const int kInitialWidth = 560;
}

TRunAllFrm::TRunAllFrm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("RunAllFrm"));
    setWindowTitle(QStringLiteral("同时启动"));

    Box_RunAll = new QScrollArea(this);
    Box_RunAll->setObjectName(QStringLiteral("Box_RunAll"));
    Box_RunAll->setFrameShape(QFrame::NoFrame);
    Box_RunAll->setWidget(new QWidget);
    Box_RunAll->widget()->setObjectName(QStringLiteral("Box_RunAll_Content"));

    grp_Action = new QWidget(this);
    grp_Action->setObjectName(QStringLiteral("grp_Action"));
    BitBtn1 = new QPushButton(QStringLiteral("确定"), grp_Action);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("取消"), grp_Action);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout(grp_Action);
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Box_RunAll, 1);
    layout->addWidget(grp_Action);
    grp_Action->adjustSize();
    setFixedSize(kInitialWidth, MinHeight);
}

QWidget *TRunAllFrm::Frame_Container() const
{
    return Box_RunAll->widget();
}

QList<TRunConfigFrm *> TRunAllFrm::Frames() const
{
    QList<TRunConfigFrm *> frames;
    for (QObject *child : Frame_Container()->children())
        if (auto *frame = qobject_cast<TRunConfigFrm *>(child))
            frames.append(frame);
    return frames;
}

QVector<TRun_Choice> TRunAllFrm::Choices() const
{
    QVector<TRun_Choice> choices;
    for (const TRunConfigFrm *frame : Frames())
        choices.append(frame->Choice());
    return choices;
}

int TRunAllFrm::Fitted_Height(int actionHeight, int framesHeight)
{
    return std::clamp(actionHeight + framesHeight + kExtraHeight, MinHeight, MaxHeight);
}

void TRunAllFrm::Build_RunAll_Frames(int axisCount)
{
    qDeleteAll(Frames());
    if (axisCount <= 0)
        return;
    QWidget *container = Frame_Container();
    int top = 0;
    int width = 0;
    for (int i = 0; i < axisCount && i < g_Axis_Config.size(); ++i) {
        if (!g_Axis_Config.at(i).Axis_Visible)
            continue;
        auto *frame = new TRunConfigFrm(i, g_Axis_Config.at(i).Axis_Caption, container);
        frame->move(0, top);
        frame->show();
        top += frame->height();
        width = std::max(width, frame->width());
    }
    container->resize(width, top);
    Fit_Size(width, top);
}

void TRunAllFrm::Fit_Size(int framesWidth, int framesHeight)
{
    const int scrollBar = Box_RunAll->verticalScrollBar()->sizeHint().width();
    const int width = std::max(grp_Action->sizeHint().width(), framesWidth + scrollBar);
    setFixedSize(width, Fitted_Height(grp_Action->sizeHint().height(), framesHeight));
}

void TRunAllFrm::showEvent(QShowEvent *event)
{
    Centre_On_Desktop(this);
    QDialog::showEvent(event);
}
