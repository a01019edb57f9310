#include "THaltKeys.h"

#include "common/Guard.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace {
const Qt::Key kHaltKeys[] = {Qt::Key_Escape, Qt::Key_Pause};
}

THaltKeys::THaltKeys(QWidget *window, std::function<void()> halt)
    : QObject(window), m_halt(std::move(halt))
{
    setObjectName(QStringLiteral("HaltKeys"));
    for (const Qt::Key key : kHaltKeys) {
        auto *shortcut = new QShortcut(QKeySequence(key), window);
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setAutoRepeat(false);
        connect(shortcut, &QShortcut::activated, this, [this] { Guard(m_halt); });
    }
}

QString THaltKeys::KeyNames()
{
    QStringList names;
    for (const Qt::Key key : kHaltKeys)
        names << QKeySequence(key).toString(QKeySequence::NativeText);
    return names.join(QStringLiteral(" 或 "));
}
