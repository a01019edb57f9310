// tavorin-run: runs a program file from a script, a scheduler or a shell,
// on the same engines as the window.  QtCore only.
#include "CliOptions.h"
#include "common/SaveBackup.h"
#include "common/StopSignals.h"
#include "TCliOutput.h"
#include "TCliSession.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The window's settings folder, whatever this executable is called.
    QCoreApplication::setApplicationName(QStringLiteral("Tavorin"));
    TCliOptions options;
    try {
        options = Parse_Cli_Options(QCoreApplication::arguments().mid(1));
    } catch (const TUsageError &e) {
        std::fprintf(stderr, "%s\n", e.Message.toUtf8().constData());
        return Exit_Usage;
    }
    if (options.Cmd == TCliOptions::Help) {
        std::fputs(Cli_Help_Text().toUtf8().constData(), stdout);
        return Exit_Ok;
    }
    TCliOutput out(stdout, stderr, options.Json, ::isatty(STDERR_FILENO) == 1);
    // A save that was killed halfway is undone before the files are read.
    const QString restored = Restored_Saves_Text(Restore_Interrupted_Saves());
    if (!restored.isEmpty())
        out.Message(restored);
    TCliSession session(options, out);
    if (options.Cmd == TCliOptions::Check)
        return session.Check();
    if (options.Cmd == TCliOptions::Estimate)
        return session.Estimate();

    TStopSignals stopSignals;
    QObject::connect(&stopSignals, &TStopSignals::Stop, &session, &TCliSession::Interrupt);
    QObject::connect(&session, &TCliSession::Finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    if (const int status = session.Run())
        return status;
    // A signal that came while connecting: the run has just started.
    if (const int signal = TStopSignals::Received())
        session.Interrupt(signal);
    return QCoreApplication::exec();
}
