#include "app/Forms.h"
#include "app/TBoardPortFrm.h"
#include "app/TMainFrm.h"
#include "axis/TAxisFrm.h"
#include "config/AxisConfig.h"
#include "AppFixture.h"
#include "support/TestRegistry.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

using namespace Fixtures;
using namespace AppTest;

namespace {
QStringList Shown()
{
    QStringList names;
    for (TAxisFrm *f : MainFrm->Axis_Frames())
        names << f->objectName();
    return names;
}

QColor Background(QWidget *panel)
{
    return panel->palette().color(QPalette::Window);
}

QColor Caption(QWidget *panel)
{
    return panel->palette().color(QPalette::WindowText);
}
}

class AxisPanelsTest : public ProgramTestCase
{
    Q_OBJECT
private slots:

    void withoutGroupsVisibleDecides()
    {
        cfg->Write("[AXIS1]\r\nVISIBLE=0\r\n");
        Connect();
        QCOMPARE(MainFrm->F_Group_Num, 0);
        QVERIFY(MainFrm->Group_Panels().isEmpty());
        QCOMPARE(Shown(), QStringList({"Axis0", "Axis2", "Axis3"}));
        // Mode changes leave the panels alive on the hidden page.
        MainFrm->Set_Manual_Mode(false);
        QCOMPARE(Shown(), QStringList({"Axis0", "Axis2", "Axis3"}));
        QCOMPARE(MainFrm->pgc_Main->currentWidget(), MainFrm->Sheet_Auto);
    }

    void panelIsFilledFromTheConfiguration()
    {
        cfg->Write("\xEF\xBB\xBF[AXIS2]\r\nCAPTION=X轴\r\nNEG=左\r\nPOS=右\r\nFAST1=12.5\r\nP_ABS=3\r\nP_REL=4\r\n"
                   "V_ABS=5\r\nV_REL=6\r\nHOME_V=-7\r\nENCODER_HAS=1\r\n");
        Connect();
        TAxisFrm *f = MainFrm->Axis_Frames().at(2);
        QCOMPARE(f->objectName(), QStringLiteral("Axis2"));
        QCOMPARE(f->Axis(), 2);
        QCOMPARE(f->grp_Ch->title(), QStringLiteral("X轴"));
        QCOMPARE(f->chk_Neg->text(), QStringLiteral("左限位"));
        QCOMPARE(f->chk_Pos->text(), QStringLiteral("右限位"));
        QCOMPARE(f->btn_Neg->text(), QStringLiteral("←左"));
        QCOMPARE(f->btn_Pos->text(), QStringLiteral("右→"));
        QCOMPARE(f->FNegCaption, QStringLiteral("左"));
        QCOMPARE(f->FPosCaption, QStringLiteral("右"));
        QCOMPARE(QStringList({f->btn_Fast0->text(), f->btn_Fast1->text(), f->btn_Fast2->text(), f->btn_Fast3->text()}),
                 QStringList({"0", "12.5", "180", "270"}));
        QCOMPARE(QStringList({f->edt_Abs->text(), f->edt_Rel->text(), f->edt_Mode_V_Abs->text(),
                              f->edt_Mode_V_Rel->text(), f->edt_Home_V->text()}),
                 QStringList({"3", "4", "5", "6", "-7"}));
        QVERIFY(f->rb_Close->isEnabled());
        QVERIFY(!MainFrm->Axis_Frames().at(0)->rb_Close->isEnabled());
        QCOMPARE(MainFrm->Axis_Frames().at(0)->grp_Ch->title(), QStringLiteral("第1轴"));
    }

    void panelsStandSideBySide()
    {
        Connect();
        const QList<TAxisFrm *> frames = MainFrm->Axis_Frames();
        QCOMPARE(frames.size(), 4);
        QCOMPARE(frames[0]->pos(), QPoint(0, 0));
        for (int i = 1; i < frames.size(); ++i) {
            QCOMPARE(frames[i]->y(), 0);
            QCOMPARE(frames[i]->x(), frames[i - 1]->x() + frames[i - 1]->width());
        }
        QVERIFY(MainFrm->box_Axis->widget()->minimumWidth() >= 4 * frames[0]->width());
    }

