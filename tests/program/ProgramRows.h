#pragma once
// Program rows written compactly in the tests, and their comparison.
#include "program/AutoCode.h"
#include "program/ProgramFile.h"

#include <QStringEncoder>
#include <QStringList>
#include <vector>

namespace ProgramRows {

inline TAutoCode Row(int32_t id, const QString &axis, const QString &action, double param, int32_t delay,
                     int32_t count, bool insert = false)
{
    return TAutoCode{insert, id, axis, action, param, delay, count};
}

// "ID,Axis,Action,Param,Delay,Count" per row: the file's own line form,
// easy to read in a failure message.
inline QStringList Lines(const std::vector<TAutoCode> &rows)
{
    QStringList lines;
    const QString text = QString::fromUtf8(WriteProgramText(rows, ProgramEncoding::Utf8));
    for (const QString &line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        lines << line;
    return lines;
}

inline QByteArray Gb(const QString &text)
{
    return QStringEncoder("GB18030").encode(text);
}

} // namespace ProgramRows
