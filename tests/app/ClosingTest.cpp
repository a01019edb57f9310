// Closing the window: the question about a modified program, the halt of a
// run before it, the copy that a stop signal leaves, and no library call
// once the library has been shut down.
#include "AppFixture.h"
#include "app/TRunAllFrm.h"
#include "config/ui/TConfigFrm.h"
#include "config/ui/TGroupFrm.h"
#include "program/ProgramFile.h"
#include "program/TCodeModel.h"
#include "program/TProgramDocument.h"
#include "program/TProgramRunner.h"
#include "program/ui/TAutoPage.h"
#include "program/ui/TUnsavedProgram.h"
#include "support/TestRegistry.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace Fixtures;
using namespace AppTest;

namespace {

const QString kSaveQuestion = QStringLiteral("方案已修改，是否保存？");

// Two rows typed into the edit panel of the automatic page.
void Type_Two_Rows()
{
    Connect();
    MainFrm->btn_AutoClick();
    TAutoPage *page = MainFrm->AutoPage;
    page->cbb_Action->setCurrentText(AutoAction::Rel);
    for (const char *param : {"5", "-5"}) {
        page->edt_Param->setText(param);
        page->btn_AddCodeClick();
    }
}

QByteArray Read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Program_Text()
{
    return WriteProgramText(MainFrm->AutoPage->mem_Code->Rows());
}

// The file dialog answers `path` and counts how often it was shown.
class FileAnswer
{
public:
    explicit FileAnswer(const QString &path)
    {
        SetFileDialogHandler([this, path](FileDialogKind, const QString &) {
            ++shown;
            return path;
        });
    }
    ~FileAnswer() { SetFileDialogHandler({}); }
    int shown = 0;
};

} // namespace

