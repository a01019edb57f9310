#include "common/Exceptions.h"
#include "common/NumberText.h"
#include "common/TextEncoding.h"
#include "config/ConfigLocation.h"
#include "config/IniFile.h"
#include "support/Fifo.h"
#include "support/TestRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// The message of the EIniFileException that call throws, or an empty text.
template <typename F>
QString WriteErrorOf(F &&call)
{
    try {
        call();
    } catch (const EIniFileException &e) {
        return e.Message();
    }
    return QString();
}

QString ExpectedWriteError(const QString &path)
{
    return QStringLiteral("Unable to write to ") + QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

bool RefusedName(const QString &message)
{
    return message.startsWith(QStringLiteral("配置文件不能保存"));
}

// A local socket bound at the path: an entry that exists and that no one
// can open as a file.
bool MakeSocketAt(const QString &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (name.size() >= int(sizeof address.sun_path))
        return false;
    std::copy(name.cbegin(), name.cend(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return bound;
}

bool IsSocket(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISSOCK(st.st_mode);
}

} // namespace

// A configuration file of the test's own, missing at the start of each test.
class IniFileTestCase : public QObject
{
    Q_OBJECT

protected:
    QTemporaryDir m_dir;
    QString m_path;

    TIniFile Ini() const { return TIniFile(m_path); }
    void Given(const QByteArray &bytes) { WriteBytes(m_path, bytes); }
    QByteArray OnDisk() const { return ReadBytes(m_path); }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("Tavorin.ini"));
        QFile::remove(m_path);
    }
};

// Sections, keys and the layout of the lines.
class IniFileLayoutTest : public IniFileTestCase
{
    Q_OBJECT

private slots:

    void missingFileReadsDefaultsAndStaysMissing()
    {
        const TIniFile ini = Ini();
        QCOMPARE(ini.ReadString("AXIS0", "CAPTION", "第1轴"), QStringLiteral("第1轴"));
        QCOMPARE(ini.ReadInteger("AXIS0", "DIV", 32), 32);
        QCOMPARE(ini.ReadBool("AXIS0", "VISIBLE", true), true);
        QCOMPARE(ini.ReadFloat("AXIS0", "ACC", 1.5), 1.5);
        QVERIFY(ini.ReadSection("GROUP").isEmpty());
        QVERIFY(!ini.SectionExists("AXIS0"));
        TIniFile(m_path).EraseSection("AXIS0");
        QVERIFY(!QFile::exists(m_path));
    }

    void namesMatchWithoutCase()
    {
        Given("[Axis0]\r\nCaption=X\r\n");
        TIniFile ini = Ini();
        QCOMPARE(ini.ReadString("AXIS0", "CAPTION", "d"), QStringLiteral("X"));
        QVERIFY(ini.SectionExists("aXiS0"));
        ini.WriteString("axis0", "caption", "Y");
        QCOMPARE(OnDisk(), QByteArray("[Axis0]\r\nCaption=Y\r\n"));
    }

    void valueForms()
    {
        Given("[AXIS0]\n"
              "CAPTION=\n"
              "DIV=abc\nKIND=0x10\nGROUP_ID=$FF\n"
              "VISIBLE=2\nENCODER_Z=no\nENCODER_DIR=0\n"
              "ACC=\nDEC=1.5e3\nMAX_V=fast\nPITCH= 0.25 \n");
        const TIniFile ini = Ini();
        QCOMPARE(ini.ReadString("AXIS0", "CAPTION", "第1轴"), QString());
        QCOMPARE(ini.ReadInteger("AXIS0", "CAPTION", 3), 3);
        QCOMPARE(ini.ReadInteger("AXIS0", "DIV", 32), 32);
        QCOMPARE(ini.ReadInteger("AXIS0", "KIND", 0), 16);
        QCOMPARE(ini.ReadInteger("AXIS0", "GROUP_ID", 0), 255);
        QCOMPARE(ini.ReadBool("AXIS0", "VISIBLE", false), true);
        QCOMPARE(ini.ReadBool("AXIS0", "ENCODER_Z", true), true);
        QCOMPARE(ini.ReadBool("AXIS0", "ENCODER_Z", false), false);
        QCOMPARE(ini.ReadBool("AXIS0", "ENCODER_DIR", true), false);
        QCOMPARE(ini.ReadFloat("AXIS0", "ACC", 1), 1.0);
        QCOMPARE(ini.ReadFloat("AXIS0", "DEC", 1), 1500.0);
        QCOMPARE(ini.ReadFloat("AXIS0", "MAX_V", 1), 1.0);
        QCOMPARE(ini.ReadFloat("AXIS0", "PITCH", 1), 0.25);
    }

