// The main window as an operator meets it: what the toolbar says, the
// emergency halt from the keyboard, the link and notes in the status bar,
// the title that names the program file, and the layout kept across runs.
#include "AppFixture.h"
#include "app/TStatusNote.h"
#include "program/ui/TAutoPage.h"
#include "program/TCodeModel.h"
#include "program/TProgramRunner.h"
#include "support/Fifo.h"
#include "support/InPlaceSaves.h"
#include "support/TestRegistry.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <memory>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

using namespace Fixtures;
using namespace AppTest;

namespace {

void ShowActive()
{
    MainFrm->show();
    MainFrm->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(MainFrm));
}

QString LastLog()
{
    return MainFrm->mmo_Log->toPlainText().split('\n').last().mid(21);
}

} // namespace

class WindowTest : public ProgramTestCase
{
    Q_OBJECT
private slots:
    void toolTipsSayWhatCommandsDo()
    {
        const QList<QToolButton *> buttons = MainFrm->tlb_System->findChildren<QToolButton *>(
            QRegularExpression("^btn_"));
        QVERIFY(buttons.size() >= 13);
        for (const QToolButton *b : buttons)
            QVERIFY2(b->toolTip().endsWith(QStringLiteral("。")), qPrintable(b->objectName()));
        // The two stops and the two halts say how they differ.
        for (const QToolButton *stop : {MainFrm->btn_StopAll, MainFrm->btn_AutoStop})
            QVERIFY(stop->toolTip().contains(QStringLiteral("减速")));
        for (const QToolButton *halt : {MainFrm->btn_HaltAll, MainFrm->btn_AutoHalt}) {
            QVERIFY(halt->toolTip().contains(QStringLiteral("立即停止控制板上的所有轴")));
            QVERIFY(halt->toolTip().contains(QStringLiteral("Esc 或 Pause")));
        }
        QVERIFY(MainFrm->btn_Manual->toolTip().contains(QStringLiteral("急停所有轴")));
    }

