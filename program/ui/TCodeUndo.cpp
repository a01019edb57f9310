#include "TCodeUndo.h"

#include "program/CodeEdits.h"
#include "program/TCodeModel.h"

#include <QUndoCommand>

namespace {

class TCodeCommand : public QUndoCommand
{
public:
    TCodeCommand(TCodeModel *code, std::unique_ptr<TCodeEdit> edit)
        : QUndoCommand(edit->Text()), m_code(code), m_edit(std::move(edit))
    {
    }
    void redo() override { m_edit->Apply(*m_code); }
    void undo() override { m_edit->Revert(*m_code); }

private:
    TCodeModel *m_code;
    std::unique_ptr<TCodeEdit> m_edit;
};

} // namespace

TCodeUndo::TCodeUndo(TCodeModel *code, QObject *parent) : QUndoStack(parent), m_code(code)
{
    setObjectName(QStringLiteral("CodeUndo"));
    setUndoLimit(kLimit);
}

void TCodeUndo::Push(std::unique_ptr<TCodeEdit> edit)
{
    push(new TCodeCommand(m_code, std::move(edit)));
}
