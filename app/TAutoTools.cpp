#include "TAutoTools.h"

#include "program/ui/TAutoPage.h"
#include "program/ui/TCodeUndo.h"
#include "program/ui/TRecentMenu.h"

#include <QShortcut>
#include <QToolButton>

TAutoTools::TAutoTools(QWidget *window, TAutoPage *page, const Buttons &buttons)
    : QObject(window), m_window(window), m_page(page), m_buttons(buttons)
{
    setObjectName(QStringLiteral("AutoTools"));
    m_buttons.Open->setMenu(page->RecentMenu);
    m_buttons.Open->setPopupMode(QToolButton::MenuButtonPopup);
    // The buttons receive: they may go before the stack when the window closes.
    connect(page->Undo, &QUndoStack::canUndoChanged, m_buttons.Undo, [this] { Update_Undo(); });
    connect(page->Undo, &QUndoStack::canRedoChanged, m_buttons.Redo, [this] { Update_Undo(); });
    Add_Key(QKeySequence(Qt::CTRL | Qt::Key_S), m_buttons.Save);
    Add_Key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), m_buttons.SaveAs);
    Add_Key(QKeySequence(Qt::CTRL | Qt::Key_O), m_buttons.Open);
    Add_Key(QKeySequence(Qt::CTRL | Qt::Key_Z), m_buttons.Undo);
    Add_Key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), m_buttons.Redo);
    Update_Undo();
}

// A key presses its button, so that it does exactly what the button does
// and nothing while the button cannot be used.
void TAutoTools::Add_Key(const QKeySequence &keys, QToolButton *button)
{
    auto *shortcut = new QShortcut(keys, m_window);
    connect(shortcut, &QShortcut::activated, button, [button] {
        if (button->isVisible() && button->isEnabled())
            button->click();
    });
}

void TAutoTools::Set_State(int state)
{
    m_idle = state == 0;
    m_buttons.SaveAs->setEnabled(m_idle);
    Update_Undo();
}

void TAutoTools::Show_Board(bool connected)
{
    QToolButton *run = m_buttons.Run;
    // The button's own tip is kept for when a board is there again.
    if (!run->property("boardTip").isValid())
        run->setProperty("boardTip", run->toolTip());
    run->setToolTip(connected ? run->property("boardTip").toString() : QStringLiteral("未连接设备"));
}

void TAutoTools::Update_Undo()
{
    m_buttons.Undo->setEnabled(m_idle && m_page->Undo->canUndo());
    m_buttons.Redo->setEnabled(m_idle && m_page->Undo->canRedo());
}
