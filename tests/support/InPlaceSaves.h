#pragma once
// Saves in a folder that takes no temporary file, with faults where a test
// wants them: a step of the save that fails, or the process killed there.
#include "common/FileWrite.h"
#include "common/SaveBackup.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <functional>
#include <map>
#include <optional>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace InPlaceSaves {

// The point of a save where something happens: the `nth` time (from 1) the
// save reaches `step`.
struct Point
{
    TWriteStep step;
    int nth = 1;
};

// Every folder refuses a temporary file; the save fails at `failAt` (each of
// the steps in `alsoFail` fails always), or the process is killed there.
class Faults
{
public:
    explicit Faults(std::optional<Point> failAt = std::nullopt, QSet<TWriteStep> alsoFail = {}, bool kill = false)
    {
        SetFileWriteHookForTest([=, seen = std::map<TWriteStep, int>()](TWriteStep step) mutable {
            if (step == TWriteStep::Temporary || alsoFail.contains(step))
                return false;
            if (!failAt || failAt->step != step || ++seen[step] != failAt->nth)
                return true;
            if (kill)
                ::raise(SIGKILL);
            return false;
        });
    }
    ~Faults() { SetFileWriteHookForTest({}); }
};

// Runs `save` in a child process that is killed at `at`; true when it was.
inline bool KilledAt(Point at, const std::function<void()> &save)
{
    const pid_t child = ::fork();
    if (child == 0) {
        Faults faults(at, {}, true);
        try {
            save();
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// The copies and manifests in the state folder.
inline QStringList Copies()
{
    return QDir(Save_Backup_Folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

inline QByteArray Bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace InPlaceSaves
