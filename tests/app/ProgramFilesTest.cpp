#include "AppFixture.h"
#include "app/TAutoTools.h"
#include "program/ui/TAutoPage.h"
#include "program/ui/TCodeEditor.h"
#include "program/ui/TPreviewPanel.h"
#include "program/ui/TRunEstimate.h"
#include "program/TCodeModel.h"
#include "program/TStatusModel.h"
#include "config/IniFile.h"
#include "support/TestRegistry.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QStringEncoder>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace Fixtures;
using namespace AppTest;

namespace {

// Answers the file dialogs with the paths given, in turn, and counts them.
class FileAnswers
{
public:
    explicit FileAnswers(QStringList paths) : m_paths(std::move(paths))
    {
        SetFileDialogHandler([this](FileDialogKind, const QString &) {
            ++shown;
            return m_paths.isEmpty() ? QString() : m_paths.takeFirst();
        });
    }
    ~FileAnswers() { SetFileDialogHandler({}); }
    int shown = 0;

private:
    QStringList m_paths;
};

QByteArray ReadBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Library calls that move or configure an axis (conversions and the halt
// of entering a mode are no such calls).
QStringList Motion_Calls()
{
    static const QRegularExpression re("^KQ_Set_Axis_(?!Halt_All)");
    return Commands().filter(re);
}

const QByteArray kThreeAxes = "[AXIS0]\r\nCAPTION=X光栅\r\n[AXIS1]\r\nKIND=1\r\n[AXIS2]\r\n";

} // namespace

class ProgramFilesTest : public ProgramTestCase
{
    Q_OBJECT

    TAutoPage *Page() const { return MainFrm->AutoPage; }
    QString Path(const char *name) const { return cfg->dir.filePath(QString::fromUtf8(name)); }
    void AddRow(int axis, const QString &action, double param)
    {
        Page()->cbb_Axis->setCurrentIndex(axis);
        Page()->cbb_Action->setCurrentText(action);
        Page()->edt_Param->setText(QString::number(param));
        Page()->btn_AddCodeClick();
    }

private slots:
    // A program prepared at a desk: the file's axes, no board call, and the
    // program still there once a board is connected.
    void preparingWithoutABoard()
    {
        cfg->Write(kThreeAxes);
        MainFrm->show();
        kqsim_journal_clear();
        MainFrm->btn_AutoClick();
        QCOMPARE(MainFrm->pgc_Main->currentWidget(), MainFrm->Sheet_Auto);
        QCOMPARE(Page()->mem_Status->Captions(), (QStringList{"X光栅", "第2轴", "第3轴"}));
        QCOMPARE(Page()->mem_Status->Unit(1), QStringLiteral("°"));
        const auto shownPosition = [this] { return Page()->mem_Status->index(1, TStatusModel::ColPos).data().toString(); };
        QCOMPARE(shownPosition(), QStringLiteral("—")); // nothing tells where the axes stand
        QVERIFY(!MainFrm->btn_AutoRun->isEnabled());
        QCOMPARE(MainFrm->btn_AutoRun->toolTip(), QStringLiteral("未连接设备"));
        AddRow(1, AutoAction::Abs, 90);
        QCOMPARE(Page()->lbl_ParamUnit->text(), QStringLiteral("°"));
        AddRow(0, AutoAction::Rel, 5);
        {
            FileAnswers files({Path("desk.txt")});
            MainFrm->btn_SaveClick();
        }
        QCOMPARE(ReadBytes(Path("desk.txt")),
                 QStringEncoder("GB18030").encode(QStringLiteral("1,第2轴,绝对定位,90,1000,1\r\n0,X光栅,相对定位,5,1000,1\r\n")));
        QCOMPARE(Page()->mem_Code->rowCount(), 2);
        {
            ModalAnswer closed(QDialog::Rejected);
            MainFrm->btn_ConfigClick();
            QCOMPARE(closed.shown, 1);
        }
        QCOMPARE(Motion_Calls(), QStringList());

        Connect();
        QCOMPARE(Page()->mem_Code->rowCount(), 2);
        QVERIFY(MainFrm->btn_AutoRun->isEnabled());
        QVERIFY(MainFrm->btn_AutoRun->toolTip() != QStringLiteral("未连接设备"));
        QCOMPARE(Page()->mem_Status->AxisCount(), 4);
        QCOMPARE(shownPosition(), QStringLiteral("0.000000"));
    }

    void withoutAxisSectionsFourDefaultAxes()
    {
        MainFrm->btn_AutoClick();
        QCOMPARE(Page()->mem_Status->AxisCount(), 4);
        MainFrm->btn_ManualClick();
        QCOMPARE(MainFrm->pgc_Main->currentWidget(), MainFrm->Sheet_Manual);
    }

