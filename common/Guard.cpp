#include "Guard.h"

#include <cstdio>

namespace {
// Constant-initialised, so a reporter installed by another file's static
// initialiser is never overwritten.
ExceptionReporter g_reporter = nullptr;
}

void SetExceptionReporter(ExceptionReporter reporter)
{
    g_reporter = reporter;
}

void ShowException(const QString &message)
{
    if (g_reporter)
        g_reporter(message);
    else
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}
