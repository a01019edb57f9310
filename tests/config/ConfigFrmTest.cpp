#include "DialogFixture.h"
#include "config/AxisConfigFile.h"
#include "support/TestRegistry.h"

#include "kq_sim.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Fixtures;
using namespace DialogTest;

class ConfigFrmTest : public DialogTestCase
{
    Q_OBJECT
private slots:
    void navigatesSavingEachAxisLeftAndStaysOnTheBoard()
    {
        TConfigFrm &f = d->config;
        f.Set_Config(4, 4);
        QCOMPARE(f.windowTitle(), QStringLiteral("第1轴参数配置"));
        QVERIFY(!f.btn_Pre->isEnabled() && f.btn_Next->isEnabled());
        QCOMPARE(QStringList({f.edt_Caption->text(), f.edt_Div->text(), f.edt_Acc->text(), f.edt_Fast3->text()}),
                 QStringList({"第1轴", "32", "1", "270"}));
        f.show();
        for (const char *caption : {"X", "Y", "Z"}) {
            f.edt_Caption->setText(caption);
            f.btn_NextClick();
        }
        QCOMPARE(f.windowTitle(), QStringLiteral("第4轴参数配置"));
        QVERIFY(f.btn_Pre->isEnabled() && !f.btn_Next->isEnabled());
        f.edt_Caption->setText("W");
        f.close(); // the close box drops the edits of the shown axis
        QCOMPARE(Stored("AXIS2", "CAPTION") + Stored("AXIS3", "CAPTION"), QStringLiteral("Z-"));
        QCOMPARE(TIniFile(d->cfg.Path()).ReadSection("AXIS0").join(' '),
                 QStringLiteral("CAPTION NEG POS KIND DIV LINE_RATIO CIRCLE_RATIO PITCH ACC DEC MAX_V "
                                "STEPANGLE FAST0 FAST1 FAST2 FAST3 ENCODER_HAS ENCODER_TYPE "
                                "ENCODER_LINE_COUNT ENCODER_UNIT_UM ENCODER_GRATING_COUNT ENCODER_FACTOR "
                                "ENCODER_Z ENCODER_DIR ENCODER_OVER ENCODER_OVER_MAX ENCODER_OVER_STABLE GROUP_ID"));
        f.Set_Config(2, 2); // a board with fewer axes
        QCOMPARE(f.windowTitle() + f.edt_Caption->text(), QStringLiteral("第2轴参数配置Y"));
        QVERIFY(f.btn_Pre->isEnabled() && !f.btn_Next->isEnabled());
        f.Set_Config(1, 1);
        QVERIFY(!f.btn_Pre->isEnabled() && !f.btn_Next->isEnabled());
    }

    void kindSwitchesUnitsOnlyAndUnknownPositionsSaveMinusOne()
    {
        d->cfg.Write("[GROUP]\r\nA=0\r\nB=1\r\nC=2\r\n[AXIS0]\r\nGROUP_ID=7\r\nPITCH=5\r\n[AXIS1]\r\nKIND=5\r\n");
        TConfigFrm &f = d->config;
        f.Set_Config(2, 0);
        f.cbb_Kind->setCurrentIndex(1);
        f.cbb_KindChange();
        QCOMPARE(QStringList({f.lb_Acc->text(), f.lbl_Dec->text(), f.lbl_Max_V->text(), f.grp_Custom->title()}),
                 QStringList({"加速度(°/s²)", "减速度(°/s²)", "位置模式最大速度(°/s)", "快捷定位(°)"}));
        QVERIFY(!f.edt_Line_Pitch->isEnabled() && !f.edt_Line_Ratio->isEnabled() && f.edt_Circle_Ratio->isEnabled());
        f.btn_NextClick();
        QCOMPARE(Stored("AXIS0", "KIND") + Stored("AXIS0", "PITCH") + Stored("AXIS0", "GROUP_ID"), QStringLiteral("15-1"));
        QCOMPARE(f.cbb_Kind->currentIndex(), -1); // KIND 5: no kind, labels as they were
        QCOMPARE(f.lb_Acc->text(), QStringLiteral("加速度(°/s²)"));
        f.btn_OKClick();
        QCOMPARE(Stored("AXIS1", "KIND"), QStringLiteral("-1"));
    }

    // Browsing the axes before any group exists keeps each axis's group.
    void withoutGroupsTheStoredGroupIsKept()
    {
        d->cfg.Write("[AXIS1]\r\nGROUP_ID=2\r\n");
        TConfigFrm &f = d->config;
        f.Set_Config(3, 0);
        f.btn_NextClick();
        f.btn_NextClick();
        f.btn_OKClick();
        QCOMPARE(Stored("AXIS0", "GROUP_ID") + Stored("AXIS1", "GROUP_ID") + Stored("AXIS2", "GROUP_ID"),
                 QStringLiteral("020"));
    }

