#pragma once
// Tells the operator, in a status pane, that the board no longer answers:
// after a lost network or serial link every board call fails at once and
// the panels would otherwise keep their last readouts and look alive.
#include <QObject>

class QLabel;
class QTimer;

class TLinkWatch : public QObject
{
    Q_OBJECT
public:
    TLinkWatch(QLabel *pane, QObject *parent);

    QTimer *tmr_Link;

    // Shows "设备无响应", white on dark red, once the library reports the
    // link lost.
    void tmr_LinkTimer();
    // A connection succeeded: the pane is cleared.
    void Connected();
    bool IsLost() const { return m_lost; }

signals:
    // The board was found lost (true) or a connection succeeded after it
    // had been (false).
    void LostChanged(bool lost);

private:
    void SetLost(bool lost);

    QLabel *m_pane;
    bool m_lost = false;
};
