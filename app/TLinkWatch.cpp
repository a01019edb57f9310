#include "TLinkWatch.h"

#include "controller/LinkState.h"
#include "controller/TKeepAlive.h"

#include <QLabel>
#include <QTimer>

namespace {
// The library knows the link lost as soon as one call fails; asking is a
// look at a flag, so it is asked often enough to show it at once.
const int kWatchIntervalMs = 100;
const char *const kLostStyle = "QLabel { background-color: #8b0000; color: white; padding: 0 6px; }";
}

TLinkWatch::TLinkWatch(QLabel *pane, QObject *parent)
    : QObject(parent), KeepAlive(new TKeepAlive(this)), m_pane(pane)
{
    tmr_Link = new QTimer(this);
    tmr_Link->setObjectName(QStringLiteral("tmr_Link"));
    tmr_Link->setInterval(kWatchIntervalMs);
    connect(tmr_Link, &QTimer::timeout, this, &TLinkWatch::tmr_LinkTimer);
    tmr_Link->start();
}

void TLinkWatch::tmr_LinkTimer()
{
    if (m_connected && !m_lost && Board_Link_Lost())
        SetLost(true);
}

void TLinkWatch::Connecting()
{
    m_connected = false;
    KeepAlive->Stop();
}

void TLinkWatch::Connected(TLink_Kind kind)
{
    m_connected = true;
    SetLost(false);
    KeepAlive->Start(kind);
}

void TLinkWatch::Disconnected()
{
    m_connected = false;
    KeepAlive->Stop();
}

void TLinkWatch::SetLost(bool lost)
{
    m_pane->setText(lost ? QStringLiteral("设备无响应") : QString());
    m_pane->setStyleSheet(lost ? QString::fromLatin1(kLostStyle) : QString());
    if (lost == m_lost)
        return;
    m_lost = lost;
    emit LostChanged(lost);
}
