#include "TProgramRunner.h"

#include "TCodeModel.h"
#include "common/Exceptions.h"
#include "common/Guard.h"
#include "common/NumberText.h"
#include "common/Ticks.h"
#include "config/AxisConfig.h"
#include "controller/AxisCommands.h"
#include "controller/CheckedConversion.h"
#include "controller/Conversion.h"
#include "controller/LinkState.h"
#include "kq_api.h"

#include <QElapsedTimer>
#include <QTimer>
#include <cmath>

namespace {

TTravelWalk Travel_Walk()
{
    return TTravelWalk(
        [](int axis) {
            return TTravelWalk::TAxis_Travel{AxisCommands::Configured_Travel(axis), AxisCommands::Travel_Shift(axis)};
        },
        [](int axis) { return AxisCommands::Position_Now(axis, AxisCommands::TLoop::Open); });
}

// Six decimals, as the run record writes positions.
double Round6(double value)
{
    return std::round(value * 1e6) / 1e6;
}

} // namespace

TProgramRunner::TProgramRunner(TCodeModel *code, std::function<int()> axisCount, QObject *parent)
    : QObject(parent)
    , tmr_Auto(new QTimer(this))
    , tmr_AutoStatus(new QTimer(this))
    , tmr_FastRun(new QTimer(this))
    , Ticks(GetTickCount32)
    , HaltAll([] { AxisCommands::Halt_All(); })
    , m_code(code)
    , m_axisCount(std::move(axisCount))
    , m_checkSlice(new QTimer(this))
{
    m_checkSlice->setSingleShot(true);
    m_checkSlice->setInterval(0);
    connect(m_checkSlice, &QTimer::timeout, this, &TProgramRunner::Check_Next_Slice);
    // Rows checked before a change prove nothing about the table after it.
    connect(code, &QAbstractItemModel::modelAboutToBeReset, this, [this] { Cancel_Start(); });
    connect(code, &QAbstractItemModel::layoutAboutToBeChanged, this, [this] { Cancel_Start(); });
    connect(code, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] { Cancel_Start(); });
    connect(code, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { Cancel_Start(); });
    tmr_Auto->setObjectName(QStringLiteral("tmr_Auto"));
    tmr_Auto->setInterval(50);
    // The program advances on ticks, so their spacing must not drift.
    tmr_Auto->setTimerType(Qt::PreciseTimer);
    tmr_AutoStatus->setObjectName(QStringLiteral("tmr_AutoStatus"));
    tmr_AutoStatus->setInterval(500);
    connect(tmr_Auto, &QTimer::timeout, this, [this] { Guard([this] { tmr_AutoTimer(); }); });
    tmr_FastRun->setObjectName(QStringLiteral("tmr_FastRun"));
    tmr_FastRun->setSingleShot(true);
    tmr_FastRun->setTimerType(Qt::PreciseTimer);
    connect(tmr_FastRun, &QTimer::timeout, this, [this] { Guard([this] { tmr_FastRunTimer(); }); });
}

void TProgramRunner::Start_Program_Timer()
{
    if (m_fast)
        tmr_FastRun->start(0);
    else
        tmr_Auto->start();
}

void TProgramRunner::Stop_Program_Timers()
{
    tmr_Auto->stop();
    tmr_FastRun->stop();
}

// ---- run controls -----------------------------------------------------------

void TProgramRunner::SetState(State state)
{
    m_state = state;
    emit StateChanged(state);
}

bool TProgramRunner::Start(const QString &repeatText, int firstRow)
{
    if (m_code->IsEmpty() || !Auto_Run(repeatText, firstRow))
        return false;
    SetState(Running);
    return true;
}

// Pausing a start that still checks its rows leaves it: nothing runs yet.
void TProgramRunner::Pause()
{
    if (IsStarting()) {
        Cancel_Start();
        return;
    }
    Auto_Pause();
    SetState(Paused);
}

void TProgramRunner::Stop()
{
    Cancel_Start();
    Auto_Stop();
    SetState(Idle);
}

