#pragma once
// Tells the operator, in a status pane, that the board no longer answers:
// after a lost network or serial link every board call fails at once and
// the panels would otherwise keep their last readouts and look alive.
// It watches only a connection that was made, and keeps it alive meanwhile
// (TKeepAlive).
#include "controller/BoardLink.h"

#include <QObject>

class QLabel;
class QTimer;
class TKeepAlive;

class TLinkWatch : public QObject
{
    Q_OBJECT
public:
    TLinkWatch(QLabel *pane, QObject *parent);

    QTimer *tmr_Link;
    TKeepAlive *KeepAlive;

    // Shows "设备无响应", white on dark red, once the library reports the
    // link of a connection lost.
    void tmr_LinkTimer();
    // A connection attempt begins: what it opens and closes is no lost
    // board (a busy board loses its link before it is refused).  The pane
    // keeps what it shows.
    void Connecting();
    // A connection over `kind` succeeded: the pane is cleared, the link
    // watched and kept alive.
    void Connected(TLink_Kind kind);
    // The library is about to be shut down.
    void Disconnected();
    bool IsLost() const { return m_lost; }

signals:
    // The board was found lost (true) or a connection succeeded after it
    // had been (false).
    void LostChanged(bool lost);

private:
    void SetLost(bool lost);

    QLabel *m_pane;
    bool m_connected = false;
    bool m_lost = false;
};
