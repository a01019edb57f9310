#include "common/Exceptions.h"
#include "common/FileWrite.h"
#include "config/IniFile.h"
#include "program/ProgramFile.h"
#include "support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

TAutoCode Home()
{
    TAutoCode row;
    row.Action = AutoAction::Home;
    return row;
}

} // namespace

class FileWriteTest : public QObject
{
    Q_OBJECT

private slots:
    // A folder that a normal user may not write, holding a configuration
    // and a program file that the user may: both saves still succeed.  The
    // saves run in a child process that has given up root, which writes
    // anywhere.
    void folderWithoutRoomForATemporaryFileIsWrittenInPlace()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkdir(folder));
        const QString ini = folder + QStringLiteral("/Tavorin.ini");
        const QString program = folder + QStringLiteral("/plan.txt");
        QVERIFY(WriteBytes(ini, "[S]\r\nK=1\r\n") && WriteBytes(program, "old"));
        for (const QString &file : {ini, program})
            QVERIFY(::chmod(QFile::encodeName(file).constData(), 0666) == 0);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);

        const pid_t child = ::fork();
        if (child == 0) {
            int code = 0;
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                code = 2;
            try {
                TIniFile(ini).WriteString("S", "K", "2");
                WriteProgramFile(program, {Home()});
            } catch (const Exception &) {
                code = 1;
            }
            ::_exit(code);
        }
        int status = -1;
        QVERIFY(::waitpid(child, &status, 0) == child);
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(ReadBytes(ini), QByteArray("[S]\r\nK=2\r\n"));
        QCOMPARE(ReadBytes(program), WriteProgramText({Home()}));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name), QStringList({"Tavorin.ini", "plan.txt"}));
    }

    // What killed saves left is removed by the next save of the same file;
    // a temporary file that a running save holds, and every other name,
    // stay.
    void nextSaveRemovesWhatKilledSavesLeft()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Tavorin.ini"));
        const QStringList kept({"Tavorin.ini.backup", "Tavorin.ini.saving-AbC1234", "Tavorin.ini.saving-Held42",
                                "other.ini.saving-AbC123"});
        for (const QString &name : kept + QStringList({"Tavorin.ini.saving-AbC123", "Tavorin.ini.saving-0zZ9x1"}))
            QVERIFY(WriteBytes(dir.filePath(name), "left"));
        const int held = ::open(QFile::encodeName(dir.filePath("Tavorin.ini.saving-Held42")).constData(), O_RDONLY);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);
        QVERIFY(WriteFileAtomically(file, "[S]\r\n"));
        ::close(held);
        QStringList expected = kept + QStringList({"Tavorin.ini"});
        expected.sort();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    }
};
TAVORIN_TEST(FileWriteTest)

#include "FileWriteTest.moc"
