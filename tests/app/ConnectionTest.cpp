#include "app/Forms.h"
#include "app/TBoardPortFrm.h"
#include "app/TMainFrm.h"
#include "axis/TAxisFrm.h"
#include "config/AxisConfig.h"
#include "AppFixture.h"
#include "program/ui/TAutoPage.h"
#include "program/TStatusModel.h"
#include "support/TestRegistry.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QToolBar>
#include <QToolButton>

using namespace Fixtures;
using namespace AppTest;

class StartupTest : public ProgramTestCase
{
    Q_OBJECT
private slots:

    void toolbarButtonsInOrder()
    {
        QStringList items;
        for (QAction *a : MainFrm->tlb_System->actions()) {
            if (a->isSeparator()) {
                items << "|";
                continue;
            }
            auto *b = qobject_cast<QToolButton *>(MainFrm->tlb_System->widgetForAction(a));
            QVERIFY(b);
            QCOMPARE(b->iconSize(), QSize(32, 32));
            QCOMPARE(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
            QVERIFY(!b->icon().isNull());
            items << b->objectName() + "=" + b->text();
        }
        QCOMPARE(items, QStringList({"btn_Scan=连接设备", "|", "btn_Config=配置", "btn_Manual=手动模式",
                                     "btn_Auto=自动模式", "|", "btn_RunAll=同时启动", "btn_StopAll=停止",
                                     "btn_HaltAll=急停", "btn_Open=打开方案", "btn_Save=保存方案", "btn_SaveAs=另存为",
                                     "btn_Undo=撤销", "btn_Redo=重做",
                                     "btn_AutoRun=启动", "btn_AutoPause=暂停", "btn_AutoStop=停止",
                                     "btn_AutoHalt=急停", "btn_RunRecords=运行记录"}));
        QVERIFY(MainFrm->btn_Manual->isChecked());
        QCOMPARE(MainFrm->windowTitle(), QStringLiteral("运动控制助手"));
        QVERIFY(MainFrm->findChild<QLabel *>("msg_Version")->text().startsWith("Ver:"));
    }

    void showInitialisesAndHaltsBeforeAnyLink()
    {
        MainFrm->show();
        QCOMPARE(Journal(), QStringList({"KQ_Init()", "KQ_Set_Axis_Halt_All()"}));
        const QString log = MainFrm->mmo_Log->toPlainText();
        QVERIFY2(QRegularExpression("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\]停止$").match(log).hasMatch(),
                 qPrintable(log));
        QCOMPARE(MainFrm->pgc_Main->currentWidget(), MainFrm->Sheet_Manual);
        QVERIFY(!MainFrm->btn_RunAll->isHidden());
        QVERIFY(MainFrm->btn_AutoRun->isHidden());
        // A second showing does not start the library again.
        MainFrm->hide();
        MainFrm->show();
        QCOMPARE(Journal().size(), 2);
    }

    // Without a board the automatic page prepares programs on the
    // configuration file's axes; the board is not called.
    void automaticModeWithoutBoardCallsNoBoard()
    {
        MainFrm->btn_Auto->click();
        QVERIFY(MainFrm->btn_Auto->isChecked() && !MainFrm->btn_Manual->isChecked());
        QCOMPARE(MainFrm->pgc_Main->currentWidget(), MainFrm->Sheet_Auto);
        QCOMPARE(Commands(), QStringList());
    }

    void closeWithoutPanelsLeavesNoFile()
    {
        MainFrm->FormClose();
        QCOMPARE(Journal(), QStringList({"KQ_DeInit()"}));
        QVERIFY(!cfg->Exists());
    }
};
TAVORIN_TEST(StartupTest)

class ConnectionTest : public ProgramTestCase
{
    Q_OBJECT
private slots:

    void usbConnectionInOrder()
    {
        Connect();
        QCOMPARE(Journal(), QStringList({"KQ_Close_UART()", "KQ_Close_USB()", "KQ_Close_Net()", "KQ_Open_USB()",
                                         "KQ_Check()", "KQ_Get_Product_ID()", "KQ_Get_Product_SN()",
                                         "KQ_Get_Product_Version2()", "KQ_Get_Product_Resource()",
                                         "KQ_Get_Encoder_Num()", "KQ_Get_Axis_Num()"}));
        QCOMPARE(MainFrm->msg_Main->text(),
                 QStringLiteral("Model=SIMBOARD-MC/SN=123456789ABCDEF001234567/Ver=2.1.0.5/Motor=4"));
        QCOMPARE(MainFrm->F_Axis_Num, 4);
        QCOMPARE(MainFrm->F_Encoder_Num, 4);
        QCOMPARE(g_Axis_Config.size(), 4);
        QCOMPARE(g_Axis_Config[0].Open_Ratio, 6400);
        QCOMPARE(AxisFrameNames(), QStringList({"Axis0", "Axis1", "Axis2", "Axis3"}));
    }

    void networkLinkPassesOctetsAndPort()
    {
        MessageRecorder messages;
        kqsim_fail("KQ_Open_Net", 1); // nothing answers, whatever listens on this machine
        Connect([](QDialog *) {
            BoardPortFrm->rb_Net->setChecked(true);
            BoardPortFrm->IP_Address->setText("127.0.0.1");
            BoardPortFrm->edt_Port->setValue(9000);
        });
        QCOMPARE(Journal().mid(3, 2), QStringList({"KQ_Open_Net(127,0,0,1,9000)", "KQ_Check()"}));
    }

    void noBoardReportsAndClosesLinks()
    {
        Connect();
        const QString line = MainFrm->msg_Main->text();
        kqsim_journal_clear();
        MessageRecorder messages;
        kqsim_fail("KQ_Open_Net", 1); // nothing answers, whatever listens on this machine
        Connect([](QDialog *) {
            BoardPortFrm->rb_Net->setChecked(true);
            BoardPortFrm->IP_Address->setText("127.0.0.1");
        });
        QCOMPARE(Journal(), QStringList({"KQ_Close_UART()", "KQ_Close_USB()", "KQ_Close_Net()",
                                         "KQ_Open_Net(127,0,0,1,8080)", "KQ_Check()",
                                         "KQ_Close_UART()", "KQ_Close_USB()", "KQ_Close_Net()"}));
        QCOMPARE(messages.requests.size(), 1);
        QCOMPARE(messages.requests[0].text, QStringLiteral("没有发现设备"));
        QCOMPARE(messages.requests[0].title, QStringLiteral("提示"));
        QCOMPARE(messages.requests[0].icon, MsgIcon::Information);
        QCOMPARE(MainFrm->msg_Main->text(), line);
        QCOMPARE(MainFrm->F_Axis_Num, 0);
        QCOMPARE(MainFrm->F_Encoder_Num, 0);
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_NONE));
        // The panels of the earlier connection stay.
        QCOMPARE(AxisFrameNames().size(), 4);
    }

    void cancelChangesNothing()
    {
        Connect();
        kqsim_journal_clear();
        {
            ModalAnswer answer(QDialog::Rejected, [](QDialog *) { BoardPortFrm->rb_Net->setChecked(true); });
            MainFrm->btn_ScanClick();
            QCOMPARE(answer.shown, 1);
        }
        QVERIFY(Journal().isEmpty());
        QCOMPARE(MainFrm->F_Axis_Num, 4);
        QCOMPARE(kqsim_link(), int(KQSIM_LINK_USB));
    }

    void boardWithoutAxisResource()
    {
        kqsim_reset(4, 2, KQ_RESOURCE_ENCODER);
        Connect();
        QVERIFY(!Journal().contains("KQ_Get_Axis_Num()"));
        QVERIFY(Journal().contains("KQ_Get_Encoder_Num()"));
        QCOMPARE(MainFrm->msg_Main->text(), QStringLiteral("Model=SIMBOARD-MC/SN=123456789ABCDEF001234567/Ver=2.1.0.5"));
        QCOMPARE(MainFrm->F_Axis_Num, 0);
        QCOMPARE(MainFrm->F_Encoder_Num, 2);
        QVERIFY(g_Axis_Config.isEmpty());
        QVERIFY(AxisFrameNames().isEmpty());
    }

    void boardWithNoAxes()
    {
        kqsim_reset(0, 0, kAllResources);
        Connect();
        QVERIFY(!MainFrm->msg_Main->text().contains("Motor="));
        QVERIFY(AxisFrameNames().isEmpty());
    }

    void failedIdentityCallsKeepEarlierValues()
    {
        Connect();
        kqsim_set_product_id("OTHER");
        kqsim_fail("KQ_Get_Product_ID", 1);
        kqsim_fail("KQ_Get_Product_Version2", 1);
        Connect();
        kqsim_fail("KQ_Get_Product_ID", 0);
        kqsim_fail("KQ_Get_Product_Version2", 0);
        QCOMPARE(MainFrm->F_Product_ID, QStringLiteral("SIMBOARD-MC"));
        QCOMPARE(MainFrm->F_Version, QStringLiteral("2.1.0.5"));
        QCOMPARE(MainFrm->msg_Main->text(),
                 QStringLiteral("Model=SIMBOARD-MC/SN=123456789ABCDEF001234567/Ver=2.1.0.5/Motor=4"));
    }

    void closeSavesEntriesLastPanelFirst()
    {
        kqsim_reset(2, 0, KQ_RESOURCE_AXIS);
        Connect();
        MainFrm->Axis_Frames().at(0)->edt_Rel->setText("abc");
        kqsim_journal_clear();
        MainFrm->FormClose();
        QCOMPARE(Journal(), QStringList({"KQ_Set_Axis_Halt_All()", "KQ_DeInit()"}));
        const QByteArray text = cfg->Read();
        QVERIFY(text.indexOf("[Axis1]") >= 0);
        QVERIFY(text.indexOf("[Axis1]") < text.indexOf("[Axis0]"));
        QVERIFY(text.contains("P_REL=abc"));
        // The next connection shows the saved text again.
        Connect();
        QCOMPARE(MainFrm->Axis_Frames().at(0)->edt_Rel->text(), QStringLiteral("abc"));
    }

    // After a lost link the board's state is unknown: the next connection
    // shows where the axes stand before the window is painted again.
    void connectionAfterALossReadsPositions()
    {
        Connect();
        kqsim_place_axis(0, 12800);
        kqsim_lose_link();
        Connect();
        QCOMPARE(MainFrm->Axis_Frames().at(0)->edt_Show_Software->text(), QStringLiteral("2.000000"));
        const QModelIndex pos = MainFrm->AutoPage->mem_Status->index(0, TStatusModel::ColPos);
        QCOMPARE(pos.data().toString(), QStringLiteral("2.000000"));
    }

    void failedSaveAtCloseStillShutsDown()
    {
        Connect();
        QFile::remove(cfg->Path());
        QVERIFY(QDir(cfg->dir.path()).mkdir("Tavorin.ini")); // a directory cannot be written
        MessageRecorder messages;
        kqsim_journal_clear();
        MainFrm->FormClose();
        QCOMPARE(messages.Texts(), QStringList({"Unable to write to " + QDir::toNativeSeparators(cfg->Path())}));
        QCOMPARE(Journal(), QStringList({"KQ_Set_Axis_Halt_All()", "KQ_DeInit()"}));
    }
};
TAVORIN_TEST(ConnectionTest)

