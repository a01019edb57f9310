#pragma once
// SIGINT, SIGTERM and SIGHUP (the terminal closed) for a program that may
// drive axes: the handler only notes the signal and wakes the event loop,
// which halts the axes.  The handler stays installed, so a second Ctrl+C
// cannot end the process before the halt.
#include <QObject>
#include <csignal>

class QSocketNotifier;

class TStopSignals : public QObject
{
    Q_OBJECT
public:
    explicit TStopSignals(QObject *parent = nullptr);
    ~TStopSignals() override;

    // The first signal received, 0 while none was.
    static int Received();

signals:
    // Emitted once, for the first signal.
    void Stop(int signal);

private:
    void Wake();

    QSocketNotifier *m_notifier = nullptr;
    bool m_emitted = false;
};
