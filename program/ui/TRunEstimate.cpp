#include "TRunEstimate.h"

#include "program/TCodeModel.h"
#include "TPreviewPanel.h"
#include "program/TProgramRunner.h"
#include "program/TStatusModel.h"
#include "common/NumberText.h"
#include "controller/AxisCommands.h"

#include <QLabel>
#include <QTimer>

TRunEstimate::TRunEstimate(TCodeModel *code, QLabel *label, TPreviewPanel *preview,
                           std::function<QString()> repeatText, QObject *parent)
    : QObject(parent), m_code(code), m_label(label), m_preview(preview), m_repeatText(std::move(repeatText)),
      m_replan(new QTimer(this))
{
    m_label->setTextFormat(Qt::PlainText);
    m_replan->setSingleShot(true);
    m_replan->setInterval(0);
    connect(m_replan, &QTimer::timeout, this, &TRunEstimate::Plan);
    const auto replan = [this] { Replan(); };
    connect(code, &QAbstractItemModel::modelReset, this, replan);
    connect(code, &QAbstractItemModel::layoutChanged, this, replan);
    connect(code, &QAbstractItemModel::rowsInserted, this, replan);
    connect(code, &QAbstractItemModel::rowsRemoved, this, replan);
    connect(code, &QAbstractItemModel::dataChanged, this, replan);
    // The worker reads the table's rows: it ends before they change.
    const auto stop = [this] { StopWorker(); };
    connect(code, &QAbstractItemModel::modelAboutToBeReset, this, stop);
    connect(code, &QAbstractItemModel::layoutAboutToBeChanged, this, stop);
    connect(code, &QAbstractItemModel::rowsAboutToBeInserted, this, stop);
    connect(code, &QAbstractItemModel::rowsAboutToBeRemoved, this, stop);
    connect(code, &TCodeModel::Destroying, this, stop);
    connect(code, &TCodeModel::CurrentRowChanged, this, &TRunEstimate::CurrentRowChanged);
    connect(preview, &TPreviewPanel::AxisPairChanged, this, replan);
    Plan();
}

TRunEstimate::~TRunEstimate()
{
    StopWorker();
}

void TRunEstimate::Follow(TProgramRunner *runner, const TStatusModel *status)
{
    connect(runner, &TProgramRunner::StateChanged, this, [this](int state) {
        if (state == TProgramRunner::Idle)
            RunEnded();
        else if (m_state == TProgramRunner::Idle)
            RunStarted();
        RunPaused(state == TProgramRunner::Paused);
        m_state = state;
    });
    connect(status, &TStatusModel::Refreshed, this, [this, runner, status] {
        if (m_progress.Running()) {
            std::vector<double> measured;
            for (int a = 0; a < status->AxisCount(); ++a)
                measured.push_back(status->Pos(a));
            RunProgress(runner->g_Run_Count, measured);
        } else if (StartMoved()) {
            Replan();
        }
    });
}

void TRunEstimate::SetStartSource(std::function<std::vector<double>()> startSteps)
{
    m_startSteps = std::move(startSteps);
    Replan();
}

void TRunEstimate::SetAxes(const QVector<TAxis_Config> &axes)
{
    m_axes = axes;
    Replan();
}

void TRunEstimate::SetFastRun(bool fast)
{
    if (fast == m_fast)
        return;
    m_fast = fast;
    Replan();
}

void TRunEstimate::Replan(bool now)
{
    if (m_progress.Running())
        return; // RunEnded plans again
    if (now) {
        Plan();
    } else {
        m_replan->start();
    }
}

std::vector<double> TRunEstimate::StartSteps() const
{
    return m_startSteps ? m_startSteps() : std::vector<double>();
}

std::vector<double> TRunEstimate::StartShifts() const
{
    std::vector<double> shifts;
    for (int a = 0; a < m_axes.size(); ++a)
        shifts.push_back(AxisCommands::Travel_Shift(a));
    return shifts;
}

bool TRunEstimate::StartMoved() const
{
    return StartSteps() != m_plannedStart || StartShifts() != m_plannedShifts;
}

bool TRunEstimate::Build(Result &result, const std::vector<TAutoCode> &rows, const QVector<TAxis_Config> &axes,
                         const std::vector<double> &start, const std::vector<double> &shifts, int32_t repeat,
                         bool fast, std::pair<int, int> pair, const std::atomic_bool *cancel)
{
    result.Planner.FastRun = fast;
    if (!result.Planner.Plan(rows, axes, start, repeat, cancel)
        || !result.Path.Build(rows, axes, start, pair.first, pair.second, cancel, shifts))
        return false;
    result.Outline = result.Path.Outline(cancel);
    return !(cancel && cancel->load());
}

