#include "TravelGuard.h"

#include "AxisCommands.h"
#include "Conversion.h"
#include "LinkState.h"
#include "config/AxisConfig.h"
#include "kq_api.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <optional>

TTravelGuard::TTravelGuard(QObject *parent)
    : QObject(parent)
    , tmr_Poll(new QTimer(this))
{
    tmr_Poll->setObjectName(QStringLiteral("tmr_TravelGuard"));
    tmr_Poll->setInterval(kPollMs);
    tmr_Poll->setTimerType(Qt::PreciseTimer);
    connect(tmr_Poll, &QTimer::timeout, this, &TTravelGuard::tmr_PollTimer);
}

TTravelGuard *TTravelGuard::Instance()
{
    static QPointer<TTravelGuard> guard;
    if (!guard && QCoreApplication::instance())
        guard = new TTravelGuard(QCoreApplication::instance());
    return guard;
}

void TTravelGuard::Watch(int axis, int direction)
{
    TTravelGuard *guard = Instance();
    if (!guard)
        return;
    TWatched &watched = guard->m_axes[axis];
    watched = TWatched{direction, 0};
    // A move started at the limit already stops at once.
    if (!guard->Poll_Axis(axis, watched))
        guard->m_axes.remove(axis);
    if (!guard->m_axes.isEmpty() && !guard->tmr_Poll->isActive())
        guard->tmr_Poll->start();
}

void TTravelGuard::Forget(int axis)
{
    if (TTravelGuard *guard = Instance())
        guard->m_axes.remove(axis);
}

void TTravelGuard::tmr_PollTimer()
{
    for (auto it = m_axes.begin(); it != m_axes.end();) {
        if (Poll_Axis(it.key(), it.value()))
            ++it;
        else
            it = m_axes.erase(it);
    }
    if (m_axes.isEmpty())
        tmr_Poll->stop();
}

bool TTravelGuard::Poll_Axis(int axis, TWatched &watched)
{
    if (Board_Link_Lost() || axis >= g_Axis_Config.size())
        return false;
    const uint16_t a = uint16_t(axis);
    int32_t running = 0, steps = 0, speedSteps = 0;
    if (KQ_Get_Axis_Status_Run(a, &running) == 0 && running == 0)
        return false; // at rest: stopped, halted or at a limit switch
    if (KQ_Get_Axis_Software_P_Now(a, &steps) != 0 || KQ_Get_Axis_V_Now(a, &speedSteps) != 0)
        return true; // asked again at the next poll
    const double position = Motor_Steps_To_Real(axis, steps);
    const double speed = Motor_Steps_To_Real(axis, speedSteps);
    if (!std::isfinite(position) || !std::isfinite(speed))
        return true;
    const int ahead = speed > 0 ? 1 : speed < 0 ? -1 : watched.Direction;
    const double now = std::abs(speed);
    const double next = now + std::max(0.0, now - watched.Speed);
    watched.Speed = now;
    const AxisCommands::TTravel travel = AxisCommands::Travel(axis);
    std::optional<double> left;
    if (ahead > 0 && travel.Max)
        left = *travel.Max - position;
    else if (ahead < 0 && travel.Min)
        left = position - *travel.Min;
    if (!left)
        return true;
    const double dec = std::abs(g_Axis_Config.at(axis).Dec);
    const double braking = dec > 0 ? next * next / (2 * dec) : 0;
    if (*left > braking + (now + next) / 2 * kPollMs / 1000.0)
        return true;
    KQ_Set_Axis_Velocity_Stop(a);
    return false;
}
