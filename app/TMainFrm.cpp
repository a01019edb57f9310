#include "TMainFrm.h"

#include "Forms.h"
#include "TBoardPortFrm.h"
#include "axis/TAxisFrm.h"
#include "common/AppInfo.h"
#include "common/Dialogs.h"
#include "common/Guard.h"
#include "config/AxisConfig.h"
#include "config/AxisConfigFile.h"
#include "config/IniFile.h"
#include "controller/Conversion.h"
#include "kq_api.h"
#include "program/StatusRefresh.h"
#include "program/TAutoPage.h"
#include "program/TProgramRunner.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstring>

namespace {
const int kGroupPanelWidth = 200;
const int kGroupPanelHeight = 48;
const int kGroupPanelGap = 5;
const char *kTag = "Tag";

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
    BuildToolBar();
    BuildPages();
    BuildStatusBar();

    BuildRunner();
    ConnectHandlers();
    resize(1100, 720);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
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
    btn_AutoRun = AddToolButton(QStringLiteral("btn_AutoRun"), QStringLiteral("启动"), QStringLiteral("run"));
    btn_AutoPause = AddToolButton(QStringLiteral("btn_AutoPause"), QStringLiteral("暂停"), QStringLiteral("pause"));
    btn_AutoStop = AddToolButton(QStringLiteral("btn_AutoStop"), QStringLiteral("停止"), QStringLiteral("stop"));
    btn_AutoHalt = AddToolButton(QStringLiteral("btn_AutoHalt"), QStringLiteral("急停"), QStringLiteral("halt"));

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
    pnl_Select->resize(kGroupPanelWidth + 24, pnl_Select->height());

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
    spl_Manual->setSizes({kGroupPanelWidth + 24, 860});
    auto *manualLayout = new QVBoxLayout(Sheet_Manual);
    manualLayout->setContentsMargins(0, 0, 0, 0);
    manualLayout->addWidget(spl_Manual);

    Sheet_Auto = new QWidget(pgc_Main);
    Sheet_Auto->setObjectName(QStringLiteral("Sheet_Auto"));
    AutoPage = new TAutoPage(Sheet_Auto);
    AutoPage->setObjectName(QStringLiteral("AutoPage"));
    mmo_Log = AutoPage->mmo_Log;
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
        return label;
    };
    msg_Main = pane(QStringLiteral("msg_Main"), QString());
    msg_Mcu_T = pane(QStringLiteral("msg_Mcu_T"), QString());
    msg_Mcu_T->setMinimumWidth(80);
    msg_Company = pane(QStringLiteral("msg_Company"), AppCompanyName());
    msg_Version = pane(QStringLiteral("msg_Version"), QStringLiteral("Ver:") + AppFileVersion());
    status_Main->addWidget(msg_Main, 1);
    status_Main->addWidget(msg_Mcu_T);
    status_Main->addWidget(msg_Company);
    status_Main->addWidget(msg_Version);
}

void TMainFrm::ConnectHandlers()
{
    ConnectClick(btn_Scan, [this] { btn_ScanClick(); });
    ConnectClick(btn_Manual, [this] { btn_ManualClick(); });
    ConnectClick(btn_Auto, [this] { btn_AutoClick(); });
    ConnectClick(btn_HaltAll, [this] { btn_HaltAllClick(); });
    ConnectClick(btn_Open, [this] { btn_OpenClick(); });
    ConnectClick(btn_Save, [this] { btn_SaveClick(); });
    ConnectClick(btn_AutoRun, [this] { btn_AutoRunClick(); });
    ConnectClick(btn_AutoPause, [this] { btn_AutoPauseClick(); });
    ConnectClick(btn_AutoStop, [this] { btn_AutoStopClick(); });
    ConnectClick(btn_AutoHalt, [this] { btn_AutoHaltClick(); });
}

void TMainFrm::BuildRunner()
{
    Runner = new TProgramRunner(AutoPage->mem_Code, [this] { return int(F_Axis_Num); }, this);
    tmr_Auto = Runner->tmr_Auto;
    tmr_AutoStatus = Runner->tmr_AutoStatus;
    connect(Runner, &TProgramRunner::Log, this, &TMainFrm::Add_Log);
    connect(Runner, &TProgramRunner::StateChanged, this, &TMainFrm::Set_Auto_State);
    connect(Runner, &TProgramRunner::Refused, this, [](const QString &text) { ShowInfo(text); });
    connect(tmr_AutoStatus, &QTimer::timeout, this, [this] { Guard([this] { tmr_AutoStatusTimer(); }); });
}

