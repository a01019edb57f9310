#pragma once
// The undo stack of the program table: every edit of the table goes through
// Push, which carries it out; undo and redo take it back and do it again.
#include "program/CodeEdits.h"

#include <QUndoStack>
#include <memory>

class TCodeModel;

class TCodeUndo : public QUndoStack
{
    Q_OBJECT
public:
    // The stack keeps the last this many edits.
    static constexpr int kLimit = 100;

    TCodeUndo(TCodeModel *code, QObject *parent);
    void Push(std::unique_ptr<TCodeEdit> edit);

    // Replaces the whole table by what `make` gives, as one edit.  The table
    // is emptied first, so a `make` that throws leaves it empty, with the
    // old program one undo away.
    template <typename Make>
    void Replace_All(const QString &text, Make make)
    {
        beginMacro(text);
        const struct End { QUndoStack *stack; ~End() { stack->endMacro(); } } end{this};
        Push(Replace_All_Edit({}, text));
        Push(Replace_All_Edit(make(), text));
    }

private:
    TCodeModel *m_code;
};
