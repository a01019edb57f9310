#include "TAxisFrm.h"

#include "AxisDeviation.h"
#include "common/Guard.h"
#include "common/NumberText.h"
#include "common/ui/Widgets.h"
#include "config/AxisConfig.h"
#include "controller/AxisCommands.h"
#include "controller/Conversion.h"
#include "kq_api.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

constexpr int kPanelWidth = 330;
constexpr int kPollIntervalMs = 500;
constexpr int kLoopIntervalMs = 1000;
const char *const kTag = "Tag";

struct AxisStatus
{
    uint8_t running = 0, s2 = 0, negLimit = 0, posLimit = 0, home = 0, s6 = 0;
};

bool Read_Axis_Status(uint16_t axis, AxisStatus &status)
{
    return KQ_Get_Axis_Status(axis, &status.running, &status.s2, &status.negLimit, &status.posLimit,
                              &status.home, &status.s6) == 0;
}

// A readout looks like one: grey, no text cursor, not in the tab order.
void Make_Readout(QLineEdit *edit)
{
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setCursor(Qt::ArrowCursor);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
}

} // namespace

TAxisFrm::TAxisFrm(QWidget *parent)
    : QFrame(parent)
{
    Create_Controls();
    Build_Layout();
    Connect_Handlers();
    tmr_Axis->start();
}

TAxisFrm::~TAxisFrm()
{
    // The children outlive this part of the destruction; keep their events
    // away from a half-destroyed panel.
    btn_Neg->removeEventFilter(this);
    btn_Pos->removeEventFilter(this);
    End_Jog_If_Active();
}

int TAxisFrm::Axis() const
{
    return grp_Ch->property(kTag).toInt();
}

int TAxisFrm::LoopState() const
{
    return tmr_Loop->property(kTag).toInt();
}

// ---- construction ---------------------------------------------------------

