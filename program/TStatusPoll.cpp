#include "TStatusPoll.h"

#include <QTimer>

TStatusPoll::TStatusPoll(std::function<bool()> wanted, std::function<void()> refresh, QObject *parent)
    : QObject(parent), tmr_StatusPoll(new QTimer(this)), m_wanted(std::move(wanted)), m_refresh(std::move(refresh))
{
    tmr_StatusPoll->setObjectName(QStringLiteral("tmr_StatusPoll"));
    tmr_StatusPoll->setInterval(500);
    connect(tmr_StatusPoll, &QTimer::timeout, this, &TStatusPoll::tmr_StatusPollTimer);
}

void TStatusPoll::tmr_StatusPollTimer()
{
    if (m_wanted())
        m_refresh();
    else
        tmr_StatusPoll->stop();
}

void TStatusPoll::Update(bool soon)
{
    if (!m_wanted()) {
        tmr_StatusPoll->stop();
        return;
    }
    if (!tmr_StatusPoll->isActive())
        tmr_StatusPoll->start();
    if (soon)
        QTimer::singleShot(0, this, [this] {
            if (m_wanted())
                m_refresh();
        });
}