    // Travel limits: empty means none, and a file without them keeps
    // its keys; a lower limit at or above the upper is refused unsaved.
    void travelLimits()
    {
        TConfigFrm &f = d->config;
        f.Set_Config(2, 2);
        QCOMPARE(f.edt_Soft_Min->text() + f.edt_Soft_Max->text(), QString());
        f.edt_Soft_Min->setText(" -10 ");
        f.edt_Soft_Max->setText("10.5");
        f.btn_NextClick();
        QCOMPARE(Stored("AXIS0", "SOFT_MIN") + " " + Stored("AXIS0", "SOFT_MAX"), QStringLiteral("-10 10.5"));
        f.btn_NextClick(); // AXIS1 without limits: no limit keys
        QVERIFY(!TIniFile(d->cfg.Path()).ReadSection("AXIS1").join(' ').contains("SOFT"));
        f.btn_PreClick();
        QCOMPARE(f.edt_Soft_Min->text() + " " + f.edt_Soft_Max->text(), QStringLiteral("-10 10.5"));
        f.edt_Soft_Max->setText(QString()); // cleared: no upper limit any more
        f.btn_NextClick();
        QCOMPARE(Stored("AXIS0", "SOFT_MAX"), QString());
        QVERIFY(!Read_Axis_Config(TIniFile(d->cfg.Path()), 0).Soft_Max);
        QCOMPARE(*Read_Axis_Config(TIniFile(d->cfg.Path()), 0).Soft_Min, -10.0);

        f.btn_PreClick();
        f.edt_Caption->setText("X");
        f.edt_Soft_Max->setText("-10");
        MessageRecorder messages;
        f.btn_Next->click();
        QCOMPARE(messages.Texts(), QStringList({"软限位下限必须小于上限"}));
        QCOMPARE(f.iAxis_Now, 0);
        QCOMPARE(Stored("AXIS0", "CAPTION"), QStringLiteral("第1轴")); // nothing of the axis saved
    }

    // The in-position check: untouched, a file without its keys keeps them
    // out; a negative tolerance or count is refused with nothing of the
    // axis saved.  Stored: "INPOS_TOL INPOS_RETRY", "-" for a missing key.
    void inPositionEntries_data()
    {
        QTest::addColumn<QString>("tolerance");
        QTest::addColumn<QString>("retries");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("message");
        QTest::newRow("untouched") << "" << "3" << "- -" << "";
        QTest::newRow("set") << " 0.001 " << "5" << "0.001 5" << "";
        QTest::newRow("negative tolerance") << "-0.5" << "3" << "- -" << "到位公差不能为负数（留空或 0 表示不检查）";
        QTest::newRow("negative count") << "0.001" << "-1" << "- -" << "到位重试次数必须在 0 到 100 之间";
    }

    void inPositionEntries()
    {
        QFETCH(QString, tolerance);
        QFETCH(QString, retries);
        QFETCH(QString, stored);
        QFETCH(QString, message);
        TConfigFrm &f = d->config;
        f.Set_Config(2, 2);
        QCOMPARE(f.edt_InPos_Tol->text() + " " + f.edt_InPos_Retry->text(), QStringLiteral(" 3"));
        f.edt_Caption->setText("X");
        f.edt_InPos_Tol->setText(tolerance);
        f.edt_InPos_Retry->setText(retries);
        MessageRecorder messages;
        f.btn_Next->click();
        QCOMPARE(messages.Texts().join(""), message);
        QCOMPARE(Stored("AXIS0", "INPOS_TOL") + " " + Stored("AXIS0", "INPOS_RETRY"), stored);
        QCOMPARE(Stored("AXIS0", "CAPTION"), message.isEmpty() ? QStringLiteral("X") : QStringLiteral("-"));
    }

