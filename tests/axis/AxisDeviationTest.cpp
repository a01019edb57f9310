// The deviation readout of a panel in closed loop: sensor position minus
// the last commanded target, on a linear axis of 2133.33 steps per mm with
// a 20 µm grating ruler, on the simulated board's manual clock.
#include "AxisPanelFixture.h"
#include "axis/AxisDeviation.h"
#include "support/TestRegistry.h"

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace AxisTest;

namespace {

constexpr int kAxis = 2;

std::unique_ptr<TAxisFrm> Grating_Axis_Panel()
{
    Reset_Board();
    kqsim_set_manual_clock(1);
    TAxis_Config c = Named_Axis();
    c.Line_Pitch = 3;
    c.Encoder_Has = true;
    c.Encoder_Unit_um = 20;
    c.Acc = c.Dec = 1000;
    c.Max_V = 10;
    g_Axis_Config = QVector<TAxis_Config>(4, c);
    // Motor steps per sensor count, as the parameter dialog computes it.
    KQ_Set_Axis_Position_Close_Dec_Factor(kAxis, KQ_Help_Grating_Line_Factor(1.8, 32, 3, 1, 20));
    return Build_Panel(kAxis);
}

void Settle_And_Poll(TAxisFrm &frm)
{
    kqsim_advance_ms(5000);
    kqsim_journal_clear();
    frm.tmr_AxisTimer();
}

} // namespace

class AxisDeviationTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        kqsim_set_manual_clock(0);
        g_Axis_Config.clear();
    }

    void deviationFromTheLastTargetInClosedLoopOnly()
    {
        auto frm = Grating_Axis_Panel();
        QCOMPARE(frm->lbl_Deviation->text(), "偏差");
        QCOMPARE(frm->edt_Show_Deviation->text(), "—");

        // Open loop to 1.73 mm: 3691 steps, 86.5 counts of 20 µm read as 87.
        frm->edt_Abs->setText("1.73");
        frm->btn_Pos_AbsClick();
        Settle_And_Poll(*frm);
        QCOMPARE(frm->edt_Show_Deviation->text(), "—");

        frm->rb_Close->setChecked(true);
        Settle_And_Poll(*frm);
        // From the values the poll reads anyway.
        QCOMPARE(Journal(), QStringList({Call("KQ_Get_Axis_Status", kAxis), Call("KQ_Get_Encoder_Pos", kAxis),
                                         Call("KQ_Get_Axis_V_Now", kAxis)}));
        QCOMPARE(frm->edt_Show_Software->text(), "1.740000");
        QCOMPARE(frm->edt_Show_Deviation->text(), "0.01000 mm");

        // A relative move's target follows on from the last target, 2.23 mm;
        // the closed-loop board moves 25 counts from where it stands.
        frm->edt_Rel->setText("0.5");
        frm->btn_Pos_RelClick();
        Settle_And_Poll(*frm);
        QCOMPARE(frm->edt_Show_Software->text(), "2.240000");
        QCOMPARE(frm->edt_Show_Deviation->text(), "0.01000 mm");

        frm->btn_Fast0Click(); // quick position 0
        Settle_And_Poll(*frm);
        QCOMPARE(frm->edt_Show_Deviation->text(), "0.00000 mm");

        // A jog leaves no target, and so does a home search.
        frm->btn_PosMouseDown();
        kqsim_advance_ms(200);
        frm->btn_PosMouseUp();
        Settle_And_Poll(*frm);
        QCOMPARE(frm->edt_Show_Deviation->text(), "—");
        frm->btn_Pos_AbsClick();
        frm->btn_HomeClick();
        QVERIFY(!frm->Target());

        frm->edt_Abs->setText("1.73");
        frm->btn_Pos_AbsClick();
        Settle_And_Poll(*frm);
        QVERIFY(frm->edt_Show_Deviation->text() != "—");
        frm->rb_Open->setChecked(true);
        QCOMPARE(frm->edt_Show_Deviation->text(), "—");
    }

    // The deviation line is there in every work mode: no button of the
    // panel moves when the mode changes.
    void layoutStaysWithTheWorkMode()
    {
        auto frm = Grating_Axis_Panel();
        frm->show();
        QVERIFY(QTest::qWaitForWindowExposed(frm.get()));
        const auto places = [&frm] {
            QList<QPoint> at;
            frm->layout()->activate();
            for (QWidget *w : frm->findChildren<QPushButton *>())
                at << w->mapTo(frm.get(), QPoint());
            at << frm->edt_Show_Deviation->mapTo(frm.get(), QPoint());
            return at;
        };
        const QList<QPoint> open = places();
        for (QRadioButton *mode : {frm->rb_Close, frm->rb_Loop, frm->rb_Open}) {
            mode->setChecked(true);
            QCOMPARE(places(), open);
            QVERIFY(frm->edt_Show_Deviation->isVisible() && frm->lbl_Deviation->isVisible());
        }
    }

    // Three decimals more than one sensor count needs.
    void decimalsFollowTheSensor()
    {
        TAxis_Config c;
        c.Encoder_Has = true;
        c.Encoder_Unit_um = 1;
        g_Axis_Config = QVector<TAxis_Config>(1, c);
        QCOMPARE(Deviation_Decimals(0), 6); // exactly 0.001 mm
        g_Axis_Config[0].Axis_Kind = 1;
        QCOMPARE(Deviation_Decimals(0), 6); // 64800 graduations: 0.0056°
    }
};

TAVORIN_TEST(AxisDeviationTest)
#include "AxisDeviationTest.moc"
