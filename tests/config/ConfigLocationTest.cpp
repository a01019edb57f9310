#include "config/ConfigLocation.h"
#include "config/IniFile.h"
#include "support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Settings stay beside the executable when its folder can be written and
// move to the user's folder when it cannot (an installed program).
class ConfigLocationTest : public QObject
{
    Q_OBJECT
private slots:
    void folderFollowsWhetherTheProgramFolderCanBeWritten_data()
    {
        QTest::addColumn<QFile::Permissions>("programPermissions");
        QTest::addColumn<bool>("besideProgram");
        const QFile::Permissions all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        QTest::newRow("writable") << all << true;
        QTest::newRow("read-only") << (all & ~QFile::Permissions(QFile::WriteOwner)) << false;
    }
    void folderFollowsWhetherTheProgramFolderCanBeWritten()
    {
        QFETCH(QFile::Permissions, programPermissions);
        QFETCH(bool, besideProgram);
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("opt"));
        const QString user = root.filePath(QStringLiteral("home/.config/Tavorin"));
        QVERIFY(QDir().mkpath(program));
        QVERIFY(QFile::setPermissions(program, programPermissions));

        const QString folder = SettingsFolder(program, user);

        QCOMPARE(folder, besideProgram ? program : user);
        // The user's folder exists only when it is used, and holds no file
        // until the first write.
        QCOMPARE(QFileInfo::exists(user), !besideProgram);
        const QString file = folder + QStringLiteral("/Tavorin.ini");
        QVERIFY(!QFile::exists(file));
        TIniFile(file).WriteString(QStringLiteral("AXIS0"), QStringLiteral("CAPTION"), QStringLiteral("X"));
        QCOMPARE(TIniFile(file).ReadString(QStringLiteral("AXIS0"), QStringLiteral("CAPTION"), QString()),
                 QStringLiteral("X"));
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void missingProgramFolderUsesTheUserFolder()
    {
        QTemporaryDir root;
        const QString user = root.filePath(QStringLiteral("user"));
        QCOMPARE(SettingsFolder(root.filePath(QStringLiteral("gone")), user), user);
    }
};
TAVORIN_TEST(ConfigLocationTest)

#include "ConfigLocationTest.moc"
