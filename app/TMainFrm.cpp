#include "TMainFrm.h"

#include "controller/AxisCommands.h"
#include "controller/BoardLink.h"
#include "Forms.h"
#include "ManualPanels.h"
#include "TGroupNote.h"
#include "TBoardPortFrm.h"
#include "THaltKeys.h"
#include "TLinkWatch.h"
#include "TRunAllFrm.h"
#include "TAutoTools.h"
#include "TStatusNote.h"
#include "TWindowState.h"
#include "ToolBarTips.h"
#include "axis/TAxisFrm.h"
#include "config/ui/TConfigFrm.h"
#include "common/AppInfo.h"
#include "common/ui/Dialogs.h"
#include "common/ui/Widgets.h"
#include "common/Guard.h"
#include "common/StopSignals.h"
#include "controller/ConfigLoad.h"
#include "config/AxisConfigFile.h"
#include "config/ConfigLocation.h"
#include "config/IniFile.h"
#include "controller/LinkState.h"
#include "kq_api.h"
#include "program/StatusRefresh.h"
#include "program/ui/TAutoPage.h"
#include "program/ui/TCodeEditor.h"
#include "program/TProgramDocument.h"
#include "program/TProgramRunner.h"
#include "program/ui/TRunEstimate.h"
#include "program/ui/TRunLogView.h"
#include "program/ui/TUnsavedProgram.h"
#include "program/TStatusModel.h"
#include "program/TStatusPoll.h"
#include "program/TRunLog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>

namespace {
// The group panels (200 px) with room for the scroll bar.
const int kSelectListWidth = 224;

template <typename Handler>
void ConnectClick(QToolButton *button, Handler handler)
{
    QObject::connect(button, &QToolButton::clicked, button, [handler] { Guard(handler); });
}
}

TMainFrm::TMainFrm(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(QStringLiteral("运动控制助手"));
    SetHandlersEnded(false); // a new window: nothing has closed it yet
    BuildToolBar();
    BuildPages();
    BuildStatusBar();

    BuildRunner();
    ConnectHandlers();
    Set_Tool_Bar_Tips(tlb_System);
    HaltKeys = new THaltKeys(this, [this] { Halt_Current_Page(); });
    resize(1100, 720);
    Centre_On_Desktop(this);
    TWindowState::Restore_Geometry(this, TIniFile(ConfigFileName()));
}

TMainFrm::~TMainFrm() = default;

// ---- construction ------------------------------------------------------

QToolButton *TMainFrm::AddToolButton(const QString &name, const QString &caption, const QString &icon)
{
    auto *button = new QToolButton(tlb_System);
    button->setObjectName(name);
    button->setText(caption);
    button->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(icon)));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    m_toolActions.insert(button, tlb_System->addWidget(button));
    return button;
}

void TMainFrm::SetToolButtonVisible(QToolButton *button, bool visible)
{
    m_toolActions.value(button)->setVisible(visible);
    button->setVisible(visible);
}

