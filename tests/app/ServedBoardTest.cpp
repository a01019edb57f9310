// The program on a board served by kq-board-sim, as an operator uses it:
// connect over "网络/WIFI" or a serial port, move an axis, lose the board,
// see it said in the status bar, and connect again.
#include "AppFixture.h"
#include "app/TLinkWatch.h"
#include "controller/TKeepAlive.h"
#include "program/ui/TAutoPage.h"
#include "program/TCodeModel.h"
#include "program/TProgramRunner.h"
#include "program/TStatusModel.h"
#include "support/BoardSim.h"
#include "support/TestRegistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Fixtures;
using namespace AppTest;

namespace {

QStringList BoardCalls(const QStringList &journal)
{
    static const QRegularExpression link(R"(^KQ_(Init|DeInit|Open_\w+|Close_\w+)\()");
    QStringList calls;
    for (const QString &e : journal)
        if (!link.match(e).hasMatch())
            calls << e;
    return calls;
}

void ConnectTo(const BoardSim &sim)
{
    const uint16_t port = sim.port;
    const QString pty = sim.ptyPath;
    Connect([port, pty](QDialog *) {
        if (pty.isEmpty()) {
            BoardPortFrm->rb_Net->setChecked(true);
            BoardPortFrm->IP_Address->setText("127.0.0.1");
            BoardPortFrm->edt_Port->setValue(port);
        } else {
            BoardPortFrm->rb_UART->setChecked(true);
            BoardPortFrm->cbb_Port->addItem(pty);
            BoardPortFrm->cbb_Port->setCurrentIndex(BoardPortFrm->cbb_Port->count() - 1);
        }
    });
}

QString StatusPane()
{
    return MainFrm->findChild<QLabel *>("msg_Mcu_T")->text();
}

QTimer *KeepAliveTimer()
{
    return MainFrm->findChild<QTimer *>("tmr_KeepAlive");
}

// The served board's journal since `from` entries.
QStringList JournalSince(BoardSim &sim, int from)
{
    return sim.Journal().mid(from);
}

} // namespace

