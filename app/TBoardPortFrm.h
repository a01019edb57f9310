#pragma once
// "通讯口选择": which link the connection opens.  Lives for the whole run;
// its last choices are kept in the configuration file.
#include "controller/BoardLink.h"

#include <QDialog>
#include <array>
#include <cstdint>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

class TBoardPortFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TBoardPortFrm(QWidget *parent = nullptr);

    QRadioButton *rb_UART;
    QComboBox *cbb_Port;
    QRadioButton *rb_USB;
    QRadioButton *rb_Net;
    QLineEdit *IP_Address;
    QSpinBox *edt_Port;
    QPushButton *btn_OK;
    QPushButton *btn_No;

    // The link to open, as chosen now.
    TLink_Choice Choice() const;
    // The chosen port's name, empty when no entry is chosen.
    QString PortName() const;
    // The four octets of IP_Address, first octet of the dotted form first;
    // missing or empty octets count as 0.
    std::array<uint8_t, 4> Octets() const;
    static std::array<uint8_t, 4> ParseOctets(const QString &address);
    int PortNumber() const;
    // Normalised dotted form of IP_Address.
    QString AddressText() const;
    static QString NormalisedAddress(const QString &address);

    static constexpr int PortMin = 1024;
    static constexpr int PortMax = 65535;
    static QString DefaultAddress();

    void FormCreate();
    void FormClose();
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static QString Section();
    QRadioButton *Checked_Link_Button() const;
    bool PortValueValid() const;
    void CheckPortValue();
    void RefusePortValue();
    bool LeavingChecksPort() const;
    void btn_OKClick();
    void FillPortList();
    void BuildLayout();

    bool m_checkingPort = false;
    bool m_closing = false;
};