void TMainFrm::BuildToolBar()
{
    tlb_System = new QToolBar(this);
    tlb_System->setObjectName(QStringLiteral("tlb_System"));
    tlb_System->setMovable(false);
    tlb_System->setFloatable(false);
    tlb_System->setIconSize(QSize(32, 32));
    tlb_System->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addToolBar(Qt::TopToolBarArea, tlb_System);

    btn_Scan = AddToolButton(QStringLiteral("btn_Scan"), QStringLiteral("连接设备"), QStringLiteral("connect"));
    tlb_System->addSeparator();
    btn_Config = AddToolButton(QStringLiteral("btn_Config"), QStringLiteral("配置"), QStringLiteral("config"));
    btn_Manual = AddToolButton(QStringLiteral("btn_Manual"), QStringLiteral("手动模式"), QStringLiteral("manual"));
    btn_Auto = AddToolButton(QStringLiteral("btn_Auto"), QStringLiteral("自动模式"), QStringLiteral("auto"));
    tlb_System->addSeparator();
    btn_RunAll = AddToolButton(QStringLiteral("btn_RunAll"), QStringLiteral("同时启动"), QStringLiteral("runall"));
    btn_StopAll = AddToolButton(QStringLiteral("btn_StopAll"), QStringLiteral("停止"), QStringLiteral("stop"));
    btn_HaltAll = AddToolButton(QStringLiteral("btn_HaltAll"), QStringLiteral("急停"), QStringLiteral("halt"));
    btn_Open = AddToolButton(QStringLiteral("btn_Open"), QStringLiteral("打开方案"), QStringLiteral("open"));
    btn_Save = AddToolButton(QStringLiteral("btn_Save"), QStringLiteral("保存方案"), QStringLiteral("save"));
    btn_SaveAs = AddToolButton(QStringLiteral("btn_SaveAs"), QStringLiteral("另存为"), QStringLiteral("saveas"));
    btn_Undo = AddToolButton(QStringLiteral("btn_Undo"), QStringLiteral("撤销"), QStringLiteral("undo"));
    btn_Redo = AddToolButton(QStringLiteral("btn_Redo"), QStringLiteral("重做"), QStringLiteral("redo"));
    btn_AutoRun = AddToolButton(QStringLiteral("btn_AutoRun"), QStringLiteral("启动"), QStringLiteral("run"));
    btn_AutoPause = AddToolButton(QStringLiteral("btn_AutoPause"), QStringLiteral("暂停"), QStringLiteral("pause"));
    btn_AutoStop = AddToolButton(QStringLiteral("btn_AutoStop"), QStringLiteral("停止"), QStringLiteral("stop"));
    btn_AutoHalt = AddToolButton(QStringLiteral("btn_AutoHalt"), QStringLiteral("急停"), QStringLiteral("halt"));
    btn_RunRecords = AddToolButton(QStringLiteral("btn_RunRecords"), QStringLiteral("运行记录"), QStringLiteral("records"));

    btn_Manual->setCheckable(true);
    btn_Auto->setCheckable(true);
    btn_Manual->setChecked(true);
}

void TMainFrm::BuildPages()
{
    pgc_Main = new QStackedWidget(this);
    pgc_Main->setObjectName(QStringLiteral("pgc_Main"));
    setCentralWidget(pgc_Main);

    Sheet_Manual = new QWidget(pgc_Main);
    Sheet_Manual->setObjectName(QStringLiteral("Sheet_Manual"));
    spl_Manual = new QSplitter(Qt::Horizontal, Sheet_Manual);
    spl_Manual->setObjectName(QStringLiteral("spl_Manual"));
    pnl_Select = new QWidget(spl_Manual);
    pnl_Select->setObjectName(QStringLiteral("pnl_Select"));
    Box_Select = new QScrollArea(pnl_Select);
    Box_Select->setObjectName(QStringLiteral("Box_Select"));
    Box_Select->setWidget(new QWidget);
    Box_Select->widget()->setObjectName(QStringLiteral("Box_Select_Content"));
    auto *selectLayout = new QVBoxLayout(pnl_Select);
    selectLayout->setContentsMargins(0, 0, 0, 0);
    selectLayout->addWidget(Box_Select);
    pnl_Select->setMinimumWidth(0);
    pnl_Select->resize(kSelectListWidth, pnl_Select->height());

    box_Axis = new QScrollArea(spl_Manual);
    box_Axis->setObjectName(QStringLiteral("box_Axis"));
    box_Axis->setWidget(new QWidget);
    box_Axis->widget()->setObjectName(QStringLiteral("box_Axis_Content"));
    box_Axis->setWidgetResizable(true);
    spl_Manual->addWidget(pnl_Select);
    spl_Manual->addWidget(box_Axis);
    spl_Manual->setCollapsible(0, true);
    spl_Manual->setCollapsible(1, false);
    spl_Manual->setStretchFactor(1, 1);
    spl_Manual->setSizes({kSelectListWidth, 860});
    auto *manualLayout = new QVBoxLayout(Sheet_Manual);
    manualLayout->setContentsMargins(0, 0, 0, 0);
    manualLayout->addWidget(spl_Manual);

    Sheet_Auto = new QWidget(pgc_Main);
    Sheet_Auto->setObjectName(QStringLiteral("Sheet_Auto"));
    AutoPage = new TAutoPage(Sheet_Auto);
    AutoPage->setObjectName(QStringLiteral("AutoPage"));
    mmo_Log = AutoPage->mmo_Log;
    AutoPage->Estimate->SetPositionReader([this] { tmr_AutoStatusTimer(); });
    auto *autoLayout = new QVBoxLayout(Sheet_Auto);
    autoLayout->setContentsMargins(0, 0, 0, 0);
    autoLayout->addWidget(AutoPage);

    pgc_Main->addWidget(Sheet_Manual);
    pgc_Main->addWidget(Sheet_Auto);
    pgc_Main->setCurrentWidget(Sheet_Manual);
}