    // Esc and Pause do the halt of the page shown: on the manual page
    // KQ_Set_Axis_Halt_All alone, on the automatic page the program's halt,
    // which also ends the run and logs "停止".
    void haltKeysHaltTheCurrentPage_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("automatic");
        for (const auto &[name, key] : {std::pair{"Esc", Qt::Key_Escape}, std::pair{"Pause", Qt::Key_Pause}}) {
            QTest::addRow("%s, manual page", name) << int(key) << false;
            QTest::addRow("%s, automatic page", name) << int(key) << true;
        }
    }
    void haltKeysHaltTheCurrentPage()
    {
        QFETCH(int, key);
        QFETCH(bool, automatic);
        ShowActive();
        Connect();
        if (automatic) {
            MainFrm->btn_AutoClick();
            MainFrm->AutoPage->mem_Code->InsertRow(-1, AxisStep(0, AutoAction::Rel, 5));
            MainFrm->btn_AutoRunClick();
            QCOMPARE(MainFrm->Runner->RunState(), int(TProgramRunner::Running));
        }
        const int logLines = MainFrm->mmo_Log->blockCount();
        kqsim_journal_clear();
        // Wherever the focus is in the window.
        QWidget *focus = automatic ? static_cast<QWidget *>(MainFrm->AutoPage->edt_Param)
                                   : MainFrm->Axis_Frames().at(0)->edt_Abs;
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key(key));
        QCOMPARE(Commands().count("KQ_Set_Axis_Halt_All()"), 1);
        QCOMPARE(MainFrm->mmo_Log->blockCount() - logLines, automatic ? 1 : 0);
        if (automatic) {
            QCOMPARE(LastLog(), QStringLiteral("停止"));
            QCOMPARE(MainFrm->Runner->RunState(), int(TProgramRunner::Idle));
            QVERIFY(!MainFrm->tmr_Auto->isActive());
        }
    }

    // A readout takes no cursor; the executing row of the locked program
    // grid is painted as a selection, not greyed.
    void readoutsAndRunningRowLookTheirPart()
    {
        Connect();
        for (const QLineEdit *readout : {MainFrm->Axis_Frames().at(0)->edt_Show_Software,
                                         MainFrm->Axis_Frames().at(0)->edt_Show_V})
            QVERIFY(readout->isReadOnly() && readout->focusPolicy() == Qt::NoFocus);
        const QPalette palette = MainFrm->AutoPage->grid_Code->palette();
        for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
            QCOMPARE(palette.color(QPalette::Disabled, role), palette.color(QPalette::Active, role));
    }

    // At 1600 × 1000 the left pane shows twelve axes and a log line whole;
    // in a small window it leaves most of the width to the program.
    void autoPageLeftPaneFits_data()
    {
        QTest::addColumn<QSize>("window");
        QTest::newRow("1600 x 1000") << QSize(1600, 1000);
        QTest::newRow("800 x 600") << QSize(800, 600);
    }
    void autoPageLeftPaneFits()
    {
        QFETCH(QSize, window);
        kqsim_reset(12, 12, kAllResources);
        MainFrm->resize(window);
        ShowActive();
        Connect();
        MainFrm->btn_AutoClick();
        MainFrm->Add_Log(QStringLiteral("第12轴 开始相对定位"));
        QCoreApplication::processEvents();
        const QList<int> sizes = MainFrm->findChild<QSplitter *>("spl_Auto")->sizes();
        const TAutoPage *page = MainFrm->AutoPage;
        QVERIFY(!page->grid_Status->horizontalScrollBar()->isVisible());
        if (window.width() >= 1600) {
            QVERIFY(!page->grid_Status->verticalScrollBar()->isVisible());
            const QString line = page->mmo_Log->document()->lastBlock().text();
            QVERIFY(page->mmo_Log->viewport()->width() > page->mmo_Log->fontMetrics().horizontalAdvance(line));
        } else {
            QVERIFY(sizes.at(0) <= (sizes.at(0) + sizes.at(1)) * 2 / 5);
        }
    }

    void statusBarNamesTheLink()
    {
        QCOMPARE(MainFrm->msg_Link->text(), QString());
        Connect();
        QCOMPARE(MainFrm->msg_Link->text(), QStringLiteral("USB"));
        // A failed attempt keeps the status bar as it was.
        kqsim_fail("KQ_Check", 1);
        MessageRecorder messages;
        Connect([](QDialog *) {
            BoardPortFrm->rb_Net->setChecked(true);
            BoardPortFrm->IP_Address->setText("127.0.0.1");
        });
        QCOMPARE(messages.Texts(), QStringList({"没有发现设备"}));
        QCOMPARE(MainFrm->msg_Link->text(), QStringLiteral("USB"));
    }

    // The title names the program file after "打开方案" or "保存方案" and
    // marks a table that differs from it; a save says so in the status bar.
    void titleFollowsTheProgramFile()
    {
        Connect();
        MainFrm->btn_AutoClick();
        QCOMPARE(MainFrm->windowTitle(), QStringLiteral("运动控制助手"));
        TCodeModel *code = MainFrm->AutoPage->mem_Code;
        MainFrm->AutoPage->Add_Code(AxisStep(0, AutoAction::Rel, 1)); // an edit the undo stack knows
        QCOMPARE(MainFrm->windowTitle(), QStringLiteral("运动控制助手 - 未命名*"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("扫描.txt"));
        SetFileDialogHandler([&path](FileDialogKind, const QString &) { return path; });
        MessageRecorder answers(MsgResult::Ok);
        MainFrm->btn_Save->click();
        QCOMPARE(MainFrm->windowTitle(), QStringLiteral("运动控制助手 - 扫描.txt"));
        QCOMPARE(MainFrm->msg_Note->text(), QStringLiteral("已保存：") + QDir::toNativeSeparators(path));
        MainFrm->AutoPage->Add_Code(AxisStep(1, AutoAction::Rel, 2)); // an edit the undo stack knows
        QCOMPARE(MainFrm->windowTitle(), QStringLiteral("运动控制助手 - 扫描.txt*"));
        MainFrm->AutoPage->btn_DelCodeClick();
        QCOMPARE(MainFrm->windowTitle(), QStringLiteral("运动控制助手 - 扫描.txt*"));
        MainFrm->btn_Open->click();
        SetFileDialogHandler({});
        QCOMPARE(code->rowCount(), 1);
        QCOMPARE(MainFrm->windowTitle(), QStringLiteral("运动控制助手 - 扫描.txt"));
        // Running the program changes nothing in it.
        MainFrm->btn_AutoRunClick();
        MainFrm->btn_AutoHaltClick();
        QCOMPARE(MainFrm->windowTitle(), QStringLiteral("运动控制助手 - 扫描.txt"));
        // A generated program belongs to no file, nor do its runs.
        {
            ModalAnswer generate(QDialog::Accepted);
            MainFrm->AutoPage->btn_ScanXYClick();
        }
        QVERIFY(code->rowCount() > 1);
        QCOMPARE(MainFrm->windowTitle(), QStringLiteral("运动控制助手 - 未命名*"));
        QCOMPARE(MainFrm->AutoPage->ProgramName(), QString());
    }

    // Esc and Pause go first to an open drop-down list or menu, which they
    // close; nothing halts.  Once closed, Esc halts again.
    void haltKeysLeaveAnOpenPopupFirst_data()
    {
        QTest::addColumn<QString>("popup");
        QTest::addColumn<int>("key");
        for (const auto &[name, key] : {std::pair{"Esc", Qt::Key_Escape}, std::pair{"Pause", Qt::Key_Pause}}) {
            QTest::addRow("drop-down list, %s", name) << "list" << int(key);
            QTest::addRow("menu, %s", name) << "menu" << int(key);
        }
    }
    void haltKeysLeaveAnOpenPopupFirst()
    {
        QFETCH(QString, popup);
        QFETCH(int, key);
        ShowActive();
        Connect();
        MainFrm->btn_AutoClick();
        TAutoPage *page = MainFrm->AutoPage;
        page->mem_Code->InsertRow(-1, AxisStep(0, AutoAction::Rel, 5));
        std::unique_ptr<QMenu> menu;
        if (popup == "list") {
            page->cbb_Axis->setFocus();
            page->cbb_Axis->showPopup();
        } else {
            menu.reset(page->Code_Menu(0));
            menu->popup(page->grid_Code->mapToGlobal(QPoint(20, 20)));
        }
        QWidget *open = QApplication::activePopupWidget();
        QVERIFY(open);
        kqsim_journal_clear();
        // As the window system delivers a key: shortcuts are tried first.
        QWindow *window = open->window()->windowHandle();
        QVERIFY(window);
        QTest::keyClick(window, Qt::Key(key));
        if (key == Qt::Key_Pause) // a list or menu does not close on Pause
            QTest::keyClick(window, Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QVERIFY(!Commands().contains("KQ_Set_Axis_Halt_All()"));
        QTest::keyClick(page->cbb_Axis, Qt::Key_Escape);
        QCOMPARE(Commands().count("KQ_Set_Axis_Halt_All()"), 1);
    }

    // Each status refresh selects the first row of the status grid.
    void statusRefreshSelectsTheFirstRow()
    {
        Connect();
        MainFrm->btn_AutoClick();
        QTableView *grid = MainFrm->AutoPage->grid_Status;
        grid->selectRow(2);
        MainFrm->tmr_AutoStatusTimer();
        QCOMPARE(grid->currentIndex().row(), 0);
        QCOMPARE(grid->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(grid->selectionModel()->selectedRows().value(0).row(), 0);
        QVERIFY(grid->updatesEnabled());
    }

    // Size, place and splitters come back at the next start, from the
    // [WINDOW] section; the rest of the file keeps its bytes.
    void layoutKeptAcrossRestart()
    {
        const QByteArray others = "; settings\r\n[Axis0]\r\nP_ABS=1\r\n[GROUP]\r\n";
        cfg->Write(others);
        MainFrm->show();
        QVERIFY(QTest::qWaitForWindowExposed(MainFrm));
        MainFrm->resize(700, 500); // within the offscreen screen
        MainFrm->move(40, 30);
        MainFrm->spl_Manual->setSizes({300, 700});
        QCoreApplication::processEvents();
        const QSize size = MainFrm->size();
        const QList<int> manual = MainFrm->spl_Manual->sizes();
        MainFrm->FormClose();
        const QByteArray saved = cfg->Read();
        QVERIFY(saved.startsWith(others));
        QVERIFY(saved.mid(others.size()).startsWith("[WINDOW]\r\n"));
        QVERIFY(saved.contains(QByteArray("spl_Manual=") + QByteArray::number(manual.at(0))));

        Destroy_Forms();
        Create_Forms();
        QCOMPARE(MainFrm->size(), size);
        MainFrm->show();
        QVERIFY(QTest::qWaitForWindowExposed(MainFrm));
        QCOMPARE(MainFrm->spl_Manual->sizes(), manual);
    }

    // A save of the configuration file killed halfway is undone at the next
    // start, before the window reads the file, and the status bar says so.
    void startPutsBackASaveKilledHalfway()
    {
        Destroy_Forms();
        QByteArray old = "[WINDOW]\r\n";
        for (int k = 0; k < 300; ++k)
            old += "KEY_" + QByteArray::number(k) + "=" + QByteArray(40, 'a') + "\r\n";
        cfg->Write(old);
        QVERIFY(InPlaceSaves::KilledAt({TWriteStep::Write, 2}, [this] {
            TIniFile ini(cfg->Path());
            ini.Batch([&ini] {
                for (int k = 0; k < 300; ++k)
                    ini.WriteString("WINDOW", QStringLiteral("KEY_%1").arg(k), QString(60, QLatin1Char('b')));
            });
        }));
        QVERIFY(cfg->Read() != old);
        Create_Forms();
        QVERIFY(cfg->Read() == old);
        QCOMPARE(MainFrm->msg_Note->text(),
                 QStringLiteral("上次保存未完成，已恢复原文件：") + QDir::toNativeSeparators(cfg->Path()));
        QCOMPARE(InPlaceSaves::Copies(), QStringList());
    }

    // A configuration file that is a FIFO holds nothing up: the window
    // starts at once and says what is wrong.
    void startWithAFifoForTheConfigurationFile()
    {
        Destroy_Forms();
        Fixtures::Fifo fifo;
        QVERIFY(fifo.Made());
        SetConfigFileNameForTest(fifo.Path());
        QElapsedTimer took;
        took.start();
        Create_Forms();
        const qint64 ms = took.elapsed();
        const QString note = MainFrm->msg_Note->text();
        Destroy_Forms();
        SetConfigFileNameForTest(cfg->Path());
        Create_Forms();
        QVERIFY(ms < 1000);
        QCOMPARE(note, QStringLiteral("不是普通文件：") + fifo.Path());
    }

    void damagedLayoutEntriesAreIgnored()
    {
        const QSize fresh = MainFrm->size();
        Destroy_Forms();
        cfg->Write("[WINDOW]\r\nWidth=12\r\nHeight=x\r\nspl_Manual=1,2,3\r\n");
        Create_Forms();
        QCOMPARE(MainFrm->size(), fresh);
        MainFrm->show();
        QVERIFY(QTest::qWaitForWindowExposed(MainFrm));
        QVERIFY(MainFrm->spl_Manual->sizes().at(0) > 100);
    }
};
TAVORIN_TEST(WindowTest)

#include "WindowTest.moc"
