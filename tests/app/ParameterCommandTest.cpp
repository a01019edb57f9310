#include "AppFixture.h"
#include "config/ui/TConfigFrm.h"
#include "config/ui/TGroupFrm.h"
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
        QStringList seen;
        ModalAnswer answer(QDialog::Accepted, [&seen](QDialog *dialog) {
            if (dialog == GroupFrm) {
                dialog->show();
                for (const char *name : {"平移", "旋转"}) {
                    GroupFrm->edt_AddGroup->setText(QString::fromUtf8(name));
                    GroupFrm->btn_AddGroupClick();
                }
                return;
            }
            ConfigFrm->edt_Caption->setText("unsaved");
            ConfigFrm->btn_EditGroupClick(); // keeps what was typed
            seen << dialog->windowTitle() << ConfigFrm->edt_Caption->text();
            for (int group : {0, 1, 1, 0}) {
                ConfigFrm->cbb_Group->setCurrentIndex(group);
                ConfigFrm->btn_NextClick();
            }
            ConfigFrm->btn_OKClick();
        });
        MainFrm->btn_ConfigClick();
        QCOMPARE(seen, QStringList({"第1轴参数配置", "unsaved"}));
        for (QWidget *panel : MainFrm->Group_Panels())
            seen << static_cast<QLabel *>(panel)->text();
        QCOMPARE(seen.mid(2), QStringList({"平移", "旋转"}));
        QCOMPARE(AxisFrameNames(), QStringList({"Axis0", "Axis3"}));
        MainFrm->Pnl_GroupClick(MainFrm->Group_Panels().at(1));
        QCOMPARE(AxisFrameNames(), QStringList({"Axis1", "Axis2"}));
    }
};

TAVORIN_TEST(ParameterCommandTest)
#include "ParameterCommandTest.moc"