class PortDialogTest : public ProgramTestCase
{
    Q_OBJECT
private slots:

    void defaults()
    {
        QCOMPARE(BoardPortFrm->windowTitle(), QStringLiteral("通讯口选择"));
        QVERIFY(BoardPortFrm->rb_UART->isChecked());
        QCOMPARE(BoardPortFrm->edt_Port->value(), 8080);
        QCOMPARE(BoardPortFrm->IP_Address->text(), TBoardPortFrm::DefaultAddress());
        QCOMPARE(BoardPortFrm->cbb_Port->currentIndex(), BoardPortFrm->cbb_Port->count() > 0 ? 0 : -1);
    }

    void choicesPersistAcrossRestart()
    {
        {
            ModalAnswer answer(QDialog::Rejected, [](QDialog *) {
                BoardPortFrm->rb_Net->setChecked(true);
                BoardPortFrm->IP_Address->setText("127.0.0.1");
                BoardPortFrm->edt_Port->setValue(9001);
            });
            MainFrm->btn_ScanClick();
        }
        const QByteArray text = cfg->Read();
        QVERIFY(text.contains("[BoardPortFrm_Properties]\r\n"));
        QVERIFY(text.contains("IP_Address.Text=127.0.0.1\r\n"));
        QVERIFY(text.contains("edt_Port.Value=9001\r\n"));
        QVERIFY(text.contains("cbb_Port.ItemIndex="));
        QVERIFY(text.contains("Link=Net\r\n"));
        Destroy_Forms();
        Create_Forms();
        QCOMPARE(BoardPortFrm->IP_Address->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(BoardPortFrm->edt_Port->value(), 9001);
        QVERIFY(BoardPortFrm->rb_Net->isChecked()); // the link kind is kept too
    }

    void storedIndexPastTheListChoosesNothing()
    {
        Destroy_Forms();
        cfg->Write("[BoardPortFrm_Properties]\r\ncbb_Port.ItemIndex=999\r\n[Other]\r\nA=1\r\n");
        Create_Forms();
        QCOMPARE(BoardPortFrm->cbb_Port->currentIndex(), -1);
        QCOMPARE(BoardPortFrm->PortName(), QString());
        // Closing writes only its own keys.
        BoardPortFrm->done(QDialog::Rejected);
        QVERIFY(cfg->Read().contains("[Other]\r\nA=1\r\n"));
    }

    void portOutsideRangeIsRefusedWhenLeft()
    {
        MessageRecorder messages;
        BoardPortFrm->show();
        BoardPortFrm->edt_Port->setValue(80);
        QFocusEvent leave(QEvent::FocusOut);
        QCoreApplication::sendEvent(BoardPortFrm->edt_Port, &leave);
        QCOMPARE(messages.Texts(), QStringList({"Value must be between 1024 and 65535"}));
        BoardPortFrm->edt_Port->setValue(1024);
        QCoreApplication::sendEvent(BoardPortFrm->edt_Port, &leave);
        QCOMPARE(messages.requests.size(), 1);
        BoardPortFrm->btn_OK->click();
        QVERIFY(!BoardPortFrm->isVisible());
        QCOMPARE(BoardPortFrm->result(), int(QDialog::Accepted));
    }

    // Enter never leaves the entry, so OK itself says why the dialog stays
    // open; every way of cancelling leaves quietly and, as every close does,
    // keeps the three values, the out-of-range port too.
    void portOutsideRangeOnClosing_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
        QTest::newRow("取消 clicked") << 0;
    }
    void portOutsideRangeOnClosing()
    {
        QFETCH(int, key);
        const QByteArray file = "[Other]\r\nA=1\r\n";
        cfg->Write(file);
        MessageRecorder messages;
        BoardPortFrm->show();
        QApplication::setActiveWindow(BoardPortFrm);
        BoardPortFrm->edt_Port->setFocus();
        BoardPortFrm->edt_Port->setValue(80);
        if (key)
            QTest::keyClick(BoardPortFrm->edt_Port, Qt::Key(key));
        else
            QTest::mouseClick(BoardPortFrm->btn_No, Qt::LeftButton);
        const bool enter = key == Qt::Key_Return;
        QCOMPARE(BoardPortFrm->isVisible(), enter);
        QCOMPARE(messages.Texts(), enter ? QStringList({"Value must be between 1024 and 65535"}) : QStringList());
        if (enter) {
            QCOMPARE(cfg->Read(), file);
        } else {
            const TIniFile ini(cfg->Path());
            QCOMPARE(ini.ReadString("BoardPortFrm_Properties", "edt_Port.Value", "-"), QStringLiteral("80"));
            QCOMPARE(ini.ReadString("BoardPortFrm_Properties", "IP_Address.Text", "-"), BoardPortFrm->AddressText());
            QVERIFY(ini.ReadString("BoardPortFrm_Properties", "cbb_Port.ItemIndex", "-") != "-");
            QVERIFY(cfg->Read().startsWith(file));
        }
    }

    // Wherever the main window stands, the dialog opens in the middle of
    // the desktop.
    void opensCentredOnTheDesktop()
    {
        MainFrm->setGeometry(10, 10, 300, 200);
        MainFrm->show();
        BoardPortFrm->show();
        QVERIFY(QTest::qWaitForWindowExposed(BoardPortFrm));
        const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
        const QRect frame = BoardPortFrm->frameGeometry();
        QVERIFY2((frame.center() - centre).manhattanLength() <= 8, // the frame's border
                 qPrintable(QStringLiteral("%1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
        BoardPortFrm->reject();
    }
};
TAVORIN_TEST(PortDialogTest)

#include "ConnectionTest.moc"
