#pragma once
// The status table of the automatic page: one row per axis, in axis-number
// order, with the axis caption and its last known position (mm or degrees).
#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>
#include <vector>

class TStatusModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { ColID, ColAxis, ColPos, ColUnit, ColumnCount };

    explicit TStatusModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Replaces the rows by one per caption (row i = axis i), positions 0;
    // `units` (entry i for axis i) are the units of the positions.
    void SetAxes(const QStringList &captions, const QStringList &units = {});
    void Clear() { SetAxes({}); }

    int AxisCount() const { return int(m_rows.size()); }
    QString Axis(int axis) const;
    // Every axis's caption, row i = axis i.
    QStringList Captions() const;
    QString Unit(int axis) const;
    // 0 for an axis outside the table.
    double Pos(int axis) const;
    // Sets one axis's position; an axis outside the table is ignored.  A
    // position that is not finite (an axis without steps per unit) is kept
    // and shown as "—".
    void SetPos(int axis, double pos);

    // The board's step position of every axis as last read (0 before the
    // first read), for planning from where the axes stand.
    void SetSteps(int axis, int32_t steps);
    std::vector<double> StepPositions() const;
    // Tells the followers that a refresh of every row has ended.
    void EndRefresh() { emit Refreshed(); }

    // While the board is lost nothing is known of where the axes stand:
    // every position reads "—" until the board answers again.
    void SetStale(bool stale);
    bool IsStale() const { return m_stale; }
    // Without a board the window cannot know where the axes stand either:
    // the positions read "—" until one is connected.
    void SetConnected(bool connected);

signals:
    void Refreshed();

private:
    bool PositionsKnown() const { return !m_stale && m_connected; }
    // Sets one of the flags that decide whether the positions are known.
    void SetKnownFlag(bool &flag, bool value);

    struct Row
    {
        QString Axis;
        QString Unit;
        double Pos = 0;
        double Steps = 0;
    };
    std::vector<Row> m_rows;
    bool m_stale = false;
    bool m_connected = true;
};
