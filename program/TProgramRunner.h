#pragma once
// Runs the program table on the board: a 50 ms program timer walks the table
// row by row, each step commands one axis, waits until it has stopped, waits
// the step's delay and repeats as its count asks; the whole table runs as
// many times as asked.  The runner holds no widgets: it reports log lines,
// the run state and refusals through signals, and moves the table's current
// row to the row being executed.
//
// Fast stepping, when chosen, goes through the same states in the same
// order with the same calls and log lines, but a state with nothing to wait
// for hands on to the next at once: a pass of tmr_FastRun loads, configures
// and commands a step and polls its axis; while the axis moves it is polled
// every 5 ms, a delay is timed from the poll that saw it stop, and the next
// row follows in the same pass.  A pass gives the event loop back after a
// motion command and at least every 10 ms.
#include "AutoCode.h"
#include "TravelWalk.h"
#include "controller/AxisCommands.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QTimer;
class TCodeModel;

// The in-position check of an absolute or relative move on an axis with a
// sensor and a tolerance (InPos_Tolerance): once the move has come to rest
// the sensor is read, and while it lies further than the tolerance from
// the commanded position and corrections are left, a relative move of the
// difference is sent and waited for.  The step's delay begins after it.
struct TInPosition
{
    bool Checked = false;     // the move was checked
    bool In_Position = false; // ... and ended within the tolerance
    // Sensor minus commanded position after the last correction (mm or
    // degrees, to six decimals); missing when the sensor could not be read.
    std::optional<double> Deviation;
    int Corrections = 0;
};

class TProgramRunner : public QObject
{
    Q_OBJECT
public:
    enum State { Idle = 0, Running = 1, Paused = 2 };

    // `axisCount` answers the board's current number of axes.
    TProgramRunner(TCodeModel *code, std::function<int()> axisCount, QObject *parent = nullptr);

    // Run state.
    TAutoCode g_Code;            // copy of the row being executed
    int32_t g_Status_Tag = 0;    // state of the step being executed
    uint32_t g_Status_Delay = 0; // tick count at which the step's delay began
    int32_t g_Status_Count = 0;  // repetitions of the current step completed
    int32_t g_Total_Count = 0;   // runs of the whole program asked for
    int32_t g_Run_Count = 0;     // complete runs so far
    int Row_Phase = 0;           // 0: load the current row next tick; 1: advance it

    QTimer *tmr_Auto;       // program timer, 50 ms
    QTimer *tmr_AutoStatus; // status refresh timer, 500 ms
    QTimer *tmr_FastRun;    // fast stepping's passes: polls, delays

    // Fast stepping, read at each fresh start (a run keeps its way).
    bool FastRun = false;
    bool IsFastRun() const { return m_fast; }
    static constexpr int kFastPollMs = 5;
    static constexpr int kFastSliceMs = 10;
    // A move that stopped away from its target (a limit switch, a stop) is
    // taken for ended when its run flag reads 0 on two polls this far apart.
    static constexpr int kRestConfirmMs = 20;

    // The millisecond counter that delays are measured on (wraps at 2^32).
    std::function<uint32_t()> Ticks;
    // The halt of every axis (KQ_Set_Axis_Halt_All); the main window adds
    // what its panels need on a halt.
    std::function<void()> HaltAll;

    State RunState() const { return m_state; }
    int AxisCount() const { return m_axisCount(); }
    // A fresh start whose rows are still being checked: the check of a long
    // program goes on in slices between the window's events, and the run
    // starts (StateChanged) when every row has passed.  Pause, stop and
    // halt, and any change of the table, cancel such a start.
    bool IsStarting() const { return m_checkRow >= 0; }
    // The longest slice of the check, in milliseconds.
    int CheckSliceMs = 20;

