#include "TCodeModel.h"

#include "AnsiText.h"
#include "common/NumberText.h"

#include <algorithm>

void ForceActionValues(TAutoCode &code)
{
    if (code.Action == AutoAction::Home || code.Action == AutoAction::Pause) {
        code.Param = 0;
        code.Count = 1;
    } else if (code.Action == AutoAction::Abs || code.Action == AutoAction::Adjust) {
        code.Count = 1;
    }
}

TCodeModel::TCodeModel(QObject *parent) : QAbstractTableModel(parent) {}

int TCodeModel::ColumnWidthChars(int column)
{
    static const int widths[ColumnCount] = {0, 20, 20, 15, 10, 10};
    return column >= 0 && column < ColumnCount ? widths[column] : 0;
}

TCodeModel::~TCodeModel()
{
    emit Destroying();
}

void TCodeModel::FitFields(TAutoCode &code)
{
    code.bInsert = false;
    // Most texts are far too short to need the cut; assigning them to
    // themselves would cost a million reference counts on a long program.
    if (code.Axis.size() > kAxisFieldBytes / 4)
        code.Axis = CutToAnsiBytes(code.Axis, kAxisFieldBytes);
    if (code.Action.size() > kActionFieldBytes / 4)
        code.Action = CutToAnsiBytes(code.Action, kActionFieldBytes);
}

int TCodeModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TCodeModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TCodeModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    const TAutoCode &code = Row(index.row());
    switch (index.column()) {
    case ColID: return code.ID;
    case ColAxis: return code.Axis;
    case ColAction: return code.Action;
    case ColParam: return FloatToStr(code.Param);
    case ColDelay: return code.Delay;
    case ColCount: return code.Count;
    default: return {};
    }
}

QVariant TCodeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1; // record number
    static const char *const titles[ColumnCount] = {"ID", "轴名称", "动作", "参数", "延时(ms)", "循环次数"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(titles[section]) : QVariant();
}

void TCodeModel::SetCurrentRow(int row)
{
    if (m_rows.empty())
        row = -1;
    else if (row < 0 || row >= rowCount())
        return;
    if (row == m_current)
        return;
    m_current = row;
    emit CurrentRowChanged(row);
}

int TCodeModel::InsertRow(int row, const TAutoCode &code)
{
    if (row < 0 || row > rowCount())
        row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    m_rows.insert(m_rows.begin() + row, code);
    FitFields(m_rows[size_t(row)]);
    endInsertRows();
    m_current = -2; // force the signal
    SetCurrentRow(row);
    return row;
}

void TCodeModel::RemoveRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
    m_current = -2;
    SetCurrentRow(std::min(row, rowCount() - 1));
}

int TCodeModel::InsertRows(int row, std::vector<TAutoCode> rows)
{
    if (row < 0 || row > rowCount())
        row = rowCount();
    if (rows.empty())
        return row;
    FitRows(rows);
    beginInsertRows(QModelIndex(), row, row + int(rows.size()) - 1);
    m_rows.insert(m_rows.begin() + row, std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    endInsertRows();
    m_current = -2;
    SetCurrentRow(row);
    return row;
}

std::vector<TAutoCode> TCodeModel::TakeRows(int row, int count)
{
    count = std::min(count, rowCount() - row);
    if (row < 0 || count <= 0)
        return {};
    const auto first = m_rows.begin() + row;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    std::vector<TAutoCode> taken(std::make_move_iterator(first), std::make_move_iterator(first + count));
    m_rows.erase(first, first + count);
    endRemoveRows();
    m_current = -2;
    SetCurrentRow(std::min(row, rowCount() - 1));
    return taken;
}

TAutoCode TCodeModel::ExchangeRow(int row, TAutoCode code)
{
    if (row < 0 || row >= rowCount())
        return code;
    FitFields(code);
    std::swap(m_rows[size_t(row)], code);
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    m_current = -2;
    SetCurrentRow(row);
    return code;
}

std::vector<TAutoCode> TCodeModel::TakeRanges(const std::vector<TRowRange> &ranges)
{
    if (ranges.size() == 1)
        return TakeRows(ranges.front().First, ranges.front().Count);
    if (ranges.empty())
        return {};
    size_t total = 0;
    for (const TRowRange &r : ranges)
        total += size_t(r.Count);
    std::vector<TAutoCode> taken;
    taken.reserve(total);
    beginResetModel();
    // The rows kept close up behind `write`; `read` is the first row not
    // yet looked at.
    const auto at = [this](size_t row) { return m_rows.begin() + std::ptrdiff_t(row); };
    size_t write = size_t(ranges.front().First), read = write;
    for (const TRowRange &r : ranges) {
        const size_t first = size_t(r.First), end = first + size_t(r.Count);
        write = size_t(std::move(at(read), at(first), at(write)) - m_rows.begin());
        taken.insert(taken.end(), std::make_move_iterator(at(first)), std::make_move_iterator(at(end)));
        read = end;
    }
    write = size_t(std::move(at(read), m_rows.end(), at(write)) - m_rows.begin());
    m_rows.erase(at(write), m_rows.end());
    endResetModel();
    m_current = -2;
    SetCurrentRow(std::min(ranges.front().First, rowCount() - 1));
    return taken;
}

void TCodeModel::InsertRanges(const std::vector<TRowRange> &ranges, std::vector<TAutoCode> rows)
{
    if (ranges.size() == 1) {
        InsertRows(ranges.front().First, std::move(rows));
        return;
    }
    if (ranges.empty())
        return;
    FitRows(rows);
    beginResetModel();
    // From the back: the rows after each range move up to their place,
    // then the range's rows go in before them.
    const auto at = [this](size_t row) { return m_rows.begin() + std::ptrdiff_t(row); };
    size_t read = m_rows.size(), from = rows.size();
    m_rows.resize(m_rows.size() + rows.size());
    size_t write = m_rows.size();
    for (size_t i = ranges.size(); i-- > 0;) {
        const size_t first = size_t(ranges[i].First), end = first + size_t(ranges[i].Count);
        std::move_backward(at(read - (write - end)), at(read), at(write));
        read -= write - end;
        from -= size_t(ranges[i].Count);
        std::move(rows.begin() + std::ptrdiff_t(from), rows.begin() + std::ptrdiff_t(from) + ranges[i].Count, at(first));
        write = first;
    }
    endResetModel();
    m_current = -2;
    SetCurrentRow(ranges.front().First);
}

std::vector<TAutoCode> TCodeModel::ExchangeRows(std::vector<TAutoCode> rows)
{
    beginResetModel();
    m_rows.swap(rows);
    endResetModel();
    m_current = -2;
    SetCurrentRow(m_rows.empty() ? -1 : 0);
    return rows;
}

void TCodeModel::FitRows(std::vector<TAutoCode> &rows)
{
    for (TAutoCode &code : rows)
        FitFields(code);
}

void TCodeModel::SetRows(std::vector<TAutoCode> rows, bool fitted)
{
    beginResetModel();
    m_rows = std::move(rows);
    if (!fitted)
        FitRows(m_rows);
    endResetModel();
    m_current = -2;
    SetCurrentRow(m_rows.empty() ? -1 : 0);
}

std::vector<TAutoCode> TCodeModel::TakeRows()
{
    std::vector<TAutoCode> rows;
    beginResetModel();
    rows.swap(m_rows);
    endResetModel();
    m_current = -2;
    SetCurrentRow(-1);
    return rows;
}

int TCodeModel::AddCode(const TAutoCode &code)
{
    TAutoCode added = code;
    ForceActionValues(added);
    return InsertRow(code.bInsert ? m_current : rowCount(), added);
}
