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

    // The axes to offer (their captions) and the program to show; the
    // start is where each axis is now, in steps.  `rows` is kept by
    // reference (the program table's rows) until the next call.  The chosen
    // pair of axes stays while it exists; otherwise X and Y fall back to
    // axes 0 and 1.
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
    // Draws the plot within `area`: the program's path, then the run.
    void Draw(QPainter &painter, const QRectF &area) const;
    void DrawBase(QPainter &painter, const QRectF &area) const;
    void DrawRun(QPainter &painter, const QRectF &area) const;

private:
    void FillAxisLists();
    void Rebuild();
    TPreviewView View(const QRectF &area) const;
    void DrawFrame(QPainter &painter, const QRectF &plot, const TPreviewView &view) const;

    TPreviewPlot *m_plot;
    const std::vector<TAutoCode> *m_rows = nullptr;
    QVector<TAxis_Config> m_axes;
    std::vector<double> m_start;
    TPreviewPath m_path;
    std::pair<int, int> m_pair{0, 1}; // the axes chosen for X and Y
    int m_runRow = -1;
    std::optional<QPointF> m_measured;
};