void TAxisFrm::Create_Controls()
{
    grp_Ch = Named<QGroupBox>("grp_Ch");
    grp_Ch->setProperty(kTag, 0);

    grp_Mode = Named<QGroupBox>("grp_Mode", QStringLiteral("工作模式"));
    rb_Open = Named<QRadioButton>("rb_Open", QStringLiteral("开环"));
    rb_Close = Named<QRadioButton>("rb_Close", QStringLiteral("闭环"));
    rb_Loop = Named<QRadioButton>("rb_Loop", QStringLiteral("定速往返"));
    rb_Open->setChecked(true);

    grp_Status = Named<QGroupBox>("grp_Status", QStringLiteral("状态"));
    chk_Run = Named<QCheckBox>("chk_Run", QStringLiteral("运行"));
    chk_Zero = Named<QCheckBox>("chk_Zero", QStringLiteral("0位"));
    chk_Neg = Named<QCheckBox>("chk_Neg", QStringLiteral("负限位"));
    chk_Pos = Named<QCheckBox>("chk_Pos", QStringLiteral("正限位"));
    for (QCheckBox *indicator : {chk_Run, chk_Zero, chk_Neg, chk_Pos})
        indicator->setEnabled(false);
    Label2 = Named<QLabel>("Label2", QStringLiteral("当前位置"));
    edt_Show_Software = Named<QLineEdit>("edt_Show_Software");
    // In closed loop the distance from the last target, "—" otherwise.
    lbl_Deviation = Named<QLabel>("lbl_Deviation", QStringLiteral("偏差"));
    edt_Show_Deviation = Named<QLineEdit>("edt_Show_Deviation", QStringLiteral("—"));
    edt_Show_Deviation->setReadOnly(true);
    lbl_15 = Named<QLabel>("lbl_15", QStringLiteral("当前速度"));
    edt_Show_V = Named<QLineEdit>("edt_Show_V");
    for (QLineEdit *readout : {edt_Show_Software, edt_Show_V})
        Make_Readout(readout);
    lbl_PosUnit = Named<QLabel>("lbl_PosUnit", QStringLiteral("mm"));
    lbl_SpeedUnit = Named<QLabel>("lbl_SpeedUnit", QStringLiteral("mm/s"));
    edt_P_Set = Named<QLineEdit>("edt_P_Set", QStringLiteral("0"));
    btn_Zero = Named<QPushButton>("btn_Zero", QStringLiteral("调整位置"));

    grp_Motion = Named<QGroupBox>("grp_Motion", QStringLiteral("运动(mm/s,mm,°/s,°)"));
    btn_Neg = Named<QPushButton>("btn_Neg", QStringLiteral("←"));
    btn_Pos = Named<QPushButton>("btn_Pos", QStringLiteral("→"));
    edt_Mode_V_Abs = Named<QLineEdit>("edt_Mode_V_Abs", QStringLiteral("1"));
    btn_V_Abs = Named<QPushButton>("btn_V_Abs", QStringLiteral("绝对定速"));
    edt_Mode_V_Rel = Named<QLineEdit>("edt_Mode_V_Rel", QStringLiteral("1"));
    btn_V_Rel = Named<QPushButton>("btn_V_Rel", QStringLiteral("相对定速"));
    edt_Abs = Named<QLineEdit>("edt_Abs", QStringLiteral("1"));
    btn_Pos_Abs = Named<QPushButton>("btn_Pos_Abs", QStringLiteral("绝对定位"));
    edt_Rel = Named<QLineEdit>("edt_Rel", QStringLiteral("1"));
    btn_Pos_Rel = Named<QPushButton>("btn_Pos_Rel", QStringLiteral("相对定位"));
    edt_Home_V = Named<QLineEdit>("edt_Home_V", QStringLiteral("-1"));
    btn_Home = Named<QPushButton>("btn_Home", QStringLiteral("查找零位"));
    btn_Set_Stop = Named<QPushButton>("btn_Set_Stop", QStringLiteral("停止"));
    btn_Set_Halt = Named<QPushButton>("btn_Set_Halt", QStringLiteral("急停"));

    grp_Fast = Named<QGroupBox>("grp_Fast", QStringLiteral("常用定位"));
    btn_Fast0 = Named<QPushButton>("btn_Fast0");
    btn_Fast1 = Named<QPushButton>("btn_Fast1");
    btn_Fast2 = Named<QPushButton>("btn_Fast2");
    btn_Fast3 = Named<QPushButton>("btn_Fast3");

    tmr_Axis = Named<QTimer>("tmr_Axis", this);
    tmr_Axis->setInterval(kPollIntervalMs);
    tmr_Loop = Named<QTimer>("tmr_Loop", this);
    tmr_Loop->setInterval(kLoopIntervalMs);
    tmr_Loop->setProperty(kTag, 0);
}

void TAxisFrm::Build_Layout()
{
    auto *modeLayout = new QHBoxLayout(grp_Mode);
    modeLayout->addWidget(rb_Open);
    modeLayout->addWidget(rb_Close);
    modeLayout->addWidget(rb_Loop);

    auto *statusLayout = new QGridLayout(grp_Status);
    statusLayout->addWidget(chk_Run, 0, 0);
    statusLayout->addWidget(chk_Zero, 0, 1);
    statusLayout->addWidget(chk_Neg, 1, 0);
    statusLayout->addWidget(chk_Pos, 1, 1);
    statusLayout->addWidget(Label2, 2, 0);
    statusLayout->addWidget(edt_Show_Software, 2, 1);
    statusLayout->addWidget(lbl_PosUnit, 2, 2);
    statusLayout->addWidget(lbl_Deviation, 3, 0);
    statusLayout->addWidget(edt_Show_Deviation, 3, 1);
    statusLayout->addWidget(lbl_15, 4, 0);
    statusLayout->addWidget(edt_Show_V, 4, 1);
    statusLayout->addWidget(lbl_SpeedUnit, 4, 2);
    statusLayout->addWidget(edt_P_Set, 5, 0);
    statusLayout->addWidget(btn_Zero, 5, 1);

    auto *motionLayout = new QGridLayout(grp_Motion);
    const std::pair<QLineEdit *, QPushButton *> entryRows[] = {
        {edt_Mode_V_Abs, btn_V_Abs}, {edt_Mode_V_Rel, btn_V_Rel}, {edt_Abs, btn_Pos_Abs},
        {edt_Rel, btn_Pos_Rel},      {edt_Home_V, btn_Home}};
    motionLayout->addWidget(btn_Neg, 0, 0);
    motionLayout->addWidget(btn_Pos, 0, 1);
    int row = 1;
    for (const auto &[entry, button] : entryRows) {
        motionLayout->addWidget(entry, row, 0);
        motionLayout->addWidget(button, row, 1);
        ++row;
    }
    motionLayout->addWidget(btn_Set_Stop, row, 0);
    motionLayout->addWidget(btn_Set_Halt, row, 1);

    auto *fastLayout = new QGridLayout(grp_Fast);
    fastLayout->addWidget(btn_Fast0, 0, 0);
    fastLayout->addWidget(btn_Fast1, 0, 1);
    fastLayout->addWidget(btn_Fast2, 1, 0);
    fastLayout->addWidget(btn_Fast3, 1, 1);

    for (QGridLayout *grid : {statusLayout, motionLayout, fastLayout}) {
        grid->setColumnStretch(0, 1);
        grid->setColumnStretch(1, 1);
    }

    auto *channelLayout = new QVBoxLayout(grp_Ch);
    channelLayout->addWidget(grp_Mode);
    channelLayout->addWidget(grp_Status);
    channelLayout->addWidget(grp_Motion);
    channelLayout->addWidget(grp_Fast);
    channelLayout->addStretch(1);

    auto *frameLayout = new QVBoxLayout(this);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    frameLayout->addWidget(grp_Ch);

    // Panels stand side by side in a scrolling row; a larger font may ask
    // for more than the usual width.
    setFixedWidth(std::max(kPanelWidth, minimumSizeHint().width()));
}

