// tavorin-run check against Python's csv module on the same program of a
// million rows over four axes: both run as whole processes in turn, A B A
// B …, after a warm-up of each; prints each one's median wall and
// processor time and the medians of the ratios taken pair by pair (so a
// drift in the machine's speed meets both alike), with the load average.
// `bench_check 11` takes eleven pairs (seven by default).
#include "program/AutoCode.h"
#include "program/ProgramFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

constexpr int kRows = 1000000;

// Every row iterated, nothing converted: the plainest read of the file.
const char *const kPythonCsv = R"(
import csv, sys
n = 0
with open(sys.argv[1], encoding='gb18030', newline='') as f:
    for row in csv.reader(f):
        n += 1
)";

// A raster on axes 1 and 2 from their homes, a relative step of axis 3 and
// now and then a coordinate adjustment of axis 4 on every line, a pause at
// the end.
std::vector<TAutoCode> FourAxisProgram()
{
    const QString captions[] = {QStringLiteral("第1轴"), QStringLiteral("第2轴"), QStringLiteral("第3轴"),
                                QStringLiteral("第4轴")};
    std::vector<TAutoCode> rows;
    rows.reserve(kRows);
    const auto add = [&](int32_t axis, const QString &action, double param, int32_t delay, int32_t count) {
        rows.push_back({false, axis, axis >= 0 ? captions[axis] : QString(), action, param, delay, count});
    };
    for (int32_t a = 0; a < 4; ++a)
        add(a, AutoAction::Home, 0, 0, 1);
    for (int i = 0; int(rows.size()) < kRows - 1; ++i) {
        const int x = i % 1000, y = i / 1000;
        if (x == 0) {
            add(1, AutoAction::Abs, 0.5 + y * 0.025, 200, 1);
            add(2, AutoAction::Rel, 0.01, 0, 3);
            if (y % 10 == 0)
                add(3, AutoAction::Adjust, y * 0.5, 0, 1);
        }
        add(0, AutoAction::Abs, 0.5 + x * 0.025, 200, 1);
    }
    rows.resize(kRows - 1);
    add(-1, AutoAction::Pause, 0, 0, 1);
    return rows;
}

struct Timing
{
    double Wall = 0, Cpu = 0;
    int Status = -1;
};

// Runs the command with its output thrown away; wall time from the start
// to the end of the process, processor time as the system counts it.
Timing Timed(const std::vector<QByteArray> &command)
{
    std::vector<char *> argv;
    for (const QByteArray &a : command)
        argv.push_back(const_cast<char *>(a.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Timing t;
    QElapsedTimer wall;
    wall.start();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        struct rusage usage {};
        if (wait4(pid, &status, 0, &usage) == pid) {
            t.Wall = double(wall.nsecsElapsed()) / 1e9;
            t.Cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
            t.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return t;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

QByteArray LoadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("?");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int pairs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("program.txt"));
    const QString config = dir.filePath(QStringLiteral("Tavorin.ini"));
    WriteProgramFile(program, FourAxisProgram());
    QFile(config).open(QIODevice::WriteOnly);
    const QByteArray runner = QFile::encodeName(QCoreApplication::applicationDirPath() + QStringLiteral("/../tavorin-run"));
    const std::vector<QByteArray> check = {runner, "check", QFile::encodeName(program), "--config", QFile::encodeName(config)};
    const std::vector<QByteArray> python = {"python3", "-c", kPythonCsv, QFile::encodeName(program)};

    std::printf("program of %d rows, %lld bytes; load average before: %s\n", kRows,
                static_cast<long long>(QFile(program).size()), LoadAverage().constData());
    if (Timed(check).Status != 0 || Timed(python).Status != 0) {
        std::printf("tavorin-run check or python3 did not succeed\n");
        return 1;
    }
    std::vector<double> checkWall, checkCpu, pythonWall, pythonCpu, wallRatio, cpuRatio;
    for (int i = 0; i < pairs; ++i) {
        const Timing a = Timed(check), b = Timed(python);
        checkWall.push_back(a.Wall);
        checkCpu.push_back(a.Cpu);
        pythonWall.push_back(b.Wall);
        pythonCpu.push_back(b.Cpu);
        wallRatio.push_back(b.Wall / a.Wall);
        cpuRatio.push_back(b.Cpu / a.Cpu);
    }
    std::printf("tavorin-run check    median wall %.3f s, cpu %.3f s\n", Median(checkWall), Median(checkCpu));
    std::printf("python csv read      median wall %.3f s, cpu %.3f s\n", Median(pythonWall), Median(pythonCpu));
    std::printf("check faster by      %.1fx wall, %.1fx cpu (medians of %d pairs; target >= 5)\n", Median(wallRatio),
                Median(cpuRatio), pairs);
    std::printf("load average after:  %s\n", LoadAverage().constData());
    return 0;
}
