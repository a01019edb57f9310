#include "AppFixture.h"
#include "program/ui/TAutoPage.h"
#include "program/ui/TPreviewPanel.h"
#include "program/TStatusModel.h"
#include "program/TStatusPoll.h"
#include "program/ui/TXYFrm.h"
#include "support/TestRegistry.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

// The estimate and the preview on the automatic page follow a generated
// scan, a reloaded configuration and a run.
class EstimatePageTest : public AppTest::ProgramTestCase
{
    Q_OBJECT
private slots:
    void followsScanAndConfiguration()
    {
        AppTest::Connect();
        TAutoPage *page = MainFrm->AutoPage;
        auto *label = page->findChild<QLabel *>(QStringLiteral("lbl_Estimate"));
        auto *preview = page->findChild<TPreviewPanel *>(QStringLiteral("pnl_Preview"));
        QVERIFY(label && preview);
        {
            Fixtures::ModalAnswer answer(QDialog::Accepted, [](QDialog *) {
                XYFrm->cbb_X->setCurrentIndex(1);
                XYFrm->cbb_Y->setCurrentIndex(0);
            });
            page->btn_ScanXYClick();
        }
        // The default 10 × 10 scan at 1 mm/s: two homes already there (4
        // ticks each), the first 10 mm move (3 + 220.25 + 1 ticks), then 100
        // moves of 10 mm with 1 s dwell (3 + 220.25 + 20.25 ticks each); the
        // moves and the dwell end exactly on a tick and count a quarter more.
        QTRY_COMPARE(label->text(), QStringLiteral("预计用时 00:20:30"));
        QCOMPARE(std::make_pair(preview->AxisX(), preview->AxisY()), std::make_pair(1, 0));
        QCOMPARE(preview->Path().Points().size(), size_t(1 + 2 + 99));

        cfg->Write("[AXIS0]\r\nMAX_V=2\r\n[AXIS1]\r\nMAX_V=2\r\n");
        MainFrm->Load_Axis_Config();
        QTRY_VERIFY(label->text() != QStringLiteral("预计用时 00:20:30"));

        // A run counts down; its end shows the estimate again.
        MainFrm->btn_AutoRunClick();
        QVERIFY(label->text().startsWith(QStringLiteral("剩余 ")));
        MainFrm->btn_AutoHaltClick();
        QVERIFY(label->text().startsWith(QStringLiteral("预计用时 ")));
    }

    // The status table follows the axes while the automatic page is shown
    // and no program runs; the plan and the preview's start come from its
    // positions, so a keystroke or a new row makes no board call.  After a
    // halt the table shows where the axes stopped.
    void followsPositionsWithoutBoardCalls()
    {
        AppTest::Connect();
        TAutoPage *page = MainFrm->AutoPage;
        QTimer *poll = MainFrm->StatusPoll->tmr_StatusPoll;
        QVERIFY(!poll->isActive()); // the manual page
        MainFrm->btn_AutoClick();
        QVERIFY(poll->isActive());
        kqsim_place_axis(0, 3200);
        MainFrm->StatusPoll->tmr_StatusPollTimer();
        QCOMPARE(page->mem_Status->StepPositions().at(0), 3200.0);
        const double x = page->mem_Status->Pos(0);
        QVERIFY(x > 0);
        QTRY_COMPARE(page->pnl_Preview->Path().Points().front().x(), x);

        poll->stop();
        QCoreApplication::processEvents();
        kqsim_journal_clear();
        const QString before = page->lbl_Estimate->text();
        page->Add_Code(TAutoCode{false, 1, QStringLiteral("第2轴"), AutoAction::Rel, 1, 0, 1});
        QTest::keyClicks(page->edt_Repeat, QStringLiteral("23"));
        QTRY_VERIFY(page->lbl_Estimate->text() != before);
        QVERIFY(Fixtures::Journal().isEmpty());

        MainFrm->btn_AutoRunClick();
        QVERIFY(!poll->isActive());
        kqsim_place_axis(2, -4321);
        MainFrm->btn_AutoHaltClick();
        QCOMPARE(page->mem_Status->StepPositions().at(2), -4321.0);
        QVERIFY(poll->isActive());
        MainFrm->btn_ManualClick();
        QVERIFY(!poll->isActive());
    }
};

TAVORIN_TEST(EstimatePageTest)
#include "EstimatePageTest.moc"
