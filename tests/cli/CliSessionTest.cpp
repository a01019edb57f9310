// tavorin-run's commands in this process, on the in-process board: the
// checks, the estimate and the run compared with the window's.
#include "CliFixture.h"
#include "cli/CliOptions.h"
#include "cli/TCliOutput.h"
#include "cli/TCliSession.h"
#include "program/ui/TRunEstimate.h"
#include "support/TestRegistry.h"

#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <cstdio>

using namespace CliTest;
using namespace Fixtures;

namespace {

// A session whose output goes to two temporary files.
struct Session
{
    explicit Session(TCliOptions options, bool json = false, bool progress = false)
        : out(std::tmpfile()), err(std::tmpfile()), output(out, err, json, progress)
    {
        session = std::make_unique<TCliSession>(options, output);
    }
    ~Session()
    {
        session.reset();
        std::fclose(out);
        std::fclose(err);
        g_Axis_Config.clear();
    }
    static QStringList Lines(FILE *f)
    {
        std::rewind(f);
        QFile file;
        file.open(f, QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    QStringList Out() const { return Lines(out); }
    QStringList Err() const { return Lines(err); }

    FILE *out;
    FILE *err;
    TCliOutput output;
    std::unique_ptr<TCliSession> session;
};

TCliOptions Options(TCliOptions::Command command, const QString &file, const QString &config,
                    const QString &repeat = QStringLiteral("1"))
{
    TCliOptions o;
    o.Cmd = command;
    o.File = file;
    o.Config = config;
    o.RepeatText = repeat;
    return o;
}

} // namespace

class CliSessionTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { kqsim_reset(4, 4, AppTest::kAllResources); }

    // Every refused row is listed with the window's reason; nothing is
    // sent that moves or stops an axis.
    void checkListsEveryRefusedRow()
    {
        Files files;
        const QString file = files.Program({AxisStep(0, AutoAction::Abs, 1), AxisStep(7, AutoAction::Rel, 1),
                                            AxisStep(1, AutoAction::Abs, 1e12), AxisStep(-1, AutoAction::Pause, 0)});
        Session s(Options(TCliOptions::Check, file, files.Config()));
        kqsim_journal_clear();
        QCOMPARE(s.session->Check(), int(Exit_Refused));
        QCOMPARE(s.Out().size(), 2);
        QVERIFY(s.Out().at(0).startsWith(QStringLiteral("第2行无法执行：设备上没有轴号为 7 的轴")));
        QVERIFY(s.Out().at(1).startsWith(QStringLiteral("第3行无法执行：")));
        QCOMPARE(s.Err(), QStringList{QStringLiteral("方案中有 2 行无法执行")});
        for (const QString &call : Journal())
            QVERIFY2(!call.startsWith(QLatin1String("KQ_Set_Axis")), qPrintable(call));
    }

    void checkPassesAGoodFile()
    {
        Files files;
        Session s(Options(TCliOptions::Check, files.Program(Raster(200)), files.Config()));
        QCOMPARE(s.session->Check(), int(Exit_Ok));
        QCOMPARE(s.Out(), QStringList{QStringLiteral("方案可以执行，共 %1 行").arg(Raster(200).size())});
    }

    // Same planner, same start positions, same text as lbl_Estimate.
    void estimateEqualsTheWindows()
    {
        Files files;
        const std::vector<TAutoCode> rows = Raster(200);
        SetConfigFileNameForTest(files.Config());
        Create_Forms();
        AppTest::Connect();
        KQ_Set_Axis_Software_P(0, 12800); // axis 0 stands at 2 mm
        MainFrm->AutoPage->mem_Code->SetRows(rows);
        MainFrm->AutoPage->edt_Repeat->setText(QStringLiteral("2"));
        MainFrm->AutoPage->Estimate->Replan(true);
        QTRY_VERIFY(MainFrm->AutoPage->lbl_Estimate->text().startsWith(QStringLiteral("预计用时")));
        const QString window = MainFrm->AutoPage->lbl_Estimate->text();
        Destroy_Forms();
        SetConfigFileNameForTest(QString());

        Session s(Options(TCliOptions::Estimate, files.Program(rows), files.Config(), QStringLiteral("2")));
        QCOMPARE(s.session->Estimate(), int(Exit_Ok));
        QCOMPARE(s.Out().value(0), window);
        // The seconds, as a number, agree with the text.
        const QStringList hms = window.section(' ', 1).split(':');
        const double seconds = s.Out().value(1).toDouble();
        QCOMPARE(int64_t(std::ceil(seconds)), hms[0].toLongLong() * 3600 + hms[1].toLongLong() * 60 + hms[2].toLongLong());
    }