void TAxisFrm::Connect_Click(QAbstractButton *button, void (TAxisFrm::*handler)())
{
    connect(button, &QAbstractButton::clicked, this, [this, handler] { Guard([&] { (this->*handler)(); }); });
}

void TAxisFrm::Connect_Handlers()
{
    // A click on the mode already selected changes nothing: only the button
    // that becomes checked applies the mode.
    for (QRadioButton *mode : {rb_Open, rb_Close, rb_Loop})
        connect(mode, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                Guard([this] { rb_OpenClick(); });
        });
    Connect_Click(btn_Pos_Abs, &TAxisFrm::btn_Pos_AbsClick);
    Connect_Click(btn_Pos_Rel, &TAxisFrm::btn_Pos_RelClick);
    Connect_Click(btn_Fast0, &TAxisFrm::btn_Fast0Click);
    Connect_Click(btn_Fast1, &TAxisFrm::btn_Fast1Click);
    Connect_Click(btn_Fast2, &TAxisFrm::btn_Fast2Click);
    Connect_Click(btn_Fast3, &TAxisFrm::btn_Fast3Click);
    Connect_Click(btn_V_Abs, &TAxisFrm::btn_V_AbsClick);
    Connect_Click(btn_V_Rel, &TAxisFrm::btn_V_RelClick);
    Connect_Click(btn_Home, &TAxisFrm::btn_HomeClick);
    Connect_Click(btn_Zero, &TAxisFrm::btn_ZeroClick);
    Connect_Click(btn_Set_Stop, &TAxisFrm::btn_Set_StopClick);
    Connect_Click(btn_Set_Halt, &TAxisFrm::btn_Set_HaltClick);

    connect(tmr_Axis, &QTimer::timeout, this, [this] { Guard([this] { tmr_AxisTimer(); }); });
    connect(tmr_Loop, &QTimer::timeout, this, [this] { Guard([this] { tmr_LoopTimer(); }); });

    // The jog follows the mouse alone: no click handler, so keys do nothing.
    btn_Neg->installEventFilter(this);
    btn_Pos->installEventFilter(this);

    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state != Qt::ApplicationActive)
                Guard([this] { End_Jog_If_Active(); });
        });
    }
}

// ---- events ---------------------------------------------------------------

