#include "TPreviewPath.h"

#include "program/TravelWalk.h"

#include <algorithm>
#include <cmath>

namespace {

// A relative move repeated more often than this is shown by its end alone:
// its stops lie on one straight line anyway.
constexpr int32_t kMaxRepeatPoints = 10000;
// A cancelled build ends within this many rows.
constexpr size_t kRowsBetweenCancelChecks = 16384;
// The outline tells apart what a plot of this many pixels a side could.
constexpr double kOutlinePixels = 4096;
// ... and of the points outside the limits what this many cells a side can.
constexpr int kOutsideCells = 1024;

// Widens an empty extent so that a path along one line still has room.
void Widen(double &lo, double &hi)
{
    if (hi - lo > 0)
        return;
    const double pad = std::max(1.0, std::fabs(lo) * 0.1);
    lo -= pad;
    hi += pad;
}

double ValueAt(const std::vector<double> &values, int index)
{
    return index >= 0 && size_t(index) < values.size() ? values[size_t(index)] : 0.0;
}

// Judges the points of a path over two axes as the walk before a start
// judges the rows: a point lies outside when either axis stands beyond its
// limits in the coordinate of that point.  Positions are the program's own
// values (the walk's), not the board's steps.
class TLimitJudge
{
public:
    TLimitJudge(const QVector<TAxis_Config> &axes, const std::vector<double> &startSteps,
                const std::vector<double> &startShifts, int axisX, int axisY)
        : m_walk(
              [&axes, &startShifts](int axis) {
                  const TAxis_Config &c = axes[axis];
                  return TTravelWalk::TAxis_Travel{{c.Soft_Min, c.Soft_Max}, ValueAt(startShifts, axis)};
              },
              [&axes, &startSteps](int axis) -> std::optional<double> {
                  const double scale = axes[axis].Motor_Scale;
                  if (scale == 0)
                      return std::nullopt;
                  return ValueAt(startSteps, axis) / scale;
              }),
          m_x(axisX), m_y(axisY)
    {
        const auto limited = [&axes](int a) {
            return a >= 0 && a < axes.size() && (axes[a].Soft_Min || axes[a].Soft_Max);
        };
        m_on = limited(axisX) || limited(axisY);
        if (limited(axisX))
            m_placeX = m_walk.Place(axisX);
        if (limited(axisY))
            m_placeY = m_walk.Place(axisY);
    }

    const AxisCommands::TTravel &LimitsX() const { return m_placeX.Limits; }
    const AxisCommands::TTravel &LimitsY() const { return m_placeY.Limits; }

    // Walks a row of either axis; returns where its axis stood before.
    double Walk(const TAutoCode &row)
    {
        if (!m_on)
            return 0;
        TTravelWalk::TPlace &place = row.ID == m_x ? m_placeX : m_placeY;
        const double before = place.Position;
        place = m_walk.Walk(row);
        if (m_x == m_y)
            m_placeY = m_placeX;
        return before;
    }
    // The point where the walk has both axes; the point with `axis` at
    // `position` instead.
    bool Outside() const { return m_on && Outside(m_placeX.Position, m_placeY.Position); }
    bool Outside(int axis, double position) const
    {
        return m_on
            && Outside(axis == m_x ? position : m_placeX.Position, axis == m_y ? position : m_placeY.Position);
    }

private:
    bool Outside(double x, double y) const { return !m_placeX.Limits.Inside(x) || !m_placeY.Limits.Inside(y); }

    TTravelWalk m_walk;
    int m_x, m_y;
    bool m_on = false;
    TTravelWalk::TPlace m_placeX, m_placeY;
};

} // namespace

QString AxisUnit(const TAxis_Config &config)
{
    return Position_Unit(config);
}

bool TPreviewPath::Build(const std::vector<TAutoCode> &rows, const QVector<TAxis_Config> &axes,
                         const std::vector<double> &startSteps, int axisX, int axisY, const std::atomic_bool *cancel,
                         const std::vector<double> &startShifts)
{
    m_points.clear();
    m_rows.clear();
    m_flags.clear();
    m_outsideCount = 0;
    m_points.reserve(rows.size() + 1);
    m_rows.reserve(rows.size() + 1);
    m_flags.reserve(rows.size() + 1);
    TProgramWalk walk(axes, startSteps);
    TLimitJudge judge(axes, startSteps, startShifts, axisX, axisY);
    m_limitsX = judge.LimitsX();
    m_limitsY = judge.LimitsY();
    auto real = [&walk](int axis) {
        return axis >= 0 && axis < walk.AxisCount() ? walk.RealPosition(axis) : 0.0;
    };
    auto here = [&] { return QPointF(real(axisX), real(axisY)); };

    Add(here(), -1, true, judge.Outside());
    for (size_t i = 0; i < rows.size(); ++i) {
        if (cancel && i % kRowsBetweenCancelChecks == 0 && cancel->load(std::memory_order_relaxed))
            return false;
        const QPointF before = m_points.back();
        const TStepMotion m = walk.Apply(rows[i]);
        if (m.Axis < 0 || (m.Axis != axisX && m.Axis != axisY))
            continue;
        // A home that moves nothing still brings the limits back.
        const double from = judge.Walk(rows[i]);
        const QPointF after = here();
        if (after == before)
            continue;
        if (m.Kind == StepKind::Rel && m.Repeats > 1 && m.Repeats <= kMaxRepeatPoints) {
            const QPointF each = (after - before) / m.Repeats;
            for (int32_t k = 1; k < m.Repeats; ++k)
                Add(before + each * k, int(i), false, judge.Outside(m.Axis, from + k * rows[i].Param));
        }
        Add(after, int(i), m.Kind == StepKind::Adjust, judge.Outside());
    }

    double left = m_points[0].x(), right = left, bottom = m_points[0].y(), top = bottom;
    for (const QPointF &p : m_points) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        bottom = std::min(bottom, p.y());
        top = std::max(top, p.y());
    }
    m_bounds = QRectF(QPointF(left, bottom), QPointF(right, top));
    return true;
}