    void writersProduceTheValueForms()
    {
        TIniFile ini = Ini();
        ini.WriteInteger("S", "I", -5);
        ini.WriteBool("S", "T", true);
        ini.WriteBool("S", "F", false);
        ini.WriteFloat("S", "A", 0.1);
        ini.WriteFloat("S", "B", 120);
        ini.WriteFloat("S", "C", 0.00001);
        QCOMPARE(OnDisk(), QByteArray("[S]\r\nI=-5\r\nT=1\r\nF=0\r\nA=0.1\r\nB=120\r\nC=1E-5\r\n"));
        QCOMPARE(ini.ReadFloat("S", "C", 0), 0.00001);
    }

    void inPlaceWriteKeepsEverythingElse()
    {
        Given("; settings\r\n"
              "\r\n"
              "[AXIS0]\r\n"
              "CAPTION=A\r\n"
              "# note=kept\r\n"
              "  DIV = 16  \r\n"
              "garbage line\r\n"
              "ACC=1\r\n"
              "\r\n"
              "[AXIS1]\r\n"
              "DIV=8\r\n");
        TIniFile ini = Ini();
        ini.WriteInteger("AXIS0", "div", 64);
        QCOMPARE(OnDisk(), QByteArray("; settings\r\n"
                                      "\r\n"
                                      "[AXIS0]\r\n"
                                      "CAPTION=A\r\n"
                                      "# note=kept\r\n"
                                      "DIV=64\r\n"
                                      "garbage line\r\n"
                                      "ACC=1\r\n"
                                      "\r\n"
                                      "[AXIS1]\r\n"
                                      "DIV=8\r\n"));
        QCOMPARE(ini.ReadInteger("AXIS1", "DIV", 0), 8);
    }

    void newKeyGoesToTheEndOfItsSection()
    {
        Given("[AXIS0]\r\nDIV=16\r\n\r\n[AXIS1]\r\nDIV=8\r\n");
        TIniFile ini = Ini();
        ini.WriteString("AXIS0", "P_REL", "abc");
        QCOMPARE(OnDisk(), QByteArray("[AXIS0]\r\nDIV=16\r\nP_REL=abc\r\n\r\n[AXIS1]\r\nDIV=8\r\n"));
    }

    void newKeyInASectionWithoutKeysFollowsItsHeader()
    {
        Given("[EMPTY]\r\n; nothing yet\r\n[NEXT]\r\nK=1\r\n");
        TIniFile ini = Ini();
        ini.WriteString("EMPTY", "K", "2");
        QCOMPARE(OnDisk(), QByteArray("[EMPTY]\r\nK=2\r\n; nothing yet\r\n[NEXT]\r\nK=1\r\n"));
    }

    void newSectionGoesToTheEndOfTheFile()
    {
        Given("[Axis1]\r\nP_REL=1\r\n");
        TIniFile ini = Ini();
        ini.WriteString("Axis0", "P_REL", "2");
        ini.WriteString("Axis0", "P_ABS", "3");
        QCOMPARE(OnDisk(), QByteArray("[Axis1]\r\nP_REL=1\r\n[Axis0]\r\nP_REL=2\r\nP_ABS=3\r\n"));
        QCOMPARE(ini.ReadString("AXIS0", "P_ABS", ""), QStringLiteral("3"));
    }

    void readSectionListsKeysInFileOrder()
    {
        Given("[GROUP]\r\n"
              "B=0\r\n"
              "; C=1\r\n"
              "no equals sign\r\n"
              "=orphan value\r\n"
              " a = 5\r\n"
              "Zeta=\r\n"
              "[OTHER]\r\n"
              "X=1\r\n");
        const TIniFile ini = Ini();
        QCOMPARE(ini.ReadSection("group"), QStringList({"B", "a", "Zeta"}));
        QVERIFY(ini.ReadSection("MISSING").isEmpty());
        QCOMPARE(ini.ReadString("GROUP", "no equals sign", "d"), QStringLiteral("d"));
        QCOMPARE(ini.ReadString("GROUP", "; C", "d"), QStringLiteral("d"));
    }