bool TAxisFrm::eventFilter(QObject *watched, QEvent *event)
{
    if (Jog_Window_Lost(watched, event))
        Guard([this] { End_Jog_If_Active(); });
    if (watched != btn_Neg && watched != btn_Pos)
        return QFrame::eventFilter(watched, event);

    const bool negative = watched == btn_Neg;
    const bool enabled = static_cast<QWidget *>(watched)->isEnabled();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: // the second press of a double click
        // A disabled button still shows its mouse events to filters.
        if (enabled)
            Guard([&] { negative ? btn_NegMouseDown() : btn_PosMouseDown(); });
        break;
    case QEvent::MouseButtonRelease:
        if (enabled)
            Guard([&] { negative ? btn_NegMouseUp() : btn_PosMouseUp(); });
        break;
    case QEvent::EnabledChange:
    case QEvent::Hide: // also when the panel or a window around it hides
        // The release will not reach a button that is disabled or hidden.
        if (!enabled || event->type() == QEvent::Hide)
            Guard([this] { End_Jog_If_Active(); });
        break;
    default:
        break;
    }
    return false;
}

// ---- axis and units -------------------------------------------------------

bool TAxisFrm::Has_Config() const
{
    const int axis = Axis();
    return axis >= 0 && axis < g_Axis_Config.size();
}

const TAxis_Config &TAxisFrm::Config() const
{
    return g_Axis_Config.at(Axis());
}

uint16_t TAxisFrm::Axis_No() const
{
    return static_cast<uint16_t>(Axis());
}

bool TAxisFrm::Is_Open_Loop() const
{
    return rb_Open->isChecked();
}

// ---- quick positions ------------------------------------------------------

void TAxisFrm::Load_Param()
{
    if (!Has_Config())
        return;
    const TAxis_Config &c = Config();
    btn_Fast0->setText(FloatToStr(c.Fast0));
    btn_Fast1->setText(FloatToStr(c.Fast1));
    btn_Fast2->setText(FloatToStr(c.Fast2));
    btn_Fast3->setText(FloatToStr(c.Fast3));
    lbl_PosUnit->setText(Position_Unit(c));
    lbl_SpeedUnit->setText(Speed_Unit(c));
}

void TAxisFrm::Fast_Click(const QPushButton *button)
{
    if (!Has_Config())
        return;
    Move_Abs(StrToFloat(button->text()));
}

void TAxisFrm::btn_Fast0Click() { Fast_Click(btn_Fast0); }
void TAxisFrm::btn_Fast1Click() { Fast_Click(btn_Fast1); }
void TAxisFrm::btn_Fast2Click() { Fast_Click(btn_Fast2); }
void TAxisFrm::btn_Fast3Click() { Fast_Click(btn_Fast3); }

// ---- work mode ------------------------------------------------------------

void TAxisFrm::rb_OpenClick()
{
    Set_Mode();
}

void TAxisFrm::Set_Mode()
{
    const bool closed = rb_Close->isChecked();
    if (closed && Has_Config())
        m_deviationDecimals = Deviation_Decimals(Axis());
    // The line is always there, so that no button moves with the mode;
    // outside closed loop it shows that there is no deviation to show.
    edt_Show_Deviation->setText(QStringLiteral("—"));
    if (rb_Loop->isChecked()) {
        Set_Loop_State(0);
        Set_Motion_Buttons_Enabled(false);
        tmr_Loop->start();
    } else {
        tmr_Loop->stop();
        Set_Motion_Buttons_Enabled(true);
    }
}

void TAxisFrm::Set_Motion_Buttons_Enabled(bool enabled)
{
    for (QPushButton *button : {btn_Pos_Abs, btn_Pos_Rel, btn_V_Abs, btn_V_Rel, btn_Home, btn_Neg, btn_Pos,
                                btn_Fast0, btn_Fast1, btn_Fast2, btn_Fast3})
        button->setEnabled(enabled);
}

// Applies "开环" once, whether or not it was selected already.
void TAxisFrm::Select_Open_Loop()
{
    {
        const QSignalBlocker quiet(rb_Open);
        rb_Open->setChecked(true);
    }
    Set_Mode();
}

void TAxisFrm::Set_Loop_State(int state)
{
    tmr_Loop->setProperty(kTag, state);
}

void TAxisFrm::Show_Stale(bool stale)
{
    m_stale = stale;
    for (QCheckBox *indicator : {chk_Run, chk_Zero, chk_Neg, chk_Pos})
        if (stale)
            indicator->setChecked(false);
    for (QLineEdit *readout : {edt_Show_Software, edt_Show_V}) {
        readout->setEnabled(!stale);
        readout->setToolTip(stale ? QStringLiteral("设备无响应，读数已过时") : QString());
    }
}

