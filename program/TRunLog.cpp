#include "TRunLog.h"

#include "RunLog.h"
#include "TProgramRunner.h"
#include "config/AxisConfig.h"
#include "config/ConfigLocation.h"
#include "controller/Conversion.h"
#include "kq_api.h"

#include <QDir>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {

std::optional<double> Finite(double value)
{
    return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

std::optional<double> Read_Motor_Position(int axis)
{
    int32_t steps = 0;
    if (KQ_Get_Axis_Software_P_Now(uint16_t(axis), &steps) != 0)
        return std::nullopt;
    return Finite(Motor_Steps_To_Real(axis, steps));
}

std::optional<double> Read_Sensor_Position(int axis)
{
    int32_t counts = 0;
    if (KQ_Get_Encoder_Pos(uint16_t(axis), &counts) != 0)
        return std::nullopt;
    return Finite(Sensor_Counts_To_Real(axis, counts));
}

} // namespace

TRunLog::TRunLog(std::function<QString()> programName, QObject *parent)
    : QObject(parent)
    , Folder([] { return Runs_Folder(ConfigFileName()); })
    , Now([] { return QDateTime::currentDateTime(); })
    , m_programName(std::move(programName))
    , m_axisCount([] { return 0; })
    , m_sync(new QTimer(this))
{
    m_sync->setSingleShot(true);
    connect(m_sync, &QTimer::timeout, this, &TRunLog::Sync);
}

void TRunLog::Follow(TProgramRunner *runner)
{
    m_axisCount = [runner] { return runner->AxisCount(); };
    connect(runner, &TProgramRunner::RunStarting, this, &TRunLog::Open_Record);
    connect(runner, &TProgramRunner::Log, this, &TRunLog::Add);
    connect(runner, &TProgramRunner::MoveEnded, this, &TRunLog::Record_Point);
    connect(runner, &TProgramRunner::StateChanged, this, [this](int state) {
        if (state == TProgramRunner::Idle)
            Close_Record();
    });
}

void TRunLog::Add(const QString &text)
{
    const QString line = Log_Line(text, Now());
    if (m_record.IsOpen()) {
        if (m_record.Write_Log(line))
            Schedule_Sync();
        else
            Record_Failed();
    }
    emit Line(line, text);
}

// ---- the record of a run ----------------------------------------------------

void TRunLog::Open_Record()
{
    Close_Record();
    m_failed = false;
    m_commanded.clear();
    if (!m_record.Open(Folder(), Now(), m_programName())) {
        Record_Failed();
        return;
    }
    for (int a = 0; a < m_axisCount() && a < g_Axis_Config.size(); ++a)
        m_commanded.insert(a, Read_Motor_Position(a));
}

void TRunLog::Close_Record()
{
    m_sync->stop();
    if (m_record.IsOpen())
        ++m_syncs; // closing syncs
    m_record.Close();
}

// Logged once per run; the line itself is no longer written to the record.
void TRunLog::Record_Failed()
{
    if (m_failed)
        return;
    m_failed = true;
    m_record.Close();
    Add(QStringLiteral("无法写入运行记录：") + QDir::toNativeSeparators(m_record.FailedPath()));
}

// What is written reaches the disk after the event loop's pass, and at most
// once every kSyncMs.
void TRunLog::Schedule_Sync()
{
    if (m_sync->isActive())
        return;
    const qint64 since = m_sinceSync.isValid() ? m_sinceSync.elapsed() : kSyncMs;
    m_sync->start(int(std::max<qint64>(0, kSyncMs - since)));
}

void TRunLog::Sync()
{
    m_record.Sync();
    m_sinceSync.start();
    ++m_syncs;
}

// ---- points -------------------------------------------------------------------

// Where the step told its axis to go.  A relative move goes from where the
// run last told the axis to go, or, for the axis's first command of the
// run, from where it stood at the start.
std::optional<double> TRunLog::Commanded(const TAutoCode &code) const
{
    return Step_Target(code, m_commanded.value(code.ID));
}

void TRunLog::Record_Point(const TAutoCode &code, int row, int run, const TInPosition &inPos)
{
    if (!m_record.IsOpen() || code.ID < 0 || code.ID >= g_Axis_Config.size())
        return;
    TRunPoint point;
    point.Time = Now();
    point.Run = run;
    point.Row = row + 1;
    point.Axis = code.Axis;
    point.Action = code.Action;
    point.Commanded = Commanded(code);
    point.Motor = Read_Motor_Position(code.ID);
    point.Closed_Loop = g_Axis_Config.at(code.ID).Encoder_Has;
    point.Unit = Position_Unit(g_Axis_Config.at(code.ID));
    if (point.Closed_Loop)
        point.Sensor = Read_Sensor_Position(code.ID);
    if (inPos.Checked) {
        point.In_Position = inPos.In_Position;
        point.InPos_Deviation = inPos.Deviation;
    }
    m_commanded.insert(code.ID, point.Commanded);
    if (m_record.Write_Point(point))
        Schedule_Sync();
    else
        Record_Failed();
}
