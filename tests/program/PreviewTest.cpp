#include "program/ui/TPreviewPanel.h"
#include "support/TestRegistry.h"

#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QSplitter>
#include <QTest>
#include <QToolButton>

using Rows = std::vector<TAutoCode>;
using Points = QList<QPointF>;
Q_DECLARE_METATYPE(Rows)

namespace {
// Axis 0 and 1: 100 steps per mm; axis 2: a rotary stage, 1000 steps per degree.
QVector<TAxis_Config> Axes()
{
    QVector<TAxis_Config> axes(3);
    for (int a = 0; a < 3; ++a) {
        axes[a].Axis_Caption = QStringLiteral("第%1轴").arg(a + 1);
        axes[a].Motor_Scale = a < 2 ? 100 : 1000;
    }
    axes[2].Axis_Kind = 1;
    return axes;
}

TAutoCode Step(int axis, const QString &action, double param = 0, int count = 1)
{
    return TAutoCode{false, axis, QString(), action, param, 0, count};
}

// The three lines of a 3 × 3 absolute raster from (10, 10), spacing 10.
Rows Raster()
{
    using namespace AutoAction;
    Rows rows{Step(0, Home), Step(1, Home), Step(0, Abs, 10), Step(1, Abs, 10)};
    for (double x : {20, 30})
        rows.push_back(Step(0, Abs, x));
    rows.push_back(Step(1, Abs, 20));
    for (double x : {20, 10})
        rows.push_back(Step(0, Abs, x));
    rows.push_back(Step(1, Abs, 30));
    for (double x : {20, 30})
        rows.push_back(Step(0, Abs, x));
    return rows;
}

Points PathOf(const Rows &rows, int x, int y, std::vector<double> start = {})
{
    TPreviewPath path;
    path.Build(rows, Axes(), start, x, y);
    return Points(path.Points().begin(), path.Points().end());
}
} // namespace

class PreviewTest : public QObject
{
    Q_OBJECT
private slots:
    void positions_data()
    {
        using namespace AutoAction;
        QTest::addColumn<Points>("actual");
        QTest::addColumn<Points>("expected");
        QTest::newRow("raster") << PathOf(Raster(), 0, 1)
                                << Points{{0, 0}, {10, 0}, {10, 10}, {20, 10}, {30, 10}, {30, 20},
                                          {20, 20}, {10, 20}, {10, 30}, {20, 30}, {30, 30}};
        QTest::newRow("axes swapped") << PathOf(Raster(), 1, 0)
                                      << Points{{0, 0}, {0, 10}, {10, 10}, {10, 20}, {10, 30}, {20, 30},
                                                {20, 20}, {20, 10}, {30, 10}, {30, 20}, {30, 30}};
        QTest::newRow("relative stops") << PathOf({Step(0, Rel, -10, 3)}, 0, 1)
                                        << Points{{0, 0}, {-10, 0}, {-20, 0}, {-30, 0}};
        QTest::newRow("other axis and pause add nothing")
            << PathOf({Step(1, Rel, 10), Step(-1, Pause), Step(0, Rel, 5)}, 0, 2)
            << Points{{0, 0}, {5, 0}};
        QTest::newRow("degrees and start") << PathOf({Step(2, Abs, 5), Step(0, Home)}, 0, 2, {1000, 0, -500})
                                           << Points{{10, -0.5}, {10, 5}, {0, 5}};
        QTest::newRow("board steps") << PathOf({Step(0, Abs, 0.123)}, 0, 1) << Points{{0, 0}, {0.12, 0}};
    }
    void positions()
    {
        QFETCH(Points, actual);
        QFETCH(Points, expected);
        QCOMPARE(actual, expected);
    }

    // Points beyond the travel limits, judged as the walk before a start
    // judges the rows: relative rows from the start, the limits shifting
    // with "坐标调整" and back to the configured ones at a home.  Axis 1
    // (X) has the limits 0 .. 25 mm, axis 2 (Y) none but where a row says.
    void pointsOutsideTheLimits_data()
    {
        using namespace AutoAction;
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<double>("shiftX"); // of the coordinate at the start
        QTest::addColumn<double>("maxY");
        QTest::addColumn<QList<int>>("outside");
        QTest::addColumn<QString>("limitsX");
        const double none = qInf();
        QTest::newRow("raster past the limit") << Raster() << 0.0 << none << QList<int>{4, 5, 10} << "0..25";
        QTest::newRow("relative repetitions") << Rows{Step(0, Rel, 10, 3)} << 0.0 << none << QList<int>{3} << "0..25";
        QTest::newRow("adjusted coordinate") << Rows{Step(0, Abs, 20), Step(0, Adjust, 0), Step(0, Abs, 10)} << 0.0
                                             << none << QList<int>{3} << "0..25";
        QTest::newRow("shifted at the start, home")
            << Rows{Step(0, Abs, 30), Step(0, Home), Step(0, Abs, 30)} << 10.0 << none << QList<int>{0, 3} << "10..35";
        QTest::newRow("the other axis") << Rows{Step(1, Abs, 10), Step(0, Abs, 5)} << 0.0 << 5.0 << QList<int>{1, 2}
                                        << "0..25";
    }
    void pointsOutsideTheLimits()
    {
        QFETCH(Rows, rows);
        QFETCH(double, shiftX);
        QFETCH(double, maxY);
        QFETCH(QList<int>, outside);
        QFETCH(QString, limitsX);
        QVector<TAxis_Config> axes = Axes();
        axes[0].Soft_Min = 0;
        axes[0].Soft_Max = 25;
        if (std::isfinite(maxY))
            axes[1].Soft_Max = maxY;
        TPreviewPath path;
        path.Build(rows, axes, {}, 0, 1, nullptr, {shiftX});
        QList<int> actual;
        for (size_t i = 0; i < path.Points().size(); ++i)
            if (path.IsOutside(i))
                actual << int(i);
        QCOMPARE(actual, outside);
        QCOMPARE(QStringLiteral("%1..%2").arg(*path.LimitsX().Min).arg(*path.LimitsX().Max), limitsX);
        QCOMPARE(path.Outline().OutsidePoints().size(), size_t(outside.size()));
    }

