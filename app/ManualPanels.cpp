#include "ManualPanels.h"

#include "TRunConfigFrm.h"

#include "axis/TAxisFrm.h"
#include "config/AxisConfig.h"
#include "config/AxisConfigFile.h"
#include "config/ConfigLocation.h"
#include "config/IniFile.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace ManualPanels {

namespace {
const int kGroupPanelWidth = 200;
const int kGroupPanelHeight = 48;
const int kGroupPanelGap = 5;
const char *const kTag = "Tag";
const QLatin1String kGroupPanelPrefix("Pnl_Group");

void Fill_Axis_Frame(TAxisFrm &frame, int axis)
{
    const TAxis_Config &c = g_Axis_Config.at(axis);
    frame.grp_Ch->setTitle(c.Axis_Caption);
    frame.chk_Neg->setText(c.Axis_Neg + QStringLiteral("限位"));
    frame.chk_Pos->setText(c.Axis_Pos + QStringLiteral("限位"));
    frame.FNegCaption = c.Axis_Neg;
    frame.FPosCaption = c.Axis_Pos;
    frame.btn_Neg->setText(QStringLiteral("←") + c.Axis_Neg);
    frame.btn_Pos->setText(c.Axis_Pos + QStringLiteral("→"));
    frame.grp_Ch->setProperty(kTag, axis);
    frame.setObjectName(QStringLiteral("Axis") + QString::number(axis));
}

void Fill_Axis_Entries(TAxisFrm &frame, const TAxis_Config &c)
{
    frame.Load_Param(); // the quick-position captions and the units
    frame.edt_Abs->setText(c.P_Abs);
    frame.edt_Rel->setText(c.P_Rel);
    frame.edt_Mode_V_Abs->setText(c.V_Abs);
    frame.edt_Mode_V_Rel->setText(c.V_Rel);
    frame.edt_Home_V->setText(c.Home_V);
    frame.rb_Close->setEnabled(c.Encoder_Has);
}

TAxis_Entries Axis_Entries_Of(const TAxisFrm &frame)
{
    TAxis_Entries e;
    e.Section = frame.objectName();
    e.P_Rel = frame.edt_Rel->text();
    e.P_Abs = frame.edt_Abs->text();
    e.V_Abs = frame.edt_Mode_V_Abs->text();
    e.V_Rel = frame.edt_Mode_V_Rel->text();
    e.Home_V = frame.edt_Home_V->text();
    return e;
}

void Colour_Group_Panel(QWidget *panel, bool selected)
{
    QPalette palette = panel->palette();
    const QColor face = QGuiApplication::palette().color(QPalette::Button);
    palette.setColor(QPalette::Window, selected ? QColor(0x00, 0x80, 0x00) : face); // dark green
    palette.setColor(QPalette::WindowText, selected ? QColor(Qt::white) : QColor(Qt::blue));
    panel->setPalette(palette);
}

QLabel *New_Group_Panel(QWidget *container, int g, QObject *clickFilter)
{
    auto *panel = new QLabel(g_Group_Config.at(g).Caption, container);
    panel->setTextFormat(Qt::PlainText); // a caption from the file, never markup
    panel->setObjectName(kGroupPanelPrefix + QString::number(g));
    panel->setProperty(kTag, g);
    panel->setAlignment(Qt::AlignCenter);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setAutoFillBackground(true);
    QFont font = panel->font();
    font.setPointSize(12);
    panel->setFont(font);
    panel->setGeometry(0, g * (kGroupPanelHeight + kGroupPanelGap), kGroupPanelWidth, kGroupPanelHeight);
    panel->setCursor(Qt::PointingHandCursor);
    Colour_Group_Panel(panel, g_Group_Config.at(g).Visible);
    panel->installEventFilter(clickFilter);
    return panel;
}
} // namespace

QList<TAxisFrm *> Axis_Frames(const QWidget *container)
{
    QList<TAxisFrm *> frames;
    for (QObject *child : container->children())
        if (auto *frame = qobject_cast<TAxisFrm *>(child))
            frames.append(frame);
    return frames;
}

