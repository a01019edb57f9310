#include "TCliSession.h"

#include "program/ProgramAxes.h"

#include "TCliOutput.h"
#include "common/Exceptions.h"
#include "common/FileRead.h"
#include "common/NumberText.h"
#include "config/AxisConfig.h"
#include "controller/ConfigLoad.h"
#include "config/ConfigLocation.h"
#include "controller/LinkState.h"
#include "controller/TKeepAlive.h"
#include "kq_api.h"
#include "program/ProgramAxes.h"
#include "program/ProgramFile.h"
#include "program/StatusRefresh.h"
#include "program/TCodeModel.h"
#include "program/TProgramRunner.h"
#include "program/TRunLog.h"
#include "program/TStatusModel.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>


TCliSession::TCliSession(const TCliOptions &options, TCliOutput &out, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_out(out)
    , m_code(new TCodeModel(this))
    , m_runner(new TProgramRunner(m_code, [this] { return m_axes; }, this))
    , m_status(new TStatusModel(this))
    , m_linkWatch(new QTimer(this))
    , m_keepAlive(new TKeepAlive(this))
{
    m_linkWatch->setInterval(100);
    connect(m_linkWatch, &QTimer::timeout, this, &TCliSession::Watch_Link);
}

TCliSession::~TCliSession()
{
    m_keepAlive->Stop();
    if (m_initialised)
        KQ_DeInit();
}

int TCliSession::Fail(int status, const QString &message)
{
    m_out.Message(message);
    m_out.Result(status, message);
    return status;
}

int32_t TCliSession::Repeat() const
{
    int32_t repeat = 1;
    return TryStrToInt(m_options.RepeatText, repeat) ? repeat : 1;
}

// ---- reading, connecting, loading ---------------------------------------------

int TCliSession::Prepare(bool startupHalt)
{
    ProgramReadResult read;
    try {
        read = ReadProgramFile(m_options.File);
    } catch (const Exception &e) {
        return Fail(Exit_File, e.Message());
    }
    // The window keeps the rows before a line it cannot read; run from a
    // script, a program cut short is refused.
    const QString notice = Early_Stop_Notice(read, qint64(read.Rows.size()));
    if (!notice.isEmpty())
        return Fail(Exit_File, notice);
    if (read.Rows.empty())
        return Fail(Exit_File, QStringLiteral("方案文件中没有步骤：") + m_options.File);
    m_code->SetRows(std::move(read.Rows));
    const QString config = Config_File();
    const QFileInfo configInfo(config);
    if (configInfo.exists() && !configInfo.isFile())
        return Fail(Exit_File, NotRegularFileText(config));
    if (!m_options.Config.isEmpty() && !configInfo.isFile())
        return Fail(Exit_File, QStringLiteral("找不到配置文件：") + config);

    KQ_Init();
    m_initialised = true;
    if (startupHalt)
        m_runner->Halt();
    QString noBoard;
    if (!Connect_Board(m_options.Link, [&noBoard](const QString &why) { noBoard = why; }))
        return Fail(Exit_No_Board, noBoard);
    // A served board lets a silent client go: kept from here to the end,
    // a pause step's wait included.
    m_keepAlive->Start(m_options.Link.Kind);
    QString productId, serial, version;
    TBoard_Resources resources;
    const QString product = Read_Board(productId, serial, version, resources);
    if (m_out.Json())
        m_out.Event(QStringLiteral("board"), product);
    if (resources.HasAxes) {
        m_axes = resources.Axes;
        try {
            Load_Configuration(config, m_axes, resources.Encoders, 0, [this] {
                QStringList captions;
                for (int a = 0; a < m_axes && a < g_Axis_Config.size(); ++a)
                    captions << g_Axis_Config.at(a).Axis_Caption;
                m_status->SetAxes(captions);
            }, [this](const QString &why) { m_out.Message(why); });
        } catch (const Exception &e) {
            return Fail(Exit_File, e.Message());
        }
    }
    return Exit_Ok;
}

// ---- check and estimate ---------------------------------------------------------

int TCliSession::Check()
{
    if (const int status = Prepare(false))
        return status;
    // A program prepared on another set-up runs all the same: a warning.
    const QString captions = Caption_Mismatch_Warning(m_code->Rows(), m_status->Captions());
    if (!captions.isEmpty())
        m_out.Event(QStringLiteral("warning"), captions);
    QString outside;
    int row = -1;
    const int refused = m_runner->Check_Program(Repeat(), [this](int row, const QString &why) {
        m_out.Event(QStringLiteral("refused"), TProgramRunner::Row_Refusal(row, why), row + 1);
    }, outside, row);
    if (!outside.isEmpty())
        m_out.Event(QStringLiteral("refused"), outside, row + 1);
    const int refusedAll = refused + (outside.isEmpty() ? 0 : 1);
    if (refusedAll > 0)
        return Fail(Exit_Refused, QStringLiteral("方案中有 %1 行无法执行").arg(refusedAll));
    const QString text = QStringLiteral("方案可以执行，共 %1 行").arg(m_code->rowCount());
    m_out.Event(QStringLiteral("checked"), text);
    m_out.Result(Exit_Ok, text);
    return Exit_Ok;
}

int TCliSession::Estimate()
{
    if (const int status = Prepare(false))
        return status;
    const TRunPlanner &planner = m_runProgress.Planner();
    m_runProgress.Planner().FastRun = m_options.Fast;
    m_runProgress.Planner().Plan(m_code->Rows(), g_Axis_Config.mid(0, m_axes), Board_Steps(m_axes), Repeat());
    const double seconds = double(planner.TotalMs()) / 1000.0;
    const QString text = Estimate::PlanText(planner);
    QJsonArray pauses;
    for (const TPauseMark &p : planner.Pauses())
        pauses.append(QJsonObject{{QStringLiteral("row"), p.Row + 1},
                                  {QStringLiteral("seconds"), double(p.AtMs) / 1000.0}});
    m_out.Event(QStringLiteral("estimate"), text, 0, 0,
                {{QStringLiteral("seconds"), seconds}, {QStringLiteral("pauses"), pauses}});
    if (!m_out.Json()) {
        m_out.Event(QString(), FloatToStr(seconds));
        const QString where = Estimate::PausesText(planner);
        if (!where.isEmpty())
            m_out.Event(QString(), where);
    }
    m_out.Result(Exit_Ok, text);
    return Exit_Ok;
}

// ---- the run -----------------------------------------------------------------------

int TCliSession::Row() const
{
    return m_code->CurrentRow() + 1;
}

int TCliSession::Run_Number() const
{
    return std::min(m_runner->g_Run_Count + 1, std::max<int32_t>(m_runner->g_Total_Count, 1));
}

QString TCliSession::Config_File() const
{
    return m_options.Config.isEmpty() ? ConfigFileName() : m_options.Config;
}

void TCliSession::Connect_Runner()
{
    // Queued: the write that failed may be inside a runner's signal.
    m_out.OutputClosed = [this] {
        QMetaObject::invokeMethod(this, [this] { Interrupt(SIGPIPE); }, Qt::QueuedConnection);
    };
    // The run's record goes beside the configuration file, as the window's.
    auto *runLog = new TRunLog([this] { return QFileInfo(m_options.File).completeBaseName(); }, this);
    runLog->Folder = [this] { return Runs_Folder(Config_File()); };
    runLog->Follow(m_runner);
    connect(runLog, &TRunLog::Line, this,
            [this](const QString &line, const QString &text) { m_out.Log(line, text, Row(), Run_Number()); });
    connect(m_runner, &TProgramRunner::Refused, this, [this](const QString &text) {
        m_refusal = text;
        QMetaObject::invokeMethod(this, [this] { RunStateChanged(m_runner->RunState()); }, Qt::QueuedConnection);
    });
    // Queued: a refusal during the run is reported after the halt that
    // ends it, and a pause step on the last row is followed by the halt.
    connect(m_runner, &TProgramRunner::StateChanged, this, &TCliSession::RunStateChanged, Qt::QueuedConnection);
    connect(m_runner, &TProgramRunner::StateChanged, this, [this](int state) { m_begun |= m_started && state != TProgramRunner::Idle; });
    connect(m_runner->tmr_AutoStatus, &QTimer::timeout, this, [this] {
        Refresh_Status(*m_status, m_axes);
        Show_Progress();
    });
    connect(m_code, &TCodeModel::CurrentRowChanged, this, [this] {
        m_runProgress.RowChanged();
        Show_Progress();
    });
}

int TCliSession::Run()
{
    Connect_Runner();
    if (const int status = Prepare(true))
        return status;
    m_runProgress.Planner().FastRun = m_options.Fast;
    m_runProgress.Planner().Plan(m_code->Rows(), g_Axis_Config.mid(0, m_axes), Board_Steps(m_axes), Repeat());
    m_runner->FastRun = m_options.Fast;
    m_elapsed.start();
    m_started = true;
    bool started = false;
    try {
        started = m_runner->Start(m_options.RepeatText);
    } catch (const Exception &e) {
        m_refusal = e.Message();
    }
    if (!started && !m_refusal.isEmpty()) {
        m_finished = true;
        return Fail(Exit_Refused, m_refusal);
    }
    // Not started and not refused: the rows are still being checked; the
    // run begins, or is refused, later.
    m_runProgress.Start();
    m_linkWatch->start();
    Show_Progress();
    return Exit_Ok;
}

void TCliSession::RunStateChanged(int)
{
    if (!m_started || m_finished)
        return;
    switch (m_runner->RunState()) {
    case TProgramRunner::Paused:
        if (m_runProgress.Paused())
            return;
        m_runProgress.SetPaused(true);
        m_out.Message(QStringLiteral("方案已暂停：输入一行（回车）继续，标准输入结束则停止"));
        if (!m_stdin) {
            if (::fcntl(STDIN_FILENO, F_GETFD) == -1) {
                Finish(Exit_Pause_Ended, QStringLiteral("方案在暂停处停止：没有标准输入"));
                return;
            }
            m_stdin = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
            connect(m_stdin, &QSocketNotifier::activated, this, &TCliSession::Read_Stdin);
        }
        m_stdin->setEnabled(true);
        Show_Progress();
        return;
    case TProgramRunner::Running:
        m_runProgress.SetPaused(false);
        if (m_stdin)
            m_stdin->setEnabled(false);
        return;
    case TProgramRunner::Idle:
        if (Board_Link_Lost())
            Finish(Exit_Link_Lost, QStringLiteral("设备无响应，运行已停止"));
        else if (!m_begun && m_refusal.isEmpty())
            return; // the start-up halt, or rows still being checked
        else if (m_refusal.isEmpty())
            Finish(Exit_Ok);
        else
            Finish(Exit_Refused, m_refusal);
        return;
    }
}

void TCliSession::Read_Stdin()
{
    char buffer[512];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        Finish(Exit_Pause_Ended, QStringLiteral("方案在暂停处停止：标准输入已结束"));
        return;
    }
    if (!QByteArray::fromRawData(buffer, int(n)).contains('\n') || m_runner->RunState() != TProgramRunner::Paused)
        return;
    m_stdin->setEnabled(false);
    m_runner->Start(m_options.RepeatText);
}

