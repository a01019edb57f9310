#pragma once
// Keeps velocity moves (constant velocity, jog, back-and-forth) inside the
// travel limits: while such a move runs on an axis with limits, its
// position and speed are read every 20 ms, and it is stopped with its
// deceleration as soon as the distance left to the limit ahead is no more
// than the braking distance v²/(2·dec) plus one poll's travel, so that the
// axis comes to rest inside.  An axis still speeding up is judged at the
// speed it will have by the next poll (it gained as much since the last).
#include <QHash>
#include <QObject>

class QTimer;

class TTravelGuard : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPollMs = 20;

    // Watches a velocity move just started on `axis`: `direction` is the
    // sign of the velocity asked for (0 when not known yet).
    static void Watch(int axis, int direction);
    // Another command took over the axis.
    static void Forget(int axis);
    // The guard, created on first use with the application as its parent;
    // null when there is none.
    static TTravelGuard *Instance();

    bool Watches(int axis) const { return m_axes.contains(axis); }
    // One poll of every watched axis (the timer's handler).
    void tmr_PollTimer();

    QTimer *tmr_Poll;

private:
    explicit TTravelGuard(QObject *parent);
    // False when the axis needs no more watching.
    struct TWatched
    {
        int Direction = 0;  // asked for; 0 when not known
        double Speed = 0;   // at the last poll, mm/s
    };
    bool Poll_Axis(int axis, TWatched &watched);

    QHash<int, TWatched> m_axes;
};
