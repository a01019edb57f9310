#include "common/ui/BackgroundWork.h"
#include "common/Exceptions.h"
#include "support/TestRegistry.h"

#include <QApplication>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

// Work in the background returns its value or rethrows its error on the
// caller's thread; the window's events go on meanwhile, and a progress
// dialog shows once the work has taken half a second.
class BackgroundWorkTest : public QObject
{
    Q_OBJECT
private slots:
    void valueErrorAndEvents()
    {
        const auto caller = std::this_thread::get_id();
        std::atomic_bool ticked{false};
        QTimer::singleShot(0, [&ticked] { ticked = true; });
        const int value = ComputeInBackground<int>(QStringLiteral("计算"), [&] {
            while (!ticked) // the timer fires while the work runs
                std::this_thread::yield();
            return std::this_thread::get_id() != caller ? 42 : 0;
        });
        QCOMPARE(value, 42);

        try {
            RunInBackground(QStringLiteral("计算"), [] { throw Exception(QStringLiteral("无法读取")); });
            QFAIL("no error");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("无法读取"));
        }
    }

    void progressAfterHalfASecond()
    {
        std::atomic_bool shown{false};
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&shown] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<QProgressDialog *>(w); d && d->isVisible()
                    && d->labelText() == QStringLiteral("正在读取方案文件…"))
                    shown = true;
        });
        poll.start(20);
        RunInBackground(QStringLiteral("正在读取方案文件…"), [&shown] {
            for (int i = 0; i < 1000 && !shown; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        });
        QVERIFY(shown);
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<QProgressDialog *>(w) || !w->isVisible());
    }
};

TAVORIN_TEST(BackgroundWorkTest)
#include "BackgroundWorkTest.moc"
