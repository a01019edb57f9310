#include "TPreviewPanel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace {
// Room around the plot for the tick labels and axis titles.
constexpr double kLeft = 64, kBottom = 40, kTop = 10, kRight = 16;
// Few enough stops to mark each one.
constexpr size_t kMaxMarkedStops = 400;
// A step that passes more stops than this is highlighted by its ends.
constexpr size_t kMaxHighlightPoints = 10000;
// A path longer than this many pixels is drawn without smoothing, which
// would cost far more than the overlapping lines can show.
constexpr double kMaxSmoothLength = 200000;

const QColor kPathColour(40, 80, 160);
const QColor kStartColour(30, 150, 60);
const QColor kEndColour(200, 40, 40);
const QColor kStepColour(255, 140, 0);
const QColor kMeasuredColour(200, 0, 160);
const QColor kOutsideColour(230, 0, 0);
// Of the points outside the limits, one dot in each square of this many
// pixels a side: a raster of millions of points outside draws in time.
constexpr int kOutsideDotCell = 3;

QString TickText(double v)
{
    return QString::number(v, 'g', 6);
}

QRectF PlotArea(const QRectF &area)
{
    return area.adjusted(kLeft, kTop, -kRight, -kBottom);
}

// Markers closer than this many pixels are one point to the eye.
constexpr double kSamePointPx = 3;

void Marker(QPainter &painter, QPointF p, const QColor &colour, bool round)
{
    painter.setPen(QPen(colour.darker(), 1));
    painter.setBrush(colour);
    const QRectF box(p - QPointF(5, 5), QSizeF(10, 10));
    if (round)
        painter.drawEllipse(box);
    else
        painter.drawRect(box);
}

// Widens lo..hi to a limit that lies near it: no farther away than the
// path is wide (a stage's far limits would shrink a small path to a dot).
void ReachLimits(double &lo, double &hi, const AxisCommands::TTravel &limits)
{
    const double reach = std::max(hi - lo, 1.0);
    for (const std::optional<double> &limit : {limits.Min, limits.Max})
        if (limit && *limit >= lo - reach && *limit <= hi + reach) {
            lo = std::min(lo, *limit);
            hi = std::max(hi, *limit);
        }
}

// A label's box beside a marker at `p`: right of it, above or below.
QRectF LabelBox(const QFontMetricsF &metrics, const QString &text, QPointF p, bool below)
{
    const QSizeF size(metrics.horizontalAdvance(text) + 2, metrics.height());
    const QPointF topLeft = p + QPointF(8, below ? 4 : -4 - size.height());
    return QRectF(topLeft, size);
}
} // namespace

// The drawing surface: the base picture is cached per size and program, the
// run display is painted over it.
class TPreviewPlot : public QWidget
{
public:
    explicit TPreviewPlot(TPreviewPanel *panel) : QWidget(panel), m_panel(panel)
    {
        setObjectName(QStringLiteral("pbx_Preview"));
        setMinimumHeight(200);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    void Invalidate()
    {
        m_cache = QImage();
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const qreal dpr = devicePixelRatioF();
        // The range widens when the measured position leaves it.
        if (m_cache.size() != size() * dpr || m_cacheBounds != m_panel->ShownBounds()) {
            m_cache = QImage(size() * dpr, QImage::Format_ARGB32_Premultiplied);
            m_cache.setDevicePixelRatio(dpr);
            m_cacheBounds = m_panel->ShownBounds();
            QPainter base(&m_cache);
            m_panel->DrawBase(base, rect());
        }
        QPainter painter(this);
        painter.drawImage(0, 0, m_cache);
        m_panel->DrawRun(painter, rect());
    }
    void resizeEvent(QResizeEvent *) override { m_cache = QImage(); }

private:
    TPreviewPanel *m_panel;
    QImage m_cache;
    QRectF m_cacheBounds;
};

TPreviewPanel::TPreviewPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnl_Preview"));
    btn_PreviewFold = new QToolButton(this);
    btn_PreviewFold->setObjectName(QStringLiteral("btn_PreviewFold"));
    btn_PreviewFold->setText(QStringLiteral("路径预览"));
    btn_PreviewFold->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btn_PreviewFold->setAutoRaise(true);
    btn_PreviewFold->setCheckable(true);
    btn_PreviewFold->setChecked(true);
    btn_PreviewFold->setArrowType(Qt::DownArrow);
    cbb_PreviewX = new QComboBox(this);
    cbb_PreviewX->setObjectName(QStringLiteral("cbb_PreviewX"));
    cbb_PreviewY = new QComboBox(this);
    cbb_PreviewY->setObjectName(QStringLiteral("cbb_PreviewY"));
    m_plot = new TPreviewPlot(this);

