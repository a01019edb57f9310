#pragma once
// The one place where an event (click, timer, mouse press) enters a handler.
// A handler throws; the guard shows the error box and ends that event, so no
// exception ever crosses Qt's own frames.  The error is reported through
// the installed reporter: the forms install the error box; without one (the
// command-line runner) it goes to standard error.  EAbort ends the event
// without a message.
#include "Exceptions.h"
#include <exception>
#include <utility>

using ExceptionReporter = void (*)(const QString &message);
void SetExceptionReporter(ExceptionReporter reporter);
void ShowException(const QString &message);

template <typename F>
bool Guard(F &&handler)
{
    try {
        std::forward<F>(handler)();
        return true;
    } catch (const EAbort &) {
        // ended on purpose: nothing to report
    } catch (const Exception &e) {
        ShowException(e.Message());
    } catch (const std::exception &e) {
        ShowException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowException(QStringLiteral("未知错误"));
    }
    return false;
}
