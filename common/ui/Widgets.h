#pragma once
// Controls are found by their object names (tests, performed clicks), so
// every named control is made through this one helper.
#include <QLatin1String>
#include <utility>

class QWidget;

// A new W built from `args`, named `name`.
template <typename W, typename... Args>
W *Named(const char *name, Args &&...args)
{
    auto *widget = new W(std::forward<Args>(args)...);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// Places a window in the middle of the primary screen's free area.
void Centre_On_Desktop(QWidget *window);
