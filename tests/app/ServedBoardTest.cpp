// The program on a board served by kq-board-sim, as an operator uses it:
// connect over "网络/WIFI" or a serial port, move an axis, lose the board,
// see it said in the status bar, and connect again.
#include "AppFixture.h"
#include "app/TLinkWatch.h"
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
};
TAVORIN_TEST(ServedBoardProgramTest)

#include "ServedBoardTest.moc"
