#include "TRowHeader.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>

namespace {

// Time a turn of the event loop may spend reading sections, in ms.
const qint64 kReadBudgetMs = 8;
// Sections one read covers: the header keeps a few bytes per section, so
// one read a few hundred sections apart touches every page of them.
const int kSectionsPerRead = 256;

} // namespace

TRowHeader::TRowHeader(QWidget *parent, int sliceRows)
    : QHeaderView(Qt::Vertical, parent), m_sliceRows(std::max(1, sliceRows))
{
}

// The header's own slots must meet a complete layout: the completion is
// connected before the base class connects them.
void TRowHeader::setModel(QAbstractItemModel *model)
{
    for (const QMetaObject::Connection &connection : m_modelConnections)
        disconnect(connection);
    m_modelConnections.clear();
    if (model) {
        const auto complete = [this] { Complete(); };
        m_modelConnections = {
            connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this, complete),
            connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, complete),
            connect(model, &QAbstractItemModel::rowsAboutToBeMoved, this, complete),
            connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, complete),
        };
    }
    QHeaderView::setModel(model);
    if (model)
        FollowRowsAtTheEnd(model);
}

// Every row has the same height and none is hidden or moved, so rows added
// anywhere change the sections as rows added at the end would.  The plain
// header makes room for them among its sections (for a row before the first
// of ten million it moves them all to new memory: a quarter of a second);
// here the sections are added at the end.
void TRowHeader::FollowRowsAtTheEnd(QAbstractItemModel *model)
{
    disconnect(model, &QAbstractItemModel::rowsInserted, this, nullptr);
    m_modelConnections.push_back(
        connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &parent) {
            if (parent == rootIndex())
                initializeSections();
        }));
}

// A reset only posts a layout of the view; the sections follow in
// doItemsLayout.
void TRowHeader::reset()
{
    QAbstractItemView::reset();
}

void TRowHeader::doItemsLayout()
{
    if (!m_growing) {
        if (ModelRows() - count() <= m_sliceRows)
            initializeSections();
        else
            StartGrowing();
    }
    QAbstractItemView::doItemsLayout();
}

bool TRowHeader::IsLaidOut() const
{
    const bool everyRow = count() == ModelRows();
    return everyRow && !m_growing;
}

void TRowHeader::Complete()
{
    if (IsLaidOut())
        return;
    initializeSections();
    FinishGrowing();
}

int TRowHeader::ModelRows() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

// The grid does not paint while it grows: a paint reads the position of
// every section laid out so far.
void TRowHeader::StartGrowing()
{
    m_growing = true;
    m_countBefore = count();
    m_sectionsRead = 0;
    if (QWidget *grid = parentWidget())
        grid->setUpdatesEnabled(false);
    GrowStep();
}

// One turn of the layout.  When the header's list of sections grows it may
// move in memory, and the first read of each moved page is slow (some
// microseconds a page on a virtual machine): a paint reading them all at
// once would hold the window for a tenth of a second at ten million rows.
// So every slice is followed by reading the sections laid out so far, a
// budget a turn, before the next slice or the first paint.
void TRowHeader::GrowStep()
{
    if (!m_growing)
        return;
    if (!ReadLaidOutSections()) {
        ScheduleStep();
        return;
    }
    const int laid = count();
    const int missing = ModelRows() - laid;
    if (missing <= 0) {
        if (missing < 0) // reset to fewer rows meanwhile
            initializeSections();
        FinishGrowing();
        return;
    }
    // The grid learns of the new rows when they are all laid out: its own
    // layout also reads every section's position.
    const QSignalBlocker quiet(this);
    initializeSections(laid, laid + std::min(missing, m_sliceRows) - 1);
    m_sectionsRead = 0;
    ScheduleStep();
}

// Reads the sections laid out so far, within the turn's budget; true when
// every one has been read.
bool TRowHeader::ReadLaidOutSections()
{
    QElapsedTimer clock;
    clock.start();
    const int laid = count();
    while (m_sectionsRead < laid) {
        sectionSize(m_sectionsRead);
        m_sectionsRead += kSectionsPerRead;
        if (m_sectionsRead % (kSectionsPerRead * 64) == 0 && clock.elapsed() >= kReadBudgetMs)
            return m_sectionsRead >= laid;
    }
    return true;
}

void TRowHeader::FinishGrowing()
{
    if (!m_growing)
        return;
    m_growing = false;
    if (QWidget *grid = parentWidget())
        grid->setUpdatesEnabled(true);
    emit sectionCountChanged(m_countBefore, count());
    // The grid lays itself out now rather than later, so that whoever is
    // told of the layout can scroll to any row at once.
    if (auto *grid = qobject_cast<QAbstractItemView *>(parentWidget()))
        grid->doItemsLayout();
    emit LaidOut();
}

void TRowHeader::ScheduleStep()
{
    if (m_stepQueued)
        return;
    m_stepQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_stepQueued = false;
        GrowStep();
    });
}