    void eraseSectionRemovesEveryCopy()
    {
        Given("[GROUP]\r\nA=0\r\n; group comment\r\n"
              "[AXIS0]\r\nDIV=1\r\n"
              "[group]\r\nB=1\r\n");
        TIniFile ini = Ini();
        ini.EraseSection("Group");
        QCOMPARE(OnDisk(), QByteArray("[AXIS0]\r\nDIV=1\r\n"));
        QVERIFY(!ini.SectionExists("GROUP"));

        const QByteArray before = OnDisk();
        ini.EraseSection("NONE");
        QCOMPARE(OnDisk(), before);
    }

    void duplicatesFirstOneWins()
    {
        Given("[S]\r\nK=first\r\nK=second\r\n[s]\r\nK=third\r\nOnlyLater=x\r\n");
        TIniFile ini = Ini();
        QCOMPARE(ini.ReadString("S", "K", ""), QStringLiteral("first"));
        QCOMPARE(ini.ReadString("S", "OnlyLater", "d"), QStringLiteral("d"));
        ini.WriteString("S", "k", "new");
        QCOMPARE(OnDisk(), QByteArray("[S]\r\nK=new\r\nK=second\r\n[s]\r\nK=third\r\nOnlyLater=x\r\n"));
    }

    void valueKeepsEverythingAfterTheFirstEquals()
    {
        Given("[S]\r\nURL=a=b=c\r\n[ Spaced ]\r\n\tKey\t=\tv w\t\r\n");
        const TIniFile ini = Ini();
        QCOMPARE(ini.ReadString("S", "URL", ""), QStringLiteral("a=b=c"));
        QCOMPARE(ini.ReadString("Spaced", "Key", ""), QStringLiteral("v w"));
    }

    void writeLeavesNoTemporaryFiles()
    {
        TIniFile ini = Ini();
        for (int i = 0; i < 5; ++i)
            ini.WriteInteger("S", QStringLiteral("K%1").arg(i), i);
        const QStringList entries = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        QCOMPARE(entries, QStringList({"Tavorin.ini"}));
        QCOMPARE(ini.ReadSection("S").size(), 5);
    }

    void floatsUseAPointUnderAnyLocale()
    {
        const QLocale savedQt;
        const std::string savedC = std::setlocale(LC_ALL, nullptr);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_ALL, "de_DE.UTF-8");

        TIniFile ini = Ini();
        ini.WriteFloat("S", "A", 0.25);
        ini.WriteFloat("S", "B", 1.5e20);
        const QByteArray onDisk = OnDisk();
        const double a = ini.ReadFloat("S", "A", 0);
        WriteBytes(m_path, "[S]\r\nC=1,5\r\n");
        const double c = ini.ReadFloat("S", "C", 9);

        std::setlocale(LC_ALL, savedC.c_str());
        QLocale::setDefault(savedQt);
        QCOMPARE(onDisk, QByteArray("[S]\r\nA=0.25\r\nB=1.5E20\r\n"));
        QCOMPARE(a, 0.25);
        QCOMPARE(c, 9.0);
    }
};

// Text encodings, damaged files and writes that cannot be made.
class IniFileDiskTest : public IniFileTestCase
{
    Q_OBJECT

private slots:

    void chineseTextIsStoredAsGb18030()
    {
        TIniFile ini = Ini();
        ini.WriteString("AXIS0", "CAPTION", QStringLiteral("第1轴"));
        QCOMPARE(OnDisk(), QByteArray("[AXIS0]\r\nCAPTION=\xB5\xDA\x31\xD6\xE1\r\n"));
        QCOMPARE(ini.ReadString("AXIS0", "CAPTION", ""), QStringLiteral("第1轴"));
    }

