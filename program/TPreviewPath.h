#pragma once
// The positions an automatic program visits on two chosen axes, in mm or
// degrees, and their mapping onto a drawing area.  No widgets: the preview
// panel draws what these compute.
#include "ProgramWalk.h"

#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <vector>

// "mm" for a linear stage, "°" for a rotary one.
QString AxisUnit(const TAxis_Config &config);

class TPreviewPath
{
public:
    // Point 0 is the start; every step that moves or re-labels either axis
    // adds the position it reaches (one per repetition of a relative move).
    void Build(const std::vector<TAutoCode> &rows, const QVector<TAxis_Config> &axes,
               const std::vector<double> &startSteps, int axisX, int axisY);

    const std::vector<QPointF> &Points() const { return m_points; }
    // Row whose step reaches each point; -1 for the start.
    const std::vector<int> &Rows() const { return m_rows; }
    // True where a point starts a new stroke: a coordinate adjust re-labels
    // the position without moving there.
    bool StartsStroke(size_t point) const { return m_strokeStart[point] != 0; }
    QRectF Bounds() const { return m_bounds; }

    // The stretch that the step of `row` travels, as point indexes: from
    // the position before it to the last position it reaches (equal when
    // the step moves neither axis).
    std::pair<size_t, size_t> StepSpan(int row) const;

private:
    void Add(QPointF p, int row, bool newStroke);

    std::vector<QPointF> m_points;
    std::vector<int> m_rows;
    std::vector<uint8_t> m_strokeStart;
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

private:
    QRectF m_shown;
    QRectF m_area;
    double m_sx = 1, m_sy = 1;
};