// A short program is planned here and now; a long one in the worker, with
// "计算中…" shown until it is ready.
void TRunEstimate::Plan()
{
    m_replan->stop();
    StopWorker();
    int32_t repeat = 1;
    if (!TryStrToInt(m_repeatText(), repeat))
        repeat = 1; // the run refuses such a text; one run is shown meanwhile
    m_plannedStart = StartSteps();
    m_plannedShifts = StartShifts();
    m_preview->SetAxes(m_axes);
    const std::pair<int, int> pair(m_preview->AxisX(), m_preview->AxisY());
    const std::vector<TAutoCode> &rows = m_code->Rows();
    if (rows.size() <= InlineRowLimit) {
        auto result = std::make_unique<Result>();
        Build(*result, rows, m_axes, m_plannedStart, m_plannedShifts, repeat, m_fast, pair, nullptr);
        Show(*result);
        Discard(std::move(result));
        return;
    }
    const uint64_t generation = ++m_generation;
    m_planning = true;
    m_result = std::make_unique<Result>();
    m_worker = std::thread([this, &rows, axes = m_axes, start = m_plannedStart, shifts = m_plannedShifts, repeat,
                            fast = m_fast, pair, generation, spent = std::move(m_spent)]() mutable {
        // Nothing thrown here may reach std::terminate: it is reported on
        // the window's thread instead.
        try {
            spent.clear();
            if (BeforeWorkerPlan)
                BeforeWorkerPlan();
            if (Build(*m_result, rows, axes, start, shifts, repeat, fast, pair, &m_cancel)) {
                QMetaObject::invokeMethod(this, [this, generation] { TakeResult(generation); },
                                          Qt::QueuedConnection);
                return;
            }
            m_result.reset(); // cancelled: freed here, not by the window
        } catch (const std::exception &e) {
            m_result.reset();
            const QString why = QString::fromLocal8Bit(e.what());
            QMetaObject::invokeMethod(this, [this, generation, why] { PlanFailed(generation, why); },
                                      Qt::QueuedConnection);
        } catch (...) {
            m_result.reset();
            QMetaObject::invokeMethod(this, [this, generation] { PlanFailed(generation, QString()); },
                                      Qt::QueuedConnection);
        }
    });
    m_spent.clear(); // moved from
    m_preview->SetPathPending();
    m_label->setText(m_progress.Running() ? Estimate::RemainingPlanningText() : Estimate::PlanningText());
    m_label->setToolTip(QString());
}

// Cancels the plan under way and waits for the worker: it looks at the
// cancel flag every few thousand rows.
void TRunEstimate::StopWorker()
{
    if (!m_worker.joinable())
        return;
    m_cancel = true;
    m_worker.join();
    m_cancel = false;
    m_planning = false;
    Discard(std::move(m_result)); // ready but not yet shown
}

void TRunEstimate::WaitForPlan()
{
    if (!m_planning)
        return;
    m_worker.join();
    if (m_result)
        TakeResult(m_generation);
    // else it failed: its report is on its way
}

void TRunEstimate::TakeResult(uint64_t generation)
{
    if (generation != m_generation || !m_planning)
        return; // a plan since cancelled, or already taken
    if (m_worker.joinable())
        m_worker.join(); // it has finished its work
    m_planning = false;
    Show(*m_result);
    Discard(std::move(m_result));
}

// The label says that the plan could not be made (the tooltip why); the
// preview shows no path rather than another table's.
void TRunEstimate::PlanFailed(uint64_t generation, const QString &why)
{
    if (generation != m_generation)
        return;
    if (m_worker.joinable())
        m_worker.join();
    m_planning = false;
    TPreviewPath none, noOutline;
    m_preview->SwapPath(none, noOutline);
    m_label->setText(Estimate::PlanFailedText());
    m_label->setToolTip(why);
}

// A plan of a long program is freed by the next worker (at most one or two
// wait: each worker frees those before it); a short one here and now.
void TRunEstimate::Discard(std::unique_ptr<Result> spent)
{
    if (spent && spent->Path.Points().size() > InlineRowLimit)
        m_spent.push_back(std::move(spent));
}

void TRunEstimate::Show(Result &result)
{
    std::swap(m_progress.Planner(), result.Planner);
    m_preview->SwapPath(result.Path, result.Outline);
    if (m_progress.Running())
        ShowRemaining();
    else
        ShowEstimate();
}

void TRunEstimate::ShowEstimate()
{
    m_label->setText(Estimate::PlanText(Planner()));
    m_label->setToolTip(Estimate::PausesText(Planner()));
}

void TRunEstimate::CurrentRowChanged()
{
    m_progress.RowChanged();
}

// Plans again only when the axes have moved since the last plan (or a plan
// is due); a long program's plan goes on in the worker while the run starts.
void TRunEstimate::RunStarted()
{
    m_progress.Start();
    if (m_readPositions)
        m_readPositions();
    if (m_replan->isActive() || m_planning || StartMoved())
        Plan();
    if (!m_planning)
        m_label->setText(Estimate::RemainingText(Planner().TotalMs()));
}

void TRunEstimate::RunPaused(bool paused)
{
    m_progress.SetPaused(paused);
}

void TRunEstimate::RunProgress(int32_t run, const std::vector<double> &measured)
{
    if (!m_progress.Running())
        return;
    m_progress.SetRun(run);
    m_preview->SetRunState(m_code->CurrentRow(), measured);
    ShowRemaining();
}

void TRunEstimate::ShowRemaining()
{
    m_label->setText(m_planning ? Estimate::RemainingPlanningText() : m_progress.RemainingText(m_code->CurrentRow()));
}

void TRunEstimate::RunEnded()
{
    if (!m_progress.Running())
        return;
    m_progress.End();
    m_preview->SetRunState(-1, {});
    if (m_readPositions)
        m_readPositions(); // where the axes stopped: the next plan starts there
    Plan(); // changes may have waited for the end of the run
}