class ServedBoardProgramTest : public ProgramTestCase
{
    Q_OBJECT
private slots:
    void connectMoveLoseAndReconnect_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("network") << QStringList{"--listen", "127.0.0.1:0"};
        QTest::newRow("serial") << QStringList{"--pty"};
    }

    void connectMoveLoseAndReconnect()
    {
        QFETCH(QStringList, args);
        auto sim = std::make_unique<BoardSim>();
        QVERIFY(sim->Start(args));
        ConnectTo(*sim);
        QCOMPARE(MainFrm->F_Axis_Num, 4);
        QCOMPARE(AxisFrameNames().size(), 4);
        QVERIFY(MainFrm->msg_Main->text().startsWith("Model=SIMBOARD-MC/"));
        QCOMPARE(sim->Journal(), BoardCalls(Journal()));
        QCOMPARE(MainFrm->msg_Link->text(), args.contains("--pty") ? QStringLiteral("串口 ") + sim->ptyPath
                                                                   : QStringLiteral("网络 127.0.0.1:%1").arg(sim->port));

        // A short run: absolute positioning to 0.5 mm, polled to rest.
        TAxisFrm *axis = MainFrm->Axis_Frames().at(0);
        axis->edt_Abs->setText("0.5");
        axis->btn_Pos_AbsClick();
        QVERIFY(sim->Journal().contains("KQ_Set_Axis_Position_P_Target_Abs(0,3200)"));
        QTRY_VERIFY_WITH_TIMEOUT((axis->tmr_AxisTimer(), !axis->chk_Run->isChecked()
                                  && axis->edt_Show_Software->text() == "0.500000"), 10000);
        QCOMPARE(StatusPane(), QString());

        // The board goes away: the next poll finds it lost, the pane says so.
        sim->Kill();
        for (TAxisFrm *f : MainFrm->Axis_Frames())
            f->tmr_AxisTimer();
        MainFrm->F_Link_Watch->tmr_LinkTimer();
        QCOMPARE(StatusPane(), QStringLiteral("设备无响应"));
        QVERIFY(MainFrm->msg_Mcu_T->styleSheet().contains("background-color"));
        // Nothing is known about the axes any more, and the panels say so,
        // also a panel built while the board is lost.
        axis->chk_Zero->setChecked(true);
        MainFrm->Build_Axis_Frames();
        for (TAxisFrm *f : MainFrm->Axis_Frames()) {
            f->tmr_AxisTimer();
            QVERIFY(!f->chk_Run->isChecked() && !f->chk_Neg->isChecked() && !f->chk_Pos->isChecked()
                    && !f->chk_Zero->isChecked());
            QVERIFY(!f->edt_Show_Software->isEnabled() && !f->edt_Show_V->isEnabled());
        }
        const auto shownPosition = [] {
            TStatusModel *status = MainFrm->AutoPage->mem_Status;
            return status->data(status->index(0, TStatusModel::ColPos)).toString();
        };
        QCOMPARE(shownPosition(), QStringLiteral("—"));

        // Back again: "连接设备" works at once and clears the pane.
        const QStringList sameAddress{"--listen", QStringLiteral("127.0.0.1:%1").arg(sim->port)};
        sim = std::make_unique<BoardSim>();
        QVERIFY(sim->Start(args.contains("--pty") ? args : sameAddress));
        ConnectTo(*sim);
        QCOMPARE(MainFrm->F_Axis_Num, 4);
        QCOMPARE(StatusPane(), QString());
        QCOMPARE(MainFrm->msg_Mcu_T->styleSheet(), QString());
        MainFrm->F_Link_Watch->tmr_LinkTimer();
        QCOMPARE(StatusPane(), QString());
        for (TAxisFrm *f : MainFrm->Axis_Frames())
            QVERIFY(f->edt_Show_Software->isEnabled() && f->edt_Show_V->isEnabled());
        QVERIFY(shownPosition() != QStringLiteral("—"));
    }

    // A serial line that another program holds is said so, not taken for a
    // missing board.
    void serialLineHeldElsewhereIsSaid()
    {
        BoardSim sim;
        QVERIFY(sim.Start({"--pty"}));
        const int other = ::open(sim.ptyPath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(other >= 0);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
        MessageRecorder messages;
        ConnectTo(sim);
        QCOMPARE(messages.Texts(), QStringList{QStringLiteral("串口被占用")});
        QCOMPARE(MainFrm->F_Axis_Num, 0);
        ::close(other);
        ConnectTo(sim);
        QCOMPARE(messages.Texts().size(), 1);
        QCOMPARE(MainFrm->F_Axis_Num, 4);
    }

    // An automatic program runs on the served board exactly as in-process.
    void programRunsOverTheNetwork()
    {
        BoardSim sim;
        QVERIFY(sim.Start({"--listen", "127.0.0.1:0"}));
        ConnectTo(sim);
        MainFrm->btn_AutoClick();
        MainFrm->AutoPage->mem_Code->InsertRow(-1, TAutoCode{false, 1, QStringLiteral("第2轴"), AutoAction::Rel, 0.25, 0, 2});
        MainFrm->btn_AutoRunClick();
        QElapsedTimer waited;
        waited.start();
        while (MainFrm->tmr_Auto->isActive() && waited.elapsed() < 10000)
            QTest::qWait(10); // the program timer ticks on its own

        const QStringList log = MainFrm->mmo_Log->toPlainText().split('\n');
        QCOMPARE(log.at(log.size() - 2).mid(21), QStringLiteral("方案执行完成 1"));
        QCOMPARE(log.last().mid(21), QStringLiteral("停止"));
        QVERIFY(sim.Journal().contains("KQ_Set_Axis_Position_P_Target_Rel(1,1600)"));
        QCOMPARE(sim.Journal(), BoardCalls(Journal()));
        QCOMPARE(StatusPane(), QString());
    }

    // A board that serves another program is said so, not taken for a
    // missing one; and no connection made means no "设备无响应", even when
    // the link watch looks while the message is shown.
    void busyBoardIsSaidWithoutALostPane()
    {
        BoardSim sim;
        QVERIFY(sim.Start());
        sim.Command("clock manual"); // the other program is never let go
        QTcpSocket other;
        other.connectToHost(QStringLiteral("127.0.0.1"), sim.port);
        QVERIFY(other.waitForConnected(2000));
        QStringList shown;
        QStringList panes;
        SetMessageBoxHandler([&shown, &panes](const MessageRequest &r) {
            shown << r.text;
            MainFrm->F_Link_Watch->tmr_LinkTimer();
            panes << StatusPane();
            return MsgResult::Ok;
        });
        ConnectTo(sim);
        SetMessageBoxHandler({});
        QCOMPARE(shown, QStringList{QStringLiteral("设备忙，已有其他程序连接")});
        QCOMPARE(panes, QStringList{QString()});
        MainFrm->F_Link_Watch->tmr_LinkTimer();
        QCOMPARE(StatusPane(), QString());
        QCOMPARE(MainFrm->F_Axis_Num, 0);
        QVERIFY(!KeepAliveTimer()->isActive());

        other.disconnectFromHost();
        MessageRecorder none;
        ConnectTo(sim);
        QCOMPARE(none.Texts(), QStringList());
        QCOMPARE(MainFrm->F_Axis_Num, 4);
    }

    // Connected over the network or a serial line, the window reads from
    // the board at least once a second whatever it shows or runs; the
    // in-process board gets no such call.
    void keepAliveWhileConnected_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("state");
        QTest::newRow("network, manual page") << "net" << "manual";
        QTest::newRow("network, automatic page") << "net" << "auto";
        QTest::newRow("network, paused run") << "net" << "paused";
        QTest::newRow("serial, paused run") << "serial" << "paused";
    }

    void keepAliveWhileConnected()
    {
        QFETCH(QString, link);
        QFETCH(QString, state);
        BoardSim sim;
        QVERIFY(sim.Start(link == "serial" ? QStringList{"--pty"} : QStringList{"--listen", "127.0.0.1:0"}));
        ConnectTo(sim);
        QCOMPARE(MainFrm->F_Axis_Num, 4);
        if (state != "manual")
            MainFrm->btn_AutoClick();
        if (state == "paused") {
            MainFrm->AutoPage->mem_Code->InsertRow(-1, AxisStep(1, AutoAction::Rel, 50));
            MainFrm->btn_AutoRunClick();
            MainFrm->tmr_Auto->stop();
            MainFrm->btn_AutoPauseClick();
            QCOMPARE(MainFrm->Runner->RunState(), int(TProgramRunner::Paused));
        }
        QTimer *keepAlive = KeepAliveTimer();
        QVERIFY(keepAlive->isActive());
        QVERIFY(keepAlive->interval() <= 1000);
        const int before = sim.Journal().size();
        MainFrm->F_Link_Watch->KeepAlive->tmr_KeepAliveTimer();
        QCOMPARE(JournalSince(sim, before), QStringList{"KQ_Get_Axis_Num()"});

        // Lost or replaced by the in-process board: no more reads.
        sim.Kill();
        MainFrm->F_Link_Watch->KeepAlive->tmr_KeepAliveTimer();
        QVERIFY(!keepAlive->isActive());
        Connect();
        QVERIFY(!keepAlive->isActive());
    }

    // On the wall clock: a connected window that shows no panel (a board
    // without axes) and makes no other call keeps the board.
    void idleWindowKeepsTheBoard()
    {
        BoardSim sim;
        QVERIFY(sim.Start({"--listen", "127.0.0.1:0", "--axes", "0"}));
        ConnectTo(sim);
        QVERIFY(MainFrm->Axis_Frames().isEmpty());
        const int before = sim.Journal().size();
        QTest::qWait(2500); // past the board's 2 s watchdog
        const QStringList calls = JournalSince(sim, before);
        QVERIFY2(!calls.join(' ').contains("Watchdog"), qPrintable(calls.join(' ')));
        QVERIFY(calls.count("KQ_Get_Axis_Num()") >= 4);
        MainFrm->F_Link_Watch->tmr_LinkTimer();
        QCOMPARE(StatusPane(), QString());
    }

    // Closing shuts the library down: nothing reads after it.
    void closingStopsTheKeepAlive()
    {
        BoardSim sim;
        QVERIFY(sim.Start());
        ConnectTo(sim);
        QVERIFY(KeepAliveTimer()->isActive());
        MainFrm->FormClose();
        QVERIFY(!KeepAliveTimer()->isActive());
    }
};
TAVORIN_TEST(ServedBoardProgramTest)

#include "ServedBoardTest.moc"
