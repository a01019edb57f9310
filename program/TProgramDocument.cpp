#include "TProgramDocument.h"

#include <QAbstractItemModel>
#include <QFileInfo>

TProgramDocument::TProgramDocument(QAbstractItemModel *table, QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("ProgramDocument"));
    if (!table)
        return;
    const auto modified = [this] { SetModified(true); };
    connect(table, &QAbstractItemModel::dataChanged, this, modified);
    connect(table, &QAbstractItemModel::rowsInserted, this, modified);
    connect(table, &QAbstractItemModel::rowsRemoved, this, modified);
    connect(table, &QAbstractItemModel::rowsMoved, this, modified);
    connect(table, &QAbstractItemModel::modelReset, this, modified);
}

void TProgramDocument::SetModified(bool modified)
{
    Set(m_path, modified);
}

void TProgramDocument::Opened(const QString &path, bool complete)
{
    Set(path, !complete);
}

void TProgramDocument::Saved(const QString &path)
{
    Set(path, false);
}

void TProgramDocument::Generated()
{
    Set(QString(), true);
}

void TProgramDocument::Set(const QString &path, bool modified)
{
    if (path == m_path && modified == m_modified)
        return;
    const bool modifiedChanged = modified != m_modified;
    m_path = path;
    m_modified = modified;
    emit Changed();
    if (modifiedChanged)
        emit ModifiedChanged(m_modified);
}

QString TProgramDocument::Title(const QString &caption) const
{
    const QString star = m_modified ? QStringLiteral("*") : QString();
    if (m_path.isEmpty())
        return m_modified ? caption + QStringLiteral(" - 未命名") + star : caption;
    return caption + QStringLiteral(" - ") + QFileInfo(m_path).fileName() + star;
}
