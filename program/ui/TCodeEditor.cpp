#include "TCodeEditor.h"

#include "TAutoPage.h"
#include "TCodeUndo.h"
#include "common/Exceptions.h"
#include "common/Guard.h"
#include "common/NumberText.h"
#include "program/CodeText.h"
#include "program/ProgramFile.h"
#include "program/TCodeModel.h"
#include "program/TStatusModel.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <cmath>

TCodeEditor::TCodeEditor(TAutoPage *page) : QObject(page), m_page(page)
{
    setObjectName(QStringLiteral("CodeEditor"));
    connect(page->mem_Code, &TCodeModel::CurrentRowChanged, this, &TCodeEditor::Load_Row);
    connect(page->grid_Code, &QAbstractItemView::doubleClicked, this, &TCodeEditor::Edit_Cell);
    for (QLineEdit *entry : {page->edt_Param, page->edt_Delay, page->edt_Count}) {
        connect(entry, &QLineEdit::returnPressed, this, [this] { Guard([this] { Modify(); }); });
        entry->installEventFilter(this);
    }
    Add_Shortcuts();
}

// ---- the edit panel ------------------------------------------------------------

// The panel shows the row the operator selected; during a run the current
// row is the step being executed and the panel is left alone.
void TCodeEditor::Load_Row(int row)
{
    if (!m_page->IsIdle() || row < 0 || row >= m_page->mem_Code->rowCount())
        return;
    const TAutoCode &code = m_page->mem_Code->Row(row);
    m_page->cbb_Axis->setCurrentIndex(code.ID >= 0 && code.ID < m_page->cbb_Axis->count() ? code.ID : -1);
    m_page->cbb_Action->setCurrentText(code.Action);
    m_page->edt_Param->setText(FloatToStr(code.Param));
    m_page->edt_Delay->setText(QString::number(code.Delay));
    m_page->edt_Count->setText(QString::number(code.Count));
}

void TCodeEditor::Show_Current_Row()
{
    Load_Row(m_page->mem_Code->CurrentRow());
}

// An entry keeps the undo and redo keys for its own text only while it has
// typing to take back; otherwise they undo and redo the program's edits, as
// from the grid: Enter replaces the row, and Ctrl+Z right after takes the
// replacement back.
bool TCodeEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *entry = qobject_cast<QLineEdit *>(watched);
        const auto *key = static_cast<QKeyEvent *>(event);
        if (entry && ((key->matches(QKeySequence::Undo) && !entry->isUndoAvailable())
                      || (key->matches(QKeySequence::Redo) && !entry->isRedoAvailable())))
            return true; // left unaccepted: the window's keys take it
    }
    return QObject::eventFilter(watched, event);
}

// A double-click on a cell loads its row and puts the keyboard in the
// panel's entry of that column; Enter there replaces the row.
void TCodeEditor::Edit_Cell(const QModelIndex &index)
{
    if (!index.isValid() || !m_page->IsIdle())
        return;
    Load_Row(index.row());
    QWidget *entry = nullptr;
    switch (index.column()) {
    case TCodeModel::ColAxis: entry = m_page->cbb_Axis; break;
    case TCodeModel::ColAction: entry = m_page->cbb_Action; break;
    case TCodeModel::ColDelay: entry = m_page->edt_Delay; break;
    case TCodeModel::ColCount: entry = m_page->edt_Count; break;
    default: entry = m_page->edt_Param; break;
    }
    entry->setFocus(Qt::MouseFocusReason);
    if (auto *line = qobject_cast<QLineEdit *>(entry))
        line->selectAll();
}

void TCodeEditor::Modify()
{
    const int row = m_page->mem_Code->CurrentRow();
    if (!m_page->IsIdle() || row < 0)
        return;
    TAutoCode code = m_page->Panel_Code();
    ForceActionValues(code);
    m_page->Undo->Push(Modify_Row_Edit(row, code, QStringLiteral("修改")));
}

// ---- selection, delete and the clipboard ---------------------------------------

std::vector<TRowRange> TCodeEditor::Selected_Ranges() const
{
    std::vector<TRowRange> ranges;
    for (const QItemSelectionRange &range : m_page->grid_Code->selectionModel()->selection())
        ranges.push_back({range.top(), range.height()});
    ranges = Merge_Ranges(std::move(ranges));
    const int current = m_page->mem_Code->CurrentRow();
    if (ranges.empty() && current >= 0)
        ranges.push_back({current, 1});
    return ranges;
}

std::vector<TAutoCode> TCodeEditor::Selected_Rows() const
{
    std::vector<TAutoCode> rows;
    const std::vector<TAutoCode> &all = m_page->mem_Code->Rows();
    for (const TRowRange &range : Selected_Ranges())
        rows.insert(rows.end(), all.begin() + range.First, all.begin() + range.First + range.Count);
    return rows;
}

void TCodeEditor::Delete_Selected()
{
    if (m_page->IsIdle() && !m_page->mem_Code->IsEmpty())
        m_page->Undo->Push(Remove_Rows_Edit(Selected_Ranges(), QStringLiteral("删除")));
}