void TProgramRunner::Halt()
{
    Cancel_Start();
    Auto_Halt();
    SetState(Idle);
}

bool TProgramRunner::Auto_Run(const QString &repeatText, int firstRow)
{
    if (m_state != Idle) {
        // Paused: the step in progress continues where it stopped.
        Start_Program_Timer();
        emit Log(QStringLiteral("恢复运行"));
        tmr_AutoStatus->start();
        return true;
    }
    if (IsStarting())
        return false; // the start under way goes on
    firstRow = qBound(0, firstRow, m_code->rowCount() - 1);
    m_code->SetCurrentRow(firstRow);
    m_startTotal = StrToInt(repeatText);
    m_startRow = firstRow;
    Clear_Memo();
    m_walk = Travel_Walk();
    m_checkRun = 0;
    m_checkRow = firstRow;
    return Check_Rows();
}

void TProgramRunner::Begin_Run()
{
    g_Total_Count = m_startTotal;
    g_Run_Count = 0;
    Row_Phase = 0;
    m_commanded.clear();
    m_fast = FastRun;
    Start_Program_Timer();
    emit RunStarting();
    emit Log(m_startRow == 0 ? QStringLiteral("开始运行") : QStringLiteral("从第%1行开始运行").arg(m_startRow + 1));
    tmr_AutoStatus->start();
}

void TProgramRunner::Cancel_Start()
{
    if (IsStarting())
        End_Check();
}

void TProgramRunner::Auto_Pause()
{
    Stop_Program_Timers();
    emit Log(QStringLiteral("暂停"));
}

void TProgramRunner::Auto_Stop()
{
    Stop_Program_Timers();
    const int axes = m_axisCount();
    for (int a = 0; a < axes; ++a)
        AxisCommands::Program_Stop(a);
    emit Log(QStringLiteral("停止"));
    tmr_AutoStatus->stop();
}

void TProgramRunner::Auto_Halt()
{
    Stop_Program_Timers();
    HaltAll();
    emit Log(QStringLiteral("停止"));
    tmr_AutoStatus->stop();
}

// ---- row checks ---------------------------------------------------------------

QString TProgramRunner::Check_Row(const TAutoCode &code) const
{
    const AutoAction::TKind action = AutoAction::Kind_Of(code.Action);
    if (!AutoAction::Drives_Axis(action))
        return QString();
    if (code.ID < 0 || code.ID >= m_axisCount() || code.ID >= g_Axis_Config.size())
        return QStringLiteral("设备上没有轴号为 %1 的轴（轴号从 0 数起，本设备共 %2 个轴）")
            .arg(code.ID)
            .arg(m_axisCount());
    // Every value the step sends, converted as the step converts it.
    QString why = Check_Value(code.ID, action != AutoAction::TKind::Home ? code.Param : 0);
    if (why.isEmpty() && action != AutoAction::TKind::Adjust)
        why = Check_Profile(code.ID);
    return why;
}

QString TProgramRunner::Check_Value(int axis, double value) const
{
    if (Memo_On() && std::fabs(value) <= Sure_Bound(axis))
        return QString();
    try {
        Check_Motor_Real(axis, value, Real_Per_Step(axis));
    } catch (const EConvertError &e) {
        return e.Message();
    }
    return QString();
}

void TProgramRunner::Clear_Memo() const
{
    m_memo.clear();
}

TProgramRunner::TAxis_Memo &TProgramRunner::Memo_Of(int axis) const
{
    if (size_t(axis) >= m_memo.size())
        m_memo.resize(size_t(axis) + 1);
    return m_memo[size_t(axis)];
}

template <typename Check>
auto TProgramRunner::With_Memo(Check check) const
{
    Clear_Memo();
    m_checkingAll = true;
    const auto result = check();
    m_checkingAll = false;
    return result;
}

