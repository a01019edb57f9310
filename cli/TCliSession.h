#pragma once
// tavorin-run's commands, on the engines the window uses: the program file
// reader, the connection sequence, the configuration load, the pre-start
// checks, the planner and the program runner.
#include "CliOptions.h"
#include "program/TRunProgress.h"

#include <QElapsedTimer>
#include <QObject>
#include <vector>

class QSocketNotifier;
class QTimer;
class TCliOutput;
class TCodeModel;
class TKeepAlive;
class TProgramRunner;
class TStatusModel;

class TCliSession : public QObject
{
    Q_OBJECT
public:
    TCliSession(const TCliOptions &options, TCliOutput &out, QObject *parent = nullptr);
    ~TCliSession() override;

    // Each answers the exit status.
    int Check();
    int Estimate();
    // Starts a run; Finished reports its end.  The status is answered at
    // once when the run ends before it starts (Exit_Ok means it started).
    int Run();

    // SIGINT, SIGTERM, SIGHUP, or SIGPIPE for a closed standard output:
    // halts every axis at once, logs "停止" and ends the run with 128 + the
    // signal's number.
    void Interrupt(int signal);

    TProgramRunner *Runner() const { return m_runner; }

    // Writes the progress line of the run under way (at each row and each
    // status refresh).
    void Show_Progress();
    // The clock of the time left: monotonic milliseconds.
    void SetProgressClock(std::function<int64_t()> now) { m_runProgress.SetClock(std::move(now)); }

signals:
    void Finished(int status);

private:
    // Reads the program, connects and loads the configuration; answers
    // Exit_Ok or the status of the first failure (already reported).
    int Prepare(bool startupHalt);
    int Fail(int status, const QString &message);
    QString Config_File() const;
    void Connect_Runner();
    void RunStateChanged(int state);
    void Finish(int status, const QString &message = QString());
    void Watch_Link();
    void Read_Stdin();
    int Row() const;
    int Run_Number() const;
    int32_t Repeat() const;

    TCliOptions m_options;
    TCliOutput &m_out;
    TCodeModel *m_code;
    TProgramRunner *m_runner;
    TStatusModel *m_status;
    int m_axes = 0;
    bool m_initialised = false;

    // The run.
    TRunProgress m_runProgress;
    QElapsedTimer m_elapsed;
    QString m_refusal;
    bool m_started = false;
    bool m_begun = false; // the runner has reported running or paused
    bool m_finished = false;
    QTimer *m_linkWatch;
    TKeepAlive *m_keepAlive;
    QSocketNotifier *m_stdin = nullptr;
};
