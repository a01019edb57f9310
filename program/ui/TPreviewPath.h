#pragma once
// The positions an automatic program visits on two chosen axes, in mm or
// degrees, and their mapping onto a drawing area.  No widgets: the preview
// panel draws what these compute.
#include "controller/AxisCommands.h"
#include "program/ProgramWalk.h"

#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <atomic>
#include <vector>

// "mm" for a linear stage, "°" for a rotary one.
QString AxisUnit(const TAxis_Config &config);

class TPreviewPath
{
public:
    // Point 0 is the start; every step that moves or re-labels either axis
    // adds the position it reaches (one per repetition of a relative move).
    // startShifts[a] is how far axis a's coordinate has been set away from
    // its home's (see TTravelWalk); missing entries are 0.  Returns false,
    // leaving the path incomplete, when `cancel` is set while it builds
    // (another thread may set it).
    bool Build(const std::vector<TAutoCode> &rows, const QVector<TAxis_Config> &axes,
               const std::vector<double> &startSteps, int axisX, int axisY,
               const std::atomic_bool *cancel = nullptr, const std::vector<double> &startShifts = {});

    // The same drawing with the points that no plot can tell apart left
    // out: each axis's extent is cut into 4096 parts, finer than any plot's
    // pixels.  A raster of millions of stops keeps its corners only, and of
    // the points outside the travel limits one in each of 1024 × 1024
    // cells.  The result has no rows.  Empty when `cancel` is set while it
    // runs.
    TPreviewPath Outline(const std::atomic_bool *cancel = nullptr) const;

    const std::vector<QPointF> &Points() const { return m_points; }
    // Row whose step reaches each point; -1 for the start.
    const std::vector<int> &Rows() const { return m_rows; }
    // True where a point starts a new stroke: a coordinate adjust re-labels
    // the position without moving there.
    bool StartsStroke(size_t point) const { return (m_flags[point] & kStrokeStart) != 0; }
    // True where a point lies beyond the travel limits of either axis,
    // judged as the walk before a start judges the rows (TTravelWalk): the
    // limits shift with the coordinate and go back to the configured ones
    // at a home.
    bool IsOutside(size_t point) const { return (m_flags[point] & kOutside) != 0; }
    // The outline's points outside the limits (a built path has none).
    const std::vector<QPointF> &OutsidePoints() const { return m_outside; }
    // Each axis's limits in the coordinate at the program's start.
    const AxisCommands::TTravel &LimitsX() const { return m_limitsX; }
    const AxisCommands::TTravel &LimitsY() const { return m_limitsY; }
    QRectF Bounds() const { return m_bounds; }
    bool IsEmpty() const { return m_points.empty(); }

    // The stretch that the step of `row` travels, as point indexes: from
    // the position before it to the last position it reaches (equal when
    // the step moves neither axis).
    std::pair<size_t, size_t> StepSpan(int row) const;

private:
    enum Flag : uint8_t { kStrokeStart = 1, kOutside = 2 };
    void Add(QPointF p, int row, bool newStroke, bool outside = false);
    bool OutlineOutside(TPreviewPath &outline, const std::atomic_bool *cancel) const;

    std::vector<QPointF> m_points;
    std::vector<int> m_rows;
    std::vector<uint8_t> m_flags;
    std::vector<QPointF> m_outside;
    size_t m_outsideCount = 0;
    AxisCommands::TTravel m_limitsX, m_limitsY;
    QRectF m_bounds;
};

// Maps program positions into a drawing area, y growing upwards.  Both
// axes share one scale when `sameScale` (both in mm or both in degrees).
class TPreviewView
{
public:
    TPreviewView(const QRectF &bounds, const QRectF &area, bool sameScale);

    QPointF Map(const QPointF &p) const;
    // The program range shown, a little wider than the path's bounds.
    QRectF Shown() const { return m_shown; }

    // Round tick values (1, 2 or 5 times a power of ten) within lo..hi.
    static std::vector<double> Ticks(double lo, double hi, int maxCount);

    // The path as pixel polylines: points within half a pixel of the line
    // already being drawn add nothing and are left out.
    std::vector<QPolygonF> Strokes(const TPreviewPath &path) const;
    // The points that Strokes keeps: `keep(index, startsStroke)` for each.
    // Returns false when `cancel` is set on the way.
    template <typename Keep>
    bool Corners(const TPreviewPath &path, Keep keep, const std::atomic_bool *cancel = nullptr) const;

private:
    QRectF m_shown;
    QRectF m_area;
    double m_sx = 1, m_sy = 1;
};

// Streams the points once: `a` is the last corner drawn, `b` the farthest
// point reached since in one direction.  A point that only carries on along
// a → b moves `b`; any other turn makes `b` a corner.
template <typename Keep>
bool TPreviewView::Corners(const TPreviewPath &path, Keep keep, const std::atomic_bool *cancel) const
{
    const auto dot = [](QPointF u, QPointF v) { return u.x() * v.x() + u.y() * v.y(); };
    const auto cross = [](QPointF u, QPointF v) { return u.x() * v.y() - u.y() * v.x(); };
    const std::vector<QPointF> &points = path.Points();
    QPointF a, b;
    size_t kept = 0, bIndex = 0; // kept: the last index handed to `keep`
    bool open = false;
    for (size_t i = 0; i < points.size(); ++i) {
        if (cancel && i % 65536 == 0 && cancel->load(std::memory_order_relaxed))
            return false;
        const QPointF p = Map(points[i]);
        if (path.StartsStroke(i) || !open) {
            if (open && bIndex != kept)
                keep(bIndex, false);
            keep(i, true);
            open = true;
            a = b = p;
            kept = bIndex = i;
            continue;
        }
        const QPointF ab = b - a, ap = p - a;
        const double len2 = dot(ab, ab);
        if (dot(p - b, p - b) < 0.25)
            continue;
        if (len2 > 0 && dot(ap, ab) >= len2 && cross(ab, ap) * cross(ab, ap) < 0.25 * len2) {
            b = p;
            bIndex = i;
            continue;
        }
        if (bIndex != kept) {
            keep(bIndex, false);
            kept = bIndex;
        }
        a = b;
        b = p;
        bIndex = i;
    }
    if (open && bIndex != kept)
        keep(bIndex, false);
    return true;
}
