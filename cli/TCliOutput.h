#pragma once
// What tavorin-run writes: run-log lines (or one JSON object per event) on
// standard output as they happen, one-line messages on standard error and,
// on a terminal, a progress line on standard error that rewrites itself.
#include <QJsonObject>
#include <QString>
#include <cstdio>
#include <functional>

class TCliOutput
{
public:
    // `progress`: standard error is a terminal that shows the progress line.
    TCliOutput(FILE *out, FILE *err, bool json, bool progress);

    bool Json() const { return m_json; }

    // Called once when standard output can no longer be written (a closed
    // pipe): nobody follows the run any more.
    std::function<void()> OutputClosed;

    // A run-log line as stamped (Log_Line), with its text; `row` and `run`
    // count from 1 (0: none).
    void Log(const QString &line, const QString &text, int row, int run);
    // An event of its own kind: plain text is written as a line, JSON as an
    // object with kind, time, row, run, text and `extra`.
    void Event(const QString &kind, const QString &text, int row = 0, int run = 0,
               const QJsonObject &extra = QJsonObject());
    // A one-line message on standard error.
    void Message(const QString &text);
    // The end: with --json an object of kind "result" with the exit status.
    void Result(int status, const QString &text, int row = 0, int run = 0);

    void Progress(const QString &line);
    void ClearProgress();

private:
    void WriteLine(FILE *stream, const QString &line);
    void WriteJson(const QString &kind, const QString &text, int row, int run, QJsonObject object);

    FILE *m_out;
    FILE *m_err;
    bool m_json;
    bool m_progress;
    bool m_outputClosed = false;
    QString m_progressLine;
};