TPreviewPath TPreviewPath::Outline(const std::atomic_bool *cancel) const
{
    TPreviewPath outline;
    const TPreviewView view(m_bounds, QRectF(0, 0, kOutlinePixels, kOutlinePixels), false);
    if (!view.Corners(*this, [&](size_t i, bool newStroke) { outline.Add(m_points[i], -1, newStroke); }, cancel)
        || !OutlineOutside(outline, cancel))
        return TPreviewPath();
    outline.m_bounds = m_bounds;
    outline.m_limitsX = m_limitsX;
    outline.m_limitsY = m_limitsY;
    return outline;
}

// The first point outside in each cell stands for the cell.
bool TPreviewPath::OutlineOutside(TPreviewPath &outline, const std::atomic_bool *cancel) const
{
    if (m_outsideCount == 0)
        return true;
    const TPreviewView view(m_bounds, QRectF(0, 0, kOutsideCells - 1, kOutsideCells - 1), false);
    std::vector<bool> taken(size_t(kOutsideCells) * kOutsideCells);
    for (size_t i = 0; i < m_points.size(); ++i) {
        if (cancel && i % 65536 == 0 && cancel->load(std::memory_order_relaxed))
            return false;
        if (!IsOutside(i))
            continue;
        const QPointF cell = view.Map(m_points[i]);
        const size_t at = size_t(std::lround(cell.y())) * kOutsideCells + size_t(std::lround(cell.x()));
        if (at < taken.size() && !taken[at]) {
            taken[at] = true;
            outline.m_outside.push_back(m_points[i]);
        }
    }
    return true;
}

void TPreviewPath::Add(QPointF p, int row, bool newStroke, bool outside)
{
    m_points.push_back(p);
    m_rows.push_back(row);
    m_flags.push_back(uint8_t((newStroke ? kStrokeStart : 0) | (outside ? kOutside : 0)));
    m_outsideCount += outside ? 1 : 0;
}

std::pair<size_t, size_t> TPreviewPath::StepSpan(int row) const
{
    const auto first = std::lower_bound(m_rows.begin(), m_rows.end(), row);
    const auto end = std::upper_bound(first, m_rows.end(), row);
    const size_t from = size_t(first - m_rows.begin()) - 1; // the start point has row -1
    return {from, first == end ? from : size_t(end - m_rows.begin()) - 1};
}

TPreviewView::TPreviewView(const QRectF &bounds, const QRectF &area, bool sameScale)
    : m_area(area)
{
    double left = bounds.left(), right = bounds.right(), bottom = bounds.top(), top = bounds.bottom();
    Widen(left, right);
    Widen(bottom, top);
    const double mx = (right - left) * 0.05, my = (top - bottom) * 0.05;
    m_shown = QRectF(QPointF(left - mx, bottom - my), QPointF(right + mx, top + my));
    m_sx = area.width() / m_shown.width();
    m_sy = area.height() / m_shown.height();
    if (sameScale) {
        m_sx = m_sy = std::min(m_sx, m_sy);
        const QPointF centre = m_shown.center();
        m_shown.setSize(QSizeF(area.width() / m_sx, area.height() / m_sy));
        m_shown.moveCenter(centre);
    }
}

QPointF TPreviewView::Map(const QPointF &p) const
{
    return {m_area.left() + (p.x() - m_shown.left()) * m_sx, m_area.bottom() - (p.y() - m_shown.top()) * m_sy};
}

std::vector<double> TPreviewView::Ticks(double lo, double hi, int maxCount)
{
    std::vector<double> ticks;
    if (!(hi > lo) || maxCount < 1 || !std::isfinite(hi - lo))
        return ticks;
    const double raw = (hi - lo) / maxCount;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude * 10;
    for (double f : {1.0, 2.0, 5.0})
        if (f * magnitude >= raw) {
            step = f * magnitude;
            break;
        }
    for (double k = std::ceil(lo / step); k * step <= hi + step * 1e-9; ++k)
        ticks.push_back(k == 0 ? 0.0 : k * step);
    return ticks;
}

std::vector<QPolygonF> TPreviewView::Strokes(const TPreviewPath &path) const
{
    std::vector<QPolygonF> strokes;
    Corners(path, [&](size_t i, bool newStroke) {
        if (newStroke)
            strokes.emplace_back();
        strokes.back().append(Map(path.Points()[i]));
    });
    return strokes;
}
