#include "TStatusNote.h"

#include <QTimer>

namespace {
const int kShownMs = 10000;
}

TStatusNote::TStatusNote(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("msg_Note"));
    setTextFormat(Qt::PlainText); // file names, axis captions
    tmr_Clear = new QTimer(this);
    tmr_Clear->setSingleShot(true);
    tmr_Clear->setInterval(kShownMs);
    connect(tmr_Clear, &QTimer::timeout, this, &QLabel::clear);
}

void TStatusNote::Show(const QString &text)
{
    setText(text);
    tmr_Clear->start();
}
