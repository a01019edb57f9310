#pragma once
// "同时启动": which axes the run-all command starts and how.  Lives for the
// whole run; its frames, and the choices made in them, stay until the next
// Build_RunAll_Frames.
#include "TRunConfigFrm.h"

#include <QDialog>
#include <QList>
#include <QVector>

class QPushButton;
class QScrollArea;

class TRunAllFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TRunAllFrm(QWidget *parent = nullptr);

    QScrollArea *Box_RunAll;
    QWidget *grp_Action;
    QPushButton *BitBtn1, *BitBtn2;

    // Replaces the frames by one per axis below `axisCount` whose
    // Axis_Visible is set, stacked top-down, and fits the dialog's height
    // to them.  With no axis the frames go and the size stays.
    void Build_RunAll_Frames(int axisCount);

    QList<TRunConfigFrm *> Frames() const;
    // The frames' choices in frame (ascending axis) order.
    QVector<TRun_Choice> Choices() const;

    // Action bar plus frames plus 50 px, kept within 300 to 600 px.
    static int Fitted_Height(int actionHeight, int framesHeight);
    static constexpr int MinHeight = 300;
    static constexpr int MaxHeight = 600;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *Frame_Container() const;
    void Fit_Size(int framesWidth, int framesHeight);
};
