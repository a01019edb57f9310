#include "ProgramRows.h"
#include "program/RasterScan.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace ProgramRows;

Q_DECLARE_METATYPE(TScanSettings)

namespace {

TScanSettings Defaults()
{
    TScanSettings s;
    s.XAxis = QStringLiteral("X");
    s.YAxis = QStringLiteral("Y");
    return s;
}

// The worked example: 3 points per line, 2 lines, start and spacing 10.
TScanSettings Example()
{
    TScanSettings s = Defaults();
    s.XCount = 3;
    s.YCount = 2;
    return s;
}

TScanSettings With(TScanSettings s, void (*change)(TScanSettings &))
{
    change(s);
    return s;
}

const QStringList kHome = {"0,X,归零,0,0,1", "1,Y,归零,0,0,1"};
const QStringList kStart = {"0,X,绝对定位,10,0,1", "1,Y,绝对定位,10,1000,1"};

} // namespace

class RasterScanTest : public QObject
{
    Q_OBJECT

private slots:
    void rows_data()
    {
        QTest::addColumn<TScanSettings>("settings");
        QTest::addColumn<QStringList>("lines");
        const QStringList forward = {"0,X,绝对定位,20,1000,1", "0,X,绝对定位,30,1000,1", "1,Y,绝对定位,20,1000,1",
                                     "0,X,绝对定位,20,1000,1", "0,X,绝对定位,10,1000,1"};
        const QStringList reverse = {"0,X,绝对定位,20,1000,1", "0,X,绝对定位,30,1000,1", "1,Y,绝对定位,10,1000,1",
                                     "0,X,绝对定位,20,1000,1", "0,X,绝对定位,10,1000,1"};
        QTest::newRow("worked example") << Example() << kHome + kStart + forward;
        QTest::newRow("reverse pass") << With(Example(), [](TScanSettings &s) { s.OnStop = OnStopReverse; })
                                      << kHome + kStart + forward + reverse + kHome;
        QTest::newRow("pause then reverse")
            << With(Example(), [](TScanSettings &s) { s.OnStop = OnStopPauseReverse; })
            << kHome + kStart + forward + QStringList{"-1,,暂停,0,0,1"} + reverse + kHome;
        QTest::newRow("straight home") << With(Example(), [](TScanSettings &s) { s.OnStop = OnStopHome; })
                                       << kHome + kStart + forward + kHome;
        QTest::newRow("relative") << With(Example(), [](TScanSettings &s) { s.MoveRel = true; })
                                  << kHome + kStart
                                         + QStringList{"0,X,相对定位,10,1000,2", "1,Y,相对定位,10,1000,1",
                                                       "0,X,相对定位,-10,1000,2"};
        QTest::newRow("relative reverse")
            << With(Example(), [](TScanSettings &s) { s.MoveRel = true; s.OnStop = OnStopReverse; })
            << kHome + kStart
                   + QStringList{"0,X,相对定位,10,1000,2", "1,Y,相对定位,10,1000,1", "0,X,相对定位,-10,1000,2",
                                 "0,X,相对定位,10,1000,2", "1,Y,相对定位,-10,1000,1", "0,X,相对定位,-10,1000,2"}
                   + kHome;
        // A one-point line does not move: no X rows in relative mode either.
        QTest::newRow("relative one point")
            << With(Example(), [](TScanSettings &s) { s.MoveRel = true; s.XCount = 1; })
            << kHome + kStart + QStringList{"1,Y,相对定位,10,1000,1"};
        QTest::newRow("start 0 and 5") << With(Example(), [](TScanSettings &s) {
            s.XStart = 0; s.YStart = 5; s.XCount = 2; s.YCount = 1; })
                                       << kHome + QStringList{"0,X,绝对定位,0,0,1", "1,Y,绝对定位,5,1000,1",
                                                              "0,X,绝对定位,10,1000,1"};
        QTest::newRow("start 0 and 0") << With(Example(), [](TScanSettings &s) {
            s.XStart = 0; s.YStart = 0; s.XCount = 2; s.YCount = 1; })
                                       << kHome + QStringList{"0,X,绝对定位,10,1000,1"};
        QTest::newRow("start as origin") << With(Example(), [](TScanSettings &s) {
            s.StartZero = true; s.YCount = 1; })
                                         << kHome + kStart
                                                + QStringList{"0,X,坐标调整,0,0,1", "1,Y,坐标调整,0,0,1",
                                                              "0,X,绝对定位,10,1000,1", "0,X,绝对定位,20,1000,1"};
        QTest::newRow("no lines") << With(Example(), [](TScanSettings &s) { s.YCount = 0; s.OnStop = OnStopReverse; })
                                  << kHome + kStart + kHome;
        QTest::newRow("absolute one point") << With(Example(), [](TScanSettings &s) { s.XCount = 1; s.YCount = 3; })
                                            << kHome + kStart
                                                   + QStringList{"1,Y,绝对定位,20,1000,1", "1,Y,绝对定位,30,1000,1"};
    }
    void rows()
    {
        QFETCH(TScanSettings, settings);
        QFETCH(QStringList, lines);
        const std::vector<TAutoCode> rows = GenerateRaster(settings);
        QCOMPARE(Lines(rows), lines);
        QCOMPARE(RasterRowCount(settings), qint64(rows.size()));
    }

    void rowCounts_data()
    {
        QTest::addColumn<TScanSettings>("settings");
        QTest::addColumn<qint64>("count");
        QTest::newRow("defaults") << Defaults() << qint64(103);
        QTest::newRow("negative lines") << With(Defaults(), [](TScanSettings &s) { s.YCount = -3; }) << qint64(4);
        QTest::newRow("reverse") << With(Defaults(), [](TScanSettings &s) { s.OnStop = OnStopReverse; })
                                 << qint64(103 + 99 + 2);
        QTest::newRow("pause reverse") << With(Defaults(), [](TScanSettings &s) { s.OnStop = OnStopPauseReverse; })
                                       << qint64(103 + 1 + 99 + 2);
        QTest::newRow("huge relative")
            << With(Defaults(), [](TScanSettings &s) { s.MoveRel = true; s.XCount = 2000000000; s.YCount = 2000000000; })
            << qint64(4) + 2 * qint64(2000000000) - 1;
    }
    void rowCounts()
    {
        QFETCH(TScanSettings, settings);
        QFETCH(qint64, count);
        QCOMPARE(RasterRowCount(settings), count);
        if (count < 1000)
            QCOMPARE(qint64(GenerateRaster(settings).size()), count);
    }

};
TAVORIN_TEST(RasterScanTest)

#include "RasterScanTest.moc"