// The first run's rows are checked once for both checks; the walk then
// goes on with further runs as Check_Travel walks them.
int TProgramRunner::Check_Program(int runs, const std::function<void(int row, const QString &why)> &refused,
                                  QString &outside, int &outsideRow)
{
    return With_Memo([&] {
        TTravelWalk walk = Travel_Walk();
        walk.Begin_Run();
        int count = 0;
        outside.clear();
        outsideRow = -1;
        const int rows = m_code->rowCount();
        for (int row = 0; row < rows; ++row) {
            const TAutoCode &code = m_code->Row(row);
            const QString why = Check_Row(code);
            if (!why.isEmpty()) {
                ++count;
                refused(row, why);
            } else if (outside.isEmpty()) {
                const QString beyond = walk.Step(code);
                if (!beyond.isEmpty()) {
                    outside = Travel_Refusal(row, beyond);
                    outsideRow = row;
                }
            }
        }
        if (outside.isEmpty() && walk.Run_Moved())
            outside = Walk_Runs(walk, 1, runs, outsideRow, 0);
        return count;
    });
}

// The distance of one motor step, read once per axis in a pre-start check
// of many rows (the configuration does not change while it runs).
double TProgramRunner::Real_Per_Step(int axis) const
{
    if (!Memo_On())
        return Motor_Steps_To_Real(axis, 1);
    std::optional<double> &known = Memo_Of(axis).RealPerStep;
    if (!known)
        known = Motor_Steps_To_Real(axis, 1);
    return *known;
}

double TProgramRunner::Sure_Bound(int axis) const
{
    std::optional<double> &known = Memo_Of(axis).SureBound;
    if (!known)
        known = Motor_Real_Sure_Bound(Real_Per_Step(axis));
    return *known;
}

// The acceleration, deceleration and speed limit of a move are the axis's
// own: checked once per axis in a pre-start check of many rows (each row is
// checked whole again when it is loaded, after any change of configuration).
QString TProgramRunner::Check_Profile(int axis) const
{
    if (Memo_On() && Memo_Of(axis).Profile)
        return *Memo_Of(axis).Profile;
    const TAxis_Config &config = g_Axis_Config.at(axis);
    QString why;
    for (double v : {config.Acc, config.Dec, config.Max_V}) {
        why = Check_Value(axis, v);
        if (!why.isEmpty())
            break;
    }
    if (Memo_On())
        Memo_Of(axis).Profile = why;
    return why;
}

QString TProgramRunner::Row_Refusal(int row, const QString &why)
{
    return QStringLiteral("第%1行无法执行：%2").arg(row + 1).arg(why);
}

QString TProgramRunner::Travel_Refusal(int row, const QString &why)
{
    return QStringLiteral("第%1行：%2").arg(row + 1).arg(why);
}

// Later runs of the program begin at the first row; a run that ends where
// it began shows nothing new.
QString TProgramRunner::Check_Travel(int runs, int &row, int firstRow) const
{
    return With_Memo([&] {
        TTravelWalk walk = Travel_Walk();
        return Walk_Runs(walk, 0, runs, row, firstRow);
    });
}

QString TProgramRunner::Walk_Runs(TTravelWalk &walk, int fromRun, int runs, int &row, int firstRow) const
{
    for (int run = fromRun; run < std::max(runs, 1); ++run) {
        walk.Begin_Run();
        for (row = run == 0 ? firstRow : 0; row < m_code->rowCount(); ++row) {
            const TAutoCode &code = m_code->Row(row);
            if (!Check_Row(code).isEmpty())
                continue; // refused for another reason
            const QString why = walk.Step(code);
            if (!why.isEmpty())
                return Travel_Refusal(row, why);
        }
        if (!walk.Run_Moved())
            break;
    }
    row = -1;
    return QString();
}