// ---- start-up and shutdown ------------------------------------------------

void TMainFrm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    Guard([this] { FormShow(); });
}

void TMainFrm::FormShow()
{
    KQ_Init();
    Set_Manual_Mode(true);
}

void TMainFrm::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void TMainFrm::FormClose()
{
    // A failed save is reported; the library is shut down all the same.
    Guard([this] { Save_Axis_Entries(); });
    KQ_DeInit();
}

// ---- connection --------------------------------------------------------------

static void Close_All_Links()
{
    KQ_Close_UART();
    KQ_Close_USB();
    KQ_Close_Net();
}

static void Open_Chosen_Link(const TBoardPortFrm &port)
{
    switch (port.ChosenLink()) {
    case TBoardPortFrm::Link::UART: {
        const QByteArray name = port.PortName().toLocal8Bit(); // zero-terminated
        KQ_Open_UART(name.constData());
        break;
    }
    case TBoardPortFrm::Link::USB:
        KQ_Open_USB();
        break;
    case TBoardPortFrm::Link::Net: {
        const auto o = port.Octets();
        KQ_Open_Net(o[0], o[1], o[2], o[3], static_cast<uint16_t>(port.PortNumber()));
        break;
    }
    }
}

// Reads the identifiers; each keeps its previous value when its call fails.
QString TMainFrm::Read_Identity()
{
    char buffer[KQ_PRODUCT_ID_SIZE];
    std::memset(buffer, 0, sizeof buffer);
    if (KQ_Get_Product_ID(buffer) == 0)
        F_Product_ID = QString::fromLocal8Bit(buffer, static_cast<int>(strnlen(buffer, sizeof buffer)));
    std::memset(buffer, 0, sizeof buffer);
    if (KQ_Get_Product_SN(reinterpret_cast<uint8_t *>(buffer)) == 0)
        F_SN = QByteArray(buffer, KQ_PRODUCT_SN_SIZE).toHex().toUpper();
    int32_t a = 0, b = 0, c = 0, d = 0;
    if (KQ_Get_Product_Version2(&a, &b, &c, &d) == 0)
        F_Version = QStringLiteral("%1.%2.%3.%4").arg(a).arg(b).arg(c).arg(d);
    return QStringLiteral("Model=") + F_Product_ID + QStringLiteral("/SN=") + F_SN
        + QStringLiteral("/Ver=") + F_Version;
}

void TMainFrm::btn_ScanClick()
{
    if (ShowModal(BoardPortFrm) != QDialog::Accepted)
        return;
    // No program goes on with a board that is about to be replaced.
    if (Runner->RunState() != TProgramRunner::Idle)
        btn_AutoHaltClick();
    F_Encoder_Num = 0;
    F_Axis_Num = 0;
    Close_All_Links();
    Open_Chosen_Link(*BoardPortFrm);
    if (KQ_Check() != 0) {
        ShowInfo(QStringLiteral("没有发现设备"));
        Close_All_Links();
        return;
    }
    QString product = Read_Identity();
    // Nothing is assumed about a board whose resources cannot be read.
    uint32_t resource = 0;
    KQ_Get_Product_Resource(&resource);
    if (resource & KQ_RESOURCE_ENCODER) {
        int32_t count = 0;
        KQ_Get_Encoder_Num(&count);
        F_Encoder_Num = count;
    }
    if (resource & KQ_RESOURCE_AXIS) {
        int32_t count = 0;
        KQ_Get_Axis_Num(&count);
        F_Axis_Num = count;
        if (F_Axis_Num > 0)
            product += QStringLiteral("/Motor=") + QString::number(F_Axis_Num);
        Load_Axis_Config();
        Build_Group_Panels();
        Select_Group(0);
        Build_Axis_Frames();
        // The run-all dialog's frames are rebuilt here.
        Paint_Group_Panels();
    }
    msg_Main->setText(product);
}

void TMainFrm::Load_Axis_Config()
{
    if (F_Axis_Num > 0) {
        const TIniFile ini(ConfigFileName());
        Load_Axis_Records(ini, F_Axis_Num);
        Calc_Ratio(F_Axis_Num);
        Build_Status();
        F_Group_Num = Load_Group_Records(ini);
    }
    Push_Sensor_Settings(F_Encoder_Num, F_Axis_Num);
}