void TMainFrm::BuildStatusBar()
{
    status_Main = new QStatusBar(this);
    status_Main->setObjectName(QStringLiteral("status_Main"));
    setStatusBar(status_Main);
    auto pane = [this](const QString &name, const QString &text) {
        auto *label = new QLabel(text, status_Main);
        label->setObjectName(name);
        label->setTextFormat(Qt::PlainText); // the board's identity, as it came
        return label;
    };
    msg_Main = pane(QStringLiteral("msg_Main"), QString());
    // In a narrow window the end of the product line gives way, not the
    // panes on the right.
    msg_Main->setMinimumWidth(1);
    msg_Link = pane(QStringLiteral("msg_Link"), QString());
    msg_Note = new TStatusNote(status_Main);
    msg_Mcu_T = pane(QStringLiteral("msg_Mcu_T"), QString());
    msg_Mcu_T->setMinimumWidth(80);
    msg_Company = pane(QStringLiteral("msg_Company"), AppCompanyName());
    // Where the settings are kept, for the operator who looks for them.
    msg_Company->setToolTip(QStringLiteral("配置文件：") + QDir::toNativeSeparators(ConfigFileName()));
    msg_Version = pane(QStringLiteral("msg_Version"), QStringLiteral("Ver:") + AppFileVersion());
    status_Main->addWidget(msg_Main);
    status_Main->addWidget(msg_Link);
    status_Main->addWidget(msg_Note, 1);
    status_Main->addWidget(msg_Mcu_T);
    status_Main->addWidget(msg_Company);
    status_Main->addWidget(msg_Version);
    msg_Group_Note = new TGroupNote(status_Main, pgc_Main, Sheet_Manual);
    F_Link_Watch = new TLinkWatch(msg_Mcu_T, this);
    connect(F_Link_Watch, &TLinkWatch::LostChanged, this, &TMainFrm::Show_Axes_Stale);
}

void TMainFrm::ConnectHandlers()
{
    ConnectClick(btn_Scan, [this] { btn_ScanClick(); });
    ConnectClick(btn_Manual, [this] { btn_ManualClick(); });
    ConnectClick(btn_Auto, [this] { btn_AutoClick(); });
    ConnectClick(btn_Config, [this] { btn_ConfigClick(); });
    ConnectClick(btn_RunAll, [this] { btn_RunAllClick(); });
    ConnectClick(btn_StopAll, [this] { btn_StopAllClick(); });
    ConnectClick(btn_HaltAll, [this] { btn_HaltAllClick(); });
    ConnectClick(btn_Open, [this] { btn_OpenClick(); });
    ConnectClick(btn_Save, [this] { btn_SaveClick(); });
    ConnectClick(btn_SaveAs, [this] { btn_SaveAsClick(); });
    ConnectClick(btn_Undo, [this] { btn_UndoClick(); });
    ConnectClick(btn_Redo, [this] { btn_RedoClick(); });
    AutoTools = new TAutoTools(this, AutoPage, {btn_Open, btn_Save, btn_SaveAs, btn_Undo, btn_Redo, btn_AutoRun});
    ConnectClick(btn_AutoRun, [this] { btn_AutoRunClick(); });
    ConnectClick(btn_AutoPause, [this] { btn_AutoPauseClick(); });
    ConnectClick(btn_AutoStop, [this] { btn_AutoStopClick(); });
    ConnectClick(btn_AutoHalt, [this] { btn_AutoHaltClick(); });
    ConnectClick(btn_RunRecords, [this] { btn_RunRecordsClick(); });
    connect(AutoPage, &TAutoPage::StartFromRow, this, [this](int row) { Guard([this, row] { Start_From_Row(row); }); });
}