// A long program is checked in slices of about CheckSliceMs, with the
// window's events in between.
bool TProgramRunner::Check_Rows()
{
    QElapsedTimer slice;
    slice.start();
    const int rows = m_code->rowCount();
    for (;;) {
        if (m_checkRow >= rows) {
            // A further run repeats the walk where the last one ended.
            if (++m_checkRun >= std::max(m_startTotal, 1) || !m_walk->Run_Moved())
                break;
            m_walk->Begin_Run();
            m_checkRow = 0;
        }
        const int row = m_checkRow++;
        const QString why = Check_Row(m_code->Row(row));
        const QString outside = why.isEmpty() ? m_walk->Step(m_code->Row(row)) : QString();
        if (!why.isEmpty() || !outside.isEmpty()) {
            End_Check();
            m_code->SetCurrentRow(row);
            emit Refused(why.isEmpty() ? Travel_Refusal(row, outside) : Row_Refusal(row, why));
            return false;
        }
        if (m_checkRow % 1024 == 0 && m_checkRow < rows && slice.elapsed() >= CheckSliceMs) {
            m_checkSlice->start();
            if (!m_checkWaits) {
                m_checkWaits = true;
                emit StartPending(true);
            }
            return false;
        }
    }
    End_Check();
    Begin_Run();
    return true;
}

void TProgramRunner::Check_Next_Slice()
{
    Guard([this] {
        if (Check_Rows())
            SetState(Running);
    });
}

void TProgramRunner::End_Check()
{
    m_checkRow = -1;
    m_checkSlice->stop();
    if (m_checkWaits) {
        m_checkWaits = false;
        emit StartPending(false);
    }
}

// ---- program timer ---------------------------------------------------------

bool TProgramRunner::Check_Link()
{
    if (!Board_Link_Lost())
        return true;
    if (m_state != Idle) {
        Stop_Program_Timers();
        tmr_AutoStatus->stop();
        emit Log(QStringLiteral("设备无响应，方案在第%1行停止").arg(m_code->CurrentRow() + 1));
        SetState(Idle);
    }
    return false;
}

void TProgramRunner::tmr_AutoTimer()
{
    const TPass pass(this);
    if (!Check_Link())
        return;
    try {
        if (Row_Phase == 0)
            Load_Row();
        else if (Run_Code())
            Next_Row();
    } catch (const EConvertError &e) {
        // A configuration reloaded within the step: it cannot go on.
        Refuse_Row(m_code->CurrentRow(), e.Message());
    } catch (const AxisCommands::ETravelLimit &e) {
        // The limits or the coordinate changed since the start.
        End_Refused(Travel_Refusal(m_code->CurrentRow(), e.Message()));
    }
}

// Runs states while they have nothing to wait for: a state that leaves the
// step as it was waits (a moving axis, a delay), and so does a motion just
// commanded that its first poll did not see ended.
void TProgramRunner::tmr_FastRunTimer()
{
    const TPass marked(this);
    QElapsedTimer pass;
    pass.start();
    try {
        while (m_state == Running && Check_Link()) {
            if (Row_Phase == 0) {
                Load_Row();
                continue;
            }
            const int32_t tag = g_Status_Tag, count = g_Status_Count;
            if (Run_Code())
                Next_Row();
            else if (g_Status_Tag == tag && g_Status_Count == count && m_state == Running) {
                tmr_FastRun->start(Fast_Wait_Ms());
                return;
            }
            if (m_state == Running && pass.elapsed() >= kFastSliceMs) {
                tmr_FastRun->start(0);
                return;
            }
        }
    } catch (const EConvertError &e) {
        Refuse_Row(m_code->CurrentRow(), e.Message());
    } catch (const AxisCommands::ETravelLimit &e) {
        End_Refused(Travel_Refusal(m_code->CurrentRow(), e.Message()));
    }
}

// A delay is waited for to its end; a moving axis is polled.
int TProgramRunner::Fast_Wait_Ms() const
{
    const bool home = g_Code.Action == AutoAction::Home;
    const bool inDelay = g_Status_Tag == (home ? 2 : 3);
    if (!inDelay || g_Code.Delay < 0)
        return kFastPollMs;
    const uint32_t elapsed = uint32_t(Ticks() - g_Status_Delay);
    return elapsed >= uint32_t(g_Code.Delay) ? 0 : int(uint32_t(g_Code.Delay) - elapsed);
}

