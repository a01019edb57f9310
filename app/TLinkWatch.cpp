#include "TLinkWatch.h"

#include "controller/LinkState.h"

#include <QLabel>
#include <QTimer>

TLinkWatch::TLinkWatch(QLabel *pane, QObject *parent) : QObject(parent), m_pane(pane)
{
    tmr_Link = new QTimer(this);
    tmr_Link->setObjectName(QStringLiteral("tmr_Link"));
    tmr_Link->setInterval(500);
    connect(tmr_Link, &QTimer::timeout, this, &TLinkWatch::tmr_LinkTimer);
    tmr_Link->start();
}

void TLinkWatch::tmr_LinkTimer()
{
    if (Board_Link_Lost())
        m_pane->setText(QStringLiteral("设备无响应"));
}

void TLinkWatch::Connected()
{
    m_pane->clear();
}