    auto *header = new QHBoxLayout;
    header->addWidget(btn_PreviewFold);
    header->addStretch();
    header->addWidget(new QLabel(QStringLiteral("横轴"), this));
    header->addWidget(cbb_PreviewX);
    header->addWidget(new QLabel(QStringLiteral("纵轴"), this));
    header->addWidget(cbb_PreviewY);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(header);
    layout->addWidget(m_plot, 1);

    connect(btn_PreviewFold, &QToolButton::toggled, this, [this](bool open) { SetFolded(!open); });
    const auto chosen = [this] {
        m_pair = {AxisX(), AxisY()};
        Rebuild();
        emit AxisPairChanged();
    };
    connect(cbb_PreviewX, qOverload<int>(&QComboBox::currentIndexChanged), this, chosen);
    connect(cbb_PreviewY, qOverload<int>(&QComboBox::currentIndexChanged), this, chosen);
}

void TPreviewPanel::SetAxes(const QVector<TAxis_Config> &axes)
{
    m_axes = axes;
    FillAxisLists();
    m_plot->Invalidate();
}

void TPreviewPanel::SetPath(TPreviewPath path, TPreviewPath outline)
{
    SwapPath(path, outline);
}

void TPreviewPanel::SwapPath(TPreviewPath &path, TPreviewPath &outline)
{
    std::swap(m_path, path);
    std::swap(m_outline, outline);
    m_pending = false;
    const bool limited = m_path.LimitsX().Limited() || m_path.LimitsY().Limited();
    m_plot->setToolTip(limited ? QStringLiteral("红色虚线：软限位（方案开始时的坐标）\n红点：超出软限位的点") : QString());
    m_plot->Invalidate();
}

void TPreviewPanel::SetPathPending()
{
    m_pending = true;
    m_plot->Invalidate();
}

void TPreviewPanel::SetProgram(const std::vector<TAutoCode> &rows, const QVector<TAxis_Config> &axes,
                               const std::vector<double> &startSteps)
{
    m_rows = &rows;
    m_start = startSteps;
    SetAxes(axes);
    Rebuild();
}

void TPreviewPanel::SetAxisPair(int axisX, int axisY)
{
    m_pair = {axisX, axisY};
    FillAxisLists();
    Rebuild();
    emit AxisPairChanged();
}

int TPreviewPanel::AxisX() const
{
    return cbb_PreviewX->currentIndex();
}

int TPreviewPanel::AxisY() const
{
    return cbb_PreviewY->currentIndex();
}

// Keeps the chosen pair while both axes exist; otherwise axes 0 and 1.
void TPreviewPanel::FillAxisLists()
{
    const QSignalBlocker bx(cbb_PreviewX), by(cbb_PreviewY);
    cbb_PreviewX->clear();
    cbb_PreviewY->clear();
    for (const TAxis_Config &c : m_axes) {
        cbb_PreviewX->addItem(c.Axis_Caption);
        cbb_PreviewY->addItem(c.Axis_Caption);
    }
    const int n = int(m_axes.size());
    const bool keep = m_pair.first >= 0 && m_pair.second >= 0 && m_pair.first < n && m_pair.second < n;
    cbb_PreviewX->setCurrentIndex(keep ? m_pair.first : (n > 0 ? 0 : -1));
    cbb_PreviewY->setCurrentIndex(keep ? m_pair.second : (n > 1 ? 1 : n - 1));
}

// Only a panel that was given the program builds its path itself.
void TPreviewPanel::Rebuild()
{
    if (!m_rows)
        return;
    TPreviewPath path;
    path.Build(*m_rows, m_axes, m_start, AxisX(), AxisY());
    TPreviewPath outline = path.Outline();
    SetPath(std::move(path), std::move(outline));
}

