#include "Widgets.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void Centre_On_Desktop(QWidget *window)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}
