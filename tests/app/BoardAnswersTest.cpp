// A board that refuses a call is told to the operator in the status bar:
// a panel command that failed, and sensor settings that failed at connect.
#include "AppFixture.h"
#include "app/TStatusNote.h"
#include "support/TestRegistry.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace AppTest;
using namespace Fixtures;

class BoardAnswersTest : public ProgramTestCase
{
    Q_OBJECT
private slots:
    void failedPanelCommandShownInStatusBar_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("button");
        QTest::newRow("absolute move") << "KQ_Set_Axis_Position_Acc" << "btn_Pos_Abs";
        QTest::newRow("velocity") << "KQ_Set_Axis_Velocity_V_Target_Rel" << "btn_V_Rel";
        QTest::newRow("home") << "KQ_Set_Axis_Mode_Home_Home_Switch" << "btn_Home";
        QTest::newRow("coordinate") << "KQ_Set_Axis_Software_P" << "btn_Zero";
        QTest::newRow("stop") << "KQ_Set_Axis_Position_Stop" << "btn_Set_Stop";
        QTest::newRow("halt") << "KQ_Set_Axis_Halt" << "btn_Set_Halt";
    }
    void failedPanelCommandShownInStatusBar()
    {
        QFETCH(QString, failing);
        QFETCH(QString, button);
        Connect();
        TAxisFrm *panel = MainFrm->Axis_Frames().at(1);
        kqsim_journal_clear();
        kqsim_fail(qPrintable(failing), 1);
        panel->findChild<QPushButton *>(button)->click();
        kqsim_fail(qPrintable(failing), 0);
        QCOMPARE(MainFrm->msg_Note->text(), QStringLiteral("第2轴 设置失败（%1返回1）").arg(failing));
        // Nothing after the failed call, but for the stops.
        if (!button.startsWith("btn_Set_"))
            QVERIFY(Commands().last().startsWith(failing + "("));
    }

    void succeededCommandShowsNothing()
    {
        Connect();
        MainFrm->Axis_Frames().at(0)->btn_Pos_Abs->click();
        QCOMPARE(MainFrm->msg_Note->text(), QString());
    }

    void failedSensorSettingsShownAtConnect()
    {
        cfg->Write("[AXIS2]\r\nCAPTION=Z轴\r\nENCODER_HAS=1\r\n");
        kqsim_fail("KQ_Set_Encoder_Over_Max", 1);
        Connect();
        kqsim_fail("KQ_Set_Encoder_Over_Max", 0);
        QCOMPARE(MainFrm->msg_Note->text(), QStringLiteral("Z轴 传感器设置失败"));
    }
};
TAVORIN_TEST(BoardAnswersTest)

#include "BoardAnswersTest.moc"
