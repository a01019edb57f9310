#include "ProgramRows.h"
#include "program/CodeEdits.h"
#include "program/CodeText.h"
#include "program/TCodeModel.h"
#include "support/TestRegistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace ProgramRows;

namespace {

std::vector<TAutoCode> Numbered(int n)
{
    std::vector<TAutoCode> rows;
    for (int i = 0; i < n; ++i)
        rows.push_back(Row(i % 3, QStringLiteral("第%1轴").arg(i % 3 + 1), AutoAction::Rel, i, 10 * i, 1));
    return rows;
}

} // namespace

// The undoable edits and the clipboard text, on the table alone.
class CodeEditTest : public QObject
{
    Q_OBJECT

private slots:
    void mergeRanges_data()
    {
        QTest::addColumn<std::vector<TRowRange>>("given");
        QTest::addColumn<std::vector<TRowRange>>("merged");
        QTest::newRow("sorted") << std::vector<TRowRange>{{5, 1}, {0, 2}} << std::vector<TRowRange>{{0, 2}, {5, 1}};
        QTest::newRow("touching") << std::vector<TRowRange>{{2, 2}, {0, 2}} << std::vector<TRowRange>{{0, 4}};
        QTest::newRow("overlapping") << std::vector<TRowRange>{{0, 5}, {1, 2}, {4, 3}}
                                     << std::vector<TRowRange>{{0, 7}};
        QTest::newRow("empty dropped") << std::vector<TRowRange>{{3, 0}, {1, 1}} << std::vector<TRowRange>{{1, 1}};
    }
    void mergeRanges()
    {
        QFETCH(std::vector<TRowRange>, given);
        QFETCH(std::vector<TRowRange>, merged);
        QVERIFY(Merge_Ranges(given) == merged);
    }

