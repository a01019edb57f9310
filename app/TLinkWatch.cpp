#include "TLinkWatch.h"

#include "kq_api.h"

#include <QLabel>
#include <QTimer>

// The link state is an addition of our library; with a library that lacks
// it, nothing is shown.
#pragma weak KQ_Link_Lost

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
    if (KQ_Link_Lost && KQ_Link_Lost() != 0)
        m_pane->setText(QStringLiteral("设备无响应"));
}

void TLinkWatch::Connected()
{
    m_pane->clear();
}
