#include "config/AxisConfigFile.h"
#include "config/IniFile.h"
#include "support/Fixtures.h"
#include "support/TestRegistry.h"

#include "common/Exceptions.h"

#include <QDir>
#include <QTest>

using namespace Fixtures;

class AxisConfigLoadTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { g_Axis_Config.clear(); g_Group_Config.clear(); }

    // The axes prepared without a board: as many as the highest section.
    void storedAxisCount_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("axes");
        QTest::newRow("no file content") << QByteArray() << 4;
        QTest::newRow("groups only") << QByteArray("[GROUP]\r\nA=0\r\n") << 4;
        QTest::newRow("two") << QByteArray("[AXIS0]\r\n[axis1]\r\nKIND=1\r\n") << 2;
        QTest::newRow("gap") << QByteArray("[AXIS5]\r\n[AXIS0]\r\n") << 6;
        QTest::newRow("not axis numbers") << QByteArray("[AXISX]\r\n[AXIS01]\r\n[AXIS-1]\r\n[AXIS64]\r\n") << 4;
    }
    void storedAxisCount()
    {
        QFETCH(QByteArray, file);
        TempConfig cfg;
        cfg.Write(file);
        QTEST(Stored_Axis_Count(TIniFile(cfg.Path())), "axes");
    }

    void missingFileLoadsDefaults()
    {
        TempConfig cfg;
        Load_Axis_Records(TIniFile(cfg.Path()), 3);
        QCOMPARE(g_Axis_Config.size(), 3);
        QCOMPARE(g_Axis_Config[0].Axis_Caption, QStringLiteral("第1轴"));
        QCOMPARE(g_Axis_Config[2].Axis_Caption, QStringLiteral("第3轴"));
        const TAxis_Config &c = g_Axis_Config[1];
        QCOMPARE(c.Axis_Neg, QStringLiteral("负"));
        QCOMPARE(c.Axis_Pos, QStringLiteral("正"));
        QCOMPARE(c.Axis_Kind, 0);
        QCOMPARE(c.Axis_Div, 32);
        QCOMPARE(c.Line_Pitch, 1.0);
        QCOMPARE(c.Line_Ratio, 1.0);
        QCOMPARE(c.Circle_Ratio, 120.0);
        QCOMPARE(c.Acc, 1.0);
        QCOMPARE(c.Dec, 1.0);
        QCOMPARE(c.Max_V, 1.0);
        QCOMPARE(c.StepAngle, 1.8);
        QCOMPARE(QList<double>({c.Fast0, c.Fast1, c.Fast2, c.Fast3}), QList<double>({0, 90, 180, 270}));
        QVERIFY(!c.Encoder_Has);
        QCOMPARE(c.Encoder_Type, 0);
        QCOMPARE(c.Encoder_LineCount, 1000);
        QCOMPARE(c.Encoder_Unit_um, 20.0);
        QCOMPARE(c.Encoder_GratingCount, 64800);
        QCOMPARE(c.Encoder_Factor, 1.0);
        QVERIFY(c.Encoder_Z && c.Encoder_Dir && c.Encoder_Over);
        QCOMPARE(c.Encoder_Over_Max, 100);
        QCOMPARE(c.Encoder_Over_Stable, 50);
        QCOMPARE(QStringList({c.P_Rel, c.P_Abs, c.V_Rel, c.V_Abs, c.Home_V}),
                 QStringList({"1", "1", "1", "1", "-1"}));
        QCOMPARE(c.Group_ID, 0);
        QVERIFY(c.Axis_Visible);
        QCOMPARE(Load_Group_Records(TIniFile(cfg.Path())), 0);
    }

    void valueFormsAndOddValues()
    {
        TempConfig cfg;
        cfg.Write("[axis0]\r\ndiv=abc\r\nACC=\r\nCAPTION=\r\nVISIBLE=2\r\nKIND=5\r\n"
                  "[AXIS1]\r\nDIV=0x10\r\nVISIBLE=no\r\nMAX_V=2.5E-3\r\nP_ABS=abc\r\n"
                  "[AXIS2]\r\nVISIBLE=0\r\nENCODER_HAS=1\r\nGROUP_ID=7\r\n");
        Load_Axis_Records(TIniFile(cfg.Path()), 3);
        QCOMPARE(g_Axis_Config[0].Axis_Div, 32);          // abc: default
        QCOMPARE(g_Axis_Config[0].Acc, 1.0);              // empty float: default
        QCOMPARE(g_Axis_Config[0].Axis_Caption, QString()); // empty text stays empty
        QVERIFY(g_Axis_Config[0].Axis_Visible);           // 2 is true
        QCOMPARE(g_Axis_Config[0].Axis_Kind, 5);          // not clamped
        QCOMPARE(g_Axis_Config[1].Axis_Div, 16);          // hexadecimal
        QVERIFY(g_Axis_Config[1].Axis_Visible);           // "no": default true
        QCOMPARE(g_Axis_Config[1].Max_V, 0.0025);
        QCOMPARE(g_Axis_Config[1].P_Abs, QStringLiteral("abc"));
        QVERIFY(!g_Axis_Config[2].Axis_Visible);
        QVERIFY(g_Axis_Config[2].Encoder_Has);
        QCOMPARE(g_Axis_Config[2].Group_ID, 7);
    }

    void damagedFilesLoadDefaults_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary.append(char((i * 37) & 0xFF));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("binary") << binary;
        QTest::newRow("truncated") << QByteArray("[AXIS0]\r\nDIV=1");
        QTest::newRow("no equals") << QByteArray("[AXIS0]\r\nDIV\r\nCAPTION\r\n");
        QTest::newRow("long line") << (QByteArray("[AXIS0]\r\nX=") + QByteArray(1 << 20, 'x') + "\r\nDIV=64\r\n");
        QTest::newRow("duplicates") << QByteArray("[AXIS0]\r\nDIV=8\r\nDIV=4\r\n[axis0]\r\nDIV=2\r\n");
    }

    void damagedFilesLoadDefaults()
    {
        QFETCH(QByteArray, content);
        TempConfig cfg;
        cfg.Write(content);
        Load_Axis_Records(TIniFile(cfg.Path()), 2);
        QCOMPARE(g_Axis_Config.size(), 2);
        QCOMPARE(g_Axis_Config[1].Axis_Caption, QStringLiteral("第2轴"));
        QVERIFY(QList<int>({1, 2, 4, 8, 32, 64}).contains(g_Axis_Config[0].Axis_Div));
        QCOMPARE(g_Axis_Config[1].Axis_Div, 32);
    }

    void groupsTakeTheirPositionNotTheirValue()
    {
        TempConfig cfg;
        cfg.Write("[GROUP]\r\nA=5\r\nB=0\r\n");
        QCOMPARE(Load_Group_Records(TIniFile(cfg.Path())), 2);
        QCOMPARE(g_Group_Config[0].Caption, QStringLiteral("A"));
        QCOMPARE(g_Group_Config[0].ID, 0);
        QCOMPARE(g_Group_Config[1].Caption, QStringLiteral("B"));
        QCOMPARE(g_Group_Config[1].ID, 1);
        QVERIFY(!g_Group_Config[0].Visible && !g_Group_Config[1].Visible);

        // An empty section leaves the old entries behind a count of 0.
        cfg.Write("[GROUP]\r\n");
        QCOMPARE(Load_Group_Records(TIniFile(cfg.Path())), 0);
        QCOMPARE(g_Group_Config.size(), 2);
    }
};
TAVORIN_TEST(AxisConfigLoadTest)

