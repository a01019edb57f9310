#pragma once
// Which file the program table came from or went to, and whether the table
// has changed since: what the window title shows.
#include <QObject>
#include <QString>

class QAbstractItemModel;

class TProgramDocument : public QObject
{
    Q_OBJECT
public:
    // Every change of `table` marks the program modified.
    TProgramDocument(QAbstractItemModel *table, QObject *parent);

    QString Path() const { return m_path; }
    bool IsModified() const { return m_modified; }

    // The table now holds what `path` holds (read or written); a read that
    // stopped early leaves the table different from its file.
    void Opened(const QString &path, bool complete);
    void Saved(const QString &path);

    // "<caption> - <file name>", with "*" while the table differs from the
    // file; the caption alone while no file was opened or saved.
    QString Title(const QString &caption) const;

signals:
    void Changed();

private:
    void Set(const QString &path, bool modified);

    QString m_path;
    bool m_modified = false;
};
