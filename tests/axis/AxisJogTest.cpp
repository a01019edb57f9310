// The jog buttons under the mouse and the keyboard, and the stop of a jog
// whose release can no longer arrive.
#include "AxisPanelFixture.h"
#include "support/TestRegistry.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>
#include <QTest>

using namespace AxisTest;

namespace {

constexpr int kAxis = 3;

std::unique_ptr<TAxisFrm> Shown_Panel()
{
    auto frm = Build_Panel(kAxis);
    frm->show();
    kqsim_journal_clear();
    return frm;
}

int Stops_Sent()
{
    return Journal().count(Call("KQ_Set_Axis_Velocity_Stop", kAxis));
}

// Mouse events through the window system, as a hand gives them: they meet
// the modal blocking and set QGuiApplication::mouseButtons().
void Hand(bool press, QWidget *button)
{
    QWindow *window = button->window()->windowHandle();
    const QPoint at = button->mapTo(button->window(), button->rect().center());
    press ? QTest::mousePress(window, Qt::LeftButton, {}, at) : QTest::mouseRelease(window, Qt::LeftButton, {}, at);
}

enum Trigger { Destroy, Hide, Disable, Deactivate, WindowDeactivate };

void Pull(Trigger trigger, std::unique_ptr<TAxisFrm> &frm)
{
    switch (trigger) {
    case Destroy:
        frm.reset();
        break;
    case Hide:
        frm->hide();
        break;
    case Disable:
        frm->rb_Loop->click();
        break;
    case Deactivate:
        emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        break;
    case WindowDeactivate: {
        QWidget other;
        QApplication::setActiveWindow(frm.get());
        other.show();
        QApplication::setActiveWindow(&other);
        break;
    }
    }
}

} // namespace

class AxisJogTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        Reset_Board();
        g_Axis_Config = QVector<TAxis_Config>(4, Named_Axis());
    }

    void anyMouseButtonJogs_data()
    {
        QTest::addColumn<bool>("negative");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("negative, left") << true << Qt::LeftButton;
        QTest::newRow("negative, right") << true << Qt::RightButton;
        QTest::newRow("positive, middle") << false << Qt::MiddleButton;
        QTest::newRow("positive, right") << false << Qt::RightButton;
    }
    void anyMouseButtonJogs()
    {
        QFETCH(bool, negative);
        QFETCH(Qt::MouseButton, button);
        auto frm = Shown_Panel();
        QPushButton *jog = negative ? frm->btn_Neg : frm->btn_Pos;
        const int32_t speed = Motor_Real_To_Steps(kAxis, g_Axis_Config[kAxis].Max_V);

        QTest::mousePress(jog, button);
        QCOMPARE(Journal().size(), 4);
        QCOMPARE(Journal().last(), Call("KQ_Set_Axis_Velocity_V_Target_Abs", kAxis, negative ? -speed : speed));
        QTest::mouseRelease(jog, button);
        QCOMPARE(Journal().size(), 5);
        QCOMPARE(Stops_Sent(), 1);
    }

    void keysAndDisabledButtonsDoNothing()
    {
        auto frm = Shown_Panel();
        for (QPushButton *jog : {frm->btn_Neg, frm->btn_Pos}) {
            QTest::keyClick(jog, Qt::Key_Space);
            QTest::keyClick(jog, Qt::Key_Return);
        }
        QVERIFY(Journal().isEmpty());

        frm->rb_Loop->click();
        QTest::mousePress(frm->btn_Pos, Qt::LeftButton);
        QTest::mouseRelease(frm->btn_Pos, Qt::LeftButton);
        QVERIFY(Journal().isEmpty());
    }

    void jogEndsOnceWhenItsReleaseCannotArrive_data()
    {
        QTest::addColumn<int>("trigger");
        QTest::newRow("panel destroyed") << int(Destroy);
        QTest::newRow("panel hidden") << int(Hide);
        QTest::newRow("jog button disabled") << int(Disable);
        QTest::newRow("application deactivated") << int(Deactivate);
        QTest::newRow("window deactivated") << int(WindowDeactivate);
    }
    void jogEndsOnceWhenItsReleaseCannotArrive()
    {
        QFETCH(int, trigger);

        // After a normal release there is nothing left to stop.
        auto released = Shown_Panel();
        QTest::mousePress(released->btn_Neg, Qt::LeftButton);
        QTest::mouseRelease(released->btn_Neg, Qt::LeftButton);
        Pull(Trigger(trigger), released);
        QCOMPARE(Stops_Sent(), 1);
        kqsim_journal_clear();

        auto held = Shown_Panel();
        QTest::mousePress(held->btn_Pos, Qt::RightButton);
        Pull(Trigger(trigger), held);
        QCOMPARE(Stops_Sent(), 1);
    }

    // Another panel's error box opens while the jog is held and the hand
    // lets go inside it: the box swallows the release, yet the jog ends.
    // A release lost on its way is caught by the poll.
    void jogEndsWhenItsReleaseIsSwallowed()
    {
        auto frm = Shown_Panel();
        Hand(true, frm->btn_Neg);
        frm->tmr_AxisTimer(); // the button is still down
        QTimer::singleShot(0, [&] {
            Hand(false, frm->btn_Neg);
            QApplication::activeModalWidget()->close();
        });
        ShowError(QStringLiteral("另一轴的错误"));
        QCOMPARE(Stops_Sent(), 1);

        QWidget elsewhere;
        Hand(true, frm->btn_Pos);
        QTest::mouseRelease(&elsewhere, Qt::LeftButton);
        frm->tmr_AxisTimer();
        frm->tmr_AxisTimer();
        QCOMPARE(Stops_Sent(), 2);
    }

    void stopCommandEndsTheJog()
    {
        auto frm = Shown_Panel();
        QTest::mousePress(frm->btn_Neg, Qt::LeftButton);
        frm->btn_Set_StopClick();
        frm->hide();
        QCOMPARE(Stops_Sent(), 1);
    }
};

TAVORIN_TEST(AxisJogTest)

#include "AxisJogTest.moc"
