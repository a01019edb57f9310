#include "TRunLogView.h"

#include "program/TProgramRunner.h"

#include <QPlainTextEdit>

TRunLogView::TRunLogView(QPlainTextEdit *log, TProgramRunner *runner, QObject *parent)
    : QObject(parent), m_log(log), m_runner(runner)
{
    connect(runner, &TProgramRunner::PassEnded, this, &TRunLogView::Flush);
    // A refusal's box shows the log up to the refusal.
    connect(runner, &TProgramRunner::Refused, this, &TRunLogView::Flush);
}

void TRunLogView::Add(const QString &line)
{
    if (!m_runner->InPass()) {
        m_log->appendPlainText(line);
        return;
    }
    m_held << line;
}

void TRunLogView::Flush()
{
    if (m_held.isEmpty())
        return;
    m_log->appendPlainText(m_held.join(QLatin1Char('\n')));
    m_held.clear();
}
