#pragma once
// What the runner's tests share: program files and configurations of their
// own, the window's run of the same program for comparison, and journals
// reduced to the calls that command the board.
#include "app/AppFixture.h"
#include "program/ProgramFile.h"
#include "program/RasterScan.h"
#include "program/ui/TAutoPage.h"
#include "program/TCodeModel.h"
#include "program/TProgramRunner.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace CliTest {

// Calls that reach the board and change it: no reads, no local link calls.
inline QStringList BoardCommands(const QStringList &journal)
{
    static const QRegularExpression local(R"(^KQ_(Init|DeInit|Open_\w+|Close_\w+|Get_\w+)\()");
    QStringList calls;
    for (const QString &e : journal)
        if (!local.match(e).hasMatch())
            calls << e;
    return calls;
}

// A 3 × 3 absolute raster over axes 0 and 1 from 0.5 mm, 0.5 mm apart.
inline std::vector<TAutoCode> Raster(int32_t delay)
{
    TScanSettings s;
    s.XAxis = QStringLiteral("第1轴");
    s.YAxis = QStringLiteral("第2轴");
    s.XCount = s.YCount = 3;
    s.XStart = s.YStart = 0.5;
    s.XLen = s.YLen = 0.5;
    s.Delay = delay;
    return GenerateRaster(s);
}

using AppTest::AxisStep;

// A folder with program files and a configuration whose axes 0 and 1 move
// fast (so that a run takes a second or two on the wall clock).
class Files
{
public:
    Files()
    {
        TIniFile ini(Config());
        for (const char *section : {"AXIS0", "AXIS1"}) {
            ini.WriteString(section, "ACC", "200");
            ini.WriteString(section, "DEC", "200");
            ini.WriteString(section, "MAX_V", "20");
        }
    }
    QString Config() const { return dir.filePath(QStringLiteral("Tavorin.ini")); }
    QString Program(const std::vector<TAutoCode> &rows, const QString &name = QStringLiteral("program.txt")) const
    {
        const QString path = dir.filePath(name);
        WriteProgramFile(path, rows);
        return path;
    }
    QTemporaryDir dir;
};

// Ticks of the program timer until the run has ended, the board's clock and
// the delays' tick counter moving on 50 ms each; in fast stepping its passes,
// the clocks moving on as its timer asks.
inline void Run_To_End(TProgramRunner *runner)
{
    uint32_t now = 0;
    runner->Ticks = [&now] { return now; };
    for (int tick = 0; tick < 1000000 && runner->RunState() != TProgramRunner::Idle; ++tick) {
        const bool fast = runner->IsFastRun();
        if (fast)
            runner->tmr_FastRunTimer();
        else
            runner->tmr_AutoTimer();
        const uint32_t ms = fast ? uint32_t(runner->tmr_FastRun->interval()) : 50;
        kqsim_advance_ms(ms);
        now += ms;
    }
    runner->Ticks = [] { return uint32_t(0); };
}

// "启动" in the window on the in-process board with the manual clock, run
// to the end tick by tick; the journal from the window's first showing on.
inline QStringList Window_Run(const QString &config, const std::vector<TAutoCode> &rows, const QString &repeat,
                              bool fast = false)
{
    kqsim_reset(4, 4, AppTest::kAllResources);
    kqsim_set_manual_clock(1);
    SetConfigFileNameForTest(config);
    Create_Forms();
    kqsim_journal_clear();
    MainFrm->FormShow();
    AppTest::Connect();
    MainFrm->btn_AutoClick();
    MainFrm->AutoPage->mem_Code->SetRows(rows);
    MainFrm->AutoPage->edt_Repeat->setText(repeat);
    MainFrm->AutoPage->chk_FastRun->setChecked(fast);
    MainFrm->btn_AutoRunClick();
    Run_To_End(MainFrm->Runner);
    const QStringList journal = Fixtures::Journal();
    Destroy_Forms();
    g_Axis_Config.clear();
    g_Group_Config.clear();
    SetConfigFileNameForTest(QString());
    kqsim_set_manual_clock(0);
    return journal;
}

} // namespace CliTest
