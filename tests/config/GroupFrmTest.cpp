#include "DialogFixture.h"
#include "support/TestRegistry.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace Fixtures;
using namespace DialogTest;

class GroupFrmTest : public DialogTestCase
{
    Q_OBJECT
    // Shows the dialog as "分组定义" does, so that it reads the file.
    TGroupFrm &Shown(const QByteArray &content = QByteArray())
    {
        if (!content.isNull())
            d->cfg.Write(content);
        d->group.show();
        return d->group;
    }
    void Add(const QString &name)
    {
        d->group.edt_AddGroup->setText(name);
        d->group.btn_AddGroup->click();
    }
private slots:
    void addsTrimmedNamesAndRefusesWhatTheFileCannotHold_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("added"); // empty: nothing added
        QTest::addColumn<bool>("refused");
        QTest::newRow("blanks only") << " \t " << "" << false;
        QTest::newRow("blanks and controls around") << "\x01 B C\t\r\n" << "B C" << false;
        QTest::newRow("duplicate in other case") << "ALPHA" << "" << true;
        // The file's own rule decides (all its cases are the INI file's tests).
        QTest::newRow("not a key") << "a=b" << "" << true;
    }

    void addsTrimmedNamesAndRefusesWhatTheFileCannotHold()
    {
        QFETCH(QString, name);
        QFETCH(QString, added);
        QFETCH(bool, refused);
        const QByteArray before("[GROUP]\r\nAlpha=0\r\n");
        TGroupFrm &g = Shown(before);
        MessageRecorder messages;
        Add(name);
        QCOMPARE(messages.requests.size(), refused ? 1 : 0);
        const QStringList groups = added.isEmpty() ? QStringList({"Alpha"}) : QStringList({"Alpha", added});
        QCOMPARE(g.Group_Names(), groups);
        QCOMPARE(Groups(), groups);
        QCOMPARE(g.edt_AddGroup->text(), name); // the entry keeps its text
        QVERIFY(added.isEmpty() ? d->cfg.Read() == before : g.lst_Group->currentRow() == 1);
    }

    void deletingRenumbersTheGroupsAfterIt()
    {
        d->cfg.Write("[GROUP]\r\nA=0\r\nB=1\r\nC=2\r\n[AXIS0]\r\nGROUP_ID=2\r\n[AXIS1]\r\nGROUP_ID=1\r\n");
        TGroupFrm &g = Shown();
        g.lst_Group->setCurrentRow(1);
        g.btn_DelGroup->click();
        QCOMPARE(g.lst_Group->selectedItems().size(), 0);
        QCOMPARE(TIniFile(d->cfg.Path()).ReadString("GROUP", "C", ""), QStringLiteral("1"));
        g.btn_DelGroup->click(); // nothing selected: the same names again
        QCOMPARE(Groups(), QStringList({"A", "C"}));
        // The axes keep their numbers: axis 0 points past the list, axis 1
        // now belongs to C.
        d->config.Set_Config(2, 0);
        QCOMPARE(d->config.cbb_Group->currentIndex(), -1);
        d->config.btn_NextClick();
        QCOMPARE(d->config.cbb_Group->currentText(), QStringLiteral("C"));
        for (int i = 0; i < 2; ++i) {
            g.lst_Group->setCurrentRow(0);
            g.btn_DelGroup->click();
        }
        QVERIFY(!TIniFile(d->cfg.Path()).SectionExists("GROUP"));
    }

    void failedSaveLeavesTheSectionAndTheListAsStored()
    {
        const QByteArray before("[GROUP]\r\nA=0\r\nB=1\r\n");
        TGroupFrm &g = Shown(before);
        QFile::setPermissions(d->cfg.Path(), QFile::ReadOwner | QFile::ReadGroup);
        MessageRecorder messages;
        g.lst_Group->setCurrentRow(0);
        g.btn_DelGroup->click();
        Add("C");
        QCOMPARE(messages.requests.size(), 2);
        QVERIFY(messages.Texts().at(1).startsWith("Unable to write to "));
        QCOMPARE(d->cfg.Read(), before);
        QCOMPARE(g.Group_Names(), QStringList({"A", "B"}));
    }

    // After the port dialog saved its ASCII-only section: names come back
    // as typed, those that begin with "#" or hold brackets included, and a
    // stored name the dialog would refuse blocks nothing.
    void namesComeBackAsTypedAndStoredNamesBlockNothing()
    {
        TGroupFrm &g = Shown("[Tavorin]\r\nLink=0\r\nPort=COM1\r\n");
        MessageRecorder messages;
        const QStringList names({"平台", "#1工位", "X轴[主]", "停止", "转台"});
        for (const QString &name : names)
            Add(name);
        QCOMPARE(messages.requests.size(), 0);
        g.hide();
        QCOMPARE(Shown().Group_Names(), names);
        QCOMPARE(Groups(), names);

        d->cfg.Write("\xEF\xBB\xBF[GROUP]\r\nA=0\r\nb=1\r\nB=2\r\n"); // a duplicate written by hand
        g.hide();
        Shown();
        Add("C");
        g.lst_Group->setCurrentRow(0);
        g.btn_DelGroup->click();
        QCOMPARE(messages.requests.size(), 0);
        QCOMPARE(Groups().last(), QStringLiteral("C"));
        QVERIFY(!Groups().contains("A"));
    }

    // Enter in the name entry adds the name and keeps the dialog; Enter
    // elsewhere still means "确定".
    void enterInTheNameEntryAddsTheName()
    {
        TGroupFrm &g = Shown("[GROUP]\r\nA=0\r\n");
        QApplication::setActiveWindow(&g);
        g.edt_AddGroup->setFocus();
        QTest::keyClicks(g.edt_AddGroup, "B");
        QTest::keyClick(g.edt_AddGroup, Qt::Key_Return);
        QVERIFY(g.isVisible());
        QCOMPARE(Groups(), QStringList({"A", "B"}));
        QCOMPARE(g.lst_Group->currentItem()->text(), QStringLiteral("B"));
        g.lst_Group->setFocus();
        QTest::keyClick(g.lst_Group, Qt::Key_Return);
        QVERIFY(!g.isVisible());
        QCOMPARE(g.result(), int(QDialog::Accepted));
        QCOMPARE(Groups(), QStringList({"A", "B"}));
    }
};

TAVORIN_TEST(GroupFrmTest)
#include "GroupFrmTest.moc"