// ---- status poll ----------------------------------------------------------

void TAxisFrm::tmr_AxisTimer()
{
    tmr_Axis->stop();
    End_Jog_Without_Mouse_Button();
    if (Has_Config()) {
        Show_Status();
        Show_Position();
        Show_Speed();
    }
    tmr_Axis->start();
}

void TAxisFrm::Show_Status()
{
    AxisStatus status;
    if (!Read_Axis_Status(Axis_No(), status))
        return;
    chk_Run->setChecked(status.running != 0);
    chk_Neg->setChecked(status.negLimit != 0);
    chk_Pos->setChecked(status.posLimit != 0);
    chk_Zero->setChecked(status.home != 0);
}

// Closed loop reads the sensor; open loop and the back-and-forth run read
// the motor's software position.
void TAxisFrm::Show_Position()
{
    const bool fromSensor = rb_Close->isChecked();
    int32_t raw = 0;
    const int32_t result =
        fromSensor ? KQ_Get_Encoder_Pos(Axis_No(), &raw) : KQ_Get_Axis_Software_P_Now(Axis_No(), &raw);
    if (result != 0)
        return;
    double position = 0;
    if (Config().Axis_Div != 0)
        position = fromSensor ? Sensor_Counts_To_Real(Axis(), raw) : Motor_Steps_To_Real(Axis(), raw);
    if (!std::isfinite(position)) // a ratio without a usable inverse shows nothing new
        return;
    edt_Show_Software->setText(FormatFloat6(position));
    m_shownPosition = position;
    if (fromSensor)
        Show_Deviation(position);
}

void TAxisFrm::Show_Deviation(double sensorPosition)
{
    edt_Show_Deviation->setText(
        Deviation_Text(m_target, sensorPosition, m_deviationDecimals, Config().Axis_Kind == 0));
}

void TAxisFrm::Show_Speed()
{
    int32_t steps = 0;
    if (KQ_Get_Axis_V_Now(Axis_No(), &steps) != 0)
        return;
    const double speed = Motor_Steps_To_Real(Axis(), steps);
    if (!std::isfinite(speed))
        return;
    QString text = FormatFloat6(speed);
    if (speed > 0)
        text += QLatin1Char(' ') + FPosCaption;
    else if (speed < 0)
        text += QLatin1Char(' ') + FNegCaption;
    edt_Show_V->setText(text);
}

// ---- back-and-forth loop --------------------------------------------------

void TAxisFrm::tmr_LoopTimer()
{
    tmr_Loop->stop();
    if (Has_Config())
        Loop_Step();
    tmr_Loop->start();
}

// State 0 starts a run at the entry's velocity; state 1 waits until the
// axis has stopped by itself, then flips the entry's sign for the next run.
void TAxisFrm::Loop_Step()
{
    if (LoopState() == 0) {
        btn_V_AbsClick();
        Set_Loop_State(1);
        return;
    }
    AxisStatus status;
    if (Read_Axis_Status(Axis_No(), status) && status.running == 0) {
        const double velocity = StrToFloat(edt_Mode_V_Abs->text());
        edt_Mode_V_Abs->setText(FloatToStr(-velocity));
        Set_Loop_State(0);
    }
}

// ---- positioning ----------------------------------------------------------

bool TAxisFrm::Sent(const AxisCommands::TResult &result)
{
    if (!result.Ok())
        emit Command_Failed(result.Text(Config().Axis_Caption));
    return result.Ok();
}

AxisCommands::TLoop TAxisFrm::Loop() const
{
    return Is_Open_Loop() ? AxisCommands::TLoop::Open : AxisCommands::TLoop::Closed;
}

void TAxisFrm::Position_Move(bool absolute, const std::function<double()> &value)
{
    double sent = 0;
    if (!Sent(AxisCommands::Position_Move(Axis(), Loop(), absolute, [&] { return sent = value(); })))
        return;
    if (absolute) {
        m_target = sent;
        return;
    }
    // From the last target, or from the position last shown.
    const std::optional<double> from = m_target ? m_target : m_shownPosition;
    m_target = from ? std::optional<double>(*from + sent) : std::nullopt;
}

void TAxisFrm::btn_Pos_AbsClick()
{
    if (!Has_Config())
        return;
    Position_Move(true, [this] { return StrToFloat(edt_Abs->text()); });
}