// The runner sees a lost link at its next tick; a paused run has none.
void TCliSession::Watch_Link()
{
    m_runner->Check_Link();
}

void TCliSession::Interrupt(int signal)
{
    if (m_finished)
        return;
    // "急停": every axis at once, whatever the run is doing.
    m_runner->Halt();
    QString why = QStringLiteral("收到终止信号，已急停");
    if (signal == SIGINT)
        why = QStringLiteral("收到 Ctrl+C，已急停");
    else if (signal == SIGHUP)
        why = QStringLiteral("终端已断开，已急停");
    else if (signal == SIGPIPE)
        why = QStringLiteral("标准输出已关闭，已急停");
    Finish(128 + signal, why);
}

void TCliSession::Finish(int status, const QString &message)
{
    if (m_finished)
        return;
    m_finished = true;
    m_linkWatch->stop();
    m_keepAlive->Stop();
    if (m_stdin)
        m_stdin->setEnabled(false);
    if (m_runner->RunState() != TProgramRunner::Idle)
        m_runner->Halt();
    if (!message.isEmpty())
        m_out.Message(message);
    m_out.Result(status, message.isEmpty() ? QStringLiteral("方案执行完成") : message, Row(), Run_Number());
    emit Finished(status);
}

void TCliSession::Show_Progress()
{
    if (!m_started || m_finished)
        return;
    m_runProgress.SetRun(m_runner->g_Run_Count);
    const int row = m_code->CurrentRow();
    QString line = QStringLiteral("第 %1/%2 行  第 %3/%4 次  已用 %5  %6")
                       .arg(row + 1)
                       .arg(m_code->rowCount())
                       .arg(Run_Number())
                       .arg(m_runProgress.Planner().Runs())
                       .arg(Estimate::DurationText(m_elapsed.elapsed()))
                       .arg(m_runProgress.RemainingText(row));
    if (m_runProgress.Paused())
        line += QStringLiteral("  已暂停");
    m_out.Progress(line);
}