void TPreviewPanel::SetRunState(int row, const std::vector<double> &measured)
{
    m_runRow = measured.empty() ? -1 : row;
    m_measured.reset();
    const size_t x = size_t(AxisX()), y = size_t(AxisY());
    if (AxisX() >= 0 && AxisY() >= 0 && x < measured.size() && y < measured.size()
        && std::isfinite(measured[x]) && std::isfinite(measured[y]))
        m_measured = QPointF(measured[x], measured[y]);
    m_plot->update();
}

void TPreviewPanel::SetFolded(bool folded)
{
    if (folded == IsFolded() && m_plot->isVisibleTo(this) == !folded)
        return;
    const QSignalBlocker block(btn_PreviewFold);
    btn_PreviewFold->setChecked(!folded);
    btn_PreviewFold->setArrowType(folded ? Qt::RightArrow : Qt::DownArrow);
    m_plot->setVisible(!folded);
    setSizePolicy(QSizePolicy::Preferred, folded ? QSizePolicy::Fixed : QSizePolicy::Expanding);
    updateGeometry();
    FoldIntoSplitter(folded);
}

// In a splitter the folded panel keeps only its title bar: the room of the
// plot goes to the widget before it, and comes back when unfolded.
void TPreviewPanel::FoldIntoSplitter(bool folded)
{
    auto *splitter = qobject_cast<QSplitter *>(parentWidget());
    const int at = splitter ? splitter->indexOf(this) : -1;
    if (at < 0)
        return;
    if (folded) {
        m_unfoldedSizes = splitter->sizes();
        const int title = minimumSizeHint().height();
        setMaximumHeight(title);
        QList<int> sizes = m_unfoldedSizes;
        const int freed = std::max(0, sizes[at] - title);
        sizes[at] = title;
        sizes[at > 0 ? at - 1 : std::min(at + 1, int(sizes.size()) - 1)] += freed;
        splitter->setSizes(sizes);
    } else {
        setMaximumHeight(QWIDGETSIZE_MAX);
        if (m_unfoldedSizes.size() == splitter->count())
            splitter->setSizes(m_unfoldedSizes);
    }
}

bool TPreviewPanel::IsFolded() const
{
    return !btn_PreviewFold->isChecked();
}

bool TPreviewPanel::HasAxisPair() const
{
    const int x = AxisX(), y = AxisY();
    return x >= 0 && y >= 0 && x < m_axes.size() && y < m_axes.size();
}

QRectF TPreviewPanel::ShownBounds() const
{
    QRectF bounds = m_path.Bounds();
    if (!m_path.IsEmpty()) {
        double left = bounds.left(), right = bounds.right(), bottom = bounds.top(), top = bounds.bottom();
        ReachLimits(left, right, m_path.LimitsX());
        ReachLimits(bottom, top, m_path.LimitsY());
        bounds = QRectF(QPointF(left, bottom), QPointF(right, top));
    }
    if (m_measured) {
        bounds.setLeft(std::min(bounds.left(), m_measured->x()));
        bounds.setRight(std::max(bounds.right(), m_measured->x()));
        bounds.setTop(std::min(bounds.top(), m_measured->y()));
        bounds.setBottom(std::max(bounds.bottom(), m_measured->y()));
    }
    return bounds;
}

TPreviewView TPreviewPanel::View(const QRectF &area) const
{
    const bool sameScale = HasAxisPair() && AxisUnit(m_axes[AxisX()]) == AxisUnit(m_axes[AxisY()]);
    return TPreviewView(ShownBounds(), PlotArea(area), sameScale);
}

std::vector<std::pair<QString, QRectF>> TPreviewPanel::MarkerLabels(const QRectF &area) const
{
    const std::vector<QPointF> &points = m_path.Points();
    if (m_pending || points.empty() || !HasAxisPair())
        return {};
    const TPreviewView view = View(area);
    const QFontMetricsF metrics(font());
    const QPointF start = view.Map(points.front()), end = view.Map(points.back());
    const QString startText = QStringLiteral("起点"), endText = QStringLiteral("终点");
    if (points.size() < 2 || QLineF(start, end).length() < kSamePointPx)
        return {{QStringLiteral("起点/终点"), LabelBox(metrics, QStringLiteral("起点/终点"), start, false)}};
    const QRectF startBox = LabelBox(metrics, startText, start, false);
    // The end's label goes above its marker, else below, else left of it.
    QRectF endBox = LabelBox(metrics, endText, end, false);
    if (endBox.intersects(startBox))
        endBox = LabelBox(metrics, endText, end, true);
    if (endBox.intersects(startBox))
        endBox.moveRight(end.x() - 8);
    if (endBox.intersects(startBox))
        endBox.moveTop(startBox.bottom() + 1);
    return {{startText, startBox}, {endText, endBox}};
}

