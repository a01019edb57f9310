#pragma once
// The emergency halt from the keyboard: Esc and Pause in the main window, on
// either page, do what the page's own "急停" does.  The keys go first to an
// open drop-down list, menu or dialog, as everywhere else: only a key that
// nothing in the window took reaches the window and halts.
#include <QObject>
#include <QString>
#include <functional>

class QWidget;

class THaltKeys : public QObject
{
    Q_OBJECT
public:
    // `halt` is the current page's halt; it runs through the guard.
    THaltKeys(QWidget *window, std::function<void()> halt);

    // The keys as an operator reads them in a tooltip: "Esc 或 Pause".
    static QString KeyNames();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    std::function<void()> m_halt;
};