void TProgramRunner::Refuse_Row(int row, const QString &why)
{
    End_Refused(Row_Refusal(row, why));
}

void TProgramRunner::End_Refused(const QString &text)
{
    emit Log(text);
    Halt();
    emit Refused(text);
}

bool TProgramRunner::Sent(const AxisCommands::TResult &result)
{
    if (result.Ok())
        return true;
    // A call that failed because the board is gone ends the run as a lost
    // board does; the board's state is unknown, so nothing more is sent.
    if (!Check_Link())
        return false;
    End_Refused(QStringLiteral("第%1行：").arg(m_code->CurrentRow() + 1) + result.Text(g_Code.Axis));
    return false;
}

void TProgramRunner::Load_Row()
{
    const int row = m_code->CurrentRow();
    if (row < 0 || row >= m_code->rowCount()) {
        Halt();
        return;
    }
    const TAutoCode &code = m_code->Row(row);
    g_Code.ID = code.ID;
    g_Code.Axis = code.Axis;
    g_Code.Action = code.Action;
    g_Code.Param = code.Param;
    g_Code.Delay = code.Delay;
    g_Code.Count = code.Count;
    // The configuration may have been reloaded since the start.
    const QString why = Check_Row(g_Code);
    if (!why.isEmpty()) {
        Refuse_Row(row, why);
        return;
    }
    Row_Phase = 1;
    g_Status_Count = 0;
    g_Status_Tag = 0;
    g_Status_Delay = 0;
    m_targetKnown = m_flagWasZero = false;
    const bool move = g_Code.Action == AutoAction::Abs || g_Code.Action == AutoAction::Rel;
    m_tolerance = move ? InPos_Tolerance(g_Axis_Config.at(g_Code.ID)) : std::nullopt;
    m_stepTarget.reset();
    m_inPos = TInPosition();
    if (m_fast && (g_Code.Action == AutoAction::Rel)) {
        int32_t position = 0;
        KQ_Get_Axis_Software_P_Now(uint16_t(g_Code.ID), &position);
        m_moveStart = position;
    }
}

void TProgramRunner::Next_Row()
{
    const int row = m_code->CurrentRow();
    if (row + 1 < m_code->rowCount()) {
        m_code->SetCurrentRow(row + 1);
        Row_Phase = 0;
        return;
    }
    ++g_Run_Count;
    emit Log(QStringLiteral("方案执行完成 ") + QString::number(g_Run_Count));
    if (g_Run_Count < g_Total_Count) {
        m_code->SetCurrentRow(0);
        Row_Phase = 0;
    } else {
        Halt();
    }
}

// ---- step executors ------------------------------------------------------------

int32_t TProgramRunner::Poll_Axis(bool &atRest) const
{
    int32_t run = 0;
    const int32_t result = KQ_Get_Axis_Status_Run(uint16_t(g_Code.ID), &run);
    atRest = result == 0 && run == 0;
    return result;
}

bool TProgramRunner::Axis_At_Rest()
{
    bool atRest = false;
    Poll_Axis(atRest);
    return Seen_At_Rest(atRest);
}

// A board may report the run flag some milliseconds after the command: a
// flag of 0 alone does not end a motion that may not have begun.
bool TProgramRunner::Seen_At_Rest(bool flagAtRest)
{
    if (!m_fast)
        return flagAtRest;
    if (!flagAtRest) {
        m_flagWasZero = false;
        return false;
    }
    bool ended = false;
    int32_t position = 0;
    const bool home = g_Code.Action == AutoAction::Home;
    // A home search may start where it ends (at 0): only the second rule.
    if (!home && KQ_Get_Axis_Software_P_Now(uint16_t(g_Code.ID), &position) == 0 && position == Expected_Target()) {
        ended = true;
    } else if (!m_flagWasZero) {
        m_flagWasZero = true;
        m_flagZeroSince = Ticks();
    } else {
        ended = uint32_t(Ticks() - m_flagZeroSince) >= uint32_t(kRestConfirmMs);
    }
    if (ended) {
        m_moveStart = position; // the next repetition of a relative move starts here
        m_targetKnown = m_flagWasZero = false;
    }
    return ended;
}

