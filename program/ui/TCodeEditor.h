#pragma once
// The editing of existing program rows on the automatic page: the selected
// row shown in the edit panel, "修改", deleting the selected rows, the
// clipboard (tab-separated text, see CodeText.h), undo and redo, and
// "插入当前位置".  Every change goes through the page's undo stack.
#include "program/CodeEdits.h"

#include <QObject>
#include <functional>

class QAction;
class QMenu;
class QKeySequence;
class QModelIndex;
class TAutoPage;

class TCodeEditor : public QObject
{
    Q_OBJECT
public:
    explicit TCodeEditor(TAutoPage *page);

    // The grid's selection as row ranges: the current row alone when no
    // row is selected, none on an empty table.
    std::vector<TRowRange> Selected_Ranges() const;

    void Modify();
    void Delete_Selected();
    void Copy();
    void Cut();
    // A bad line refuses the whole paste with "第N行：…" (thrown).
    void Paste();
    void Paste_Text(const QString &text);
    // A "绝对定位" row for the axis of the edit panel at the position the
    // status table shows for it.  Refused while the board is not there.
    void Insert_Current_Position();
    // Why "插入当前位置" cannot be used now; empty when it can.
    QString Why_No_Current_Position() const;

    void Undo();
    void Redo();

    // Loads the table's current row into the edit panel (after a run).
    void Show_Current_Row();

    // The entries of the clipboard and teaching, for the grid's menu.
    void Add_Menu_Entries(QMenu *menu);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Load_Row(int row);
    void Edit_Cell(const QModelIndex &index);
    void Add_Shortcuts();
    std::vector<TAutoCode> Selected_Rows() const;
    void Select_Block(int first, int count);
    QAction *Key_Action(const char *name, const QString &text, const QKeySequence &keys,
                        std::function<void()> run);

    TAutoPage *m_page;
};