    void gb18030ReachesBeyondGbk()
    {
        Given("[\xD7\xE9]\r\nNAME=\xB8\xBA\r\n"); // [组] NAME=负
        TIniFile ini = Ini();
        QCOMPARE(ini.ReadString(QStringLiteral("组"), "NAME", ""), QStringLiteral("负"));
        const QString outsideGbk = QString::fromUtf8("\xF0\x9F\x98\x80 €");
        ini.WriteString(QStringLiteral("组"), "OTHER", outsideGbk);
        QVERIFY(OnDisk().startsWith("[\xD7\xE9]\r\nNAME=\xB8\xBA\r\nOTHER="));
        QVERIFY(!OnDisk().contains("\xEF\xBB\xBF"));
        QCOMPARE(ini.ReadString(QStringLiteral("组"), "OTHER", ""), outsideGbk);
    }

    void utf8FileWithByteOrderMarkStaysUtf8()
    {
        Given("\xEF\xBB\xBF[AXIS0]\nCAPTION=\xE7\xAC\xAC\x31\xE8\xBD\xB4\n"); // 第1轴 in UTF-8
        TIniFile ini = Ini();
        QCOMPARE(ini.ReadString("AXIS0", "CAPTION", ""), QStringLiteral("第1轴"));
        QCOMPARE(ini.ReadSection("AXIS0"), QStringList({"CAPTION"}));
        ini.WriteString("AXIS0", "NEG", QStringLiteral("负"));
        QCOMPARE(OnDisk(), QByteArray("\xEF\xBB\xBF[AXIS0]\nCAPTION=\xE7\xAC\xAC\x31\xE8\xBD\xB4\n"
                                      "NEG=\xE8\xB4\x9F\n"));
    }

    void damagedFilesReadDefaults()
    {
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk += char((i * 7919) & 0xFF);
        junk += "\x81"; // a lead byte cut off at the end
        Given(junk);
        TIniFile ini = Ini();
        QCOMPARE(ini.ReadInteger("AXIS0", "DIV", 32), 32);
        QCOMPARE(ini.ReadFloat("AXIS0", "ACC", 1), 1.0);
        ini.WriteInteger("AXIS0", "DIV", 4);
        QCOMPARE(ini.ReadInteger("AXIS0", "DIV", 32), 4);

        Given("[AXIS0]\r\nDIV=1");
        QCOMPARE(ini.ReadInteger("AXIS0", "DIV", 32), 1);
        Given("[AXIS0");
        QCOMPARE(ini.ReadInteger("AXIS0", "DIV", 32), 32);
        QVERIFY(!ini.SectionExists("AXIS0"));
        Given(QByteArray("[AXIS0]\r\nDIV=1\0\0\0", 17));
        QCOMPARE(ini.ReadInteger("AXIS0", "DIV", 32), 32);
    }

    void veryLongLines()
    {
        const QByteArray longValue(2 * 1024 * 1024, 'x');
        Given("[S]\r\nLONG=" + longValue + "\r\n" + QByteArray(1024 * 1024, '[') + "\r\n[T]\r\nK=1\r\n");
        const TIniFile ini = Ini();
        QCOMPARE(ini.ReadString("S", "LONG", "").size(), longValue.size());
        QCOMPARE(ini.ReadInteger("T", "K", 0), 1);
    }

    void pathThatIsADirectoryFailsToWrite()
    {
        QVERIFY(QDir(m_dir.path()).mkdir("Folder.ini"));
        const QString path = m_dir.filePath("Folder.ini");
        TIniFile ini(path);
        QCOMPARE(ini.ReadString("S", "K", "d"), QStringLiteral("d"));
        QCOMPARE(WriteErrorOf([&] { ini.WriteString("S", "K", "v"); }), ExpectedWriteError(path));
        QVERIFY(QFileInfo(path).isDir());
    }

    void parentThatIsAFileFailsToWrite()
    {
        Given("[S]\r\nK=old\r\n");
        const QString path = m_path + QStringLiteral("/sub/Tavorin.ini");
        TIniFile ini(path);
        QCOMPARE(WriteErrorOf([&] { ini.WriteString("S", "K", "v"); }), ExpectedWriteError(path));
        QCOMPARE(OnDisk(), QByteArray("[S]\r\nK=old\r\n"));
        const QString direct = m_path + QStringLiteral("/Tavorin.ini");
        QCOMPARE(WriteErrorOf([&] { TIniFile(direct).WriteInteger("S", "K", 1); }), ExpectedWriteError(direct));
    }