    // "保存方案" asks once; then it writes to the program's file.  "另存为"
    // always asks, starting in the last folder; both go into the recent list.
    void saveSaveAsAndRecentFiles()
    {
        Connect();
        MainFrm->btn_AutoClick();
        AddRow(0, AutoAction::Rel, 1);
        FileAnswers files({Path("a.txt"), Path("b.txt")});
        MainFrm->btn_SaveClick();
        AddRow(0, AutoAction::Rel, 2);
        MainFrm->btn_SaveClick();
        QCOMPARE(files.shown, 1);
        QCOMPARE(ReadBytes(Path("a.txt")).count('\n'), 2);
        MainFrm->btn_SaveAsClick();
        QCOMPARE(files.shown, 2);
        QCOMPARE(LastFileDialogFolder(), cfg->dir.path());
        QCOMPARE(TIniFile(cfg->Path()).ReadString("RECENT", "FILE1", ""), Path("b.txt"));
        QCOMPARE(TIniFile(cfg->Path()).ReadString("RECENT", "FILE2", ""), Path("a.txt"));

        QFile::remove(Path("b.txt"));
        MessageRecorder ok;
        Page()->Open_Recent(Path("b.txt"));
        QCOMPARE(ok.Texts().last(), QStringLiteral("方案文件已不存在，已从最近的方案中删除：") + Path("b.txt"));
        QCOMPARE(Page()->mem_Code->rowCount(), 2);
        QCOMPARE(TIniFile(cfg->Path()).ReadString("RECENT", "FILE1", ""), Path("a.txt"));
        Page()->Open_Recent(Path("a.txt"));
        QCOMPARE(Page()->mem_Code->rowCount(), 2);
    }

    // A program from another set-up opens with a warning and keeps its
    // captions; the preview shows the two axes it moves most.
    void openingWarnsOfOtherCaptionsAndPicksThePreviewAxes()
    {
        QFile file(Path("other.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("1,X光栅,相对定位,1,0,5\r\n3,第4轴,绝对定位,2,0,1\r\n3,第4轴,绝对定位,3,0,1\r\n"
                                  "0,第1轴,归零,0,0,1\r\n")
                       .toUtf8());
        file.close();
        Connect();
        MainFrm->btn_AutoClick();
        FileAnswers files({Path("other.txt")});
        MessageRecorder ok;
        MainFrm->btn_OpenClick();
        QCOMPARE(ok.Texts(), QStringList{QStringLiteral("方案中的轴名称与当前配置不一致：轴2 方案中为“X光栅”，配置中为“第2轴”")});
        QCOMPARE(Page()->mem_Code->Row(0).Axis, QStringLiteral("X光栅"));
        Page()->Estimate->Replan(true);
        QCOMPARE(Page()->pnl_Preview->AxisX(), 1);
        QCOMPARE(Page()->pnl_Preview->AxisY(), 3);
    }

    void unitsBesideTheReadouts()
    {
        cfg->Write("[AXIS1]\r\nKIND=1\r\n");
        Connect();
        const TStatusModel *status = Page()->mem_Status;
        QCOMPARE(status->headerData(TStatusModel::ColPos, Qt::Horizontal).toString(), QStringLiteral("当前位置"));
        QCOMPARE(status->headerData(TStatusModel::ColUnit, Qt::Horizontal).toString(), QStringLiteral("单位"));
        QCOMPARE(status->index(1, TStatusModel::ColUnit).data().toString(), QStringLiteral("°"));
        QCOMPARE(status->index(0, TStatusModel::ColUnit).data().toString(), QStringLiteral("mm"));
        const TAxisFrm *rotary = MainFrm->Axis_Frames().at(1);
        QCOMPARE(rotary->lbl_PosUnit->text(), QStringLiteral("°"));
        QCOMPARE(rotary->lbl_SpeedUnit->text(), QStringLiteral("°/s"));
        QCOMPARE(MainFrm->Axis_Frames().at(0)->lbl_SpeedUnit->text(), QStringLiteral("mm/s"));
        QCOMPARE(rotary->Label2->text(), QStringLiteral("当前位置"));
    }

    // The keys press the buttons, and nothing while a button cannot be used.
    void keysPressTheirButtons()
    {
        Connect();
        MainFrm->show();
        MainFrm->btn_AutoClick();
        MainFrm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(MainFrm));
        AddRow(0, AutoAction::Rel, 1);
        AddRow(0, AutoAction::Rel, 2);
        Page()->grid_Code->setFocus();
        QVERIFY(MainFrm->btn_Undo->isEnabled() && !MainFrm->btn_Redo->isEnabled());
        QTest::keyClick(MainFrm, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Page()->mem_Code->rowCount(), 1);
        QVERIFY(MainFrm->btn_Redo->isEnabled());
        QTest::keyClick(MainFrm, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Page()->mem_Code->rowCount(), 2);
        // Enter in an entry replaces the row; Ctrl+Z there takes it back.
        QLineEdit *delay = Page()->edt_Delay;
        const int before = Page()->mem_Code->Row(1).Delay;
        delay->setFocus();
        delay->setText(QStringLiteral("75"));
        QTest::keyClick(delay, Qt::Key_Return);
        QCOMPARE(Page()->mem_Code->Row(1).Delay, 75);
        QTest::keyClick(delay, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Page()->mem_Code->Row(1).Delay, before);
        QTest::keyClick(delay, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Page()->mem_Code->Row(1).Delay, 75);
        FileAnswers files({Path("k.txt")});
        QTest::keyClick(MainFrm, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(files.shown, 1);
        QVERIFY(QFile::exists(Path("k.txt")));
        MainFrm->Set_Auto_State(1);
        QVERIFY(!MainFrm->btn_Undo->isEnabled() && !MainFrm->btn_SaveAs->isEnabled());
        QTest::keyClick(MainFrm, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Page()->mem_Code->rowCount(), 2);
        MainFrm->Set_Auto_State(0);
    }
};

TAVORIN_TEST(ProgramFilesTest)
#include "ProgramFilesTest.moc"
