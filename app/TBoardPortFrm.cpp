#include "TBoardPortFrm.h"

#include "common/ui/Dialogs.h"
#include "common/Guard.h"
#include "common/NumberText.h"
#include "common/ui/Widgets.h"
#include "config/ConfigLocation.h"
#include "config/IniFile.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSerialPortInfo>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace {
const QString kItemIndexKey = QStringLiteral("cbb_Port.ItemIndex");
const QString kAddressKey = QStringLiteral("IP_Address.Text");
const QString kPortKey = QStringLiteral("edt_Port.Value");
// The link last chosen, by its button's name without "rb_": UART, USB, Net.
const QString kLinkKey = QStringLiteral("Link");
}

TBoardPortFrm::TBoardPortFrm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("BoardPortFrm"));
    setWindowTitle(QStringLiteral("通讯口选择"));

    rb_UART = new QRadioButton(QStringLiteral("UART"), this);
    rb_UART->setObjectName(QStringLiteral("rb_UART"));
    rb_UART->setChecked(true);
    cbb_Port = new QComboBox(this);
    cbb_Port->setObjectName(QStringLiteral("cbb_Port"));
    rb_USB = new QRadioButton(QStringLiteral("USB HID"), this);
    rb_USB->setObjectName(QStringLiteral("rb_USB"));
    rb_Net = new QRadioButton(QStringLiteral("网络/WIFI"), this);
    rb_Net->setObjectName(QStringLiteral("rb_Net"));
    auto *links = new QButtonGroup(this);
    links->addButton(rb_UART);
    links->addButton(rb_USB);
    links->addButton(rb_Net);

    IP_Address = new QLineEdit(DefaultAddress(), this);
    IP_Address->setObjectName(QStringLiteral("IP_Address"));
    const QString octet = QStringLiteral("(25[0-5]|2[0-4]\\d|1\\d\\d|[1-9]?\\d)");
    IP_Address->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^%1(\\.%1){3}$").arg(octet)), IP_Address));

    // The entry takes any five-digit number; the range is checked when the
    // entry is left, so that an operator sees why a value is refused.
    edt_Port = new QSpinBox(this);
    edt_Port->setObjectName(QStringLiteral("edt_Port"));
    edt_Port->setRange(0, 99999);
    edt_Port->setValue(8080);
    edt_Port->installEventFilter(this);

    btn_OK = new QPushButton(QStringLiteral("确定"), this);
    btn_OK->setObjectName(QStringLiteral("btn_OK"));
    btn_OK->setDefault(true);
    btn_No = new QPushButton(QStringLiteral("取消"), this);
    btn_No->setObjectName(QStringLiteral("btn_No"));
    connect(btn_OK, &QPushButton::clicked, this, [this] { Guard([this] { btn_OKClick(); }); });
    connect(btn_No, &QPushButton::clicked, this, &QDialog::reject);

    FillPortList();
    BuildLayout();
    FormCreate();
}

QString TBoardPortFrm::DefaultAddress()
{
    // Factory address of the board's network module.
    return QStringLiteral("192.168.0.178");
}

void TBoardPortFrm::BuildLayout()
{
    auto *grid = new QGridLayout;
    grid->addWidget(rb_UART, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("串口:"), this), 0, 1);
    grid->addWidget(cbb_Port, 0, 2);
    grid->addWidget(rb_USB, 1, 0);
    grid->addWidget(rb_Net, 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("IP:"), this), 2, 1);
    grid->addWidget(IP_Address, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("端口:"), this), 3, 1);
    grid->addWidget(edt_Port, 3, 2);
    grid->setColumnStretch(2, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btn_OK);
    buttons->addWidget(btn_No);

    auto *top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addSpacing(8);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);
}

void TBoardPortFrm::FillPortList()
{
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names << info.portName();
    std::sort(names.begin(), names.end()); // as text: COM10 before COM2
    cbb_Port->addItems(names);
}

QString TBoardPortFrm::Section()
{
    return QStringLiteral("BoardPortFrm_Properties");
}

void TBoardPortFrm::FormCreate()
{
    const TIniFile ini(PortChoicesFileName());
    const int index = ini.ReadInteger(Section(), kItemIndexKey, cbb_Port->currentIndex());
    cbb_Port->setCurrentIndex(index >= 0 && index < cbb_Port->count() ? index : -1);
    IP_Address->setText(NormalisedAddress(ini.ReadString(Section(), kAddressKey, IP_Address->text())));
    const double port = ini.ReadFloat(Section(), kPortKey, edt_Port->value());
    if (port >= edt_Port->minimum() && port <= edt_Port->maximum())
        edt_Port->setValue(static_cast<int>(port));
    const QString link = ini.ReadString(Section(), kLinkKey, QString());
    for (QRadioButton *button : {rb_UART, rb_USB, rb_Net})
        if (button->objectName().mid(3).compare(link, Qt::CaseInsensitive) == 0)
            button->setChecked(true);
}

