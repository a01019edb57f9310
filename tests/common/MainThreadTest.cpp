#include "common/MainThread.h"
#include "support/TestRegistry.h"

#include <QCoreApplication>
#include <QTest>
#include <thread>

// The halt of a fatal error on another thread is made on the main thread,
// or not at all.
class MainThreadTest : public QObject
{
    Q_OBJECT
private slots:
    void runsOnTheMainThread_data()
    {
        QTest::addColumn<bool>("fromWorker");
        QTest::addColumn<bool>("mainBusy"); // the main thread takes no event meanwhile
        QTest::addColumn<bool>("ran");
        QTest::newRow("main thread") << false << false << true;
        QTest::newRow("worker, main thread free") << true << false << true;
        QTest::newRow("worker, main thread busy") << true << true << false;
    }
    void runsOnTheMainThread()
    {
        QFETCH(bool, fromWorker);
        QFETCH(bool, mainBusy);
        QFETCH(bool, ran);
        const std::thread::id mainId = std::this_thread::get_id();
        int runs = 0;
        std::thread::id ranOn;
        const auto work = [&] {
            ++runs;
            ranOn = std::this_thread::get_id();
        };
        bool answer = false;
        if (!fromWorker) {
            answer = Run_On_Main_Thread(work, 100);
        } else {
            std::thread worker([&] { answer = Run_On_Main_Thread(work, mainBusy ? 100 : 10000); });
            if (mainBusy) {
                worker.join();
            } else {
                while (runs == 0)
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                worker.join();
            }
        }
        QCoreApplication::processEvents(); // a late handover must not run now
        QCOMPARE(answer, ran);
        QCOMPARE(runs, ran ? 1 : 0);
        if (ran)
            QVERIFY(ranOn == mainId);
    }
};

TAVORIN_TEST(MainThreadTest)
#include "MainThreadTest.moc"
