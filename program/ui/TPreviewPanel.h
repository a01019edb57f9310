#pragma once
// The path preview of the automatic page (pnl_Preview): the positions the
// program visits on two chosen axes, with start and end marked and, while
// a program runs, the step being executed and the axes' measured positions.
// It folds down to its title bar.
#include "TPreviewPath.h"

#include <QWidget>
#include <optional>

class QComboBox;
class QPainter;
class QToolButton;
class TPreviewPlot;

class TPreviewPanel : public QWidget
{
    Q_OBJECT
public:
    explicit TPreviewPanel(QWidget *parent = nullptr);

    QToolButton *btn_PreviewFold;
    QComboBox *cbb_PreviewX;
    QComboBox *cbb_PreviewY;

    // The axes to offer (their captions).  The chosen pair of axes stays
    // while it exists; otherwise X and Y fall back to axes 0 and 1.
    void SetAxes(const QVector<TAxis_Config> &axes);
    // The path of the chosen pair and its outline, built elsewhere (see
    // TPreviewPath), or a note that they are being built.  SwapPath leaves
    // the previous path and outline with the caller (freeing a path of
    // millions of points takes a while: the caller chooses where).
    void SetPath(TPreviewPath path, TPreviewPath outline);
    void SwapPath(TPreviewPath &path, TPreviewPath &outline);
    void SetPathPending();
    bool IsPathPending() const { return m_pending; }
    // Builds and shows the path itself: the axes, the program and its start
    // (where each axis is now, in steps).  `rows` is kept by reference (the
    // program table's rows) until the next call, and the path is built again
    // when another pair of axes is chosen.
    void SetProgram(const std::vector<TAutoCode> &rows, const QVector<TAxis_Config> &axes,
                    const std::vector<double> &startSteps);
    void SetAxisPair(int axisX, int axisY);
    int AxisX() const;
    int AxisY() const;

    // While a program runs: the row being executed and each axis's measured
    // position in mm or degrees; an empty position list ends the run display.
    void SetRunState(int row, const std::vector<double> &measured);

    void SetFolded(bool folded);
    bool IsFolded() const;

    const TPreviewPath &Path() const { return m_path; }
    // The program range the plot shows: the path's, widened to hold the
    // measured position while a program runs.
    QRectF ShownBounds() const;
    // The texts beside the start and end markers and where they go in a
    // plot drawn within `area`; one "起点/终点" when the two coincide.
    std::vector<std::pair<QString, QRectF>> MarkerLabels(const QRectF &area) const;

    // Draws the plot within `area`: the program's path, then the run.
    void Draw(QPainter &painter, const QRectF &area) const;
    void DrawBase(QPainter &painter, const QRectF &area) const;
    void DrawRun(QPainter &painter, const QRectF &area) const;

signals:
    // Another pair of axes was chosen: its path is wanted.
    void AxisPairChanged();

private:
    void FillAxisLists();
    void Rebuild();
    bool HasAxisPair() const;
    TPreviewView View(const QRectF &area) const;
    void DrawFrame(QPainter &painter, const QRectF &plot, const TPreviewView &view) const;
    void DrawLimits(QPainter &painter, const QRectF &plot, const TPreviewView &view) const;
    void DrawOutside(QPainter &painter, const QRectF &plot, const TPreviewView &view) const;
    void FoldIntoSplitter(bool folded);

    TPreviewPlot *m_plot;
    const std::vector<TAutoCode> *m_rows = nullptr;
    QVector<TAxis_Config> m_axes;
    std::vector<double> m_start;
    TPreviewPath m_path;
    TPreviewPath m_outline; // what is drawn of m_path
    bool m_pending = false;
    std::pair<int, int> m_pair{0, 1}; // the axes chosen for X and Y
    int m_runRow = -1;
    std::optional<QPointF> m_measured;
    QList<int> m_unfoldedSizes; // the splitter's sizes before folding
};
