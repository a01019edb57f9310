#pragma once
// The panels of the manual page, built from the configuration records: one
// clickable panel per function group in the selection list ("Pnl_Group" +
// number) and one TAxisFrm per visible axis ("Axis" + number).  The group
// or axis number sits in the panel's "Tag" property.
#include <QList>
#include <QStringList>
#include <QVector>

class QObject;
class QWidget;
class TAxisFrm;
struct TRun_Choice;

namespace ManualPanels {

// The axis panels inside `container`, in creation (ascending axis) order.
QList<TAxisFrm *> Axis_Frames(const QWidget *container);

// The axis panel of `axis`, or null when that axis has none.
TAxisFrm *Axis_Frame_Of(const QWidget *container, int axis);

// Puts every panel that is in back-and-forth mode into open loop, as its
// own emergency halt does, so that its loop cannot start the axis again.
void Leave_Back_And_Forth(const QList<TAxisFrm *> &frames);

// Replaces the axis panels by one per axis below `axisCount` whose
// Axis_Visible is set, side by side in one row.
void Build_Axis_Frames(QWidget *container, int axisCount);

// The group panels inside `container`, in group order.
QList<QWidget *> Group_Panels(const QWidget *container);
bool Is_Group_Panel(const QObject *object);
int Group_Of(const QWidget *panel);

// Replaces the group panels by one per group below `groupCount`, stacked
// top-down; `clickFilter` receives their mouse events.
void Build_Group_Panels(QWidget *container, int groupCount, QObject *clickFilter);

// Colours every group panel by its group's Visible flag.
void Paint_Group_Panels(const QWidget *container);

// Marks group `group` selected and exactly its axes visible; -1 selects no
// group and hides every axis.
void Mark_Selection(int group);

// Starts every ticked axis of `choices` that has a panel in `container`
// with its chosen command, in order; returns the captions of the ticked
// axes that have no panel.  An entry that is not a number ends the whole
// command; axes started before it keep moving.
QStringList Run_Choices(const QWidget *container, const QVector<TRun_Choice> &choices);

// Writes the five entry texts of every panel, from the last to the first.
void Save_Axis_Entries(const QList<TAxisFrm *> &frames);

} // namespace ManualPanels