    void readOnlyFileIsLeftAlone()
    {
        Given("[S]\r\nK=old\r\n");
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        TIniFile ini = Ini();
        QCOMPARE(WriteErrorOf([&] { ini.WriteString("S", "K", "new"); }), ExpectedWriteError(m_path));
        QCOMPARE(WriteErrorOf([&] { ini.EraseSection("S"); }), ExpectedWriteError(m_path));
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(OnDisk(), QByteArray("[S]\r\nK=old\r\n"));
        QCOMPARE(ini.ReadString("S", "K", ""), QStringLiteral("old"));
    }

    void errorNamesTheFullPath()
    {
        Given("");
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        TIniFile ini(QStringLiteral("Tavorin.ini/x.ini"));
        const QString message = WriteErrorOf([&] { ini.WriteString("S", "K", "v"); });
        QDir::setCurrent(saved);
        QCOMPARE(message, QStringLiteral("Unable to write to ")
                              + QDir::toNativeSeparators(m_dir.path() + QStringLiteral("/Tavorin.ini/x.ini")));
    }

    void configFileIsTavorinIniWhateverTheExecutableIsCalled()
    {
        const QString dir = QCoreApplication::applicationDirPath();
        QCOMPARE(ConfigFileName(), dir + QStringLiteral("/Tavorin.ini"));
        QCOMPARE(PortChoicesFileName(), dir + QStringLiteral("/test_config.ini"));
        SetConfigFileNameForTest(m_path);
        QCOMPARE(ConfigFileName(), m_path);
        QCOMPARE(PortChoicesFileName(), m_path);
        SetConfigFileNameForTest(QString());
        QCOMPARE(ConfigFileName(), dir + QStringLiteral("/Tavorin.ini"));
    }
};

// What the file holds is never lost, and what a write carries never
// changes the file's layout.
class IniFileIntegrityTest : public IniFileTestCase
{
    Q_OBJECT

private slots:

    // A socket node exists and cannot be opened as a file, like a file the
    // user may write but not read (root reads every file).
    void unreadableFileIsNeverWrittenOver()
    {
        QVERIFY(MakeSocketAt(m_path));
        TIniFile ini = Ini();
        QCOMPARE(ini.ReadString("S", "K", "d"), QStringLiteral("d"));
        QCOMPARE(WriteErrorOf([&] { ini.WriteString("S", "K", "new"); }), ExpectedWriteError(m_path));
        QCOMPARE(WriteErrorOf([&] { ini.Batch([&] { ini.WriteInteger("S", "K", 1); }); }),
                 ExpectedWriteError(m_path));
        QVERIFY(IsSocket(m_path));
    }

    // A FIFO or a device is no configuration file: read at once as empty
    // (no waiting for a writer, no reading without end), never written.
    void whatIsNotARegularFileReadsDefaultsAtOnce_data()
    {
        QTest::addColumn<bool>("fifo");
        QTest::newRow("fifo") << true;
        QTest::newRow("/dev/zero") << false;
    }
    void whatIsNotARegularFileReadsDefaultsAtOnce()
    {
        QFETCH(bool, fifo);
        Fixtures::Fifo pipe;
        QVERIFY(pipe.Made());
        const QString path = fifo ? pipe.Path() : QStringLiteral("/dev/zero");
        QElapsedTimer took;
        took.start();
        TIniFile ini(path);
        QCOMPARE(ini.ReadString("S", "K", "d"), QStringLiteral("d"));
        QVERIFY(took.elapsed() < 1000);
        QCOMPARE(WriteErrorOf([&] { ini.WriteString("S", "K", "new"); }), ExpectedWriteError(path));
    }

