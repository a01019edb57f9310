#pragma once
// Shows the run log's lines in the automatic page's log (mmo_Log).  The
// lines of one pass of the program runner are appended in one edit: at
// the log's cap of lines each edit trims and lays out the document, so a
// pass of fast stepping costs one edit, not one per line.  Lines outside a
// pass (the run controls) are appended at once.  Connect it before
// anything that shows a box on the runner's refusals.
#include <QObject>
#include <QStringList>

class QPlainTextEdit;
class TProgramRunner;

class TRunLogView : public QObject
{
    Q_OBJECT
public:
    TRunLogView(QPlainTextEdit *log, TProgramRunner *runner, QObject *parent = nullptr);

    void Add(const QString &line);

private:
    void Flush();

    QPlainTextEdit *m_log;
    TProgramRunner *m_runner;
    QStringList m_held;
};
