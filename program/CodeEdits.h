#pragma once
// The edits of the program table that the operator can take back: each
// edit knows how to carry itself out on the table and how to undo that.
// An edit holds only what is not in the table at the time (the removed
// rows, the replaced row, the program a new one replaced), so that taking
// back the replacement of ten million rows keeps one copy of them.
#include "AutoCode.h"

#include <QString>
#include <memory>
#include <vector>

class TCodeModel;

// The ranges in row order, overlapping or touching ones joined, empty ones
// dropped.
std::vector<TRowRange> Merge_Ranges(std::vector<TRowRange> ranges);

class TCodeEdit
{
public:
    explicit TCodeEdit(QString text) : m_text(std::move(text)) {}
    virtual ~TCodeEdit() = default;
    TCodeEdit(const TCodeEdit &) = delete;
    TCodeEdit &operator=(const TCodeEdit &) = delete;

    // Carries the edit out (again); Revert takes it back.  They alternate,
    // starting with Apply.
    virtual void Apply(TCodeModel &code) = 0;
    virtual void Revert(TCodeModel &code) = 0;
    // What the edit did, for the operator ("删除").
    const QString &Text() const { return m_text; }

private:
    QString m_text;
};

// `rows` inserted before `row` (appended when row is outside the table).
std::unique_ptr<TCodeEdit> Insert_Rows_Edit(int row, std::vector<TAutoCode> rows, const QString &text);
// The rows of `ranges` removed.
std::unique_ptr<TCodeEdit> Remove_Rows_Edit(std::vector<TRowRange> ranges, const QString &text);
// Row `row` given the values of `code` (taken as they are).
std::unique_ptr<TCodeEdit> Modify_Row_Edit(int row, TAutoCode code, const QString &text);
// The whole table replaced by `rows` (fitted already, see TCodeModel).
std::unique_ptr<TCodeEdit> Replace_All_Edit(std::vector<TAutoCode> rows, const QString &text);

// Frees rows, in a worker when there are so many that freeing them would
// hold up the window.
void Release_Rows(std::vector<TAutoCode> rows);
