#include "BackgroundWork.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <exception>
#include <memory>
#include <thread>

namespace {

// The progress dialog appears after this long.
constexpr int kProgressDelayMs = 500;

// Holds back the operator's input to every window while it lives: the work
// reads or fills the program table, which must not change under it.
class InputHold : public QObject
{
public:
    InputHold() { qApp->installEventFilter(this); }
    ~InputHold() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
            return true;
        case QEvent::Close:
            return event->spontaneous(); // the window's close box
        default:
            return false;
        }
    }
};

} // namespace

void RunInBackground(const QString &text, const std::function<void()> &work)
{
    QEventLoop loop;
    std::exception_ptr error;
    const InputHold hold;
    std::thread worker([&loop, &error, &work] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    std::unique_ptr<QProgressDialog> progress;
    QTimer::singleShot(kProgressDelayMs, &loop, [&progress, &text] {
        progress = std::make_unique<QProgressDialog>(text, QString(), 0, 0, QApplication::activeWindow());
        progress->setWindowTitle(QStringLiteral("请稍候"));
        progress->setWindowModality(Qt::ApplicationModal);
        progress->setMinimumDuration(0);
        progress->show();
    });
    loop.exec();
    worker.join();
    progress.reset();
    if (error)
        std::rethrow_exception(error);
}