static TAxis_Entries Axis_Entries_Of(const TAxisFrm &frame)
{
    TAxis_Entries e;
    e.Section = frame.objectName();
    e.P_Rel = frame.edt_Rel->text();
    e.P_Abs = frame.edt_Abs->text();
    e.V_Abs = frame.edt_Mode_V_Abs->text();
    e.V_Rel = frame.edt_Mode_V_Rel->text();
    e.Home_V = frame.edt_Home_V->text();
    return e;
}

void TMainFrm::Save_Axis_Entries()
{
    const QList<TAxisFrm *> frames = Axis_Frames();
    if (frames.isEmpty())
        return;
    QVector<TAxis_Entries> entries;
    for (auto it = frames.crbegin(); it != frames.crend(); ++it)
        entries.append(Axis_Entries_Of(**it));
    TIniFile ini(ConfigFileName());
    Write_Axis_Entries(ini, entries);
}

// ---- axis panels -----------------------------------------------------------

QWidget *TMainFrm::AxisPanelContainer() const
{
    return box_Axis->widget();
}

QList<TAxisFrm *> TMainFrm::Axis_Frames() const
{
    QList<TAxisFrm *> frames;
    for (QObject *child : AxisPanelContainer()->children())
        if (auto *frame = qobject_cast<TAxisFrm *>(child))
            frames.append(frame);
    return frames;
}

static void Fill_Axis_Frame(TAxisFrm &frame, int axis)
{
    const TAxis_Config &c = g_Axis_Config.at(axis);
    frame.grp_Ch->setTitle(c.Axis_Caption);
    frame.chk_Neg->setText(c.Axis_Neg + QStringLiteral("限位"));
    frame.chk_Pos->setText(c.Axis_Pos + QStringLiteral("限位"));
    frame.FNegCaption = c.Axis_Neg;
    frame.FPosCaption = c.Axis_Pos;
    frame.btn_Neg->setText(QStringLiteral("←") + c.Axis_Neg);
    frame.btn_Pos->setText(c.Axis_Pos + QStringLiteral("→"));
    frame.grp_Ch->setProperty(kTag, axis);
    frame.setObjectName(QStringLiteral("Axis") + QString::number(axis));
}

static void Fill_Axis_Entries(TAxisFrm &frame, const TAxis_Config &c)
{
    frame.Load_Param(); // the quick-position captions
    frame.edt_Abs->setText(c.P_Abs);
    frame.edt_Rel->setText(c.P_Rel);
    frame.edt_Mode_V_Abs->setText(c.V_Abs);
    frame.edt_Mode_V_Rel->setText(c.V_Rel);
    frame.edt_Home_V->setText(c.Home_V);
    frame.rb_Close->setEnabled(c.Encoder_Has);
}

void TMainFrm::Build_Axis_Frames()
{
    const QList<TAxisFrm *> old = Axis_Frames();
    for (auto it = old.crbegin(); it != old.crend(); ++it)
        delete *it;
    QWidget *container = AxisPanelContainer();
    container->setMinimumSize(0, 0);
    if (F_Axis_Num <= 0)
        return;
    int left = 0;
    int height = 0;
    for (int i = 0; i < F_Axis_Num && i < g_Axis_Config.size(); ++i) {
        if (!g_Axis_Config.at(i).Axis_Visible)
            continue;
        auto *frame = new TAxisFrm(container);
        Fill_Axis_Frame(*frame, i);
        frame->adjustSize();
        frame->move(left, 0);
        frame->show();
        left += frame->width();
        height = qMax(height, frame->height());
        Fill_Axis_Entries(*frame, g_Axis_Config.at(i));
    }
    container->setMinimumSize(left, height);
}

// ---- group panels ----------------------------------------------------------

QWidget *TMainFrm::GroupPanelContainer() const
{
    return Box_Select->widget();
}

QList<QWidget *> TMainFrm::Group_Panels() const
{
    QList<QWidget *> panels;
    for (QObject *child : GroupPanelContainer()->children())
        if (child->objectName().startsWith(QLatin1String("Pnl_Group")))
            panels.append(static_cast<QWidget *>(child));
    return panels;
}

static void Colour_Group_Panel(QWidget *panel, bool selected)
{
    QPalette palette = panel->palette();
    const QColor face = QGuiApplication::palette().color(QPalette::Button);
    palette.setColor(QPalette::Window, selected ? QColor(Qt::green) : face);
    palette.setColor(QPalette::WindowText, selected ? QColor(Qt::white) : QColor(Qt::blue));
    panel->setPalette(palette);
}

