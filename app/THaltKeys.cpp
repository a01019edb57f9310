#include "THaltKeys.h"

#include "common/Guard.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>
#include <algorithm>
#include <iterator>

namespace {
const Qt::Key kHaltKeys[] = {Qt::Key_Escape, Qt::Key_Pause};

bool IsHaltKey(int key)
{
    return std::find(std::begin(kHaltKeys), std::end(kHaltKeys), key) != std::end(kHaltKeys);
}
}

THaltKeys::THaltKeys(QWidget *window, std::function<void()> halt)
    : QObject(window), m_window(window), m_halt(std::move(halt))
{
    setObjectName(QStringLiteral("HaltKeys"));
    // A key that the focused control does not take passes up to the window.
    window->installEventFilter(this);
}

bool THaltKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window || event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (!IsHaltKey(key->key()))
        return false;
    if (!key->isAutoRepeat())
        Guard(m_halt);
    return true;
}

QString THaltKeys::KeyNames()
{
    QStringList names;
    for (const Qt::Key key : kHaltKeys)
        names << QKeySequence(key).toString(QKeySequence::NativeText);
    return names.join(QStringLiteral(" 或 "));
}
