#pragma once
// The run log: every line stamped once, with the local time, shown by
// whoever listens to Line (the window's log, the command-line runner's
// output) and, while a run lasts, written to the run's record together with
// the points table (RunRecord.h).  A fresh start of the program runner opens
// a record, the end of the run closes it.  A record that cannot be written
// never holds up the run: the first failure is logged once and the run
// goes on without its record.
#include "AutoCode.h"
#include "RunRecord.h"
#include "TProgramRunner.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QTimer;

class TRunLog : public QObject
{
    Q_OBJECT
public:
    // `programName` answers the base name of the program's file, empty for
    // a program that has not been saved.
    explicit TRunLog(std::function<QString()> programName, QObject *parent = nullptr);

    // Logs the runner's lines and keeps a record of each of its runs.
    void Follow(TProgramRunner *runner);

    // The text's log line (Log_Line), written to the record and emitted.
    void Add(const QString &text);

    // Where the records go: runs/ beside the configuration file in use.
    std::function<QString()> Folder;

    // The record of the run: opened at a fresh start, closed at its end.
    // Open_Record reads where the axes stand, for the first relative move
    // of each axis.
    void Open_Record();
    void Close_Record();
    const TRunRecord &Record() const { return m_record; }

    // The clock of the stamps.
    std::function<QDateTime()> Now;

    // The record reaches the disk at most this often while a run lasts, and
    // at its end: a power cut loses at most this much of it.
    static constexpr int kSyncMs = 100;
    // How often it has been synced (for tests and benchmarks).
    int Syncs() const { return m_syncs; }

signals:
    // The stamped line, and its text without the stamp.
    void Line(const QString &line, const QString &text);

private:
    void Record_Point(const TAutoCode &code, int row, int run, const TInPosition &inPos);
    std::optional<double> Commanded(const TAutoCode &code) const;
    void Record_Failed();
    void Schedule_Sync();
    void Sync();

    std::function<QString()> m_programName;
    std::function<int()> m_axisCount;
    TRunRecord m_record;
    bool m_failed = false;
    QTimer *m_sync;
    QElapsedTimer m_sinceSync;
    int m_syncs = 0;
    // Per axis, where the run last told it to go (mm or degrees).
    QHash<int, std::optional<double>> m_commanded;
};
