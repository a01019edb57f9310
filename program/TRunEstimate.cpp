#include "TRunEstimate.h"

#include "TCodeModel.h"
#include "TPreviewPanel.h"
#include "TProgramRunner.h"
#include "TStatusModel.h"
#include "common/NumberText.h"

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
    connect(code, &TCodeModel::CurrentRowChanged, this, &TRunEstimate::CurrentRowChanged);
    Plan();
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
    connect(runner->tmr_AutoStatus, &QTimer::timeout, this, [this, runner, status] {
        std::vector<double> measured;
        for (int a = 0; a < status->AxisCount(); ++a)
            measured.push_back(status->Pos(a));
        RunProgress(runner->g_Run_Count, measured);
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

void TRunEstimate::Replan(bool now)
{
    if (m_running)
        return; // RunEnded plans again
    if (now) {
        m_replan->stop();
        Plan();
    } else {
        m_replan->start();
    }
}

std::vector<double> TRunEstimate::StartSteps() const
{
    return m_startSteps ? m_startSteps() : std::vector<double>();
}

void TRunEstimate::Plan()
{
    int32_t repeat = 1;
    if (!TryStrToInt(m_repeatText(), repeat))
        repeat = 1; // the run refuses such a text; one run is shown meanwhile
    m_plannedStart = StartSteps();
    m_planner.Plan(m_code->Rows(), m_axes, m_plannedStart, repeat);
    m_preview->SetProgram(m_code->Rows(), m_axes, m_plannedStart);
    ShowEstimate();
}

void TRunEstimate::ShowEstimate()
{
    m_label->setText(Estimate::PlanText(m_planner));
    m_label->setToolTip(Estimate::PausesText(m_planner));
}

void TRunEstimate::CurrentRowChanged()
{
    m_rowClock.RowChanged();
}

// Plans again only when the axes have moved since the last plan (or a plan
// is due): a long program's plan would hold up the run's first tick.
void TRunEstimate::RunStarted()
{
    if (m_replan->isActive() || StartSteps() != m_plannedStart) {
        m_replan->stop();
        Plan();
    }
    m_running = true;
    m_rowClock.SetPaused(false);
    m_run = 0;
    CurrentRowChanged();
    m_label->setText(Estimate::RemainingText(m_planner.TotalMs()));
}

void TRunEstimate::RunPaused(bool paused)
{
    m_rowClock.SetPaused(paused);
}

void TRunEstimate::RunProgress(int32_t run, const std::vector<double> &measured)
{
    if (!m_running)
        return;
    if (run != m_run) { // a one-row program keeps its row from run to run
        m_run = run;
        CurrentRowChanged();
    }
    const int row = m_code->CurrentRow();
    m_label->setText(Estimate::RemainingText(m_planner.RemainingMs(run, row, m_rowClock.MsIntoRow())));
    m_preview->SetRunState(row, measured);
}

void TRunEstimate::RunEnded()
{
    if (!m_running)
        return;
    m_running = false;
    m_rowClock.SetPaused(false);
    m_preview->SetRunState(-1, {});
    Replan(true); // the axes now stand elsewhere, and changes may have waited
}