void TMainFrm::BuildRunner()
{
    Runner = new TProgramRunner(AutoPage->mem_Code, [this] { return int(F_Axis_Num); }, this);
    tmr_Auto = Runner->tmr_Auto;
    tmr_AutoStatus = Runner->tmr_AutoStatus;
    Runner->HaltAll = [this] { Halt_All_Axes(); };
    RunLog = new TRunLog([this] { return AutoPage->ProgramName(); }, this);
    RunLog->Follow(Runner);
    auto *logView = new TRunLogView(mmo_Log, Runner, this);
    connect(RunLog, &TRunLog::Line, logView, &TRunLogView::Add);
    connect(Runner, &TProgramRunner::StateChanged, this, &TMainFrm::Set_Auto_State);
    connect(Runner, &TProgramRunner::Refused, this, [](const QString &text) { ShowInfo(text); });
    // While a long program's rows are checked, the controls look as in a run.
    connect(Runner, &TProgramRunner::StartPending, this,
            [this](bool pending) { Set_Auto_State(pending ? 1 : Runner->RunState()); });
    connect(tmr_AutoStatus, &QTimer::timeout, this, [this] { Guard([this] { tmr_AutoStatusTimer(); }); });
    AutoPage->Estimate->Follow(Runner, AutoPage->mem_Status);
    // Fast stepping as last chosen ([RUN] FAST), kept when changed.
    const auto useFastRun = [this](bool on) {
        Runner->FastRun = on;
        AutoPage->Estimate->SetFastRun(on);
    };
    AutoPage->chk_FastRun->setChecked(TIniFile(ConfigFileName()).ReadBool(QStringLiteral("RUN"), QStringLiteral("FAST"), false));
    useFastRun(AutoPage->chk_FastRun->isChecked());
    connect(AutoPage->chk_FastRun, &QCheckBox::toggled, this, [this, useFastRun](bool on) {
        useFastRun(on);
        Guard([on] { TIniFile(ConfigFileName()).WriteBool(QStringLiteral("RUN"), QStringLiteral("FAST"), on); });
    });
    StatusPoll = new TStatusPoll([this] { return pgc_Main->currentWidget() == Sheet_Auto && F_Axis_Num > 0
                                                  && Runner->RunState() == TProgramRunner::Idle; },
                                 [this] { Guard([this] { tmr_AutoStatusTimer(); }); }, this);
    connect(Runner, &TProgramRunner::StateChanged, StatusPoll, [this] { StatusPoll->Update(); });
    connect(AutoPage->Document, &TProgramDocument::Changed, this,
            [this] { setWindowTitle(AutoPage->Document->Title(QStringLiteral("运动控制助手"))); });
    connect(AutoPage, &TAutoPage::ProgramSaved, this,
            [this](const QString &path) { msg_Note->Show(QStringLiteral("已保存：") + QDir::toNativeSeparators(path)); });
}

// ---- start-up and shutdown ------------------------------------------------

void TMainFrm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    TWindowState::Restore_Splitters(this, TIniFile(ConfigFileName()));
    Guard([this] { FormShow(); });
}

void TMainFrm::FormShow()
{
    KQ_Init();
    Set_Manual_Mode(true);
}

void TMainFrm::closeEvent(QCloseEvent *event)
{
    // A failed save keeps the window; a stop signal may close it while a
    // question is open, and then it is closed already.
    bool mayClose = false;
    Guard([&] { mayClose = m_closed || FormCloseQuery(); });
    if (!mayClose && !m_closed) {
        event->ignore();
        return;
    }
    if (!m_closed)
        Close_Down();
    event->accept();
}

bool TMainFrm::FormCloseQuery()
{
    if (m_closeWithoutAsking)
        return true;
    if (Runner->RunState() != TProgramRunner::Idle) {
        if (!ConfirmDestructive(QStringLiteral("方案正在运行，退出将停止所有轴。确认退出？")))
            return false;
        btn_AutoHaltClick(); // the stage stops before anything else is asked
    }
    return TUnsavedProgram(AutoPage).Ask_Before_Close();
}

void TMainFrm::Close_On_Stop_Signals(const std::function<void(int)> &exit)
{
    connect(new TStopSignals(this), &TStopSignals::Stop, this, [this, exit](int signal) {
        Close_For_Stop_Signal();
        exit(128 + signal);
    });
}

void TMainFrm::Close_For_Stop_Signal()
{
    m_closeWithoutAsking = true;
    close();
    // While the close question is open the window is closing already and
    // close() returns at once: the closing is done here.
    if (!m_closed)
        Close_Down();
    const QString note = TUnsavedProgram(AutoPage).Autosave(QFileInfo(ConfigFileName()).absolutePath());
    if (!note.isEmpty())
        std::fprintf(stderr, "%s\n", note.toLocal8Bit().constData());
}

