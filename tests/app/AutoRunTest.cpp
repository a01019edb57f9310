// The run controls of the main window: enabled controls by run state, the
// toolbar handlers, mode switches and connection during a run, and the
// refusal box.
#include "AppFixture.h"
#include "program/ui/TAutoPage.h"
#include "program/TProgramDocument.h"
#include "program/TCodeModel.h"
#include "program/TProgramRunner.h"
#include "support/TestRegistry.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <csignal>

using namespace Fixtures;
using namespace AppTest;

namespace {

// Connected, in automatic mode, with a one-row program running.
void Start_Running()
{
    Connect();
    MainFrm->btn_AutoClick();
    MainFrm->AutoPage->mem_Code->InsertRow(-1, AxisStep(0, AutoAction::Adjust, 1));
    MainFrm->btn_AutoRunClick();
    kqsim_journal_clear();
}

const QString kIdle = QStringLiteral("btn_Open btn_Save btn_AddCode btn_DelCode btn_ScanXY grid_Code btn_AutoRun");

QString Enabled_Controls()
{
    QStringList on;
    const TAutoPage *page = MainFrm->AutoPage;
    for (QWidget *w : std::initializer_list<QWidget *>{MainFrm->btn_Open, MainFrm->btn_Save, page->btn_AddCode,
                                                      page->btn_DelCode, page->btn_ScanXY, page->grid_Code,
                                                      MainFrm->btn_AutoRun, MainFrm->btn_AutoPause,
                                                      MainFrm->btn_AutoStop, MainFrm->btn_AutoHalt})
        if (w->isEnabled())
            on << w->objectName();
    return on.join(' ');
}

} // namespace