    // The run controls behind the toolbar buttons: each runs its operation
    // and then sets the run state (reported by StateChanged).
    // Start: with an empty table nothing happens; returns whether a run
    // started or resumed (false too while the rows of a long program are
    // still being checked, see IsStarting).  A repeat text that is not an
    // integer throws EConvertError after the first row has been selected.
    // A fresh start begins at `firstRow` (later runs of the program at the
    // first row).
    bool Start(const QString &repeatText, int firstRow = 0);
    void Pause();
    void Stop();
    void Halt();

    // The operations themselves.  Auto_Run starts nothing and returns false
    // when a row of the program cannot run (reported by Refused) or while
    // its rows are still being checked.
    bool Auto_Run(const QString &repeatText, int firstRow = 0);
    void Auto_Pause();
    void Auto_Stop();
    void Auto_Halt();

    // One tick of the program timer.
    void tmr_AutoTimer();
    // One pass of fast stepping.
    void tmr_FastRunTimer();
    // Within a tick or a pass: what it logs is reported at its end too
    // (PassEnded), so that a listener may take its lines together.
    bool InPass() const { return m_inPass; }

    // False once the link to the board is lost; a run that is under way
    // then ends at once, without a further board call: the board's state
    // is unknown, and the operator starts again after reconnecting.
    bool Check_Link();

    // Advances the loaded step by one state; true when the step is finished.
    bool Run_Code();
    bool Run_Home();
    bool Run_Abs();
    bool Run_Rel();
    bool Run_Pause();
    bool Run_Adjust();

    // Empty when `code` can be carried out on axis `code.ID` with the board's
    // axes and the axis configuration as they are now; otherwise why not.
    QString Check_Row(const TAutoCode &code) const;
    // Checks every row of the table as "启动" does, through the same
    // per-axis memo, and starts nothing: `refused` is told each row that
    // cannot run (0-based); answers how many.  Then `outside` is what
    // Check_Travel(runs, outsideRow) answers, from the same walk.
    int Check_Program(int runs, const std::function<void(int row, const QString &why)> &refused, QString &outside,
                      int &outsideRow);
    // The refusal of table row `row` (0-based) as the operator reads it.
    static QString Row_Refusal(int row, const QString &why);
    // A row whose target lies outside the travel limits: "第N行：" + why.
    static QString Travel_Refusal(int row, const QString &why);
    // The first row whose target lies outside the travel limits when the
    // program runs `runs` times from `firstRow`, as the pre-start check
    // walks it: its refusal (Travel_Refusal) with `row` set, or empty.
    QString Check_Travel(int runs, int &row, int firstRow = 0) const;

signals:
    void Log(const QString &text);
    // A fresh start, before its first log line.
    void RunStarting();
    // A move, home search or coordinate adjustment of the loaded step has
    // ended with its axis at rest (a checked move in position or out of
    // corrections), before the step's delay: `row` counts from 0, `run`
    // from 1.
    void MoveEnded(const TAutoCode &code, int row, int run, const TInPosition &inPos);
    void StateChanged(int state);
    // A row that cannot run or could not finish: shown to the operator in
    // a "提示" box.
    void Refused(const QString &text);
    // A fresh start waits for the check of its rows (true), or no longer
    // waits: it started, was refused or was cancelled (false).
    void StartPending(bool pending);
    // A tick of the program timer or a pass of fast stepping has ended.
    void PassEnded();

private:
    void SetState(State state);
    bool Run_Move(bool absolute);
    // The step's delay begins: the move has ended (and been checked).
    void Begin_Delay();
    // The in-position check of the move under way (TInPosition).
    void Plan_Check();
    void Check_In_Position();
    bool Send_Correction(double distance);
    bool Delay_Elapsed() const;
    // The result of KQ_Get_Axis_Status_Run for the step's axis; `atRest`
    // is true when it succeeded with the run flag 0.
    int32_t Poll_Axis(bool &atRest) const;
    bool Axis_At_Rest();
    // Whether a poll that read the run flag as `flagAtRest` ends the motion:
    // in the tick schedule it does; in fast stepping only once the axis
    // stands at the step's target, or the flag has read 0 for kRestConfirmMs.
    bool Seen_At_Rest(bool flagAtRest);
    int64_t Expected_Target();
    void Start_Program_Timer();
    void Stop_Program_Timers();
    // Milliseconds a waiting fast step waits for its next pass.
    int Fast_Wait_Ms() const;
    void Home_Failed();
    void Load_Row();
    void Next_Row();
    // Checks rows from m_checkRow on for one slice; true once every row
    // has passed and the run has begun.
    bool Check_Rows();
    QString Check_Value(int axis, double value) const;
    // The per-axis memo of a check of many rows is in use.
    bool Memo_On() const { return m_checkRow >= 0 || m_checkingAll; }
    void Clear_Memo() const;
    // Runs `check` with the memo on, cleared first.
    template <typename Check>
    auto With_Memo(Check check) const;
    // Walks runs `fromRun` to `runs` - 1 on (the first from `firstRow`).
    QString Walk_Runs(TTravelWalk &walk, int fromRun, int runs, int &row, int firstRow) const;
    QString Check_Profile(int axis) const;
    double Real_Per_Step(int axis) const;
    void Check_Next_Slice();
    void End_Check();
    void Begin_Run();
    void Cancel_Start();
    void Report_Move_Ended();
    void Refuse_Row(int row, const QString &why);
    // Ends the run with a refusal: logged, the board halted, reported.
    void End_Refused(const QString &text);
    // True when every call of a step's command succeeded; otherwise the
    // run has ended: as a lost board, or refused with the call that failed.
    bool Sent(const AxisCommands::TResult &result);
    // Marks a tick or a pass while it lives.
    class TPass
    {
    public:
        explicit TPass(TProgramRunner *runner) : m_runner(runner) { runner->m_inPass = true; }
        ~TPass()
        {
            m_runner->m_inPass = false;
            emit m_runner->PassEnded();
        }