void TPreviewPanel::DrawBase(QPainter &painter, const QRectF &area) const
{
    painter.fillRect(area, Qt::white);
    const QRectF plot = PlotArea(area);
    if (m_axes.isEmpty() || !HasAxisPair() || m_pending) {
        painter.setPen(Qt::darkGray);
        painter.drawText(area, Qt::AlignCenter,
                         m_pending ? QStringLiteral("路径计算中…") : QStringLiteral("连接设备后显示路径"));
        return;
    }
    const TPreviewView view = View(area);
    DrawFrame(painter, plot, view);

    painter.save();
    painter.setClipRect(plot);
    DrawLimits(painter, plot, view);
    // Separate lines: a polyline that crosses itself often is stroked as
    // one outline, much more slowly.
    std::vector<QLineF> lines;
    double length = 0;
    for (const QPolygonF &stroke : view.Strokes(m_outline))
        for (int i = 1; i < stroke.size(); ++i) {
            lines.emplace_back(stroke[i - 1], stroke[i]);
            length += lines.back().length();
        }
    const bool smooth = length <= kMaxSmoothLength;
    painter.setRenderHint(QPainter::Antialiasing, smooth);
    QPen pen(kPathColour, smooth ? 1.2 : 1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.drawLines(lines.data(), int(lines.size()));
    const std::vector<QPointF> &points = m_path.Points();
    if (points.size() <= kMaxMarkedStops) {
        painter.setBrush(kPathColour);
        for (const QPointF &p : points)
            painter.drawEllipse(view.Map(p), 2, 2);
    }
    DrawOutside(painter, plot, view);
    painter.restore();
    if (points.empty())
        return;
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (points.size() > 1)
        Marker(painter, view.Map(points.back()), kEndColour, false);
    Marker(painter, view.Map(points.front()), kStartColour, true);
    const auto labels = MarkerLabels(area);
    for (size_t i = 0; i < labels.size(); ++i) {
        painter.setPen((i == 0 ? kStartColour : kEndColour).darker());
        painter.drawText(labels[i].second, Qt::AlignLeft | Qt::AlignVCenter, labels[i].first);
    }
}

void TPreviewPanel::DrawFrame(QPainter &painter, const QRectF &plot, const TPreviewView &view) const
{
    const QRectF shown = view.Shown();
    const QFontMetricsF metrics(painter.font());
    painter.setPen(QColor(225, 225, 225));
    const auto xTicks = TPreviewView::Ticks(shown.left(), shown.right(), std::max(2, int(plot.width() / 80)));
    const auto yTicks = TPreviewView::Ticks(shown.top(), shown.bottom(), std::max(2, int(plot.height() / 50)));
    for (double t : xTicks) {
        const double px = view.Map({t, shown.top()}).x();
        painter.setPen(QColor(225, 225, 225));
        painter.drawLine(QPointF(px, plot.top()), QPointF(px, plot.bottom()));
        painter.setPen(Qt::black);
        const QString text = TickText(t);
        painter.drawText(QPointF(px - metrics.horizontalAdvance(text) / 2, plot.bottom() + metrics.height()), text);
    }
    for (double t : yTicks) {
        const double py = view.Map({shown.left(), t}).y();
        painter.setPen(QColor(225, 225, 225));
        painter.drawLine(QPointF(plot.left(), py), QPointF(plot.right(), py));
        painter.setPen(Qt::black);
        const QString text = TickText(t);
        painter.drawText(QPointF(plot.left() - metrics.horizontalAdvance(text) - 4, py + metrics.ascent() / 2), text);
    }
    painter.setPen(Qt::gray);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);

    const TAxis_Config &ax = m_axes[AxisX()], &ay = m_axes[AxisY()];
    painter.setPen(Qt::black);
    const QString xTitle = QStringLiteral("%1 (%2)").arg(ax.Axis_Caption, AxisUnit(ax));
    painter.drawText(QRectF(plot.left(), plot.bottom() + metrics.height(), plot.width(), kBottom - metrics.height()),
                     Qt::AlignCenter, xTitle);
    painter.save();
    painter.translate(metrics.height() / 2 + 2, plot.center().y());
    painter.rotate(-90);
    const QString yTitle = QStringLiteral("%1 (%2)").arg(ay.Axis_Caption, AxisUnit(ay));
    painter.drawText(QRectF(-plot.height() / 2, -metrics.height() / 2, plot.height(), metrics.height() + 2),
                     Qt::AlignCenter, yTitle);
    painter.restore();
}

