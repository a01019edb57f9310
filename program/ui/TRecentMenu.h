#pragma once
// The menu of "打开方案": the programs last opened or saved, newest first,
// as the configuration file keeps them.
#include <QMenu>
#include <QStringList>

class TRecentMenu : public QMenu
{
    Q_OBJECT
public:
    explicit TRecentMenu(QWidget *parent);

    QStringList Paths() const;
    // Where the file dialogs start.
    QString Last_Folder() const;
    // `path` was opened or saved: it goes first.  A configuration file that
    // cannot be written keeps the old list (the program is safe all the
    // same).
    void Remember(const QString &path);
    void Forget(const QString &path);

signals:
    void Chosen(const QString &path);

private:
    void Rebuild();
    void Store(const QStringList &paths);
};
