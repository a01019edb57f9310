#include "AppFixture.h"
#include "config/TConfigFrm.h"
#include "config/TGroupFrm.h"
#include "support/TestRegistry.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace Fixtures;
using namespace AppTest;

class ParameterCommandTest : public ProgramTestCase
{
    Q_OBJECT
private slots:
    // "配置": two groups defined, the four axes assigned to them, and the
    // main window's panels follow when the dialog closes.
    void groupsDefinedInTheDialogsChangeThePanels()
    {
        Connect();
        QCOMPARE(AxisFrameNames(), QStringList({"Axis0", "Axis1", "Axis2", "Axis3"}));
        QStringList titles;
        ModalAnswer answer(QDialog::Accepted, [&titles](QDialog *dialog) {
            if (dialog == GroupFrm) {
                dialog->show();
                for (const char *name : {"平移", "旋转"}) {
                    GroupFrm->edt_AddGroup->setText(QString::fromUtf8(name));
                    GroupFrm->btn_AddGroupClick();
                }
                return;
            }
            titles << dialog->windowTitle();
            ConfigFrm->btn_EditGroupClick();
            for (int group : {0, 1, 1, 0}) {
                ConfigFrm->cbb_Group->setCurrentIndex(group);
                ConfigFrm->btn_NextClick();
            }
            ConfigFrm->btn_OKClick();
        });
        MainFrm->btn_ConfigClick();
        QCOMPARE(answer.shown, 2);
        QCOMPARE(titles, QStringList({"第1轴参数配置"}));
        QStringList captions;
        for (QWidget *panel : MainFrm->Group_Panels())
            captions << static_cast<QLabel *>(panel)->text();
        QCOMPARE(captions, QStringList({"平移", "旋转"}));
        QCOMPARE(AxisFrameNames(), QStringList({"Axis0", "Axis3"}));
        MainFrm->Pnl_GroupClick(MainFrm->Group_Panels().at(1));
        QCOMPARE(AxisFrameNames(), QStringList({"Axis1", "Axis2"}));
        // The next opening shows the last axis shown, for the board's axis count.
        ModalAnswer again(QDialog::Rejected, [&titles](QDialog *dialog) { titles << dialog->windowTitle(); });
        MainFrm->btn_ConfigClick();
        QCOMPARE(titles.last(), QStringLiteral("第4轴参数配置"));
        QCOMPARE(ConfigFrm->iAxis_Max, 4);
    }
};

TAVORIN_TEST(ParameterCommandTest)
#include "ParameterCommandTest.moc"