    void unchangedLinesKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("given");
        QTest::addColumn<QList<QStringList>>("writes");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("caption");
        const QByteArray utf8Caption("CAPTION=\xE7\xAC\xAC\x31\xE8\xBD\xB4"); // 第1轴
        const QByteArray gbCaption("CAPTION=\xB5\xDA\x31\xD6\xE1");
        QTest::newRow("UTF-8 without a mark stays UTF-8")
            << "[AXIS0]\r\n" + utf8Caption + "\r\nP_REL=1\r\n"
            << QList<QStringList>{{"AXIS0", "P_REL", "2"}, {"AXIS0", "NEG", "负"}}
            << "[AXIS0]\r\n" + utf8Caption + "\r\nP_REL=2\r\nNEG=\xE8\xB4\x9F\r\n" << "第1轴";
        QTest::newRow("stray bytes in a comment")
            << "; \x81 stray \xFF\r\n[AXIS0]\r\n" + gbCaption + "\r\nP_REL=1\r\n"
            << QList<QStringList>{{"AXIS0", "P_REL", "2"}}
            << "; \x81 stray \xFF\r\n[AXIS0]\r\n" + gbCaption + "\r\nP_REL=2\r\n" << "第1轴";
        QTest::newRow("line ends as they were")
            << QByteArray("[AXIS0]\nX=1\r\nY=2")
            << QList<QStringList>{{"AXIS0", "X", "3"}, {"AXIS0", "Z", "4"}}
            << QByteArray("[AXIS0]\nX=3\r\nY=2\nZ=4\n") << "第1轴";
        QTest::newRow("an equal value leaves its line")
            << QByteArray("[AXIS0]\r\n  DIV = 16  \r\n")
            << QList<QStringList>{{"AXIS0", "DIV", "16"}}
            << QByteArray("[AXIS0]\r\n  DIV = 16  \r\n") << "第1轴";
    }
    void unchangedLinesKeepTheirBytes()
    {
        QFETCH(QByteArray, given);
        QFETCH(QList<QStringList>, writes);
        QFETCH(QByteArray, expected);
        QFETCH(QString, caption);
        Given(given);
        TIniFile ini = Ini();
        for (const QStringList &w : writes)
            ini.WriteString(w[0], w[1], w[2]);
        QCOMPARE(OnDisk(), expected);
        QCOMPARE(TIniFile(m_path).ReadString("AXIS0", "CAPTION", "第1轴"), caption);
    }

    void valueIsOneLine()
    {
        TIniFile ini = Ini();
        ini.WriteString("AXIS0", "P_REL", QStringLiteral("2\r\n[GROUP]\r\n坏组=0"));
        ini.WriteString("AXIS0", "P_ABS", "a\rb\nc");
        QCOMPARE(ini.ReadString("AXIS0", "P_REL", ""), QStringLiteral("2 [GROUP] 坏组=0"));
        QCOMPARE(ini.ReadString("AXIS0", "P_ABS", ""), QStringLiteral("a b c"));
        QVERIFY(!ini.SectionExists("GROUP"));
        QCOMPARE(ini.ReadSection("AXIS0"), QStringList({"P_REL", "P_ABS"}));
    }

    void namesTheFileCannotHoldAreRefused_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::newRow("empty key") << "GROUP" << "";
        QTest::newRow("equals sign") << "GROUP" << "A=B";
        QTest::newRow("opening bracket") << "GROUP" << "[AXIS0";
        QTest::newRow("NUL") << "GROUP" << QStringLiteral("A") + QChar(0) + QStringLiteral("B");
        QTest::newRow("CR") << "GROUP" << "A\rB";
        QTest::newRow("LF") << "GROUP" << "A\n[B]";
        QTest::newRow("semicolon after blanks") << "GROUP" << "  ;A";
        QTest::newRow("blanks only") << "GROUP" << " \t ";
        QTest::newRow("bracket in section") << "A]B" << "K";
        QTest::newRow("LF in section") << "A\n[B" << "K";
        QTest::newRow("NUL in section") << QString(QChar(0)) << "K";
    }
    void namesTheFileCannotHoldAreRefused()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        const QByteArray before("[GROUP]\r\nA=0\r\n");
        Given(before);
        TIniFile ini = Ini();
        QVERIFY(RefusedName(WriteErrorOf([&] { ini.WriteString(section, key, "1"); })));
        QCOMPARE(OnDisk(), before);
    }

    void batchSavesOnceAndKeepsTheWritesBeforeAFailure()
    {
        Given("[GROUP]\r\nA=0\r\n");
        TIniFile ini = Ini();
        ini.Batch([&] {
            ini.EraseSection("GROUP");
            ini.WriteInteger("GROUP", "B", 0);
            QCOMPARE(ini.ReadSection("GROUP"), QStringList({"B"}));
            QCOMPARE(OnDisk(), QByteArray("[GROUP]\r\nA=0\r\n"));
        });
        QCOMPARE(OnDisk(), QByteArray("[GROUP]\r\nB=0\r\n"));

        const QString message = WriteErrorOf([&] {
            ini.Batch([&] {
                ini.WriteInteger("GROUP", "C", 1);
                ini.WriteInteger("GROUP", "=", 2);
                ini.WriteInteger("GROUP", "D", 3);
            });
        });
        QVERIFY(RefusedName(message));
        QCOMPARE(OnDisk(), QByteArray("[GROUP]\r\nB=0\r\nC=1\r\n"));

        Given("[GROUP]\r\nChanged elsewhere=0\r\n");
        QCOMPARE(ini.ReadSection("GROUP"), QStringList({"Changed elsewhere"}));
    }
};