void TBoardPortFrm::FormClose()
{
    TIniFile ini(PortChoicesFileName());
    ini.Batch([&] {
        ini.WriteInteger(Section(), kItemIndexKey, cbb_Port->currentIndex());
        ini.WriteString(Section(), kAddressKey, AddressText());
        ini.WriteFloat(Section(), kPortKey, edt_Port->value());
        ini.WriteString(Section(), kLinkKey, Checked_Link_Button()->objectName().mid(3));
    });
}

QRadioButton *TBoardPortFrm::Checked_Link_Button() const
{
    for (QRadioButton *button : {rb_USB, rb_Net})
        if (button->isChecked())
            return button;
    return rb_UART;
}

void TBoardPortFrm::done(int result)
{
    // The choices are kept however the dialog closes, a port number out of
    // its range too (only cancelling leaves with one, and nothing is said;
    // the next start does not take it); a failed write is reported and the
    // dialog still closes.
    m_closing = true;
    Guard([this] { FormClose(); });
    QDialog::done(result);
    m_closing = false;
}

TLink_Choice TBoardPortFrm::Choice() const
{
    TLink_Choice link;
    link.Kind = rb_USB->isChecked() ? TLink_Kind::USB : rb_Net->isChecked() ? TLink_Kind::Net : TLink_Kind::UART;
    link.PortName = PortName();
    link.Octets = Octets();
    link.Port = static_cast<uint16_t>(PortNumber());
    return link;
}

QString TBoardPortFrm::PortName() const
{
    return cbb_Port->currentIndex() >= 0 ? cbb_Port->currentText() : QString();
}

std::array<uint8_t, 4> TBoardPortFrm::Octets() const
{
    return ParseOctets(IP_Address->text());
}

std::array<uint8_t, 4> TBoardPortFrm::ParseOctets(const QString &address)
{
    std::array<uint8_t, 4> octets{0, 0, 0, 0};
    const QStringList parts = address.split(QLatin1Char('.'));
    for (int i = 0; i < 4 && i < parts.size(); ++i) {
        int32_t value = 0;
        if (TryStrToInt(parts.at(i), value) && value >= 0 && value <= 255)
            octets[i] = static_cast<uint8_t>(value);
    }
    return octets;
}

QString TBoardPortFrm::AddressText() const
{
    return NormalisedAddress(IP_Address->text());
}

QString TBoardPortFrm::NormalisedAddress(const QString &address)
{
    const auto o = ParseOctets(address);
    return QStringLiteral("%1.%2.%3.%4").arg(o[0]).arg(o[1]).arg(o[2]).arg(o[3]);
}

int TBoardPortFrm::PortNumber() const
{
    return edt_Port->value();
}

bool TBoardPortFrm::PortValueValid() const
{
    return edt_Port->value() >= PortMin && edt_Port->value() <= PortMax;
}

void TBoardPortFrm::CheckPortValue()
{
    if (PortValueValid())
        return;
    throw Exception(QStringLiteral("Value must be between %1 and %2")
                        .arg(FloatToStr(PortMin), FloatToStr(PortMax)));
}

// Shows why the port number is refused and puts the operator back into
// the entry; the error box's own focus change must not report it again.
void TBoardPortFrm::RefusePortValue()
{
    m_checkingPort = true;
    const bool valid = Guard([this] { CheckPortValue(); });
    m_checkingPort = false;
    if (!valid) {
        edt_Port->setFocus();
        edt_Port->selectAll();
    }
}

void TBoardPortFrm::btn_OKClick()
{
    // Enter in the entry reaches here without leaving it.
    if (!PortValueValid()) {
        RefusePortValue();
        return;
    }
    accept();
}

// Leaving the entry checks it, except towards the two buttons, which
// decide themselves ("确定" refuses with the message, "取消" says nothing),
// and while closing.
bool TBoardPortFrm::LeavingChecksPort() const
{
    const QWidget *next = QApplication::focusWidget();
    return isVisible() && !m_checkingPort && !m_closing && next != btn_OK && next != btn_No;
}

void TBoardPortFrm::showEvent(QShowEvent *event)
{
    Centre_On_Desktop(this);
    QDialog::showEvent(event);
}

bool TBoardPortFrm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edt_Port && event->type() == QEvent::FocusOut && LeavingChecksPort())
        RefusePortValue();
    return QDialog::eventFilter(watched, event);
}