void TAxisFrm::btn_Pos_RelClick()
{
    if (!Has_Config())
        return;
    Position_Move(false, [this] { return StrToFloat(edt_Rel->text()); });
}

void TAxisFrm::Move_Abs(double value)
{
    if (!Has_Config())
        return;
    Position_Move(true, [value] { return value; });
}

// ---- constant velocity and jog --------------------------------------------

// Constant velocity, the jog and the loop: no target any more.
void TAxisFrm::btn_V_AbsClick()
{
    if (!Has_Config())
        return;
    m_target.reset();
    Sent(AxisCommands::Velocity_Move(Axis(), true, [this] { return StrToFloat(edt_Mode_V_Abs->text()); }));
}

void TAxisFrm::btn_V_RelClick()
{
    if (!Has_Config())
        return;
    m_target.reset();
    Sent(AxisCommands::Velocity_Move(Axis(), false, [this] { return StrToFloat(edt_Mode_V_Rel->text()); }));
}

// The jog runs at the speed limit of position moves; the button alone
// gives the direction.
void TAxisFrm::Jog_Start(int direction)
{
    if (!Has_Config())
        return;
    m_target.reset();
    Sent(AxisCommands::Jog(Axis(), direction));
    // Even a jog that failed half-way is ended by the release.
    m_jogActive = true;
    Watch_Jog_Window();
}

void TAxisFrm::Jog_Stop()
{
    Forget_Jog();
    if (Has_Config())
        Sent(AxisCommands::Jog_Stop(Axis()));
}

// A jog whose release will never arrive must not run on.
void TAxisFrm::End_Jog_If_Active()
{
    if (m_jogActive)
        Jog_Stop();
}

void TAxisFrm::Forget_Jog()
{
    m_jogActive = false;
    if (m_jogWindow)
        m_jogWindow->removeEventFilter(this);
    m_jogWindow = nullptr;
}

// While a jog is held, a modal window over the panel's window (an error box
// from another panel's loop, say) or the loss of activation swallows the
// release: watch the window for exactly that time.
void TAxisFrm::Watch_Jog_Window()
{
    m_jogWindow = window();
    m_jogWindow->installEventFilter(this);
}

bool TAxisFrm::Jog_Window_Lost(QObject *watched, const QEvent *event) const
{
    return m_jogActive && watched == m_jogWindow &&
           (event->type() == QEvent::WindowBlocked || event->type() == QEvent::WindowDeactivate);
}

// The poll's backstop for any other way a release can go astray.
void TAxisFrm::End_Jog_Without_Mouse_Button()
{
    if (m_jogActive && QGuiApplication::mouseButtons() == Qt::NoButton)
        Jog_Stop();
}

void TAxisFrm::btn_NegMouseDown() { Jog_Start(-1); }
void TAxisFrm::btn_PosMouseDown() { Jog_Start(+1); }
void TAxisFrm::btn_NegMouseUp() { Jog_Stop(); }
void TAxisFrm::btn_PosMouseUp() { Jog_Stop(); }

// ---- home, coordinate, stop and halt --------------------------------------

void TAxisFrm::btn_HomeClick()
{
    if (!Has_Config())
        return;
    m_target.reset();
    Sent(AxisCommands::Home(Axis(), AxisCommands::Panel_Home_Mode(Loop(), Config().Encoder_Type),
                            [this] { return StrToFloat(edt_Home_V->text()); }));
}

void TAxisFrm::btn_ZeroClick()
{
    if (!Has_Config())
        return;
    const double position = StrToFloat(edt_P_Set->text());
    Sent(AxisCommands::Set_Position(Axis(), Loop(), position));
    m_target.reset(); // the coordinates have changed under it
}

void TAxisFrm::btn_Set_StopClick()
{
    if (!Has_Config())
        return;
    if (rb_Loop->isChecked())
        Select_Open_Loop();
    Sent(AxisCommands::Stop(Axis()));
    Forget_Jog();
}

void TAxisFrm::btn_Set_HaltClick()
{
    if (!Has_Config())
        return;
    Select_Open_Loop();
    Sent(AxisCommands::Halt(Axis()));
    Forget_Jog();
}
