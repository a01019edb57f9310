#pragma once
// A status pane for short notes to the operator ("已保存：…", axes left out
// of a run); a note goes away by itself after a while.
#include <QLabel>

class QTimer;

class TStatusNote : public QLabel
{
    Q_OBJECT
public:
    explicit TStatusNote(QWidget *parent);

    void Show(const QString &text);

    QTimer *tmr_Clear;
};