    void groupsSelectTheirAxes()
    {
        cfg->Write("[GROUP]\r\nA=0\r\nB=1\r\nC=2\r\n"
                   "[AXIS1]\r\nGROUP_ID=1\r\n[AXIS3]\r\nGROUP_ID=9\r\n");
        Connect();
        QCOMPARE(MainFrm->F_Group_Num, 3);
        QCOMPARE(Shown(), QStringList({"Axis0", "Axis2"}));
        const QList<QWidget *> panels = MainFrm->Group_Panels();
        QCOMPARE(panels.size(), 3);
        QCOMPARE(panels[1]->objectName(), QStringLiteral("Pnl_Group1"));
        QCOMPARE(qobject_cast<QLabel *>(panels[1])->text(), QStringLiteral("B"));
        QCOMPARE(panels[1]->geometry(), QRect(0, 53, 200, 48));
        QCOMPARE(panels[1]->font().pointSize(), 12);
        QCOMPARE(Background(panels[0]), QColor(0x00, 0x80, 0x00));
        QCOMPARE(Caption(panels[0]), QColor(Qt::white));
        QCOMPARE(Caption(panels[1]), QColor(Qt::blue));

        MainFrm->Pnl_GroupClick(panels[1]);
        QCOMPARE(Shown(), QStringList({"Axis1"}));
        QVERIFY(g_Group_Config[1].Visible && !g_Group_Config[0].Visible);
        QCOMPARE(Background(panels[1]), QColor(0x00, 0x80, 0x00));
        QCOMPARE(Caption(panels[0]), QColor(Qt::blue));

        MainFrm->Pnl_GroupClick(panels[2]); // a group without axes
        QVERIFY(Shown().isEmpty());
    }

    // Axes of a deleted group or with a number out of range get no panel:
    // the status bar says how many while the manual page is shown.
    void axesWithoutGroupAreCountedInTheStatusBar()
    {
        cfg->Write("[GROUP]\r\nA=0\r\nB=1\r\n[AXIS1]\r\nGROUP_ID=2\r\n[AXIS2]\r\nGROUP_ID=-1\r\n"
                   "[AXIS3]\r\nGROUP_ID=1\r\n");
        Connect();
        auto *note = MainFrm->findChild<QLabel *>("msg_Group_Note");
        QVERIFY(note);
        QCOMPARE(note->text(), QStringLiteral("2 个轴不属于任何分组，请在“配置”中选择功能分组"));
        QVERIFY(note->isVisibleTo(MainFrm));
        MainFrm->Set_Manual_Mode(false);
        QVERIFY(!note->isVisibleTo(MainFrm));
        MainFrm->Set_Manual_Mode(true);
        QVERIFY(note->isVisibleTo(MainFrm));
        cfg->Write("[AXIS1]\r\nGROUP_ID=2\r\n"); // no groups: VISIBLE decides, every axis has its panel
        Connect();
        QVERIFY(note->text().isEmpty() && !note->isVisibleTo(MainFrm));
    }

    // Markup in the file or from the board shows as the characters it is.
    void textFromFileAndBoardIsPlain()
    {
        cfg->Write("[GROUP]\r\n<b>B</b>=0\r\n");
        kqsim_set_product_id("<u>M</u>");
        Connect();
        auto *group = MainFrm->findChild<QLabel *>("Pnl_Group0");
        QVERIFY(group->text() == "<b>B</b>" && MainFrm->msg_Main->text().startsWith("Model=<u>M</u>/"));
        QVERIFY(group->textFormat() == Qt::PlainText && MainFrm->msg_Main->textFormat() == Qt::PlainText);
    }

    void clickOnGroupPanelSelectsIt()
    {
        cfg->Write("[GROUP]\r\nA=0\r\nB=1\r\n[AXIS1]\r\nGROUP_ID=1\r\n");
        Connect();
        QTest::mouseClick(MainFrm->Group_Panels().at(1), Qt::LeftButton);
        QTRY_COMPARE(Shown(), QStringList({"Axis1"}));
    }

    void rebuildRestoresLoadedEntries()
    {
        cfg->Write("[GROUP]\r\nA=0\r\nB=1\r\n[AXIS0]\r\nP_ABS=2\r\n");
        Connect();
        MainFrm->Axis_Frames().at(0)->edt_Abs->setText("99");
        MainFrm->Select_Group(1);
        MainFrm->Select_Group(0);
        QCOMPARE(MainFrm->Axis_Frames().at(0)->edt_Abs->text(), QStringLiteral("2"));
    }

    void automaticModeRemovesPanelsAndManualHalts()
    {
        cfg->Write("[GROUP]\r\nA=0\r\nB=1\r\n[AXIS1]\r\nGROUP_ID=1\r\n");
        Connect();
        MainFrm->Select_Group(1);
        MainFrm->btn_AutoClick();
        QVERIFY(Shown().isEmpty());
        QVERIFY(!g_Group_Config[0].Visible && !g_Group_Config[1].Visible);
        QVERIFY(MainFrm->btn_Auto->isChecked());
        QVERIFY(!MainFrm->btn_Open->isHidden());
        QVERIFY(MainFrm->btn_HaltAll->isHidden());
        kqsim_journal_clear();
        MainFrm->btn_ManualClick();
        QCOMPARE(Shown(), QStringList({"Axis0", "Axis2", "Axis3"}));
        QVERIFY(Commands().contains("KQ_Set_Axis_Halt_All()"));
        QVERIFY(MainFrm->btn_Manual->isChecked());
    }

    void zeroAxesEmptiesTheArea()
    {
        Connect();
        QCOMPARE(Shown().size(), 4);
        kqsim_reset(0, 0, KQ_RESOURCE_AXIS);
        Connect();
        QVERIFY(Shown().isEmpty());
    }
};
TAVORIN_TEST(AxisPanelsTest)

#include "PanelsTest.moc"