    // Every edit, carried out, undone and carried out again, leaves the
    // table as it should at each step.
    void editsUndoAndRedo_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("currentAfter");
        const QStringList rows = Lines(Numbered(6));
        QTest::newRow("insert") << 0 << QStringList{rows[0], rows[1], "-1,,暂停,0,0,1", rows[2], rows[3], rows[4], rows[5]}
                                << 2;
        QTest::newRow("remove ranges") << 1 << QStringList{rows[0], rows[3], rows[5]} << 1;
        QTest::newRow("modify") << 2 << QStringList{rows[0], rows[1], rows[2], rows[3], "1,B,绝对定位,7,5,1", rows[5]}
                                << 4;
        QTest::newRow("replace all") << 3 << QStringList{"-1,,暂停,0,0,1"} << 0;
    }
    void editsUndoAndRedo()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, after);
        QFETCH(int, currentAfter);
        TCodeModel model;
        model.SetRows(Numbered(6));
        const QStringList before = Lines(model.Rows());
        const TAutoCode pause = Row(-1, QString(), AutoAction::Pause, 0, 0, 1);
        std::unique_ptr<TCodeEdit> edit;
        switch (kind) {
        case 0: edit = Insert_Rows_Edit(2, {pause}, QStringLiteral("增加")); break;
        case 1: edit = Remove_Rows_Edit({{4, 1}, {1, 2}}, QStringLiteral("删除")); break;
        case 2: edit = Modify_Row_Edit(4, Row(1, QStringLiteral("B"), AutoAction::Abs, 7, 5, 1), QStringLiteral("修改")); break;
        default: edit = Replace_All_Edit({pause}, QStringLiteral("打开方案")); break;
        }
        for (int round = 0; round < 2; ++round) {
            edit->Apply(model);
            QCOMPARE(Lines(model.Rows()), after);
            QCOMPARE(model.CurrentRow(), currentAfter);
            edit->Revert(model);
            QCOMPARE(Lines(model.Rows()), before);
        }
    }

    // Removing several ranges moves the rows after them once: the table
    // announces one reset, not one removal a range (a grid of ten million
    // rows moves its rows at each), and taking it back does the same.
    void severalRangesAreOneChange_data()
    {
        QTest::addColumn<std::vector<TRowRange>>("ranges");
        QTest::addColumn<int>("removals");
        QTest::addColumn<int>("resets");
        QTest::newRow("one range") << std::vector<TRowRange>{{3, 4}} << 1 << 0;
        QTest::newRow("three ranges") << std::vector<TRowRange>{{15, 5}, {0, 2}, {8, 1}} << 0 << 1;
    }
    void severalRangesAreOneChange()
    {
        QFETCH(std::vector<TRowRange>, ranges);
        QFETCH(int, removals);
        QFETCH(int, resets);
        TCodeModel model;
        model.SetRows(Numbered(20));
        const QStringList before = Lines(model.Rows());
        QStringList after = before;
        for (const TRowRange &r : Merge_Ranges(ranges))
            for (int i = r.First; i < r.First + r.Count; ++i)
                after.removeOne(before[i]);
        auto edit = Remove_Rows_Edit(ranges, QStringLiteral("删除"));
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved), inserted(&model, &QAbstractItemModel::rowsInserted),
            reset(&model, &QAbstractItemModel::modelReset);
        edit->Apply(model);
        QCOMPARE(Lines(model.Rows()), after);
        QCOMPARE(removed.size(), removals);
        QCOMPARE(reset.size(), resets);
        edit->Revert(model);
        QCOMPARE(Lines(model.Rows()), before);
        QCOMPARE(inserted.size(), removals);
        QCOMPARE(reset.size(), 2 * resets);
    }

    // Taking back a replaced program keeps one copy of the rows: the
    // table's and the edit's swap places.
    void replaceAllKeepsTheRowsOnce()
    {
        TCodeModel model;
        model.SetRows(Numbered(1000));
        const TAutoCode *old = model.Rows().data();
        auto edit = Replace_All_Edit(Numbered(3), QStringLiteral("行列扫描"));
        edit->Apply(model);
        edit->Revert(model);
        QCOMPARE(model.Rows().data(), old);
        QCOMPARE(model.rowCount(), 1000);
    }

    void textRoundTrip()
    {
        std::vector<TAutoCode> rows = Numbered(4);
        rows.push_back(Row(-1, QString(), AutoAction::Pause, 0, 0, 1));
        rows.push_back(Row(1, QStringLiteral("X,光栅"), AutoAction::Adjust, 1e-5, -3, 1));
        const QString text = Code_Rows_Text(rows);
        QCOMPARE(text.split('\n').value(5), QStringLiteral("1\tX,光栅\t坐标调整\t1E-5\t-3\t1"));
        const TCodeTextResult read = Read_Code_Rows_Text(text, 100);
        QVERIFY2(read.Ok(), qPrintable(read.Error));
        QCOMPARE(Lines(read.Rows), Lines(rows));
    }

    void spreadsheetText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("error");
        const QString good = QStringLiteral("0\t第1轴\t相对定位\t10\t1000\t1");
        QTest::newRow("crlf and final empty lines") << good + "\r\n" + good + "\r\n\r\n" << 2 << QString();
        QTest::newRow("five columns") << good + "\n0\tX\t归零\t0\t0\n" + good << 0
                                      << QStringLiteral("第2行：应有 6 列（以制表符分隔），实有 5 列");
        QTest::newRow("unknown action") << good + "\n" + good + "\n0\tX\t回零\t0\t0\t1" << 0
                                        << QStringLiteral("第3行：动作“回零”不是归零、相对定位、绝对定位、暂停、坐标调整之一");
        QTest::newRow("bad number") << QStringLiteral("0\tX\t归零\t0\t1.5\t1") << 0
                                    << QStringLiteral("第1行：'1.5' is not a valid integer value");
        QTest::newRow("empty line inside") << good + "\n\n" + good << 0
                                           << QStringLiteral("第2行：应有 6 列（以制表符分隔），实有 1 列");
        QTest::newRow("too many") << QString(good + "\n").repeated(4) << 0 << QStringLiteral("粘贴的行数超过 3 行");
    }
    void spreadsheetText()
    {
        QFETCH(QString, text);
        QFETCH(int, rows);
        QFETCH(QString, error);
        const TCodeTextResult read = Read_Code_Rows_Text(text, 3);
        QCOMPARE(read.Error, error);
        QCOMPARE(int(read.Rows.size()), rows);
    }
};

Q_DECLARE_METATYPE(std::vector<TRowRange>)
TAVORIN_TEST(CodeEditTest)
#include "CodeEditTest.moc"
