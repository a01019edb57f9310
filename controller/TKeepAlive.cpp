#include "TKeepAlive.h"

#include "LinkState.h"
#include "kq_api.h"

#include <QTimer>

TKeepAlive::TKeepAlive(QObject *parent) : QObject(parent), tmr_KeepAlive(new QTimer(this))
{
    tmr_KeepAlive->setObjectName(QStringLiteral("tmr_KeepAlive"));
    tmr_KeepAlive->setInterval(kIntervalMs);
    connect(tmr_KeepAlive, &QTimer::timeout, this, &TKeepAlive::tmr_KeepAliveTimer);
}

void TKeepAlive::Start(TLink_Kind kind)
{
    if (kind == TLink_Kind::USB)
        Stop();
    else
        tmr_KeepAlive->start();
}

void TKeepAlive::Stop()
{
    tmr_KeepAlive->stop();
}

void TKeepAlive::tmr_KeepAliveTimer()
{
    // A read that changes nothing on the board; its result tells nothing
    // the next panel poll or run step would not.
    int32_t axes = 0;
    if (!Board_Link_Lost())
        KQ_Get_Axis_Num(&axes);
    if (Board_Link_Lost())
        Stop();
}
