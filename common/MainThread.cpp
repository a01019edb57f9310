#include "MainThread.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

// Shared by the asking thread and the main thread's event: whichever comes
// first decides whether the work runs.
struct Handover
{
    enum State { Pending, Taken, Done, Abandoned };
    std::mutex mutex;
    std::condition_variable changed;
    State state = Pending;
};

} // namespace

bool Run_On_Main_Thread(const std::function<void()> &work, int timeoutMs)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    if (QThread::currentThread() == app->thread()) {
        work();
        return true;
    }
    auto handover = std::make_shared<Handover>();
    QMetaObject::invokeMethod(
        app,
        [handover, work] {
            {
                std::lock_guard<std::mutex> lock(handover->mutex);
                if (handover->state != Handover::Pending)
                    return; // given up on
                handover->state = Handover::Taken;
            }
            try {
                work();
            } catch (...) {
            }
            std::lock_guard<std::mutex> lock(handover->mutex);
            handover->state = Handover::Done;
            handover->changed.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(handover->mutex);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    // Once taken, the work is waited for to its end.
    while (handover->state != Handover::Done) {
        if (handover->state == Handover::Pending
            && handover->changed.wait_until(lock, deadline) == std::cv_status::timeout
            && handover->state == Handover::Pending) {
            handover->state = Handover::Abandoned;
            return false;
        }
        if (handover->state == Handover::Taken)
            handover->changed.wait(lock);
    }
    return true;
}
