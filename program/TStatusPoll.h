#pragma once
// Keeps the status table of the automatic page fresh while no program runs
// (a run refreshes it with its own timer): every 500 ms while the page is
// shown and a board is connected, so that the table, the estimate and the
// preview's start show where the axes stand.
#include <QObject>
#include <functional>

class QTimer;

class TStatusPoll : public QObject
{
    Q_OBJECT
public:
    // `wanted` tells whether polling is wanted now; `refresh` reads the
    // positions into the table.
    TStatusPoll(std::function<bool()> wanted, std::function<void()> refresh, QObject *parent = nullptr);

    QTimer *tmr_StatusPoll;
    // One tick: refreshes, or stops the timer when polling is not wanted.
    void tmr_StatusPollTimer();

    // Starts or stops polling as `wanted` says.  `soon`: a start refreshes
    // once the caller's handler has ended, without waiting 500 ms.
    void Update(bool soon = false);

private:
    std::function<bool()> m_wanted;
    std::function<void()> m_refresh;
};