// Each shown axis's travel limits, in the coordinate at the program's
// start: red dashed lines across the plot.
void TPreviewPanel::DrawLimits(QPainter &painter, const QRectF &plot, const TPreviewView &view) const
{
    QPen pen(kOutsideColour, 1, Qt::DashLine);
    pen.setCosmetic(true);
    painter.setPen(pen);
    for (const std::optional<double> &x : {m_path.LimitsX().Min, m_path.LimitsX().Max})
        if (x) {
            const double at = view.Map({*x, 0}).x();
            painter.drawLine(QPointF(at, plot.top()), QPointF(at, plot.bottom()));
        }
    for (const std::optional<double> &y : {m_path.LimitsY().Min, m_path.LimitsY().Max})
        if (y) {
            const double at = view.Map({0, *y}).y();
            painter.drawLine(QPointF(plot.left(), at), QPointF(plot.right(), at));
        }
}

// The points outside the limits as red dots, at most one in each small
// square of the plot.
void TPreviewPanel::DrawOutside(QPainter &painter, const QRectF &plot, const TPreviewView &view) const
{
    const std::vector<QPointF> &outside = m_outline.OutsidePoints();
    if (outside.empty())
        return;
    const int columns = int(plot.width()) / kOutsideDotCell + 1, rows = int(plot.height()) / kOutsideDotCell + 1;
    std::vector<bool> taken(size_t(columns) * size_t(rows));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kOutsideColour);
    for (const QPointF &p : outside) {
        const QPointF at = view.Map(p);
        const int column = int((at.x() - plot.left()) / kOutsideDotCell), row = int((at.y() - plot.top()) / kOutsideDotCell);
        if (column < 0 || row < 0 || column >= columns || row >= rows)
            continue;
        const size_t cell = size_t(row) * size_t(columns) + size_t(column);
        if (taken[cell])
            continue;
        taken[cell] = true;
        painter.drawEllipse(at, 3, 3);
    }
}

void TPreviewPanel::DrawRun(QPainter &painter, const QRectF &area) const
{
    if (!HasAxisPair() || m_pending || m_path.IsEmpty())
        return;
    const TPreviewView view = View(area);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setClipRect(PlotArea(area).adjusted(-6, -6, 6, 6));
    const std::vector<QPointF> &points = m_path.Points();
    if (m_runRow >= 0) {
        const auto span = m_path.StepSpan(m_runRow);
        QPolygonF step;
        if (span.second - span.first <= kMaxHighlightPoints) {
            for (size_t i = span.first; i <= span.second; ++i)
                step << view.Map(points[i]);
        } else {
            step << view.Map(points[span.first]) << view.Map(points[span.second]);
        }
        painter.setPen(QPen(kStepColour, 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawPolyline(step);
        painter.setBrush(kStepColour);
        painter.drawEllipse(step.back(), 4, 4);
    }
    if (m_measured) {
        const QPointF p = view.Map(*m_measured);
        painter.setPen(QPen(kMeasuredColour, 2));
        painter.drawLine(p - QPointF(7, 0), p + QPointF(7, 0));
        painter.drawLine(p - QPointF(0, 7), p + QPointF(0, 7));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(p, 4, 4);
    }
}

void TPreviewPanel::Draw(QPainter &painter, const QRectF &area) const
{
    DrawBase(painter, area);
    DrawRun(painter, area);
}