// In steps: an absolute move's target, a relative move's start plus its
// distance (beyond 32 bits it is never reached, and the second rule ends it).
int64_t TProgramRunner::Expected_Target()
{
    if (!m_targetKnown) {
        const int64_t steps = Checked_Motor_Real_To_Steps(g_Code.ID, g_Code.Param);
        m_target = g_Code.Action == AutoAction::Abs ? steps : m_moveStart + steps;
        m_targetKnown = true;
    }
    return m_target;
}

// After the delay's start has been taken: whatever listens (the run record
// reads the axis's position) counts toward the delay, not on top of it.
void TProgramRunner::Report_Move_Ended()
{
    m_commanded.insert(g_Code.ID, m_stepTarget ? m_stepTarget : Step_Target(g_Code, m_commanded.value(g_Code.ID)));
    emit MoveEnded(g_Code, m_code->CurrentRow(), g_Run_Count + 1, m_inPos);
}

bool TProgramRunner::Delay_Elapsed() const
{
    return g_Code.Delay < 0 || uint32_t(Ticks() - g_Status_Delay) >= uint32_t(g_Code.Delay);
}

bool TProgramRunner::Run_Code()
{
    if (g_Code.Action == AutoAction::Home)
        return Run_Home();
    if (g_Code.Action == AutoAction::Abs)
        return Run_Abs();
    if (g_Code.Action == AutoAction::Rel)
        return Run_Rel();
    if (g_Code.Action == AutoAction::Pause)
        return Run_Pause();
    if (g_Code.Action == AutoAction::Adjust)
        return Run_Adjust();
    return true; // no such action: nothing to do
}

bool TProgramRunner::Run_Abs()
{
    return Run_Move(true);
}

bool TProgramRunner::Run_Rel()
{
    return Run_Move(false);
}

bool TProgramRunner::Run_Move(bool absolute)
{
    const QString &name = g_Code.Axis;
    const QString kind = absolute ? QStringLiteral("绝对定位") : QStringLiteral("相对定位");
    switch (g_Status_Tag) {
    case 0:
        if (!Sent(AxisCommands::Position_Profile(g_Code.ID, AxisCommands::TLoop::Open)))
            return false;
        g_Status_Tag = 1;
        return false;
    case 1:
        if (m_tolerance)
            Plan_Check();
        if (!Sent(AxisCommands::Position_Target(g_Code.ID, AxisCommands::TLoop::Open, absolute, g_Code.Param)))
            return false;
        g_Status_Tag = 2;
        emit Log(name + QStringLiteral(" 开始") + kind);
        return false;
    case 2:
        if (!Axis_At_Rest())
            return false;
        emit Log(name + QLatin1Char(' ') + kind + QStringLiteral("结束"));
        if (m_inPos.Checked)
            Check_In_Position();
        else
            Begin_Delay();
        return false;
    case 4: // a correction under way
        if (Axis_At_Rest())
            Check_In_Position();
        return false;
    default:
        if (!Delay_Elapsed())
            return false;
        emit Log(name + QStringLiteral(" 延时结束"));
        ++g_Status_Count;
        emit Log(name + QStringLiteral(" 完成循环 ") + QString::number(g_Status_Count));
        if (g_Status_Count < g_Code.Count) {
            g_Status_Tag = 1; // the axis stays configured
            return false;
        }
        return true;
    }
}

void TProgramRunner::Begin_Delay()
{
    g_Status_Delay = Ticks();
    Report_Move_Ended();
    g_Status_Tag = 3;
    emit Log(g_Code.Axis + QStringLiteral(" 开始延时"));
}

