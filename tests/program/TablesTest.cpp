#include "ProgramRows.h"
#include "program/AnsiText.h"
#include "program/TCodeModel.h"
#include "program/TStatusModel.h"
#include "support/TestRegistry.h"

#include <QStringEncoder>
#include <QTest>
#include <limits>

using ProgramRows::Row;

class TablesTest : public QObject
{
    Q_OBJECT

private slots:
    void forcedValues_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<double>("param");
        QTest::addColumn<int>("count");
        QTest::newRow("home") << AutoAction::Home << 0.0 << 1;
        QTest::newRow("relative") << AutoAction::Rel << 5.0 << 3;
        QTest::newRow("absolute") << AutoAction::Abs << 5.0 << 1;
        QTest::newRow("pause") << AutoAction::Pause << 0.0 << 1;
        QTest::newRow("adjust") << AutoAction::Adjust << 5.0 << 1;
    }
    void forcedValues()
    {
        QFETCH(QString, action);
        QFETCH(double, param);
        QFETCH(int, count);
        TCodeModel model;
        model.AddCode(Row(0, QStringLiteral("X"), action, 5, 1000, 3));
        QCOMPARE(model.Row(0).Param, param);
        QCOMPARE(model.Row(0).Count, count);
        QCOMPARE(model.Row(0).Delay, 1000);
    }

    // Steps inserted one after another at an unchanged selection end up in
    // reverse order above it; appended steps go to the end.  Each new row
    // becomes the selection.
    void insertBeforeSelection()
    {
        TCodeModel model;
        model.AddCode(Row(0, "end", AutoAction::Home, 0, 0, 1));
        for (const char *axis : {"a", "b", "c"})
            model.AddCode(Row(0, QString::fromLatin1(axis), AutoAction::Home, 0, 0, 1, true));
        QCOMPARE(model.CurrentRow(), 0);
        model.AddCode(Row(0, "last", AutoAction::Home, 0, 0, 1));
        QCOMPARE(model.CurrentRow(), 4);
        QStringList axes;
        for (const TAutoCode &c : model.Rows())
            axes << c.Axis;
        QCOMPARE(axes, (QStringList{"c", "b", "a", "end", "last"}));
        QVERIFY(!model.Row(0).bInsert);
    }

    void textFieldsKeptWithinTheirBytes()
    {
        TCodeModel model;
        model.SetRows({Row(0, QString(40, QChar(0x8F74)), QString(20, QChar(0x8F74)), 0, 0, 1)});
        QCOMPARE(model.Row(0).Axis.size(), 25);
        QCOMPARE(model.Row(0).Action.size(), 15);
    }

    void cutToAnsiBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maxBytes");
        QTest::addColumn<QString>("kept");
        QTest::newRow("short") << QStringLiteral("第1轴") << 50 << QStringLiteral("第1轴");
        QTest::newRow("ascii cut") << QString(60, QLatin1Char('a')) << 50 << QString(50, QLatin1Char('a'));
        // 25 two-byte characters fill 50 bytes exactly; the 26th is left out.
        QTest::newRow("two-byte") << QString(26, QChar(0x8F74)) << 50 << QString(25, QChar(0x8F74));
        // A two-byte character that would straddle the limit is left out whole.
        QTest::newRow("boundary") << (QStringLiteral("a") + QString(15, QChar(0x8F74))) << 30
                                  << (QStringLiteral("a") + QString(14, QChar(0x8F74)));
        // A character outside the BMP takes four bytes and two UTF-16 units.
        QTest::newRow("surrogate") << (QString(12, QLatin1Char('a')) + QString::fromUcs4(U"\U0001F600\U0001F600"))
                                   << 19 << (QString(12, QLatin1Char('a')) + QString::fromUcs4(U"\U0001F600"));
    }
    void cutToAnsiBytes()
    {
        QFETCH(QString, text);
        QFETCH(int, maxBytes);
        QFETCH(QString, kept);
        QCOMPARE(CutToAnsiBytes(text, maxBytes), kept);
        QVERIFY(QByteArray(QStringEncoder("GB18030").encode(kept)).size() <= maxBytes);
    }

    void statusRowsFollowTheAxes()
    {
        TStatusModel model;
        model.SetAxes({QStringLiteral("第1轴"), QStringLiteral("第2轴")});
        model.SetPos(1, 12.5);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(1, TStatusModel::ColAxis).data().toString(), QStringLiteral("第2轴"));
        QCOMPARE(model.index(1, TStatusModel::ColPos).data().toString(), QStringLiteral("12.500000"));
        QCOMPARE(model.headerData(0, Qt::Vertical).toInt(), 1);

        // Outside the table: ignored.  Not finite (no steps per unit): "—".
        model.SetPos(5, 1.0);
        model.SetPos(0, std::numeric_limits<double>::infinity());
        QCOMPARE(model.index(0, TStatusModel::ColPos).data().toString(), QStringLiteral("—"));
        // A rebuild starts every position from 0 again.
        model.SetAxes({QStringLiteral("X"), QStringLiteral("Y")});
        QCOMPARE(model.Pos(1), 0.0);
    }

};
TAVORIN_TEST(TablesTest)

#include "TablesTest.moc"