// What the program writes reads back as written; lines it did not write
// read the same before and after.
class IniFileRoundTripTest : public IniFileTestCase
{
    Q_OBJECT

    static QByteArray Gb(const QString &text) { return QStringEncoder("GB18030").encode(text); }
    static QString FromGb(const QByteArray &bytes) { return QStringDecoder("GB18030").decode(bytes); }

    // The 3,755 common hanzi: GB2312 rows 16 to 55 (bytes 0xB0A1-0xD7FE)
    // without the five unassigned places at the end of row 55.
    static QByteArrayList CommonHanziBytes()
    {
        QByteArrayList all;
        for (int lead = 0xB0; lead <= 0xD7; ++lead) {
            for (int trail = 0xA1; trail <= 0xFE; ++trail) {
                if (lead == 0xD7 && trail > 0xF9)
                    break;
                all << QByteArray(1, char(lead)) + char(trail);
            }
        }
        return all;
    }

private slots:
    void namesTheFileHoldsAreAccepted_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::newRow("hash first") << "GROUP" << "#1工位";
        QTest::newRow("brackets inside") << "GROUP" << "X轴[主]";
        QTest::newRow("closing bracket") << "GROUP" << "A]";
        QTest::newRow("opening bracket in a section") << "A[B" << "K";
    }
    void namesTheFileHoldsAreAccepted()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        Given("[GROUP]\r\nA=0\r\n");
        Ini().WriteInteger(section, key, 7);
        const TIniFile fresh = Ini();
        QCOMPARE(fresh.ReadInteger(section, key, -1), 7);
        QCOMPARE(fresh.ReadSection(section).last(), key);
        QCOMPARE(fresh.ReadSection("GROUP").first(), QStringLiteral("A"));
    }

    // Only ";" makes a comment: a group "#1工位" keeps its place.
    void hashLinesAreKeys()
    {
        Given("[GROUP]\r\n#1\xB9\xA4\xCE\xBB=0\r\nB=1\r\n;C=2\r\n");
        QCOMPARE(Ini().ReadSection("GROUP"), QStringList({"#1工位", "B"}));
    }

    void blanksAroundNamesAreNoPartOfThem()
    {
        TIniFile ini = Ini();
        ini.WriteString(" S ", "\tK ", "  v  ");
        const QByteArray once = OnDisk();
        QCOMPARE(once, QByteArray("[S]\r\nK=v\r\n"));
        ini.WriteString(" S ", "\tK ", "  v  ");
        TIniFile(m_path).WriteString(" S ", "\tK ", "v");
        QCOMPARE(OnDisk(), once);
        QCOMPARE(Ini().ReadString(" s", "k ", "-"), QStringLiteral("v"));
        QCOMPARE(Ini().ReadSections(), QStringList({"S"}));
    }

    void lineEndsStayTheirOwn()
    {
        Given("[S]\rA=1\r");
        Ini().WriteString("S", "B", "2");
        QCOMPARE(OnDisk(), QByteArray("[S]\rA=1\rB=2\r"));
        Given("[S]\rA=1\r[T]\r\nX=1\nY=2");
        Ini().WriteString("T", "Z", "3");
        QCOMPARE(OnDisk(), QByteArray("[S]\rA=1\r[T]\r\nX=1\nY=2\rZ=3\r"));
        QCOMPARE(Ini().ReadSection("S"), QStringList({"A"}));
        QCOMPARE(Ini().ReadSection("T"), QStringList({"X", "Y", "Z"}));
    }

    void numbersReadBackEqual()
    {
        const int32_t integers[] = {std::numeric_limits<int32_t>::min(), -1, 0, std::numeric_limits<int32_t>::max()};
        for (int32_t i : integers) {
            Ini().WriteInteger("S", "I", i);
            QCOMPARE(Ini().ReadInteger("S", "I", 5), i);
        }
        const double doubles[] = {std::numeric_limits<double>::max(), -std::numeric_limits<double>::denorm_min(),
                                  1e-300, 0.1, 123456789012345.0, -0.0};
        for (double d : doubles) {
            Ini().WriteFloat("S", "F", d);
            const double back = Ini().ReadFloat("S", "F", 5);
            QVERIFY2(std::isfinite(back) && back == StrToFloat(FloatToStr(d)), qPrintable(FloatToStr(d)));
        }
    }

    // A write must not change how the file's other lines decode: here it
    // removes the bytes that decided the encoding.
    void untouchedLinesReadTheSame_data()
    {
        QTest::addColumn<QByteArray>("given");
        QTest::addColumn<QString>("value"); // written into S/A
        const QByteArray looksUtf8("\xE4\xB8\xAD\xE6\x96\x87"); // GB18030 text, valid UTF-8
        QTest::newRow("GB18030 loses its only bytes that are not UTF-8")
            << "[S]\r\nA=\xB5\xDA\x31\xD6\xE1\r\nB=" + looksUtf8 + "\r\n" << "1";
        QTest::newRow("UTF-8 loses its only three-byte character")
            << QByteArray("[S]\r\nA=\xE7\xAC\xAC\r\nB=\xC2\xB0\r\n") << "1";
        QTest::newRow("ASCII takes GB18030 text that is valid UTF-8")
            << QByteArray("[S]\r\nB=COM1\r\n") << FromGb(looksUtf8);
    }
    void untouchedLinesReadTheSame()
    {
        QFETCH(QByteArray, given);
        QFETCH(QString, value);
        Given(given);
        const QString before = Ini().ReadString("S", "B", "-");
        const QByteArray line = given.mid(given.indexOf("B="));
        Ini().WriteString("S", "A", value);
        QCOMPARE(Ini().ReadString("S", "A", "-"), value);
        QCOMPARE(Ini().ReadString("S", "B", "-"), before);
        QVERIFY(OnDisk().contains(line));
        Ini().WriteString("S", "A", value);
        QCOMPARE(Ini().ReadString("S", "B", "-"), before);
    }

    // Every common hanzi, alone and in pairs, in an ASCII-only file (the
    // port dialog's section) and in a GB18030 file: never taken for UTF-8.
    // Those whose bytes alone are valid UTF-8 (682 of them) also go through
    // the file: into the ASCII-only file and into a GB18030 file whose only
    // other non-ASCII bytes they replace.
    void commonHanziReadBackAsWritten()
    {
        QTemporaryDir shm(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/tavorin-test-XXXXXX") : QString());
        QVERIFY(shm.isValid());
        m_path = shm.filePath(QStringLiteral("Tavorin.ini"));
        const QByteArrayList hanzi = CommonHanziBytes();
        QCOMPARE(hanzi.size(), 3755);
        const QByteArray ascii("[Tavorin]\r\nPort=COM1\r\n[GROUP]\r\n");
        int passing = 0;
        int throughTheFile = 0;
        for (const QByteArray &a : hanzi) {
            passing += IsUtf8Text(ascii + a) ? 1 : 0;
            for (const QByteArray &b : hanzi) {
                const char pair[4] = {a[0], a[1], b[0], b[1]};
                passing += IsUtf8Text(QByteArrayView(pair, 4)) ? 1 : 0;
            }
            if (!QString::fromUtf8(a).contains(QChar::ReplacementCharacter)) {
                ++throughTheFile;
                const QString text = FromGb(a);
                Given(ascii);
                Ini().WriteString("GROUP", text, "0");
                QCOMPARE(Ini().ReadSection("GROUP"), QStringList({text}));
                Given("[S]\r\nK=\xB5\xDA\r\n");
                Ini().WriteString("S", "K", text);
                QCOMPARE(Ini().ReadString("S", "K", "-"), text);
            }
        }
        QCOMPARE(passing, 0);
        QCOMPARE(throughTheFile, 682);
    }
};

TAVORIN_TEST(IniFileLayoutTest)
TAVORIN_TEST(IniFileDiskTest)
TAVORIN_TEST(IniFileIntegrityTest)
TAVORIN_TEST(IniFileRoundTripTest)

#include "IniFileTest.moc"
