#pragma once
// Long work that touches no window and no board (generating, reading or
// writing a program of millions of rows) runs in a worker thread while the
// window goes on painting and its timers go on firing.  The caller waits
// for it as for an ordinary function call; the operator's input is held
// back meanwhile, and a progress dialog appears once the work has taken
// half a second.
#include <QString>
#include <functional>
#include <optional>

// Runs `work` in a worker thread and returns when it has ended; rethrows
// on the caller's thread what `work` threw.  `text` says what is being done.
void RunInBackground(const QString &text, const std::function<void()> &work);

// The same for work that gives a value.
template <typename T>
T ComputeInBackground(const QString &text, const std::function<T()> &work)
{
    std::optional<T> result;
    RunInBackground(text, [&result, &work] { result.emplace(work()); });
    return std::move(*result);
}
