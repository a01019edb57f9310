#pragma once
// The automatic page's file and undo commands on the main window: the
// enabling of "撤销" and "重做" by the undo stack, the menu of recent
// programs on "打开方案", and the keys Ctrl+S, Ctrl+Shift+S, Ctrl+O, Ctrl+Z
// and Ctrl+Shift+Z, which act as their buttons do while the buttons are
// shown and enabled.
#include <QObject>

class QKeySequence;
class QToolButton;
class QWidget;
class TAutoPage;

class TAutoTools : public QObject
{
    Q_OBJECT
public:
    struct Buttons
    {
        QToolButton *Open, *Save, *SaveAs, *Undo, *Redo, *Run;
    };
    TAutoTools(QWidget *window, TAutoPage *page, const Buttons &buttons);

    // The run state (0 idle, 1 running, 2 paused): files and undo only
    // while idle.
    void Set_State(int state);
    // Without a board "启动" tells why it cannot be used.
    void Show_Board(bool connected);

private:
    void Update_Undo();
    void Add_Key(const QKeySequence &keys, QToolButton *button);

    QWidget *m_window;
    TAutoPage *m_page;
    Buttons m_buttons;
    bool m_idle = true;
};