    // The same library calls in the same order as "启动" in the window,
    // from the start-up halt and the connection to the end of the last run.
    void runHasTheWindowsJournal()
    {
        Files files;
        const std::vector<TAutoCode> rows = Raster(100);
        const QStringList window = Window_Run(files.Config(), rows, QStringLiteral("2"));

        kqsim_reset(4, 4, AppTest::kAllResources);
        kqsim_set_manual_clock(1);
        Session s(Options(TCliOptions::Run, files.Program(rows), files.Config(), QStringLiteral("2")));
        QSignalSpy finished(s.session.get(), &TCliSession::Finished);
        kqsim_journal_clear();
        QCOMPARE(s.session->Run(), int(Exit_Ok));
        Run_To_End(s.session->Runner());
        const QStringList cli = Journal();
        kqsim_set_manual_clock(0);
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(Exit_Ok));
        QCOMPARE(BoardCommands(cli), BoardCommands(window));
        QCOMPARE(cli.filter(QRegularExpression("^KQ_(Init|Open|Close)")), window.filter(QRegularExpression("^KQ_(Init|Open|Close)")));
        QVERIFY(BoardCommands(cli).size() > 30);
        const QStringList out = s.Out();
        QStringList texts; // after "[yyyy-mm-dd hh:nn:ss]"
        for (const QString &line : out)
            texts << (QRegularExpression(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\])").match(line).hasMatch() ? line.mid(21) : line);
        QCOMPARE(texts.mid(0, 2) + texts.mid(texts.size() - 2), QStringList({"停止", "开始运行", "方案执行完成 2", "停止"}));

        // Its record beside the configuration file, named after the program
        // (the window's is "未保存"), holds the lines printed from the start.
        const QDir runs(files.dir.filePath("runs"));
        const QStringList logs = runs.entryList({"*-program.log"});
        QCOMPARE(logs.size(), 1);
        QFile log(runs.filePath(logs[0]));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts), out.mid(1));
        QCOMPARE(runs.entryList({"*-program-points.csv"}).size(), 1);
    }

    // Fast stepping sends the same commands in the same order, in the window
    // ("快速执行", remembered in the configuration file) and in tavorin-run
    // --fast, and leaves the same log lines.
    void fastRunHasTheSameJournal()
    {
        Files files;
        const std::vector<TAutoCode> rows = Raster(100);
        const QStringList ticked = BoardCommands(Window_Run(files.Config(), rows, QStringLiteral("2")));
        QCOMPARE(BoardCommands(Window_Run(files.Config(), rows, QStringLiteral("2"), true)), ticked);
        QCOMPARE(TIniFile(files.Config()).ReadString("RUN", "FAST", ""), QStringLiteral("1"));

        kqsim_reset(4, 4, AppTest::kAllResources);
        kqsim_set_manual_clock(1);
        TCliOptions options = Options(TCliOptions::Run, files.Program(rows), files.Config(), QStringLiteral("2"));
        options.Fast = true;
        Session s(options);
        QCOMPARE(s.session->Run(), int(Exit_Ok));
        QVERIFY(s.session->Runner()->IsFastRun());
        kqsim_journal_clear();
        Run_To_End(s.session->Runner());
        const QStringList cli = BoardCommands(Journal());
        kqsim_set_manual_clock(0);
        QCOMPARE(cli, ticked.mid(ticked.size() - cli.size()));
        QVERIFY(cli.size() > 30);
        QStringList texts;
        for (const QString &line : s.Out())
            texts << line.mid(21);
        QCOMPARE(texts.filter("方案执行完成"), QStringList({"方案执行完成 1", "方案执行完成 2"}));
    }

    // The progress line tells the time left as the window's label does:
    // "剩余 ≥ …" while a step takes longer than planned.
    void progressShowsAnOverrun()
    {
        Files files;
        kqsim_set_manual_clock(1);
        int64_t now = 0;
        Session s(Options(TCliOptions::Run, files.Program({AxisStep(0, AutoAction::Rel, 10)}), files.Config()),
                  false, true);
        s.session->SetProgressClock([&now] { return now; });
        QCOMPARE(s.session->Run(), int(Exit_Ok));
        QVERIFY(s.Err().join('\n').contains(QStringLiteral("剩余 00:00:01")));
        now = 3600000;
        s.session->Show_Progress();
        QVERIFY(s.Err().join('\n').endsWith(QStringLiteral("剩余 ≥ 00:00:00")));
        s.session->Interrupt(SIGINT);
        kqsim_set_manual_clock(0);
    }
};

TAVORIN_TEST(CliSessionTest)
#include "CliSessionTest.moc"