void TMainFrm::Build_Group_Panels()
{
    qDeleteAll(Group_Panels());
    QWidget *container = GroupPanelContainer();
    for (int g = 0; g < F_Group_Num && g < g_Group_Config.size(); ++g) {
        auto *panel = new QLabel(g_Group_Config.at(g).Caption, container);
        panel->setObjectName(QStringLiteral("Pnl_Group") + QString::number(g));
        panel->setProperty(kTag, g);
        panel->setAlignment(Qt::AlignCenter);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Raised);
        panel->setAutoFillBackground(true);
        QFont font = panel->font();
        font.setPointSize(12);
        panel->setFont(font);
        panel->setGeometry(0, g * (kGroupPanelHeight + kGroupPanelGap), kGroupPanelWidth, kGroupPanelHeight);
        panel->setCursor(Qt::PointingHandCursor);
        Colour_Group_Panel(panel, g_Group_Config.at(g).Visible);
        panel->installEventFilter(this);
        panel->show();
    }
    const int count = Group_Panels().size();
    container->setMinimumSize(kGroupPanelWidth, count * (kGroupPanelHeight + kGroupPanelGap));
    container->resize(container->minimumSize());
}

void TMainFrm::Pnl_GroupClick(QWidget *panel)
{
    Select_Group(panel->property(kTag).toInt());
}

void TMainFrm::Select_Group(int group)
{
    if (F_Group_Num <= 0)
        return;
    for (TGroup_Config &g : g_Group_Config)
        g.Visible = false;
    if (group >= 0) {
        if (group < g_Group_Config.size())
            g_Group_Config[group].Visible = true;
        for (TAxis_Config &axis : g_Axis_Config)
            axis.Axis_Visible = axis.Group_ID == group;
    } else {
        for (TAxis_Config &axis : g_Axis_Config)
            axis.Axis_Visible = false;
    }
    Paint_Group_Panels();
    Build_Axis_Frames();
}

void TMainFrm::Paint_Group_Panels()
{
    for (QWidget *panel : Group_Panels()) {
        const int g = panel->property(kTag).toInt();
        Colour_Group_Panel(panel, g >= 0 && g < g_Group_Config.size() && g_Group_Config.at(g).Visible);
    }
}

bool TMainFrm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && watched->objectName().startsWith(QLatin1String("Pnl_Group"))) {
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
    for (QToolButton *b : {btn_Open, btn_Save, btn_AutoRun, btn_AutoPause, btn_AutoStop, btn_AutoHalt})
        SetToolButtonVisible(b, !manual);
    // A program that runs or is paused keeps its controls.
    if (!manual)
        Set_Auto_State(Runner->RunState());
}

void TMainFrm::btn_ManualClick()
{
    if (F_Axis_Num > 0)
        Set_Manual_Mode(true);
    else
        btn_Manual->setChecked(!btn_Auto->isChecked());
}

void TMainFrm::btn_AutoClick()
{
    if (F_Axis_Num > 0)
        Set_Manual_Mode(false);
    else
        btn_Auto->setChecked(!btn_Manual->isChecked());
}

void TMainFrm::btn_HaltAllClick()
{
    KQ_Set_Axis_Halt_All();
}

// ---- automatic mode ----------------------------------------------------------

void TMainFrm::Add_Log(const QString &text)
{
    mmo_Log->appendPlainText(QLatin1Char('[')
                             + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                             + QLatin1Char(']') + text);
}

void TMainFrm::Build_Status()
{
    QStringList captions;
    for (int a = 0; a < F_Axis_Num && a < g_Axis_Config.size(); ++a)
        captions << g_Axis_Config.at(a).Axis_Caption;
    AutoPage->Build_Status(captions);
}

void TMainFrm::Set_Auto_State(int state)
{
    if (state < 0 || state > 2)
        return;
    btn_Open->setEnabled(state == 0);
    btn_Save->setEnabled(state == 0);
    AutoPage->SetEditEnabled(state == 0);
    btn_AutoRun->setEnabled(state != 1);
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
    AutoPage->Save_Program();
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

void TMainFrm::tmr_AutoStatusTimer()
{
    if (F_Axis_Num < 1)
        return;
    // One repaint per refresh, however many rows change.
    AutoPage->grid_Status->setUpdatesEnabled(false);
    Refresh_Status(*AutoPage->mem_Status, F_Axis_Num);
    AutoPage->grid_Status->setUpdatesEnabled(true);
}
