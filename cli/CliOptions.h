#pragma once
// The command line of tavorin-run: a command, a program file and options.
#include "controller/BoardLink.h"

#include <QString>
#include <QStringList>
#include <stdexcept>

// Exit statuses; each is listed in --help and the manual page.
enum TCliExit {
    Exit_Ok = 0,
    Exit_Refused = 1,    // a row of the program cannot run
    Exit_Usage = 2,      // the command line is wrong
    Exit_File = 3,       // the program or configuration file cannot be used
    Exit_No_Board = 4,   // no board answers, it serves another program, or the serial line is taken
    Exit_Link_Lost = 5,  // the board stopped answering during the run
    Exit_Pause_Ended = 6, // a pause step waited and standard input ended
    // Ended from outside, after the halt: 128 + the signal's number
    // (SIGHUP 129, SIGINT 130, a closed output pipe 141, SIGTERM 143).
};

struct TCliOptions
{
    enum Command { Help, Check, Estimate, Run };
    Command Cmd = Help;
    QString File;
    QString RepeatText = QStringLiteral("1"); // as typed into "方案执行次数"
    QString Config;                           // empty: where the window keeps it
    TLink_Choice Link;                        // USB unless --link says otherwise
    bool Json = false;
    bool Fast = false; // fast stepping instead of the 50 ms tick schedule
};

// A command line that cannot be used; the message is one Chinese line.
class TUsageError : public std::runtime_error
{
public:
    explicit TUsageError(const QString &message) : std::runtime_error("usage"), Message(message) {}
    QString Message;
};

// Parses the arguments after the program name; throws TUsageError.
TCliOptions Parse_Cli_Options(const QStringList &args);

// "usb", "net:HOST:PORT" (HOST a dotted IPv4 address, PORT 1024 to 65535,
// the port dialog's limits) or "serial:DEVICE"; throws TUsageError.
TLink_Choice Parse_Link(const QString &text);

// The text of --help.
QString Cli_Help_Text();