class AutoRunTest : public ProgramTestCase
{
    Q_OBJECT
private slots:
    void enabledControlsByState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("enabled");
        QTest::newRow("idle") << 0 << kIdle;
        QTest::newRow("running") << 1 << "btn_AutoPause btn_AutoStop btn_AutoHalt";
        QTest::newRow("paused") << 2 << "btn_AutoRun btn_AutoStop btn_AutoHalt";
        QTest::newRow("other values change nothing") << 3 << "btn_AutoPause btn_AutoStop btn_AutoHalt";
    }
    void enabledControlsByState()
    {
        QFETCH(int, state);
        QFETCH(QString, enabled);
        Connect();
        MainFrm->Set_Auto_State(1);
        MainFrm->Set_Auto_State(state);
        QCOMPARE(Enabled_Controls(), enabled);
    }

    // Closing while a program runs or is paused asks first; closing while
    // connected halts every axis before the library is shut down.
    void closingHaltsEveryAxis_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QStringList>("journal");
        // After the OK the run is halted at once; closing halts again.
        const QStringList closed{"KQ_Set_Axis_Halt_All()", "KQ_DeInit()"};
        const QStringList halted = QStringList{"KQ_Set_Axis_Halt_All()"} + closed;
        QTest::newRow("running, OK") << "running" << int(MsgResult::Ok) << true << halted;
        QTest::newRow("running, Cancel") << "running" << int(MsgResult::Cancel) << true << QStringList();
        QTest::newRow("paused, OK") << "paused" << int(MsgResult::Ok) << true << halted;
        QTest::newRow("idle") << "idle" << int(MsgResult::Cancel) << false << closed;
    }
    void closingHaltsEveryAxis()
    {
        QFETCH(QString, state);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(QStringList, journal);
        Start_Running();
        if (state == "paused")
            MainFrm->btn_AutoPauseClick();
        else if (state == "idle")
            MainFrm->btn_AutoStopClick();
        MainFrm->AutoPage->Document->SetModified(false); // nothing to save
        kqsim_journal_clear();
        MessageRecorder messages{MsgResult(answer)};
        QCOMPARE(MainFrm->close(), answer == int(MsgResult::Ok) || !asked);
        QCOMPARE(Commands(), journal); // the halted run reads the positions once
        QCOMPARE(messages.requests.size(), asked ? 1 : 0);
        if (asked) {
            const MessageRequest &r = messages.requests.front();
            QCOMPARE(r.text, QStringLiteral("方案正在运行，退出将停止所有轴。确认退出？"));
            QCOMPARE(r.title, QStringLiteral("提示"));
            QVERIFY(r.icon == MsgIcon::Question && r.buttons == MsgButtons::OkCancel);
            QVERIFY(r.defaultButton == MsgResult::Cancel);
        }
        if (!journal.isEmpty())
            QVERIFY(!MainFrm->tmr_Auto->isActive() && !MainFrm->tmr_AutoStatus->isActive());
    }

    // Told to stop by a signal during a run, the window closes without
    // asking: every axis halted, then the library shut down; the exit
    // status names the signal.
    void stopSignalClosesWithoutAsking_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void stopSignalClosesWithoutAsking()
    {
        QFETCH(int, signal);
        Start_Running();
        kqsim_journal_clear();
        MessageRecorder messages{MsgResult::Cancel};
        int status = -1;
        MainFrm->Close_On_Stop_Signals([&status](int code) { status = code; });
        std::raise(signal);
        QTRY_COMPARE(status, 128 + signal);
        QCOMPARE(Journal(), (QStringList{"KQ_Set_Axis_Halt_All()", "KQ_DeInit()"}));
        QVERIFY(messages.requests.isEmpty());
        QVERIFY(!MainFrm->isVisible());
    }

    void runToTheEndFromTheToolbar()
    {
        Start_Running();
        QCOMPARE(Enabled_Controls(), QStringLiteral("btn_AutoPause btn_AutoStop btn_AutoHalt"));
        QVERIFY(MainFrm->tmr_Auto->isActive() && MainFrm->tmr_AutoStatus->isActive());
        MainFrm->Runner->tmr_AutoTimer();
        MainFrm->Runner->tmr_AutoTimer();
        QCOMPARE(Commands(), QStringList({"KQ_Set_Axis_Software_P(0,6400)", "KQ_Set_Axis_Halt_All()"}));
        QStringList texts;
        for (const QString &line : MainFrm->mmo_Log->toPlainText().split('\n'))
            texts << line.mid(21); // after "[yyyy-mm-dd hh:nn:ss]"
        QCOMPARE(texts.mid(texts.size() - 4), QStringList({"开始运行", "第1轴 坐标调整完成", "方案执行完成 1", "停止"}));
        QCOMPARE(Enabled_Controls(), kIdle);
    }

    // "手动模式" halts the run; "自动模式" leaves it running with its controls.
    void modeSwitchDuringRun()
    {
        Start_Running();
        MainFrm->btn_AutoClick();
        QVERIFY(MainFrm->tmr_Auto->isActive());
        QCOMPARE(Enabled_Controls(), QStringLiteral("btn_AutoPause btn_AutoStop btn_AutoHalt"));
        MainFrm->btn_ManualClick();
        QCOMPARE(Commands(), QStringList{"KQ_Set_Axis_Halt_All()"});
        QVERIFY(!MainFrm->tmr_Auto->isActive() && !MainFrm->tmr_AutoStatus->isActive());
        QCOMPARE(MainFrm->Runner->RunState(), TProgramRunner::Idle);
        QVERIFY(MainFrm->mmo_Log->toPlainText().endsWith("]停止"));
    }

    // A new connection halts a run before the links are closed.
    void connectDuringRun()
    {
        Start_Running();
        MainFrm->btn_AutoPauseClick();
        Connect();
        QCOMPARE(Commands().mid(0, 2), QStringList({"KQ_Set_Axis_Halt_All()", "KQ_Close_UART()"}));
        QCOMPARE(MainFrm->Runner->RunState(), TProgramRunner::Idle);
        QCOMPARE(Enabled_Controls(), kIdle);
    }

    void refusedRowShowsItsRecordNumber()
    {
        Connect();
        MainFrm->btn_AutoClick();
        MainFrm->AutoPage->mem_Code->InsertRow(-1, AxisStep(0, AutoAction::Adjust, 1));
        MainFrm->AutoPage->mem_Code->InsertRow(-1, AxisStep(9, AutoAction::Adjust, 1));
        MessageRecorder boxes;
        MainFrm->btn_AutoRunClick();
        QCOMPARE(boxes.requests.size(), 1);
        QCOMPARE(boxes.requests[0].title, QStringLiteral("提示"));
        QCOMPARE(boxes.requests[0].text, QStringLiteral("第2行无法执行：设备上没有轴号为 9 的轴（轴号从 0 数起，本设备共 4 个轴）"));
        QVERIFY(!MainFrm->tmr_Auto->isActive());
        QCOMPARE(Enabled_Controls(), kIdle);
    }
};

TAVORIN_TEST(AutoRunTest)
#include "AutoRunTest.moc"