    void adjustStartsStrokeAndSpans()
    {
        using namespace AutoAction;
        TPreviewPath path;
        path.Build({Step(0, Abs, 10), Step(0, Adjust, 0), Step(1, Rel, 5, 2), Step(2, Rel, 1)}, Axes(), {}, 0, 1);
        QCOMPARE(path.Points().size(), size_t(5));
        QVERIFY(!path.StartsStroke(1));
        QVERIFY(path.StartsStroke(2));
        QCOMPARE(path.StepSpan(0), std::make_pair(size_t(0), size_t(1)));
        QCOMPARE(path.StepSpan(2), std::make_pair(size_t(2), size_t(4)));
        QCOMPARE(path.StepSpan(3), std::make_pair(size_t(4), size_t(4)));
        QCOMPARE(path.Bounds(), QRectF(QPointF(0, 0), QPointF(10, 10)));

        TPreviewView view(path.Bounds(), QRectF(0, 0, 200, 200), true);
        const auto strokes = view.Strokes(path);
        QCOMPARE(int(strokes.size()), 2);
        QCOMPARE(strokes[1].size(), 2); // the two stops of the relative move lie on one line
    }

    void viewMapping()
    {
        // 5 % margins: the shown range is -5..105 by -2.5..52.5, y upwards.
        const QRectF bounds(QPointF(0, 0), QPointF(100, 50));
        TPreviewView free(bounds, QRectF(0, 0, 220, 110), false);
        QCOMPARE(free.Map({-5, -2.5}), QPointF(0, 110));
        QCOMPARE(free.Map({105, 52.5}), QPointF(220, 0));
        TPreviewView same(bounds, QRectF(0, 0, 220, 220), true);
        QCOMPARE(same.Map({50, 25}), QPointF(110, 110));
        QCOMPARE(same.Map({105, 25}), QPointF(220, 110));
        // A path along one line still gets an extent.
        TPreviewView flat(QRectF(QPointF(0, 7), QPointF(10, 7)), QRectF(0, 0, 100, 100), false);
        QCOMPARE(flat.Map({0, 7}).y(), 50.0);
    }

    void ticks_data()
    {
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<double>>("ticks");
        QTest::newRow("twenties") << 0.0 << 95.0 << 5 << QList<double>{0, 20, 40, 60, 80};
        QTest::newRow("around zero") << -0.3 << 0.3 << 3 << QList<double>{-0.2, 0, 0.2};
        QTest::newRow("fives") << 12.0 << 31.0 << 4 << QList<double>{15, 20, 25, 30};
        QTest::newRow("empty range") << 1.0 << 1.0 << 4 << QList<double>{};
    }
    void ticks()
    {
        QFETCH(double, lo);
        QFETCH(double, hi);
        QFETCH(int, count);
        QFETCH(QList<double>, ticks);
        const auto actual = TPreviewView::Ticks(lo, hi, count);
        QCOMPARE(QList<double>(actual.begin(), actual.end()), ticks);
    }

    void serpentineDrawsItsCorners()
    {
        Rows rows;
        for (int line = 0; line < 10; ++line) {
            for (int i = 1; i < 100; ++i)
                rows.push_back(Step(0, AutoAction::Abs, line % 2 ? 99 - i : i));
            rows.push_back(Step(1, AutoAction::Abs, line + 1));
        }
        TPreviewPath path;
        path.Build(rows, Axes(), {}, 0, 1);
        TPreviewView view(path.Bounds(), QRectF(0, 0, 300, 300), false);
        const auto strokes = view.Strokes(path);
        QCOMPARE(int(strokes.size()), 1);
        QCOMPARE(strokes[0].size(), 1 + 2 * 10);
        // The outline keeps the corners and draws the same lines.
        const TPreviewPath outline = path.Outline();
        QCOMPARE(outline.Points().size(), size_t(1 + 2 * 10));
        QCOMPARE(view.Strokes(outline), strokes);
    }

