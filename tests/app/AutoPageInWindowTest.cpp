#include "AppFixture.h"
#include "program/ui/TAutoPage.h"
#include "program/TCodeModel.h"
#include "program/TStatusModel.h"
#include "program/ui/TXYFrm.h"
#include "support/TestRegistry.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace Fixtures;
using namespace AppTest;

class AutoPageInWindowTest : public ProgramTestCase
{
    Q_OBJECT
private slots:
    void pageSitsInTheAutomaticSheet()
    {
        QCOMPARE(MainFrm->Sheet_Auto->findChild<QPlainTextEdit *>(QStringLiteral("mmo_Log")), MainFrm->mmo_Log);
        QVERIFY(MainFrm->Sheet_Auto->findChild<QTableView *>(QStringLiteral("grid_Code")));
        QCOMPARE(XYFrm->windowTitle(), QStringLiteral("扫描设置"));
        QCOMPARE(MainFrm->AutoPage->XYFrm, XYFrm);
    }

    void connectionBuildsTheAxisLists()
    {
        cfg->Write(QStringLiteral("[AXIS1]\r\nCAPTION=Y 台\r\n").toUtf8().prepend("\xEF\xBB\xBF"));
        Connect();
        TAutoPage *page = MainFrm->AutoPage;
        QCOMPARE(page->mem_Status->rowCount(), 4);
        QCOMPARE(page->mem_Status->Axis(1), QStringLiteral("Y 台"));
        QCOMPARE(page->cbb_Axis->itemText(1), QStringLiteral("Y 台"));
        QCOMPARE(XYFrm->cbb_X->currentIndex(), 0);
        QCOMPARE(XYFrm->cbb_Y->currentText(), QStringLiteral("Y 台"));
    }

    void stateEnablesTheEditControls()
    {
        Connect();
        MainFrm->btn_AutoClick();
        MainFrm->Set_Auto_State(1);
        QVERIFY(!MainFrm->btn_Save->isEnabled());
        QVERIFY(!MainFrm->AutoPage->btn_AddCode->isEnabled());
        QVERIFY(!MainFrm->AutoPage->grid_Code->isEnabled());
        MainFrm->Set_Auto_State(0);
        QVERIFY(MainFrm->AutoPage->btn_ScanXY->isEnabled());
    }

    // The toolbar buttons save and open through the page.
    void toolbarSavesAndOpens()
    {
        Connect();
        MainFrm->AutoPage->btn_AddCodeClick();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.txt"));
        SetFileDialogHandler([&path](FileDialogKind, const QString &) { return path; });
        MainFrm->btn_Save->click();
        MainFrm->AutoPage->mem_Code->SetRows({});
        MainFrm->btn_Open->click();
        SetFileDialogHandler({});
        QCOMPARE(MainFrm->AutoPage->mem_Code->rowCount(), 1);
        QCOMPARE(MainFrm->AutoPage->mem_Code->Row(0).Axis, QStringLiteral("第1轴"));
    }
};
TAVORIN_TEST(AutoPageInWindowTest)

#include "AutoPageInWindowTest.moc"