class AxisEntriesSaveTest : public QObject
{
    Q_OBJECT
private slots:
    void newFileGetsSectionsInPanelOrder()
    {
        TempConfig cfg;
        TIniFile ini(cfg.Path());
        Write_Axis_Entries(ini, {{"Axis1", "1", "2", "3", "4", "-5"}, {"Axis0", "a", "b", "c", "d", "e"}});
        QCOMPARE(cfg.Read(), QByteArray("[Axis1]\r\nP_REL=1\r\nP_ABS=2\r\nV_ABS=3\r\nV_REL=4\r\nHOME_V=-5\r\n"
                                        "[Axis0]\r\nP_REL=a\r\nP_ABS=b\r\nV_ABS=c\r\nV_REL=d\r\nHOME_V=e\r\n"));
        Load_Axis_Records(ini, 2);
        QCOMPARE(g_Axis_Config[0].P_Rel, QStringLiteral("a"));
        QCOMPARE(g_Axis_Config[1].Home_V, QStringLiteral("-5"));
    }

    void existingSectionIsReusedAndTextKept()
    {
        TempConfig cfg;
        cfg.Write("[AXIS3]\r\nCAPTION=Z\r\nP_ABS=7\r\n");
        TIniFile ini(cfg.Path());
        Write_Axis_Entries(ini, {{"Axis3", "abc", "2", "3", "4", "5"}});
        const QByteArray text = cfg.Read();
        QCOMPARE(text.count("["), 1);
        QVERIFY(text.contains("CAPTION=Z"));
        Load_Axis_Records(ini, 4);
        QCOMPARE(g_Axis_Config[3].P_Rel, QStringLiteral("abc"));
        QCOMPARE(g_Axis_Config[3].P_Abs, QStringLiteral("2"));
    }

    void failedWriteKeepsEarlierKeys()
    {
        TempConfig cfg;
        cfg.Write("[AXIS0]\r\nP_REL=old\r\n");
        // A configuration "file" that is a directory cannot be written.
        TIniFile bad(cfg.dir.filePath("sub"));
        QDir(cfg.dir.path()).mkdir("sub");
        try {
            Write_Axis_Entries(bad, {{"Axis0", "x", "x", "x", "x", "x"}});
            QFAIL("no error");
        } catch (const EIniFileException &e) {
            QVERIFY(e.Message().startsWith(QLatin1String("Unable to write to ")));
        }
        QCOMPARE(cfg.Read(), QByteArray("[AXIS0]\r\nP_REL=old\r\n"));
    }
};
TAVORIN_TEST(AxisEntriesSaveTest)

#include "AxisConfigFileTest.moc"
