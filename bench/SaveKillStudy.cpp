// The in-place save under kill -9: in a folder that takes no temporary file
// (made so by the save's test hook), a child process saves the
// configuration file (400 keys) and a program file (3,000 and 4,000 rows
// in turn) over and over and is killed at a random moment; then a start is
// made (the putting back of interrupted saves).  Writing the pieces takes
// microseconds and the syncs around them tens of milliseconds, so each
// piece is made to take 2 ms more (a slow disk): many kills then land in
// the middle of the new bytes.  Prints, per kind, how many
// kills left the file half old, half new before the start and after it.
//
//     bench_save_kills [kills per kind, default 1000]
//
// Everything happens in a temporary folder, the state folder included.
#include "common/FileWrite.h"
#include "common/SaveBackup.h"
#include "config/IniFile.h"
#include "program/ProgramFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr useconds_t kPieceDelayUs = 2000;

// A folder that takes no temporary file, on a slow disk.
bool SlowInPlace(TWriteStep step)
{
    if (step == TWriteStep::Write)
        ::usleep(kPieceDelayUs);
    return step != TWriteStep::Temporary;
}

struct Kind
{
    const char *name;
    std::function<void(const QString &, bool)> save; // the first or the second content
    QByteArray contents[2];
};

QByteArray Bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void SaveIni(const QString &path, bool second)
{
    TIniFile ini(path);
    ini.Batch([&] {
        for (int k = 0; k < 400; ++k)
            ini.WriteString("AXIS0", QStringLiteral("KEY_%1").arg(k),
                            second ? QString(60, QLatin1Char('b')) : QString(40, QLatin1Char('a')));
    });
}

void SaveProgram(const QString &path, bool second)
{
    const TAutoCode row{false, 0, QStringLiteral("第1轴"), AutoAction::Rel, 0.5, 100, 1};
    WriteProgramFile(path, std::vector<TAutoCode>(second ? 4000 : 3000, row));
}

// The two contents as the saves write them.
void Learn(Kind &kind, const QString &path)
{
    for (int i = 0; i < 2; ++i) {
        kind.save(path, i == 1);
        kind.contents[i] = Bytes(path);
    }
}

bool Whole(const Kind &kind, const QByteArray &bytes)
{
    return bytes == kind.contents[0] || bytes == kind.contents[1];
}

} // namespace

int main(int argc, char **argv)
{
    const int kills = argc > 1 ? std::atoi(argv[1]) : 1000;
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
    QCoreApplication::setApplicationName(QStringLiteral("Tavorin"));
    const QString folder = dir.filePath(QStringLiteral("files"));
    QDir().mkpath(folder);

    Kind kinds[] = {{"Tavorin.ini", SaveIni, {}}, {"program.txt", SaveProgram, {}}};
    for (Kind &kind : kinds) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(kind.name);
        Learn(kind, path);
        // How long one in-place save takes, to spread the kills over it.
        SetFileWriteHookForTest(SlowInPlace);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 10; ++i)
            kind.save(path, i % 2 == 1);
        const qint64 saveUs = timer.nsecsElapsed() / 10000;
        SetFileWriteHookForTest({});

        int partialBefore = 0, partialAfter = 0, putBack = 0, copiesLeft = 0, missed = 0;
        for (int k = 0; k < kills; ++k) {
            const pid_t child = ::fork();
            if (child == 0) {
                ::prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlives the study
                SetFileWriteHookForTest(SlowInPlace);
                for (bool second = true;; second = !second) {
                    try {
                        kind.save(path, second);
                    } catch (...) {
                    }
                }
            }
            ::usleep(useconds_t(QRandomGenerator::global()->bounded(int(saveUs * 3 + 1))));
            ::kill(child, SIGKILL);
            int status = 0;
            ::waitpid(child, &status, 0);
            if (!WIFSIGNALED(status))
                ++missed;
            if (!Whole(kind, Bytes(path)))
                ++partialBefore;
            putBack += int(Restore_Interrupted_Saves().size()); // the next start
            if (!Whole(kind, Bytes(path)))
                ++partialAfter;
            copiesLeft += int(QDir(Save_Backup_Folder()).entryList(QDir::Files | QDir::Hidden).size());
        }
        std::printf("%s: %d kills (one save %.1f ms), half-written before the start %d, put back %d, "
                    "partial after the start %d, copies left %d%s\n",
                    kind.name, kills, double(saveUs) / 1000.0, partialBefore, putBack, partialAfter, copiesLeft,
                    missed ? " (some children ended before the kill)" : "");
        std::fflush(stdout);
    }
    return 0;
}
