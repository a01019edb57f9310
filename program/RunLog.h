#pragma once
// A line of the run log: "[yyyy-mm-dd hh:nn:ss]" in local time, then the
// text, no space between.  The window's log and the command-line runner's
// output are made of the same lines.
#include <QDateTime>
#include <QString>

QString Log_Line(const QString &text, const QDateTime &when = QDateTime::currentDateTime());
