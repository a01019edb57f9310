#pragma once
// A program runner on the virtual board's manual clock, with a tick counter
// of the test's own that moves with the board's clock, and the runner's log
// lines and refusals kept as lists.
#include "config/AxisConfig.h"
#include "program/TCodeModel.h"
#include "program/TProgramRunner.h"
#include "support/Fixtures.h"

#include <QTimer>
#include <memory>

namespace RunnerTest {

constexpr int kAxes = 4;

inline TAutoCode Step(int id, const QString &action, double param = 0, int delay = 0, int count = 1)
{
    TAutoCode c;
    c.ID = id;
    c.Axis = id >= 0 ? QStringLiteral("第%1轴").arg(id + 1) : QString();
    c.Action = action;
    c.Param = param;
    c.Delay = delay;
    c.Count = count;
    return c;
}

class Run
{
public:
    explicit Run(uint32_t firstTick = 1000)
        : ticks(firstTick)
    {
        kqsim_reset(kAxes, kAxes, KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER);
        kqsim_set_manual_clock(1);
        KQ_Open_USB();
        TAxis_Config c;
        c.Open_Ratio = 6400;
        c.Acc = 10;
        c.Dec = 20;
        c.Max_V = 5;
        g_Axis_Config = QVector<TAxis_Config>(kAxes, c);
        for (int a = 0; a < kAxes; ++a)
            g_Axis_Config[a].Axis_Caption = QStringLiteral("第%1轴").arg(a + 1);
        runner = std::make_unique<TProgramRunner>(&code, [] { return kAxes; });
        runner->Ticks = [this] { return ticks; };
        QObject::connect(runner.get(), &TProgramRunner::Log, [this](const QString &t) { log << t; });
        QObject::connect(runner.get(), &TProgramRunner::Refused, [this](const QString &t) { refused << t; });
        kqsim_journal_clear();
    }
    ~Run()
    {
        runner.reset();
        kqsim_set_manual_clock(0);
        g_Axis_Config.clear();
    }

    bool Start(const QString &repeat = QStringLiteral("1")) { return runner->Start(repeat); }
    bool TimerOn() const { return runner->tmr_Auto->isActive(); }

    // Lets `ms` pass on the board and on the tick counter.
    void Pass(uint32_t ms)
    {
        kqsim_advance_ms(ms);
        ticks += ms;
    }
    // One program-timer period; false when the timer is off.
    bool Tick()
    {
        if (!TimerOn())
            return false;
        Pass(50);
        runner->tmr_AutoTimer();
        return true;
    }
    // Ticks until the program timer stops; the number of ticks taken.
    int TickToEnd(int limit = 10000)
    {
        int n = 0;
        while (n < limit && Tick())
            ++n;
        return n;
    }

    uint32_t ticks;
    TCodeModel code;
    std::unique_ptr<TProgramRunner> runner;
    QStringList log;
    QStringList refused;
};

} // namespace RunnerTest
