#include "program/ui/TRowHeader.h"
#include "support/TestRegistry.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTableView>
#include <QTest>

namespace {

QStringList Rows(int count)
{
    QStringList rows;
    for (int row = 0; row < count; ++row)
        rows << QString::number(row);
    return rows;
}

// A small grid whose row header lays out three rows a slice.
struct SlicedGrid
{
    QStringListModel model;
    QTableView grid;
    TRowHeader *header = new TRowHeader(&grid, 3);
    SlicedGrid()
    {
        grid.setVerticalHeader(header);
        grid.setModel(&model);
        grid.resize(200, 120);
        grid.show();
    }
    // A new list of rows; the header starts laying it out.
    void Reset(int rows)
    {
        model.setStringList(Rows(rows));
        QVERIFY(!header->IsLaidOut());
    }
};

} // namespace

class RowHeaderTest : public QObject
{
    Q_OBJECT

private slots:
    // The rows are laid out over several turns, the grid paints again and
    // learns of them at the end; small changes are laid out at once.
    void laysOutInSlices()
    {
        SlicedGrid grid;
        QSignalSpy laidOut(grid.header, &TRowHeader::LaidOut);
        const auto scrollToLast = [&grid] { grid.grid.scrollTo(grid.model.index(grid.model.rowCount() - 1)); };
        QObject::connect(grid.header, &TRowHeader::LaidOut, scrollToLast);
        grid.Reset(10);
        QVERIFY(grid.header->count() < 10);
        QVERIFY(!grid.grid.updatesEnabled());
        QTRY_VERIFY(grid.header->IsLaidOut());
        QCOMPARE(grid.header->count(), 10);
        QCOMPARE(laidOut.count(), 1);
        QVERIFY(grid.grid.updatesEnabled());
        // Told of the layout, the grid can scroll to the last row at once.
        QCOMPARE(grid.grid.rowAt(grid.grid.viewport()->height() - 1), 9);

        grid.model.setStringList(Rows(2));
        QVERIFY(grid.header->IsLaidOut());
        QCOMPARE(grid.header->count(), 2);
    }

    // Rows added before the first or removed from anywhere: one section a
    // row, and the grid still reaches its last row.
    void rowsAddedOrRemovedAnywhere()
    {
        SlicedGrid grid;
        grid.Reset(10);
        QTRY_VERIFY(grid.header->IsLaidOut());
        grid.model.insertRows(0, 2);
        QCOMPARE(grid.header->count(), 12);
        grid.model.removeRows(3, 1);
        QCOMPARE(grid.header->count(), 11);
        grid.grid.scrollTo(grid.model.index(10));
        QCOMPARE(grid.grid.rowAt(grid.grid.viewport()->height() - 1), 10);
    }

    // A row added or removed while the rows are being laid out completes
    // the layout first: the header and the model agree at once.  A reset
    // meanwhile ends with the new rows.
    void changeWhileLayingOut_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<int>("rows");
        QTest::newRow("insert") << 1 << 11;
        QTest::newRow("remove") << -1 << 9;
        QTest::newRow("reset to fewer") << 0 << 2;
    }
    void changeWhileLayingOut()
    {
        QFETCH(int, change);
        QFETCH(int, rows);
        SlicedGrid grid;
        QSignalSpy laidOut(grid.header, &TRowHeader::LaidOut);
        grid.Reset(10);
        QVERIFY(grid.header->count() > 2);
        if (change > 0)
            grid.model.insertRows(10, 1);
        else if (change < 0)
            grid.model.removeRows(4, 1);
        else
            grid.model.setStringList(Rows(rows));
        if (change != 0)
            QCOMPARE(grid.header->count(), rows);
        QTRY_VERIFY(grid.header->IsLaidOut());
        QCOMPARE(grid.header->count(), rows);
        QVERIFY(grid.grid.updatesEnabled());
        QCOMPARE(laidOut.count(), 1);
    }
};

TAVORIN_TEST(RowHeaderTest)
#include "RowHeaderTest.moc"