    // The measured position widens the range shown; the start and end
    // labels never overlap, and coinciding points get one label.
    void measuredPositionAndLabels()
    {
        using namespace AutoAction;
        const QRectF area(0, 0, 400, 300);
        TPreviewPanel panel;
        Rows rows = Raster();
        panel.SetProgram(rows, Axes(), {});
        QCOMPARE(panel.ShownBounds(), QRectF(QPointF(0, 0), QPointF(30, 30)));
        panel.SetRunState(3, {45, -12, 0});
        QCOMPARE(panel.ShownBounds(), QRectF(QPointF(0, -12), QPointF(45, 30)));
        panel.SetRunState(-1, {});
        QCOMPARE(panel.ShownBounds(), QRectF(QPointF(0, 0), QPointF(30, 30)));

        auto texts = [&] {
            QStringList list;
            for (const auto &label : panel.MarkerLabels(area))
                list << label.first;
            return list;
        };
        QCOMPARE(texts(), QStringList({"起点", "终点"}));
        const Rows back{Step(0, Abs, 10), Step(1, Abs, 5), Step(0, Abs, 0), Step(1, Abs, 0)};
        panel.SetProgram(back, Axes(), {});
        QCOMPARE(texts(), QStringList{"起点/终点"});
        for (double x : {0.2, 0.5, 1.0, 2.0}) { // an end just beside the start
            const Rows near{Step(0, Abs, 30), Step(1, Abs, 30), Step(0, Abs, x), Step(1, Abs, x / 2)};
            panel.SetProgram(near, Axes(), {});
            const auto labels = panel.MarkerLabels(area);
            QVERIFY(labels.size() == 1 || !labels[0].second.intersects(labels[1].second));
        }
    }

    // In a splitter, folding gives the plot's room to the widget above it;
    // unfolding takes it back.
    void foldingGivesRoomBack()
    {
        QSplitter splitter(Qt::Vertical);
        auto *table = new QWidget;
        auto *panel = new TPreviewPanel;
        splitter.addWidget(table);
        splitter.addWidget(panel);
        splitter.setChildrenCollapsible(false);
        splitter.resize(400, 800);
        splitter.setSizes({400, 400});
        splitter.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splitter));
        const QList<int> before = splitter.sizes();
        panel->SetFolded(true);
        QVERIFY(splitter.sizes()[1] < 60);
        QCOMPARE(splitter.sizes()[0] + splitter.sizes()[1], before[0] + before[1]);
        panel->SetFolded(false);
        QCOMPARE(splitter.sizes(), before);
    }

    void panelFollowsAxesAndFolds()
    {
        Rows rows = Raster();
        TPreviewPanel panel;
        panel.resize(400, 300);
        panel.SetProgram(rows, Axes(), {});
        QCOMPARE(panel.cbb_PreviewX->count(), 3);
        QCOMPARE(panel.cbb_PreviewY->itemText(2), QStringLiteral("第3轴"));
        QCOMPARE(std::make_pair(panel.AxisX(), panel.AxisY()), std::make_pair(0, 1));
        panel.SetAxisPair(1, 0);
        panel.SetProgram(rows, Axes(), {});
        QCOMPARE(std::make_pair(panel.AxisX(), panel.AxisY()), std::make_pair(1, 0));
        QCOMPARE(panel.Path().Points()[1], QPointF(0, 10));
        panel.SetProgram(rows, Axes().mid(0, 1), {});
        QCOMPARE(std::make_pair(panel.AxisX(), panel.AxisY()), std::make_pair(0, 0));

        auto *plot = panel.findChild<QWidget *>(QStringLiteral("pbx_Preview"));
        QVERIFY(plot);
        panel.show();
        panel.btn_PreviewFold->click();
        QVERIFY(panel.IsFolded() && plot->isHidden());
        panel.btn_PreviewFold->click();
        QVERIFY(!panel.IsFolded() && !plot->isHidden());
    }

    void drawsStartEndAndRun()
    {
        Rows rows = Raster();
        QVector<TAxis_Config> axes = Axes();
        axes[0].Soft_Max = 25; // the points at X 30 lie beyond it
        TPreviewPanel panel;
        panel.SetProgram(rows, axes, {});
        panel.SetRunState(5, {15, 10});
        QImage image(400, 300, QImage::Format_ARGB32);
        QPainter painter(&image);
        panel.Draw(painter, image.rect());
        painter.end();
        // Something of each colour family: the path, the step, the marks,
        // the limit and the points beyond it.
        bool orange = false, green = false;
        int red = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                orange |= c.red() > 240 && c.green() > 120 && c.green() < 160 && c.blue() < 20;
                green |= c.green() > 140 && c.red() < 40 && c.blue() < 70;
                red += c.red() > 220 && c.green() < 20 && c.blue() < 20;
            }
        QVERIFY(orange);
        QVERIFY(green);
        // Three dots of 6 pixels across and a dashed line across the plot.
        QVERIFY2(red > 3 * 20 + 100, qPrintable(QString::number(red)));
    }
};

TAVORIN_TEST(PreviewTest)
#include "PreviewTest.moc"