TAxisFrm *Axis_Frame_Of(const QWidget *container, int axis)
{
    for (TAxisFrm *frame : Axis_Frames(container))
        if (frame->Axis() == axis)
            return frame;
    return nullptr;
}

QStringList Run_Choices(const QWidget *container, const QVector<TRun_Choice> &choices)
{
    QStringList leftOut;
    for (const TRun_Choice &choice : choices) {
        if (!choice.Run)
            continue;
        if (TAxisFrm *panel = Axis_Frame_Of(container, choice.Axis))
            Perform_Run_Action(*panel, choice.Action);
        else if (choice.Axis >= 0 && choice.Axis < g_Axis_Config.size())
            leftOut << g_Axis_Config.at(choice.Axis).Axis_Caption;
    }
    return leftOut;
}

void Leave_Back_And_Forth(const QList<TAxisFrm *> &frames)
{
    for (TAxisFrm *frame : frames) {
        if (frame->rb_Loop->isChecked()) {
            frame->rb_Open->setChecked(true);
            frame->Set_Mode();
        }
    }
}

void Build_Axis_Frames(QWidget *container, int axisCount)
{
    const QList<TAxisFrm *> old = Axis_Frames(container);
    for (auto it = old.crbegin(); it != old.crend(); ++it)
        delete *it;
    container->setMinimumSize(0, 0);
    if (axisCount <= 0)
        return;
    // One repaint for the whole row of panels instead of one per panel.
    container->setUpdatesEnabled(false);
    int left = 0;
    int height = 0;
    for (int i = 0; i < axisCount && i < g_Axis_Config.size(); ++i) {
        if (!g_Axis_Config.at(i).Axis_Visible)
            continue;
        auto *frame = new TAxisFrm(container);
        Fill_Axis_Frame(*frame, i);
        frame->adjustSize();
        frame->move(left, 0);
        frame->show();
        left += frame->width();
        height = qMax(height, frame->height());
        Fill_Axis_Entries(*frame, g_Axis_Config.at(i));
    }
    container->setMinimumSize(left, height);
    container->setUpdatesEnabled(true);
}

bool Is_Group_Panel(const QObject *object)
{
    return object->objectName().startsWith(kGroupPanelPrefix);
}

int Group_Of(const QWidget *panel)
{
    return panel->property(kTag).toInt();
}

QList<QWidget *> Group_Panels(const QWidget *container)
{
    QList<QWidget *> panels;
    for (QObject *child : container->children())
        if (Is_Group_Panel(child))
            panels.append(static_cast<QWidget *>(child));
    return panels;
}

void Build_Group_Panels(QWidget *container, int groupCount, QObject *clickFilter)
{
    qDeleteAll(Group_Panels(container));
    for (int g = 0; g < groupCount && g < g_Group_Config.size(); ++g)
        New_Group_Panel(container, g, clickFilter)->show();
    const int count = Group_Panels(container).size();
    container->setMinimumSize(kGroupPanelWidth, count * (kGroupPanelHeight + kGroupPanelGap));
    container->resize(container->minimumSize());
}

void Paint_Group_Panels(const QWidget *container)
{
    for (QWidget *panel : Group_Panels(container)) {
        const int g = Group_Of(panel);
        Colour_Group_Panel(panel, g >= 0 && g < g_Group_Config.size() && g_Group_Config.at(g).Visible);
    }
}

void Mark_Selection(int group)
{
    for (TGroup_Config &g : g_Group_Config)
        g.Visible = false;
    if (group >= 0) {
        if (group < g_Group_Config.size())
            g_Group_Config[group].Visible = true;
        for (TAxis_Config &axis : g_Axis_Config)
            axis.Axis_Visible = axis.Group_ID == group;
    } else {
        for (TAxis_Config &axis : g_Axis_Config)
            axis.Axis_Visible = false;
    }
}

void Save_Axis_Entries(const QList<TAxisFrm *> &frames)
{
    if (frames.isEmpty())
        return;
    QVector<TAxis_Entries> entries;
    for (auto it = frames.crbegin(); it != frames.crend(); ++it)
        entries.append(Axis_Entries_Of(**it));
    TIniFile ini(ConfigFileName());
    Write_Axis_Entries(ini, entries);
}

} // namespace ManualPanels