    private:
        TProgramRunner *m_runner;
    };

    TCodeModel *m_code;
    std::function<int()> m_axisCount;
    State m_state = Idle;
    // The pre-start check: the next row to check (-1 when none is under
    // way), the runs asked for, and the timer of its next slice.
    int m_checkRow = -1;
    // What the check under way knows of each axis met so far: the distance
    // of one motor step and the profile check, by axis number.
    struct TAxis_Memo
    {
        std::optional<double> RealPerStep;
        std::optional<QString> Profile;
        std::optional<double> SureBound;
    };
    // Values of at most this magnitude pass the axis's check at once.
    double Sure_Bound(int axis) const;
    TAxis_Memo &Memo_Of(int axis) const;
    mutable std::vector<TAxis_Memo> m_memo;
    bool m_checkWaits = false; // StartPending(true) was reported
    // The walk through the travel limits of the check under way, and the
    // runs of the program walked so far.
    std::optional<TTravelWalk> m_walk;
    int32_t m_checkRun = 0;
    mutable bool m_checkingAll = false; // Check_Program, Check_Travel
    int32_t m_startTotal = 0;
    int m_startRow = 0;
    QTimer *m_checkSlice;

    // Fast stepping: the way of the run under way, and its rest detection
    // for the motion under way: where the axis stood before it, its target
    // once known, and since when its run flag has read 0.
    bool m_fast = false;
    bool m_inPass = false;
    int64_t m_moveStart = 0;
    int64_t m_target = 0;
    bool m_targetKnown = false;
    bool m_flagWasZero = false;
    uint32_t m_flagZeroSince = 0;

    // The in-position check of the move under way: the tolerance of its
    // axis (none: no check), the commanded position and how it went; and
    // per axis where the run last told it to go (mm or degrees).
    std::optional<double> m_tolerance;
    std::optional<double> m_stepTarget;
    TInPosition m_inPos;
    QHash<int, std::optional<double>> m_commanded;
};