class ClosingTest : public ProgramTestCase
{
    Q_OBJECT
private slots:
    // "取消" keeps the window, "不保存" closes and writes nothing, "保存"
    // writes through the save dialog for a program without a file; a save
    // that is cancelled or fails keeps the window.
    void modifiedProgramIsAskedAbout_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("target"); // what the save dialog gives
        QTest::addColumn<bool>("closes");
        QTest::newRow("取消") << int(MsgResult::Cancel) << "file" << false;
        QTest::newRow("不保存") << int(MsgResult::Discard) << "file" << true;
        QTest::newRow("保存") << int(MsgResult::Save) << "file" << true;
        QTest::newRow("保存, dialog cancelled") << int(MsgResult::Save) << "" << false;
        QTest::newRow("保存, write fails") << int(MsgResult::Save) << "folder" << false;
    }
    void modifiedProgramIsAskedAbout()
    {
        QFETCH(int, answer);
        QFETCH(QString, target);
        QFETCH(bool, closes);
        Type_Two_Rows();
        QCOMPARE(MainFrm->windowTitle(), QStringLiteral("运动控制助手 - 未命名*"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("两行.txt"));
        if (target == "folder")
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("两行.txt")));
        FileAnswer files(target.isEmpty() ? QString() : path);
        MessageRecorder messages({MsgResult(answer), MsgResult::Ok});
        kqsim_journal_clear();

        QCOMPARE(MainFrm->close(), closes);
        const MessageRequest &question = messages.requests.value(0);
        QCOMPARE(question.text, kSaveQuestion);
        QCOMPARE(question.title, QStringLiteral("提示"));
        QVERIFY(question.icon == MsgIcon::Question && question.buttons == MsgButtons::SaveDiscardCancel);
        QVERIFY(question.defaultButton == MsgResult::Cancel);
        QCOMPARE(files.shown, answer == int(MsgResult::Save) ? 1 : 0);
        QCOMPARE(messages.requests.size(), target == "folder" ? 2 : 1); // the failure is shown
        QCOMPARE(Journal().contains("KQ_DeInit()"), closes);
        const bool saved = answer == int(MsgResult::Save) && closes;
        QCOMPARE(QFileInfo(path).isFile(), saved);
        if (saved)
            QCOMPARE(Read(path), Program_Text());
        if (!closes) // nothing was lost: asked again
            QCOMPARE(MainFrm->AutoPage->mem_Code->rowCount(), 2);
    }

    // A program as it was opened or saved closes without a question; a
    // changed one with a file is saved to that file, without the dialog.
    void onlyChangesAreAskedAboutAndGoToTheirFile()
    {
        Type_Two_Rows();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.txt"));
        FileAnswer files(path);
        MainFrm->btn_Save->click();
        QCOMPARE(files.shown, 1);
        {
            MessageRecorder messages(MsgResult::Cancel);
            MainFrm->AutoPage->btn_AddCodeClick();
            QVERIFY(!MainFrm->close());
            QCOMPARE(messages.Texts(), QStringList({kSaveQuestion}));
        }
        MessageRecorder messages(MsgResult::Save);
        QVERIFY(MainFrm->close());
        QCOMPARE(files.shown, 1);
        QCOMPARE(Read(path), Program_Text());
        QCOMPARE(MainFrm->AutoPage->mem_Code->rowCount(), 3);

        // Opened again: nothing to ask.
        Destroy_Forms();
        Create_Forms();
        Connect();
        MainFrm->btn_AutoClick();
        MainFrm->btn_Open->click();
        QCOMPARE(MainFrm->windowTitle(), QStringLiteral("运动控制助手 - p.txt"));
        messages.requests.clear();
        QVERIFY(MainFrm->close());
        QVERIFY(messages.requests.isEmpty());
    }

    // During a run the run question comes first; after its OK the stage
    // is halted, and then the program is asked about.
    void aRunIsHaltedBeforeTheSaveQuestion()
    {
        Type_Two_Rows();
        MainFrm->btn_AutoRunClick();
        kqsim_journal_clear();
        QList<QStringList> journals;
        QList<int> states;
        MessageRecorder messages({MsgResult::Ok, MsgResult::Cancel}, [&] {
            journals << Commands();
            states << MainFrm->Runner->RunState();
        });
        QVERIFY(!MainFrm->close());
        QCOMPARE(messages.Texts(), QStringList({"方案正在运行，退出将停止所有轴。确认退出？", kSaveQuestion}));
        QCOMPARE(journals.value(0), QStringList());
        QCOMPARE(journals.value(1), QStringList({"KQ_Set_Axis_Halt_All()"}));
        QCOMPARE(states, QList<int>({TProgramRunner::Running, TProgramRunner::Idle}));
        QVERIFY(MainFrm->mmo_Log->toPlainText().endsWith(QStringLiteral("停止")));
    }

    // A stop signal closes without asking and keeps a modified program in
    // "<file>.autosave", or "未命名.autosave" beside the configuration file.
    void stopSignalKeepsTheModifiedProgram_data()
    {
        QTest::addColumn<bool>("titled");
        QTest::addColumn<bool>("modified");
        QTest::newRow("untitled") << false << true;
        QTest::newRow("with a file") << true << true;
        QTest::newRow("saved") << true << false;
    }
    void stopSignalKeepsTheModifiedProgram()
    {
        QFETCH(bool, titled);
        QFETCH(bool, modified);
        Type_Two_Rows();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("p.txt"));
        if (titled) {
            FileAnswer files(file);
            MainFrm->btn_Save->click();
        }
        if (modified && titled)
            MainFrm->AutoPage->btn_AddCodeClick();
        const QString autosave = titled ? file + ".autosave" : QDir(cfg->dir.path()).filePath("未命名.autosave");
        QCOMPARE(TUnsavedProgram(MainFrm->AutoPage).Autosave_Path(cfg->dir.path()), autosave);
        const QByteArray before = Read(file);
        MessageRecorder messages(MsgResult::Cancel);
        MainFrm->Close_For_Stop_Signal();
        QVERIFY(messages.requests.isEmpty());
        QVERIFY(!MainFrm->isVisible());
        QCOMPARE(Journal().last(), QStringLiteral("KQ_DeInit()"));
        QCOMPARE(QFileInfo::exists(autosave), modified);
        if (modified)
            QCOMPARE(Read(autosave), Program_Text());
        QCOMPARE(Read(file), before); // the program's own file is left alone
    }

    // A dialog or question open when a stop signal closes the window ends
    // with it, and its handler goes no further: the library's shut-down is
    // its last call.
    void aHandlerEndedByTheCloseDoesNothingMore_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("参数配置") << "ConfigFrm";
        QTest::newRow("分组定义") << "GroupFrm";
        QTest::newRow("同时启动") << "RunAllFrm";
        QTest::newRow("通讯口选择") << "BoardPortFrm";
        QTest::newRow("没有发现设备") << "no board";
        QTest::newRow("方案已修改，是否保存？") << "save question";
    }
    void aHandlerEndedByTheCloseDoesNothingMore()
    {
        QFETCH(QString, where);
        Type_Two_Rows();
        MainFrm->btn_ManualClick();
        const auto stop = [] { MainFrm->Close_For_Stop_Signal(); };
        MessageRecorder messages(MsgResult::Ok, stop);
        ModalAnswer answer(QDialog::Accepted, [&](QDialog *dialog) {
            if (dialog == ConfigFrm && where == "GroupFrm")
                ConfigFrm->btn_EditGroup->click();
            else if (dialog->objectName() == where)
                stop();
            else
                ChooseUsb(dialog);
        });
        kqsim_journal_clear();
        if (where == "ConfigFrm" || where == "GroupFrm")
            MainFrm->btn_Config->click();
        else if (where == "RunAllFrm")
            MainFrm->btn_RunAll->click();
        else if (where == "save question")
            MainFrm->close();
        else {
            if (where == "no board")
                kqsim_fail("KQ_Check", 1);
            MainFrm->btn_Scan->click();
        }
        QVERIFY(answer.shown + messages.requests.size() > 0);
        QVERIFY(!MainFrm->isVisible());
        QCOMPARE(Journal().count("KQ_DeInit()"), 1);
        QCOMPARE(Journal().last(), QStringLiteral("KQ_DeInit()"));
        QVERIFY(QFileInfo::exists(QDir(cfg->dir.path()).filePath("未命名.autosave")));
    }

    // The halt at the process's end is for a board connected now: none
    // before a connection, after a failed one or after the shut-down, and
    // one for a connected board whose window has gone without closing.
    void exitHaltIsForABoardConnectedNow()
    {
        Halt_If_Still_Connected();
        QVERIFY(Journal().isEmpty());
        Connect();
        kqsim_journal_clear();
        Halt_If_Still_Connected();
        QCOMPARE(Journal(), QStringList({"KQ_Set_Axis_Halt_All()"}));

        MainFrm->close();
        kqsim_journal_clear();
        Halt_If_Still_Connected();
        QVERIFY(Journal().isEmpty());

        Destroy_Forms();
        Create_Forms();
        Connect();
        kqsim_fail("KQ_Check", 1);
        MessageRecorder messages;
        Connect();
        kqsim_fail("KQ_Check", 0);
        kqsim_journal_clear();
        Halt_If_Still_Connected();
        QVERIFY(Journal().isEmpty());

        Connect();
        Destroy_Forms(); // the window gone without closing
        kqsim_journal_clear();
        Halt_If_Still_Connected();
        QCOMPARE(Journal(), QStringList({"KQ_Set_Axis_Halt_All()"}));
        Board_Disconnected();
    }
};
TAVORIN_TEST(ClosingTest)

#include "ClosingTest.moc"
