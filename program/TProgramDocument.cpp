#include "TProgramDocument.h"

#include <QAbstractItemModel>
#include <QFileInfo>

TProgramDocument::TProgramDocument(QAbstractItemModel *table, QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("ProgramDocument"));
    const auto modified = [this] { Set(m_path, true); };
    connect(table, &QAbstractItemModel::dataChanged, this, modified);
    connect(table, &QAbstractItemModel::rowsInserted, this, modified);
    connect(table, &QAbstractItemModel::rowsRemoved, this, modified);
    connect(table, &QAbstractItemModel::rowsMoved, this, modified);
    connect(table, &QAbstractItemModel::modelReset, this, modified);
}

void TProgramDocument::Opened(const QString &path, bool complete)
{
    Set(path, !complete);
}

void TProgramDocument::Saved(const QString &path)
{
    Set(path, false);
}

void TProgramDocument::Set(const QString &path, bool modified)
{
    if (path == m_path && modified == m_modified)
        return;
    m_path = path;
    m_modified = modified;
    emit Changed();
}

QString TProgramDocument::Title(const QString &caption) const
{
    if (m_path.isEmpty())
        return caption;
    return caption + QStringLiteral(" - ") + QFileInfo(m_path).fileName()
           + (m_modified ? QStringLiteral("*") : QString());
}
