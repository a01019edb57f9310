#pragma once
// The emergency halt from the keyboard: Esc and Pause anywhere in the main
// window, on either page, do what the page's own "急停" does.
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

private:
    std::function<void()> m_halt;
};
