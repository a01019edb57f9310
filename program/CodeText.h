#pragma once
// Program rows as tab-separated text, for the clipboard: one line a row
// with the six fields of the program file in the same order (ID, caption,
// action, parameter, delay, count), so that rows go to a spreadsheet and
// come back as they were.
#include "AutoCode.h"

#include <QString>
#include <vector>

// A tab inside a caption is written as a space, so that the line keeps its
// six fields.
QString Code_Rows_Text(const std::vector<TAutoCode> &rows);

struct TCodeTextResult
{
    std::vector<TAutoCode> Rows;  // every row of the text, or none
    QString Error;                // "第N行：…" when a line is not a step
    bool Ok() const { return Error.isEmpty(); }
};

// Reads the text as the program file is read (six fields, one of the five
// actions, numbers as the file holds them), but a line that is not a step
// refuses the whole text.  Empty lines at the end are no rows.  More than
// `maxRows` rows are refused too.
TCodeTextResult Read_Code_Rows_Text(const QString &text, qint64 maxRows);
