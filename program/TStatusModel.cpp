#include "TStatusModel.h"

#include "AnsiText.h"
#include "common/NumberText.h"

#include <cmath>

TStatusModel::TStatusModel(QObject *parent) : QAbstractTableModel(parent) {}

int TStatusModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : AxisCount();
}

int TStatusModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TStatusModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= AxisCount())
        return {};
    const Row &row = m_rows[size_t(index.row())];
    switch (index.column()) {
    case ColID: return index.row();
    case ColAxis: return row.Axis;
    case ColPos: return std::isfinite(row.Pos) && PositionsKnown() ? FormatFloat6(row.Pos) : QStringLiteral("—");
    case ColUnit: return row.Unit;
    default: return {};
    }
}

QVariant TStatusModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1; // record number
    static const char *const titles[ColumnCount] = {"ID", "轴名称", "当前位置", "单位"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(titles[section]) : QVariant();
}

void TStatusModel::SetAxes(const QStringList &captions, const QStringList &units)
{
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(size_t(captions.size()));
    for (qsizetype i = 0; i < captions.size(); ++i)
        m_rows.push_back({CutToAnsiBytes(captions[i], kAxisFieldBytes), units.value(i), 0.0, 0.0});
    endResetModel();
}

QString TStatusModel::Unit(int axis) const
{
    return axis >= 0 && axis < AxisCount() ? m_rows[size_t(axis)].Unit : QString();
}

QString TStatusModel::Axis(int axis) const
{
    return axis >= 0 && axis < AxisCount() ? m_rows[size_t(axis)].Axis : QString();
}

QStringList TStatusModel::Captions() const
{
    QStringList captions;
    for (const Row &row : m_rows)
        captions << row.Axis;
    return captions;
}

double TStatusModel::Pos(int axis) const
{
    return axis >= 0 && axis < AxisCount() ? m_rows[size_t(axis)].Pos : 0.0;
}

void TStatusModel::SetPos(int axis, double pos)
{
    if (axis < 0 || axis >= AxisCount())
        return;
    m_rows[size_t(axis)].Pos = pos;
    const QModelIndex cell = index(axis, ColPos);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void TStatusModel::SetSteps(int axis, int32_t steps)
{
    if (axis >= 0 && axis < AxisCount())
        m_rows[size_t(axis)].Steps = steps;
}

std::vector<double> TStatusModel::StepPositions() const
{
    std::vector<double> steps;
    steps.reserve(m_rows.size());
    for (const Row &row : m_rows)
        steps.push_back(row.Steps);
    return steps;
}

void TStatusModel::SetStale(bool stale)
{
    SetKnownFlag(m_stale, stale);
}

void TStatusModel::SetConnected(bool connected)
{
    SetKnownFlag(m_connected, connected);
}

void TStatusModel::SetKnownFlag(bool &flag, bool value)
{
    if (flag == value)
        return;
    flag = value;
    if (!m_rows.empty())
        emit dataChanged(index(0, ColPos), index(AxisCount() - 1, ColPos), {Qt::DisplayRole});
}
