#pragma once
// Which file the program table came from or went to, and whether the table
// differs from what was last opened, saved, or generated and then saved:
// what the window title shows and what closing asks about.
#include <QObject>
#include <QString>

class QAbstractItemModel;

class TProgramDocument : public QObject
{
    Q_OBJECT
public:
    // Every change of `table` marks the program modified; without a table
    // the owner drives SetModified (from the table's history of edits).
    TProgramDocument(QAbstractItemModel *table, QObject *parent);

    QString Path() const { return m_path; }
    bool IsModified() const { return m_modified; }
    // The one place where "modified" is decided; whatever keeps a history
    // of the table (an undo stack's clean state) may drive it.
    void SetModified(bool modified);

    // The table now holds what `path` holds (read or written); a read that
    // stopped early leaves the table different from its file.
    void Opened(const QString &path, bool complete);
    void Saved(const QString &path);
    // The table was generated: it belongs to no file until it is saved.
    void Generated();

    // "<caption> - <file name>", with "*" while the table differs from the
    // file; "<caption> - 未命名*" for a modified program without a file; the
    // caption alone for an unmodified one.
    QString Title(const QString &caption) const;

signals:
    // The path or the modified state changed.
    void Changed();
    void ModifiedChanged(bool modified);

private:
    void Set(const QString &path, bool modified);

    QString m_path;
    bool m_modified = false;
};
