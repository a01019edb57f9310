#include "common/Exceptions.h"
#include "common/FileWrite.h"
#include "config/IniFile.h"
#include "program/ProgramFile.h"
#include "support/InPlaceSaves.h"
#include "support/TestRegistry.h"

#include <QDir>
#include <QDirIterator>
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

using InPlaceSaves::Point;

std::vector<TAutoCode> Rows(int count)
{
    std::vector<TAutoCode> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({false, 0, QStringLiteral("第1轴"), AutoAction::Rel, i * 0.5, 100, 1});
    return rows;
}

// A file of one kind, in a folder of its own, holding its content before a
// save that makes it longer: the configuration file (400 keys) and a
// program file (3,000 rows, then 4,000).
struct SavedFile
{
    explicit SavedFile(const QString &kind)
    {
        if (kind == QLatin1String("Tavorin.ini")) {
            oldBytes = "[AXIS0]\r\n";
            for (int k = 0; k < 400; ++k)
                oldBytes += QByteArray("KEY_") + QByteArray::number(k) + "=" + QByteArray(40, 'a') + "\r\n";
            save = [](const QString &path) {
                TIniFile ini(path);
                ini.Batch([&ini] {
                    for (int k = 0; k < 400; ++k)
                        ini.WriteString("AXIS0", QStringLiteral("KEY_%1").arg(k), QString(60, QLatin1Char('b')));
                });
            };
        } else {
            oldBytes = WriteProgramText(Rows(3000));
            save = [](const QString &path) { WriteProgramFile(path, Rows(4000)); };
        }
        path = dir.filePath(kind);
        WriteBytes(path, oldBytes);
        save(path);
        newBytes = ReadBytes(path);
        WriteBytes(path, oldBytes);
    }
    void Save() const { save(path); }
    QByteArray Bytes() const { return ReadBytes(path); }

    QTemporaryDir dir;
    QString path;
    QByteArray oldBytes;
    QByteArray newBytes; // what the save writes when nothing fails
    std::function<void(const QString &)> save;
};

void AddKinds(const std::vector<std::pair<const char *, Point>> &points)
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("nth");
    for (const char *kind : {"Tavorin.ini", "plan.txt"}) {
        for (const auto &[label, point] : points)
            QTest::addRow("%s, %s", kind, label) << QString::fromLatin1(kind) << int(point.step) << point.nth;
    }
}

Point FetchPoint()
{
    QFETCH(int, step);
    QFETCH(int, nth);
    return {TWriteStep(step), nth};
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
        // The user's own state folder, for the copy of the old bytes.
        const QString userData = dir.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkdir(userData) && ::chmod(QFile::encodeName(userData).constData(), 0777) == 0);

        const pid_t child = ::fork();
        if (child == 0) {
            int code = 0;
            qputenv("XDG_DATA_HOME", QFile::encodeName(userData));
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
        QVERIFY(!QDirIterator(userData, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories).hasNext());
    }

    // A folder that takes no temporary file and a disk that fills up: the
    // in-place save fails and the file is as it was, with no copy left.
    void inPlaceSaveThatFailsLeavesTheOldFileWhole_data()
    {
        AddKinds({{"no room for the new bytes", {TWriteStep::Reserve}},
                  {"first piece", {TWriteStep::Write, 1}},
                  {"third piece", {TWriteStep::Write, 3}},
                  {"after the last piece", {TWriteStep::Written}}});
    }
    void inPlaceSaveThatFailsLeavesTheOldFileWhole()
    {
        QFETCH(QString, kind);
        const SavedFile file(kind);
        {
            InPlaceSaves::Faults faults(FetchPoint());
            QVERIFY_THROWS_EXCEPTION(Exception, file.Save());
        }
        QVERIFY(file.Bytes() == file.oldBytes);
        QCOMPARE(InPlaceSaves::Copies(), QStringList());
        QCOMPARE(QDir(file.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({kind}));
        // ...and the same save goes through once the disk has room.
        InPlaceSaves::Faults faults;
        file.Save();
        QVERIFY(file.Bytes() == file.newBytes);
        QCOMPARE(InPlaceSaves::Copies(), QStringList());
    }

    // A save killed during the in-place write leaves a copy that the next
    // start puts back: the file is whole again, old or new, and the state
    // folder empty.
    void killedInPlaceSaveIsPutBackAtTheNextStart_data()
    {
        AddKinds({{"killed while copying", {TWriteStep::Backup}},
                  {"killed at the second piece", {TWriteStep::Write, 2}},
                  {"killed once written", {TWriteStep::Written}}});
    }
    void killedInPlaceSaveIsPutBackAtTheNextStart()
    {
        QFETCH(QString, kind);
        const SavedFile file(kind);
        const Point at = FetchPoint();
        QVERIFY(InPlaceSaves::KilledAt(at, [&] { file.Save(); }));
        const bool halfWritten = at.step == TWriteStep::Write;
        QCOMPARE(file.Bytes() != file.oldBytes && file.Bytes() != file.newBytes, halfWritten);

        QCOMPARE(Restore_Interrupted_Saves(), halfWritten ? QStringList({file.path}) : QStringList());
        QVERIFY(file.Bytes() == (at.step == TWriteStep::Written ? file.newBytes : file.oldBytes));
        QCOMPARE(InPlaceSaves::Copies(), QStringList());
    }

    // So does a put-back that failed after a failed write.
    void putBackThatFailsKeepsTheCopyForTheNextStart()
    {
        const SavedFile file(QStringLiteral("plan.txt"));
        {
            InPlaceSaves::Faults faults(Point{TWriteStep::Write, 2}, {TWriteStep::Restore});
            QVERIFY_THROWS_EXCEPTION(Exception, file.Save());
        }
        QCOMPARE(InPlaceSaves::Copies().size(), 2);
        QCOMPARE(Restore_Interrupted_Saves(), QStringList({file.path}));
        QVERIFY(file.Bytes() == file.oldBytes);
        QCOMPARE(InPlaceSaves::Copies(), QStringList());
    }

    // A start while another program is saving in place leaves its copy be.
    void copyOfARunningSaveIsLeftAlone()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plan.txt"));
        QVERIFY(WriteBytes(path, "half"));
        TSaveBackup running;
        QVERIFY(running.Begin(path, "old", "new"));
        QCOMPARE(Restore_Interrupted_Saves(), QStringList());
        QCOMPARE(InPlaceSaves::Copies().size(), 2);
        QCOMPARE(ReadBytes(path), QByteArray("half"));
        running.Discard();
        QCOMPARE(InPlaceSaves::Copies(), QStringList());
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
