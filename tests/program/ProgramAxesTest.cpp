#include "ProgramRows.h"
#include "config/IniFile.h"
#include "program/ProgramAxes.h"
#include "program/RecentPrograms.h"
#include "support/Fixtures.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace ProgramRows;

using Rows = std::vector<TAutoCode>;
Q_DECLARE_METATYPE(Rows)

// What a program does with the configured axes, and the recent programs.
class ProgramAxesTest : public QObject
{
    Q_OBJECT

private slots:
    void captionMismatch()
    {
        const QStringList captions{"第1轴", "第2轴", "第3轴"};
        std::vector<TAutoCode> rows{Row(0, "第1轴", AutoAction::Home, 0, 0, 1), Row(-1, "", AutoAction::Pause, 0, 0, 1),
                                    Row(7, "外轴", AutoAction::Rel, 1, 0, 1)};
        QCOMPARE(Caption_Mismatch_Warning(rows, captions), QString());
        // Each difference once, in the order met.
        for (int i = 0; i < 3; ++i) {
            rows.push_back(Row(2, "Z", AutoAction::Rel, 1, 0, 1));
            rows.push_back(Row(1, "X光栅", AutoAction::Rel, 1, 0, 1));
        }
        QCOMPARE(Caption_Mismatch_Warning(rows, captions),
                 QStringLiteral("方案中的轴名称与当前配置不一致：轴3 方案中为“Z”，配置中为“第3轴”；"
                                "轴2 方案中为“X光栅”，配置中为“第2轴”"));
        // Many differences: the first ones listed, all counted.
        for (int i = 0; i < 10; ++i)
            rows.push_back(Row(0, QStringLiteral("A%1").arg(i), AutoAction::Rel, 1, 0, 1));
        const QString many = Caption_Mismatch_Warning(rows, captions);
        QVERIFY2(many.endsWith(QStringLiteral("；等共 12 处")), qPrintable(many));
        QCOMPARE(many.count(QStringLiteral("方案中为")), 8);
    }

    void mostMovedAxes_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<int>("axes");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        const auto rel = [](int id, int count) { return Row(id, "", AutoAction::Rel, 1, 0, count); };
        const auto abs = [](int id) { return Row(id, "", AutoAction::Abs, 1, 0, 1); };
        const auto adjust = [](int id) { return Row(id, "", AutoAction::Adjust, 1, 0, 1); };
        QTest::newRow("raster, fast axis 2") << Rows{rel(2, 10), rel(1, 1), rel(2, 10)} << 4 << 2 << 1;
        QTest::newRow("repetitions count") << Rows{abs(0), abs(0), rel(3, 5)} << 4 << 3 << 0;
        QTest::newRow("adjusts and pauses are no moves")
            << Rows{adjust(3), adjust(3), Row(-1, "", AutoAction::Pause, 0, 0, 1), abs(2)} << 4 << 2
            << 0;
        QTest::newRow("empty program") << Rows{} << 3 << 0 << 1;
        QTest::newRow("axis outside") << Rows{rel(9, 5)} << 2 << 0 << 1;
        QTest::newRow("one axis") << Rows{} << 1 << 0 << -1;
        QTest::newRow("no axes") << Rows{} << 0 << -1 << -1;
    }
    void mostMovedAxes()
    {
        QFETCH(Rows, rows);
        QFETCH(int, axes);
        const auto [x, y] = Most_Moved_Axes(rows, axes);
        QTEST(x, "x");
        QTEST(y, "y");
    }

    void recentPrograms()
    {
        Fixtures::TempConfig cfg;
        QStringList paths;
        for (int i = 0; i < 10; ++i)
            paths = With_Recent_Program(paths, cfg.dir.filePath(QStringLiteral("p%1.txt").arg(i)));
        QCOMPARE(paths.size(), kRecentPrograms);
        QCOMPARE(paths.first(), cfg.dir.filePath("p9.txt"));
        // Opened again: first, once, whatever way the path was written.
        paths = With_Recent_Program(paths, cfg.dir.path() + "/./p5.txt");
        QCOMPARE(paths.first(), cfg.dir.filePath("p5.txt"));
        QCOMPARE(paths.count(cfg.dir.filePath("p5.txt")), 1);
        TIniFile ini(cfg.Path());
        Write_Recent_Programs(ini, paths);
        QCOMPARE(Read_Recent_Programs(TIniFile(cfg.Path())), paths);
        Write_Recent_Programs(ini, Without_Recent_Program(paths, cfg.dir.filePath("p9.txt")));
        QCOMPARE(Read_Recent_Programs(TIniFile(cfg.Path())).size(), kRecentPrograms - 1);
        QCOMPARE(Last_Program_Folder(paths), cfg.dir.path());
        QCOMPARE(Last_Program_Folder({}), QString());
    }
};

TAVORIN_TEST(ProgramAxesTest)
#include "ProgramAxesTest.moc"
