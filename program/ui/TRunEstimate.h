#pragma once
// Keeps the run-time estimate (lbl_Estimate) and the path preview
// (pnl_Preview) in step with the program table and the axis configuration,
// and shows the time left while a program runs.  Replanning is coalesced
// into one pass after a burst of changes and waits while a program runs.
// A long program is planned in a worker thread, so that the window never
// waits for it: the label says "计算中…" until the plan is ready, and a new
// plan cancels the one under way.  The worker reads the program table (it
// is stopped before the table changes or goes), a copy of the axis records
// and positions read before; it never calls the controller library, and
// what it throws is reported here, on the window's thread.  The time left
// during a run is the run-progress engine's (TRunProgress).
#include "TPreviewPath.h"
#include "program/TRunProgress.h"

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

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
    ~TRunEstimate() override;

    // Answers each axis's position as last read, in steps, without asking
    // the board; without it every axis starts at 0.
    void SetStartSource(std::function<std::vector<double>()> startSteps);
    // Reads every axis's position from the board (into the start source):
    // once when a run starts and once when it ends.
    void SetPositionReader(std::function<void()> read) { m_readPositions = std::move(read); }

    // Follows a runner's run state, and the status table: the time left and
    // the positions at each refresh during a run, a new plan when the axes
    // have moved while no program runs.
    void Follow(TProgramRunner *runner, const TStatusModel *status);

    // A new axis configuration (after Load_Axis_Config); planned once the
    // caller's handler has ended.
    void SetAxes(const QVector<TAxis_Config> &axes);
    // Plans for fast stepping, or for the tick schedule.
    void SetFastRun(bool fast);
    // Plans again soon, unless a program runs; `now` plans at once (a long
    // program goes to the worker: see WaitForPlan).
    void Replan(bool now = false);
    bool IsPlanning() const { return m_planning; }
    // Waits for the plan under way, if any, and shows it.
    void WaitForPlan();

    // Run display: a fresh start (planned again from where the axes stand
    // now), the status refresh while running or paused (`run` is the number
    // of complete runs, `measured` every axis's position in mm or degrees),
    // and the end of the run.
    void RunStarted();
    void RunPaused(bool paused);
    void RunProgress(int32_t run, const std::vector<double> &measured);
    void RunEnded();

    const TRunPlanner &Planner() const { return m_progress.Planner(); }

    // Called on the worker before it plans (tests make it throw).
    std::function<void()> BeforeWorkerPlan;

    // Programs of up to this many rows are planned at once, on the caller's
    // thread (a few milliseconds); longer ones in the worker.
    size_t InlineRowLimit = 20000;
    // The clock of the time left: monotonic milliseconds.
    void SetClock(std::function<int64_t()> now) { m_progress.SetClock(std::move(now)); }

private:
    struct Result
    {
        TRunPlanner Planner;
        TPreviewPath Path;
        TPreviewPath Outline;
    };

    std::vector<double> StartSteps() const;
    // How far each axis's coordinate has been set from its home's: the
    // travel limits shift with it.
    std::vector<double> StartShifts() const;
    bool StartMoved() const;
    void Plan();
    // Builds a plan; false when cancelled on the way.
    static bool Build(Result &result, const std::vector<TAutoCode> &rows, const QVector<TAxis_Config> &axes,
                      const std::vector<double> &start, const std::vector<double> &shifts, int32_t repeat,
                      bool fast, std::pair<int, int> pair, const std::atomic_bool *cancel);
    void StopWorker();
    void TakeResult(uint64_t generation);
    void PlanFailed(uint64_t generation, const QString &why);
    // Shows `result`, which keeps the plan shown before.
    void Show(Result &result);
    void Discard(std::unique_ptr<Result> spent);
    void ShowEstimate();
    void ShowRemaining();
    void CurrentRowChanged();

    TCodeModel *m_code;
    QLabel *m_label;
    TPreviewPanel *m_preview;
    std::function<std::vector<double>()> m_startSteps;
    std::function<void()> m_readPositions;
    std::vector<double> m_plannedStart;
    std::vector<double> m_plannedShifts;
    std::function<QString()> m_repeatText;
    QVector<TAxis_Config> m_axes;
    bool m_fast = false;
    TRunProgress m_progress;
    QTimer *m_replan;

    // The worker: one plan at a time.  m_result is written by the worker
    // and read on this thread only after it has finished.  Plans replaced
    // since wait in m_spent for the next worker to free them: freeing a
    // plan of millions of rows would hold up the window.
    std::thread m_worker;
    std::atomic_bool m_cancel{false};
    std::unique_ptr<Result> m_result;
    std::vector<std::unique_ptr<Result>> m_spent;
    uint64_t m_generation = 0;
    bool m_planning = false;

    int m_state = 0;
};
