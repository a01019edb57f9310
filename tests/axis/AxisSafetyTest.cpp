// What keeps an axis from running on unattended: a held jog whose release
// is swallowed, and a command whose value the board cannot take.
#include "AxisPanelFixture.h"
#include "common/NumberText.h"
#include "support/TestRegistry.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cmath>

using namespace AxisTest;

namespace {

constexpr int kAxis = 1;

int Stops_Sent()
{
    return Journal().count(Call("KQ_Set_Axis_Velocity_Stop", kAxis));
}

// Mouse events through the window system, as a person's hand gives them:
// they pass the modal blocking and set QGuiApplication::mouseButtons().
void Press(QWidget *button)
{
    QWidget *top = button->window();
    QTest::mousePress(top->windowHandle(), Qt::LeftButton, {}, button->mapTo(top, button->rect().center()));
}

void Release(QWidget *button)
{
    QWidget *top = button->window();
    QTest::mouseRelease(top->windowHandle(), Qt::LeftButton, {}, button->mapTo(top, button->rect().center()));
}

bool Finite_Or_Empty(const QString &readout)
{
    double value = 0;
    return readout.isEmpty() || (TryStrToFloat(readout.section(QLatin1Char(' '), 0, 0), value) && std::isfinite(value));
}

} // namespace

class AxisSafetyTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        Reset_Board();
        g_Axis_Config = QVector<TAxis_Config>(4, Named_Axis());
    }

    // Another panel's error box opens while the jog is held, and the hand
    // lets go while the box is up: the release never reaches the button.
    void jogEndsWhenItsWindowIsBlockedOrDeactivated_data()
    {
        QTest::addColumn<bool>("modalBox");
        QTest::newRow("error box, released inside it") << true;
        QTest::newRow("window deactivated") << false;
    }
    void jogEndsWhenItsWindowIsBlockedOrDeactivated()
    {
        QFETCH(bool, modalBox);
        auto frm = Build_Panel(kAxis);
        frm->show();
        QVERIFY(QTest::qWaitForWindowExposed(frm.get()));
        QWidget other;
        Press(frm->btn_Neg);
        QVERIFY(kqsim_axis_running(kAxis));

        int stopsBeforeRelease = -1;
        if (modalBox) {
            QTimer::singleShot(0, [&] {
                Release(frm->btn_Neg); // swallowed by the modal box
                stopsBeforeRelease = Stops_Sent();
                QApplication::activeModalWidget()->close();
            });
            ShowError(QStringLiteral("另一轴的错误"));
        } else {
            QApplication::setActiveWindow(frm.get());
            other.show();
            QApplication::setActiveWindow(&other);
            stopsBeforeRelease = Stops_Sent();
            Release(frm->btn_Neg);
        }
        QCOMPARE(stopsBeforeRelease, 1);
        // Under the box the release was swallowed; without one it arrives
        // and stops once more, as every release does.
        QCOMPARE(Stops_Sent(), modalBox ? 1 : 2);
    }

    // The poll's backstop: a jog held while no mouse button is down ends,
    // here after its release went to another widget.
    void pollEndsAJogWithNoMouseButtonDown()
    {
        auto frm = Build_Panel(kAxis);
        frm->show();
        QVERIFY(QTest::qWaitForWindowExposed(frm.get()));
        QWidget elsewhere;
        Press(frm->btn_Pos);
        frm->tmr_AxisTimer();
        QCOMPARE(Stops_Sent(), 0);
        QTest::mouseRelease(&elsewhere, Qt::LeftButton);
        QCOMPARE(QGuiApplication::mouseButtons(), Qt::NoButton);
        QCOMPARE(Stops_Sent(), 0);
        frm->tmr_AxisTimer();
        QCOMPARE(Stops_Sent(), 1);
        frm->tmr_AxisTimer();
        QCOMPARE(Stops_Sent(), 1);
    }

    // A value the board cannot take ends the command at its conversion with
    // a message: no motion call follows, the axis stays where it was and the
    // readouts stay numbers.
    void unconvertibleValueEndsTheCommand_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<double>("fieldValue");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("callsSent");
        QTest::addColumn<QString>("message");
        const QString noSteps = "第2轴：每毫米(度)的电机步数无效，无法换算数值 %1，请检查参数配置";
        QTest::newRow("PITCH=0, 绝对定位") << "Line_Pitch" << 0.0 << "btn_Pos_Abs" << 1 << noSteps.arg(1);
        QTest::newRow("STEPANGLE=0, jog") << "StepAngle" << 0.0 << "btn_Neg" << 1 << noSteps.arg(1);
        QTest::newRow("Axis_Div=0, 查找零位") << "Axis_Div" << 0.0 << "btn_Home" << 1 << noSteps.arg(1);
        QTest::newRow("ratio without inverse, 相对定速")
            << "StepAngle" << 1e300 << "btn_V_Rel" << 1 << noSteps.arg(1);
        QTest::newRow("1e300 typed, 绝对定位")
            << "" << 0.0 << "btn_Pos_Abs" << 4 << "第2轴：数值 1E300 换算后超出控制器的数值范围";
        QTest::newRow("Max_V 1e10, jog")
            << "Max_V" << 1e10 << "btn_Pos" << 3 << "第2轴：数值 10000000000 换算后超出控制器的数值范围";
        QTest::newRow("grating 0 um, closed loop 调整位置")
            << "Encoder_Unit_um" << 0.0 << "btn_Zero" << 0
            << "第2轴：每毫米(度)的传感器计数无效，无法换算数值 1E300，请检查参数配置";
    }
    void unconvertibleValueEndsTheCommand()
    {
        QFETCH(QString, field);
        QFETCH(double, fieldValue);
        QFETCH(QString, command);
        QFETCH(int, callsSent);
        QFETCH(QString, message);
        TAxis_Config &c = g_Axis_Config[kAxis];
        c.Encoder_Has = true;
        if (field == "Line_Pitch") c.Line_Pitch = fieldValue;
        if (field == "StepAngle") c.StepAngle = fieldValue;
        if (field == "Axis_Div") c.Axis_Div = int32_t(fieldValue);
        if (field == "Max_V") c.Max_V = fieldValue;
        if (field == "Encoder_Unit_um") c.Encoder_Unit_um = fieldValue;
        if (fieldValue == 1e300)
        {
            c.Line_Ratio = 1e-10; // about 1e-316 steps per mm
            c.Line_Pitch = 1e10;
        }
        auto frm = Build_Panel(kAxis);
        frm->show();
        KQ_Set_Axis_Software_P(kAxis, 1000);
        for (QLineEdit *entry : {frm->edt_Abs, frm->edt_Rel, frm->edt_Mode_V_Rel, frm->edt_P_Set})
            entry->setText("1e300");
        frm->edt_Mode_V_Rel->setText("1");
        if (command == "btn_Zero")
            frm->rb_Close->click();
        kqsim_journal_clear();
        MessageLog messages;

        auto *button = frm->findChild<QPushButton *>(command);
        if (button == frm->btn_Neg || button == frm->btn_Pos)
            Press(button);
        else
            button->click();

        QCOMPARE(messages.Texts(), QStringList(message));
        QCOMPARE(Fixtures::Commands().size(), callsSent);
        QCOMPARE(kqsim_axis_position(kAxis), 1000);
        QVERIFY(!kqsim_axis_running(kAxis));
        frm->tmr_AxisTimer();
        QVERIFY(Finite_Or_Empty(frm->edt_Show_Software->text()) && Finite_Or_Empty(frm->edt_Show_V->text()));
    }
};

TAVORIN_TEST(AxisSafetyTest)

#include "AxisSafetyTest.moc"