void TMainFrm::Close_Down()
{
    m_closed = true;
    SetHandlersEnded(true);
    FormClose();
    // Nothing ticks once the library is shut down.
    for (QTimer *timer : findChildren<QTimer *>())
        timer->stop();
}

void TMainFrm::FormClose()
{
    // A failed save is reported; the library is shut down all the same.
    Guard([this] { Save_Axis_Entries(); });
    // Nothing may go on moving once the program has gone.
    tmr_Auto->stop();
    tmr_AutoStatus->stop();
    if (F_Axis_Num > 0)
        Halt_All_Axes();
    // The window's layout is no work of the operator's: a failed write of
    // it is not worth a second error box.  A window never shown has none.
    if (m_shown) {
        TIniFile ini(ConfigFileName());
        try { TWindowState::Save(this, ini); } catch (const Exception &) {}
    }
    F_Link_Watch->Disconnected();
    Board_Disconnected();
    KQ_DeInit();
}

// ---- connection --------------------------------------------------------------

void TMainFrm::btn_ScanClick()
{
    if (ShowModal(BoardPortFrm) != QDialog::Accepted)
        return;
    // After a lost link the board's state is unknown (a call that timed out
    // may have been carried out): it is read afresh once connected.
    const bool wasLost = Board_Link_Lost();
    // No program goes on with a board that is about to be replaced.
    if (Runner->RunState() != TProgramRunner::Idle || Runner->IsStarting())
        btn_AutoHaltClick();
    F_Encoder_Num = 0;
    F_Axis_Num = 0;
    Board_Disconnected();
    Set_Auto_State(Runner->RunState());
    F_Link_Watch->Connecting();
    const auto noBoard = [](const QString &text) {
        ShowInfo(text);
        AbortIfHandlersEnded(); // the window closed under the message
    };
    if (!Connect_Board(BoardPortFrm->Choice(), noBoard))
        return;
    Board_Connected();
    F_Link_Watch->Connected(BoardPortFrm->Choice().Kind);
    msg_Link->setText(Link_Name(BoardPortFrm->Choice()));
    TBoard_Resources resources;
    const QString product = Read_Board(F_Product_ID, F_SN, F_Version, resources);
    F_Encoder_Num = resources.Encoders;
    if (resources.HasAxes) {
        F_Axis_Num = resources.Axes;
        Reload_And_Rebuild();
        Paint_Group_Panels();
        if (wasLost)
            Read_Fresh_Positions();
    }
    msg_Main->setText(product);
    StatusPoll->Update(true);
    Set_Auto_State(Runner->RunState());
}

void TMainFrm::Load_Axis_Config()
{
    F_Group_Num = Load_Configuration(ConfigFileName(), F_Axis_Num, F_Encoder_Num, F_Group_Num,
                                     [this] { Build_Status(); }, [this](const QString &why) { msg_Note->Show(why); });
}

void TMainFrm::Load_Offline_Axes()
{
    const QString file = ConfigFileName();
    m_offlineAxes = Stored_Axis_Count(TIniFile(file));
    // No encoder channel: nothing is sent to the board.
    Load_Configuration(file, m_offlineAxes, 0, F_Group_Num, [this] { Build_Status(); });
}

void TMainFrm::Reload_And_Rebuild()
{
    Load_Axis_Config();
    Build_Group_Panels();
    Select_Group(0);
    // With groups, selecting group 0 has just built the same panels, and a
    // panel's construction reaches neither the board nor the file: building
    // them a second time would only double the wait on large boards.
    if (F_Group_Num <= 0)
        Build_Axis_Frames();
    Build_RunAll_Frames();
}

void TMainFrm::Save_Axis_Entries()
{
    ManualPanels::Save_Axis_Entries(Axis_Frames());
}

// ---- group and axis panels -----------------------------------------------------

QWidget *TMainFrm::AxisPanelContainer() const
{
    return box_Axis->widget();
}

QWidget *TMainFrm::GroupPanelContainer() const
{
    return Box_Select->widget();
}

QList<TAxisFrm *> TMainFrm::Axis_Frames() const
{
    return ManualPanels::Axis_Frames(AxisPanelContainer());
}