void TCodeEditor::Copy()
{
    const std::vector<TAutoCode> rows = Selected_Rows();
    if (!rows.empty())
        QGuiApplication::clipboard()->setText(Code_Rows_Text(rows));
}

void TCodeEditor::Cut()
{
    if (!m_page->IsIdle() || m_page->mem_Code->IsEmpty())
        return;
    Copy();
    m_page->Undo->Push(Remove_Rows_Edit(Selected_Ranges(), QStringLiteral("剪切")));
}

void TCodeEditor::Paste()
{
    Paste_Text(QGuiApplication::clipboard()->text());
}

void TCodeEditor::Paste_Text(const QString &text)
{
    if (!m_page->IsIdle())
        return;
    TCodeTextResult read = Read_Code_Rows_Text(text, kMaxProgramRows - m_page->mem_Code->rowCount());
    if (!read.Ok())
        throw Exception(read.Error);
    if (read.Rows.empty())
        return;
    const int count = int(read.Rows.size());
    const int current = m_page->mem_Code->CurrentRow();
    const int at = m_page->chk_Insert->isChecked() && current >= 0 ? current : m_page->mem_Code->rowCount();
    m_page->Undo->Push(Insert_Rows_Edit(at, std::move(read.Rows), QStringLiteral("粘贴")));
    Select_Block(at, count);
}

void TCodeEditor::Select_Block(int first, int count)
{
    QItemSelectionModel *selection = m_page->grid_Code->selectionModel();
    const QModelIndex top = m_page->mem_Code->index(first, TCodeModel::ColAxis);
    const QModelIndex bottom = m_page->mem_Code->index(first + count - 1, TCodeModel::ColAxis);
    selection->select(QItemSelection(top, bottom), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// ---- teaching ------------------------------------------------------------------

QString TCodeEditor::Why_No_Current_Position() const
{
    if (!m_page->IsConnected())
        return QStringLiteral("未连接设备");
    if (m_page->mem_Status->IsStale())
        return QStringLiteral("设备无响应，位置未知");
    if (m_page->cbb_Axis->currentIndex() < 0)
        return QStringLiteral("没有选择运动轴");
    return QString();
}

void TCodeEditor::Insert_Current_Position()
{
    if (!m_page->IsIdle())
        return;
    const QString why = Why_No_Current_Position();
    if (!why.isEmpty())
        throw Exception(why);
    TAutoCode code;
    code.bInsert = m_page->chk_Insert->isChecked();
    code.ID = m_page->cbb_Axis->currentIndex();
    code.Axis = m_page->cbb_Axis->currentText();
    code.Action = AutoAction::Abs;
    // What the status table shows ("0.000000").
    code.Param = std::nearbyint(m_page->mem_Status->Pos(code.ID) * 1e6) / 1e6;
    code.Delay = StrToInt(m_page->edt_Delay->text());
    code.Count = 1;
    m_page->Add_Code(code);
}

// ---- undo, keys and the menu ---------------------------------------------------

void TCodeEditor::Undo()
{
    if (m_page->IsIdle())
        m_page->Undo->undo();
}

void TCodeEditor::Redo()
{
    if (m_page->IsIdle())
        m_page->Undo->redo();
}

QAction *TCodeEditor::Key_Action(const char *name, const QString &text, const QKeySequence &keys,
                                 std::function<void()> run)
{
    QWidget *grid = m_page->grid_Code;
    auto *action = new QAction(text, grid);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
    connect(action, &QAction::triggered, this, [run] { Guard(run); });
    grid->addAction(action);
    return action;
}

// The clipboard keys work on the grid (an entry with the keyboard keeps
// them for its own text).
void TCodeEditor::Add_Shortcuts()
{
    Key_Action("act_CopyCode", QStringLiteral("复制"), QKeySequence::Copy, [this] { Copy(); });
    Key_Action("act_CutCode", QStringLiteral("剪切"), QKeySequence::Cut, [this] { Cut(); });
    Key_Action("act_PasteCode", QStringLiteral("粘贴"), QKeySequence::Paste, [this] { Paste(); });
    Key_Action("act_DeleteCode", QStringLiteral("删除"), QKeySequence::Delete, [this] { m_page->btn_DelCodeClick(); });
    Key_Action("act_InsertPosition", QStringLiteral("插入当前位置"), QKeySequence(),
               [this] { Insert_Current_Position(); });
}

void TCodeEditor::Add_Menu_Entries(QMenu *menu)
{
    for (const char *name : {"act_CopyCode", "act_CutCode", "act_PasteCode", "act_InsertPosition"}) {
        QAction *action = m_page->grid_Code->findChild<QAction *>(QLatin1String(name));
        menu->addAction(action);
    }
    QAction *position = m_page->grid_Code->findChild<QAction *>(QStringLiteral("act_InsertPosition"));
    const QString why = Why_No_Current_Position();
    position->setEnabled(why.isEmpty());
    position->setToolTip(why);
}
