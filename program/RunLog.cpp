#include "RunLog.h"

QString Log_Line(const QString &text, const QDateTime &when)
{
    return QLatin1Char('[') + when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + QLatin1Char(']') + text;
}