// Where the repetition about to be commanded should bring the axis.  A
// relative move goes on from where the run last told the axis to go, or,
// for its first command of the run, from where it stands.
void TProgramRunner::Plan_Check()
{
    m_inPos = TInPosition();
    std::optional<double> before = m_commanded.value(g_Code.ID);
    if (!before && g_Code.Action == AutoAction::Rel)
        before = AxisCommands::Position_Now(g_Code.ID, AxisCommands::TLoop::Open);
    m_stepTarget = Step_Target(g_Code, before);
    m_inPos.Checked = m_stepTarget.has_value();
}

// At rest after the move or a correction: in position, out of corrections
// (the step goes on), or corrected once more (state 4 waits for it).
void TProgramRunner::Check_In_Position()
{
    const QString &name = g_Code.Axis;
    const std::optional<double> sensor = AxisCommands::Position_Now(g_Code.ID, AxisCommands::TLoop::Closed);
    m_inPos.Deviation = sensor ? std::optional<double>(Round6(*sensor - *m_stepTarget)) : std::nullopt;
    if (!sensor) {
        emit Log(name + QStringLiteral(" 未能到位，读不到传感器位置"));
        Begin_Delay();
        return;
    }
    const double deviation = *m_inPos.Deviation;
    m_inPos.In_Position = std::fabs(deviation) <= *m_tolerance;
    if (m_inPos.In_Position) {
        Begin_Delay();
        return;
    }
    if (m_inPos.Corrections >= std::max(g_Axis_Config.at(g_Code.ID).InPos_Retry, 0)) {
        emit Log(QStringLiteral("%1 未能到位，偏差 %2").arg(name, FloatToStr(deviation)));
        Begin_Delay();
        return;
    }
    if (!Send_Correction(-deviation))
        return;
    ++m_inPos.Corrections;
    g_Status_Tag = 4;
    emit Log(QStringLiteral("%1 到位修正 %2：偏差 %3").arg(name).arg(m_inPos.Corrections).arg(FloatToStr(deviation)));
}

// A relative move, converted as the step's own values; fast stepping
// expects it to end that many steps on from where the move ended.
bool TProgramRunner::Send_Correction(double distance)
{
    if (!Sent(AxisCommands::Position_Target(g_Code.ID, AxisCommands::TLoop::Open, false, distance)))
        return false;
    m_target = m_moveStart + Checked_Motor_Real_To_Steps(g_Code.ID, distance);
    m_targetKnown = true;
    m_flagWasZero = false;
    return true;
}

bool TProgramRunner::Run_Home()
{
    switch (g_Status_Tag) {
    case 0:
        if (!Sent(AxisCommands::Program_Home(g_Code.ID)))
            return false;
        g_Status_Tag = 1;
        emit Log(g_Code.Axis + QStringLiteral(" 开始归零"));
        return false;
    case 1: {
        bool atRest = false;
        if (Poll_Axis(atRest) == KQ_STATUS_HOME_FAILED) {
            Home_Failed();
            return false;
        }
        if (Seen_At_Rest(atRest)) {
            g_Status_Delay = Ticks();
            g_Status_Tag = 2;
            emit Log(g_Code.Axis + QStringLiteral(" 归零结束"));
            Report_Move_Ended();
        }
        return false;
    }
    default:
        return Delay_Elapsed();
    }
}

// The search ended without finding home (the home switch lies outside the
// travel, or is broken): the board reports it at every poll, so the step
// would wait for ever.  The run ends as "急停" ends it.
void TProgramRunner::Home_Failed()
{
    const int row = m_code->CurrentRow();
    emit Log(g_Code.Axis + QStringLiteral(" 归零失败"));
    Halt();
    emit Refused(QStringLiteral("第%1行：%2 归零失败，未找到原点，方案已停止").arg(row + 1).arg(g_Code.Axis));
}

bool TProgramRunner::Run_Adjust()
{
    if (!Sent(AxisCommands::Set_Position(g_Code.ID, AxisCommands::TLoop::Open, g_Code.Param)))
        return false;
    emit Log(g_Code.Axis + QStringLiteral(" 坐标调整完成"));
    Report_Move_Ended();
    return true;
}

bool TProgramRunner::Run_Pause()
{
    Pause();
    return true;
}
