#include "AppFixture.h"
#include "program/TAutoPage.h"
#include "program/TPreviewPanel.h"
#include "program/TXYFrm.h"
#include "support/TestRegistry.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>

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
};

TAVORIN_TEST(EstimatePageTest)
#include "EstimatePageTest.moc"