void TMainFrm::Build_Axis_Frames()
{
    ManualPanels::Build_Axis_Frames(AxisPanelContainer(), F_Axis_Num);
    for (TAxisFrm *panel : Axis_Frames())
        connect(panel, &TAxisFrm::Command_Failed, msg_Note, &TStatusNote::Show);
    if (F_Link_Watch->IsLost())
        Show_Axes_Stale(true);
}

void TMainFrm::Show_Axes_Stale(bool stale)
{
    for (TAxisFrm *panel : Axis_Frames())
        panel->Show_Stale(stale);
    AutoPage->mem_Status->SetStale(stale);
}

QList<QWidget *> TMainFrm::Group_Panels() const
{
    return ManualPanels::Group_Panels(GroupPanelContainer());
}

void TMainFrm::Build_Group_Panels()
{
    ManualPanels::Build_Group_Panels(GroupPanelContainer(), F_Group_Num, this);
}

void TMainFrm::Pnl_GroupClick(QWidget *panel)
{
    Select_Group(ManualPanels::Group_Of(panel));
}

void TMainFrm::Select_Group(int group)
{
    msg_Group_Note->Update(F_Axis_Num, F_Group_Num);
    if (F_Group_Num <= 0)
        return;
    ManualPanels::Mark_Selection(group);
    Paint_Group_Panels();
    Build_Axis_Frames();
    Build_RunAll_Frames(); // "同时启动" lists the panels shown
}

void TMainFrm::Paint_Group_Panels()
{
    ManualPanels::Paint_Group_Panels(GroupPanelContainer());
}

