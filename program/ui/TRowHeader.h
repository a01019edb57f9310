#pragma once
// The row header of a grid that may hold millions of rows.  A plain header
// lays out a section for every row as soon as its model is reset: for ten
// million rows that holds the window for a quarter of a second.  This one
// lays the rows out a slice per turn of the event loop while the window
// goes on answering, and lets the grid paint again once every row is laid
// out.  Any other change of the rows first completes the layout, so the
// header never disagrees with the model about a row it is told of.  For a
// grid whose rows all have one height and are never hidden or moved.
#include <QHeaderView>
#include <QMetaObject>
#include <vector>

class TRowHeader : public QHeaderView
{
    Q_OBJECT
public:
    static constexpr int kSliceRows = 1 << 19;

    explicit TRowHeader(QWidget *parent, int sliceRows = kSliceRows);

    void setModel(QAbstractItemModel *model) override;
    void reset() override;
    void doItemsLayout() override;

    // Every row of the model has its section and the grid paints.
    bool IsLaidOut() const;
    // Lays out the rows still missing at once.
    void Complete();

signals:
    // The rows missing after a reset have all been laid out.
    void LaidOut();

private:
    void FollowRowsAtTheEnd(QAbstractItemModel *model);
    int ModelRows() const;
    void StartGrowing();
    void GrowStep();
    bool ReadLaidOutSections();
    void FinishGrowing();
    void ScheduleStep();

    int m_sliceRows;
    bool m_growing = false;
    bool m_stepQueued = false;
    int m_sectionsRead = 0;  // sections read since the last slice
    int m_countBefore = 0;   // sections when the growing started
    std::vector<QMetaObject::Connection> m_modelConnections;
};