    // "分组定义" reads the group list again and keeps every field typed
    // for the shown axis; the group shown is the one chosen, where it
    // stands now (none once deleted), or else the stored one.
    void groupDialogKeepsTheTypedFields_data()
    {
        QTest::addColumn<int>("chosen"); // -1: nothing chosen
        QTest::addColumn<QString>("edit"); // "+D" adds D, "-B" deletes B
        QTest::addColumn<QString>("shown");
        QTest::newRow("stored, a group added") << -1 << "+D" << "C";
        QTest::newRow("stored, one before it deleted") << -1 << "-B" << ""; // position 2 is gone
        QTest::newRow("chosen, a group added") << 0 << "+D" << "A";
        QTest::newRow("chosen, one before it deleted") << 2 << "-B" << "C";
        QTest::newRow("chosen, itself deleted") << 1 << "-B" << "";
    }
    void groupDialogKeepsTheTypedFields()
    {
        QFETCH(int, chosen);
        QFETCH(QString, edit);
        QFETCH(QString, shown);
        d->cfg.Write("[GROUP]\r\nA=0\r\nB=1\r\nC=2\r\n[AXIS0]\r\nGROUP_ID=2\r\n");
        TConfigFrm &f = d->config;
        f.Set_Config(2, 2);
        f.edt_Caption->setText(QStringLiteral("X 台"));
        f.edt_Acc->setText("7.5");
        f.chk_Encoder->setChecked(true);
        f.edt_Unit_um->setText("0.5");
        if (chosen >= 0) {
            f.cbb_Group->setCurrentIndex(chosen);
            emit f.cbb_Group->activated(chosen);
        }
        ModalAnswer answer(QDialog::Accepted, [&](QDialog *) {
            TGroupFrm &g = d->group;
            g.FormShow();
            if (edit.startsWith('+')) {
                g.edt_AddGroup->setText(edit.mid(1));
                g.btn_AddGroupClick();
            } else {
                g.lst_Group->setCurrentRow(g.Group_Names().indexOf(edit.mid(1)));
                g.btn_DelGroupClick();
            }
        });
        f.btn_EditGroupClick();
        QCOMPARE(answer.shown, 1);
        QCOMPARE(QStringList({f.edt_Caption->text(), f.edt_Acc->text(), f.edt_Unit_um->text()}),
                 QStringList({"X 台", "7.5", "0.5"}));
        QVERIFY(f.chk_Encoder->isChecked());
        QCOMPARE(f.cbb_Group->currentText(), shown);
        QCOMPARE(f.cbb_Group->count(), edit.startsWith('+') ? 4 : 2);
        f.btn_OKClick();
        QCOMPARE(Stored("AXIS0", "CAPTION") + Stored("AXIS0", "ACC"), QStringLiteral("X 台7.5"));
        QCOMPARE(Stored("AXIS0", "GROUP_ID"), QString::number(f.cbb_Group->currentIndex()));
    }

    void badEntryStopsTheSaveAtItsKey_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("unwritten"); // the key of the entry; the key before it is written
        QTest::newRow("integer 1.5") << "edt_Div=1.5" << "'1.5' is not a valid integer value" << "KIND DIV";
        QTest::newRow("float abc") << "edt_Acc=abc" << "'abc' is not a valid floating point value" << "PITCH ACC";
    }

    void badEntryStopsTheSaveAtItsKey()
    {
        QFETCH(QString, entry);
        QFETCH(QString, error);
        QFETCH(QString, unwritten);
        TConfigFrm &f = d->config;
        f.Set_Config(2, 2);
        f.findChild<QLineEdit *>(entry.section('=', 0, 0))->setText(entry.section('=', 1));
        MessageRecorder messages;
        f.btn_Next->click(); // stays on its axis
        QCOMPARE(f.iAxis_Now, 0);
        QVERIFY(Stored("AXIS0", unwritten.section(' ', 0, 0)) != "-");
        QCOMPARE(Stored("AXIS0", unwritten.section(' ', 1)), QStringLiteral("-"));
        f.show();
        f.btn_OK->click(); // the same error, and the dialog closes all the same
        QCOMPARE(messages.Texts(), QStringList({error, error}));
        QVERIFY(!f.isVisible() && f.result() == QDialog::Accepted);
    }

    void factorCalculation_data()
    {
        QTest::addColumn<int>("sensor");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("outcome"); // library call, factor entry, message
        QTest::newRow("grating, linear") << 0 << 0 << "" << "Grating_Line_Factor(1.8,32,1,1,20) 128.000";
        QTest::newRow("grating, rotary") << 0 << 1 << "" << "Grating_Circle_Factor(1.8,32,120,64800) 11.852";
        QTest::newRow("encoder, no kind") << 1 << -1 << "" << "Encoder_Factor(1.8,32,1000) 1.600";
        // The encoder formula does not use the rotary ratio, yet it is parsed.
        QTest::newRow("unused abc") << 1 << 0 << "edt_Circle_Ratio=abc" << " 2.5 'abc' is not a valid floating point value";
        QTest::newRow("step angle 0") << 1 << 0 << "edt_StepAngle=0" << "Encoder_Factor(0,32,1000) 2.5 根据这些参数算不出";
    }

    void factorCalculation()
    {
        QFETCH(int, sensor);
        QFETCH(int, kind);
        QFETCH(QString, entry);
        QFETCH(QString, outcome);
        TConfigFrm &f = d->config;
        f.Set_Config(1, 0);
        f.cbb_Encoder->setCurrentIndex(sensor);
        f.cbb_Kind->setCurrentIndex(kind);
        f.edt_Factor->setText("2.5");
        if (!entry.isEmpty())
            f.findChild<QLineEdit *>(entry.section('=', 0, 0))->setText(entry.section('=', 1));
        kqsim_reset(1, 1, 0);
        MessageRecorder messages;
        f.btn_Factor->click();
        const QString text = QString::fromLatin1(kqsim_last_help_call()).remove("KQ_Help_") + ' '
            + f.edt_Factor->text() + ' ' + messages.Texts().join(' ');
        QVERIFY2(text.startsWith(outcome), qPrintable(text));
        QVERIFY(!d->cfg.Exists()); // nothing written
    }
};

TAVORIN_TEST(ConfigFrmTest)
#include "ConfigFrmTest.moc"
