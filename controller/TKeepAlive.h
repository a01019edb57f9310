#pragma once
// Keeps a served board: a board reached over the network or a serial line
// halts its axes and lets its client go when nothing has come from it for
// 2 s (kq_api/PROTOCOL.md).  While connected over such a link, one cheap
// read every half second tells it that the program is still there, whatever
// the program does meanwhile (a paused run, a pause step waiting for its
// line, an idle window).  The in-process board needs none and gets none.
//
// The read is made on the timer's thread, the thread that makes every other
// library call, between two of them, never inside one.
#include "BoardLink.h"

#include <QObject>

class QTimer;

class TKeepAlive : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 500;

    explicit TKeepAlive(QObject *parent = nullptr);

    QTimer *tmr_KeepAlive;

    // A connection over `kind` succeeded: reads start for the network and
    // serial links.
    void Start(TLink_Kind kind);
    // The connection is being replaced, or the library about to be shut
    // down: no more reads.
    void Stop();
    // One read, unless the link is lost; a lost link (found by this read or
    // before it) stops the reads: every call fails at once, there is
    // nothing left to keep.
    void tmr_KeepAliveTimer();
};
