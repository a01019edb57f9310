#pragma once
// Keeps the run-time estimate (lbl_Estimate) and the path preview
// (pnl_Preview) in step with the program table and the axis configuration,
// and shows the time left while a program runs.  Replanning is coalesced
// into one pass after a burst of changes and waits while a program runs, so
// that it never delays a program tick.
#include "RunClock.h"
#include "TRunPlanner.h"

#include <QObject>
#include <functional>

class QLabel;
class QTimer;
class TCodeModel;
class TPreviewPanel;
class TProgramRunner;
class TStatusModel;

class TRunEstimate : public QObject
{
    Q_OBJECT
public:
    // `repeatText` answers the text of the number of runs.
    TRunEstimate(TCodeModel *code, QLabel *label, TPreviewPanel *preview, std::function<QString()> repeatText,
                 QObject *parent = nullptr);

    // Answers each axis's position on the board now, in steps; without it
    // (or with no board) every axis starts at 0.
    void SetStartSource(std::function<std::vector<double>()> startSteps);

    // Follows a runner: its run state, and at each status refresh (after
    // the status table has been refreshed) the time left and the positions.
    void Follow(TProgramRunner *runner, const TStatusModel *status);

    // A new axis configuration (after Load_Axis_Config); planned once the
    // caller's handler has ended, so that its own library calls come first.
    void SetAxes(const QVector<TAxis_Config> &axes);
    // Plans again soon (at once when `now`), unless a program runs.
    void Replan(bool now = false);

    // Run display: a fresh start (planned again from where the axes stand
    // now), the status refresh while running or paused (`run` is the number
    // of complete runs, `measured` every axis's position in mm or degrees),
    // and the end of the run.
    void RunStarted();
    void RunPaused(bool paused);
    void RunProgress(int32_t run, const std::vector<double> &measured);
    void RunEnded();

    const TRunPlanner &Planner() const { return m_planner; }

private:
    std::vector<double> StartSteps() const;
    void Plan();
    void ShowEstimate();
    void CurrentRowChanged();

    TCodeModel *m_code;
    QLabel *m_label;
    TPreviewPanel *m_preview;
    std::function<std::vector<double>()> m_startSteps;
    std::vector<double> m_plannedStart;
    std::function<QString()> m_repeatText;
    QVector<TAxis_Config> m_axes;
    TRunPlanner m_planner;
    QTimer *m_replan;
    bool m_running = false;
    TRunClock m_rowClock;
    int32_t m_run = 0;
    int m_state = 0;
};