bool TMainFrm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && ManualPanels::Is_Group_Panel(watched)) {
        auto *panel = static_cast<QWidget *>(watched);
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && panel->rect().contains(mouse->position().toPoint())) {
            // The click rebuilds the panels: leave the event first.
            QTimer::singleShot(0, this, [this, panel = QPointer<QWidget>(panel)] {
                if (panel)
                    Guard([this, panel] { Pnl_GroupClick(panel); });
            });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- modes -----------------------------------------------------------------

void TMainFrm::Set_Manual_Mode(bool manual)
{
    if (manual) {
        Select_Group(0);
        pgc_Main->setCurrentWidget(Sheet_Manual);
        btn_AutoHaltClick();
    } else {
        Select_Group(-1);
        pgc_Main->setCurrentWidget(Sheet_Auto);
    }
    btn_Manual->setChecked(manual);
    btn_Auto->setChecked(!manual);
    for (QToolButton *b : {btn_RunAll, btn_StopAll, btn_HaltAll})
        SetToolButtonVisible(b, manual);
    for (QToolButton *b : {btn_Open, btn_Save, btn_SaveAs, btn_Undo, btn_Redo, btn_AutoRun, btn_AutoPause, btn_AutoStop, btn_AutoHalt, btn_RunRecords})
        SetToolButtonVisible(b, !manual);
    // A program that runs or is paused keeps its controls.
    if (!manual)
        Set_Auto_State(Runner->RunState());
    StatusPoll->Update(true);
}

void TMainFrm::btn_ManualClick()
{
    if (F_Axis_Num > 0 || pgc_Main->currentWidget() == Sheet_Auto)
        Set_Manual_Mode(true);
    else
        btn_Manual->setChecked(!btn_Auto->isChecked());
}

// Without a board the page works on the configuration file's axes, to
// prepare a program at a desk.
void TMainFrm::btn_AutoClick()
{
    if (F_Axis_Num <= 0)
        Load_Offline_Axes();
    Set_Manual_Mode(false);
}

void TMainFrm::btn_ConfigClick()
{
    if (F_Axis_Num <= 0)
        Load_Offline_Axes();
    Show_Parameter_Dialog(); // however it closes, the file may have changed
    if (F_Axis_Num > 0)
        Reload_And_Rebuild();
    else
        Load_Offline_Axes();
}

void TMainFrm::Show_Parameter_Dialog()
{
    // The dialog edits the configuration file itself; without a board every
    // axis may have its sensor channel.
    if (F_Axis_Num > 0)
        ConfigFrm->Set_Config(F_Axis_Num, F_Encoder_Num);
    else
        ConfigFrm->Set_Config(m_offlineAxes, m_offlineAxes);
    ShowModal(ConfigFrm);
}

void TMainFrm::Build_RunAll_Frames()
{
    if (RunAllFrm)
        RunAllFrm->Build_RunAll_Frames(F_Axis_Num);
}

void TMainFrm::btn_RunAllClick()
{
    if (F_Axis_Num < 1 || !RunAllFrm || ShowModal(RunAllFrm) != QDialog::Accepted)
        return;
    const QStringList leftOut = ManualPanels::Run_Choices(AxisPanelContainer(), RunAllFrm->Choices());
    if (!leftOut.isEmpty())
        msg_Note->Show(QStringLiteral("没有面板，未启动：") + leftOut.join(QStringLiteral("、")));
}

void TMainFrm::btn_StopAllClick()
{
    for (TAxisFrm *panel : Axis_Frames())
        panel->btn_Set_StopClick();
}

void TMainFrm::btn_HaltAllClick()
{
    Halt_All_Axes();
}

void TMainFrm::Halt_Current_Page()
{
    if (pgc_Main->currentWidget() == Sheet_Auto)
        btn_AutoHaltClick();
    else
        btn_HaltAllClick();
}

void TMainFrm::Halt_All_Axes()
{
    AxisCommands::Halt_All();
    ManualPanels::Leave_Back_And_Forth(Axis_Frames());
}

// ---- automatic mode ----------------------------------------------------------

void TMainFrm::Add_Log(const QString &text)
{
    RunLog->Add(text);
}

void TMainFrm::Build_Status()
{
    QStringList captions, units;
    for (int a = 0; a < Axes_Shown() && a < g_Axis_Config.size(); ++a) {
        captions << g_Axis_Config.at(a).Axis_Caption;
        units << Position_Unit(g_Axis_Config.at(a));
    }
    AutoPage->Build_Status(captions, units);
    AutoPage->Estimate->SetAxes(g_Axis_Config.mid(0, Axes_Shown()));
}

void TMainFrm::Set_Auto_State(int state)
{
    if (state < 0 || state > 2)
        return;
    btn_Open->setEnabled(state == 0);
    btn_Save->setEnabled(state == 0);
    AutoPage->SetEditEnabled(state == 0);
    AutoTools->Set_State(state);
    // Without a board a program is prepared, not run.
    const bool board = F_Axis_Num > 0;
    AutoPage->SetConnected(board);
    AutoTools->Show_Board(board);
    btn_AutoRun->setEnabled(state != 1 && board);
    btn_AutoPause->setEnabled(state == 1);
    btn_AutoStop->setEnabled(state != 0);
    btn_AutoHalt->setEnabled(state != 0);
}

void TMainFrm::btn_OpenClick()
{
    AutoPage->Open_Program();
}

void TMainFrm::btn_SaveClick()
{
    AutoPage->Save_Program_To_Its_File();
}

void TMainFrm::btn_SaveAsClick()
{
    AutoPage->Save_Program();
}

void TMainFrm::btn_UndoClick()
{
    AutoPage->Editor->Undo();
}

void TMainFrm::btn_RedoClick()
{
    AutoPage->Editor->Redo();
}

void TMainFrm::btn_AutoRunClick()
{
    Runner->Start(AutoPage->edt_Repeat->text());
}

void TMainFrm::btn_AutoPauseClick()
{
    Runner->Pause();
}

void TMainFrm::btn_AutoStopClick()
{
    Runner->Stop();
}

void TMainFrm::btn_AutoHaltClick()
{
    Runner->Halt();
}

void TMainFrm::btn_RunRecordsClick()
{
    AutoPage->Show_Run_Records();
}

void TMainFrm::Start_From_Row(int row)
{
    if (Runner->RunState() == TProgramRunner::Idle)
        Runner->Start(AutoPage->edt_Repeat->text(), row);
}

void TMainFrm::Read_Fresh_Positions()
{
    for (TAxisFrm *panel : Axis_Frames())
        panel->tmr_AxisTimer();
    Refresh_Status(*AutoPage->mem_Status, F_Axis_Num);
}

void TMainFrm::tmr_AutoStatusTimer()
{
    if (F_Axis_Num < 1 || !Runner->Check_Link())
        return;
    // One repaint per refresh, however many rows change.
    AutoPage->grid_Status->setUpdatesEnabled(false);
    AutoPage->grid_Status->selectRow(0);
    Refresh_Status(*AutoPage->mem_Status, F_Axis_Num);
    AutoPage->grid_Status->setUpdatesEnabled(true);
}
