#pragma once
// The connection to a board: opening the chosen link, asking for a board and
// reading what the board says about itself.  The window's "连接设备" and the
// command-line runner both connect through here.
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

// The three links of the port dialog.
enum class TLink_Kind { UART, USB, Net };

struct TLink_Choice
{
    TLink_Kind Kind = TLink_Kind::USB;
    QString PortName;                 // UART: the port's name, empty when none is chosen
    std::array<uint8_t, 4> Octets{};  // Net: first octet of the dotted form first
    uint16_t Port = 8080;             // Net
};

// Closes the serial, USB and network links; closing a closed link is harmless.
void Close_All_Links();

// Opens the chosen link and returns the library's result.
int32_t Open_Link(const TLink_Choice &link);

// Why no board was found, from the results of opening the link and of
// KQ_Check: "串口被占用" when another program holds the serial line,
// "设备忙，已有其他程序连接" when the served board serves another client
// (status 10), else "没有发现设备" (nothing answers).
QString No_Board_Text(int32_t opened, int32_t checked);

// Closes every link, opens the chosen one and asks for a board.  When none
// answers, `noBoard` tells the operator why (No_Board_Text), then every
// link is closed again and the result is false.
bool Connect_Board(const TLink_Choice &link, const std::function<void(const QString &)> &noBoard);

// The link as the status bar names it: "USB", "网络 127.0.0.1:8080" or
// "串口 ttyUSB0".
QString Link_Name(const TLink_Choice &link);

// Reads the product identifier, serial number and version; each keeps its
// previous value when its call fails.
void Read_Board_Identity(QString &productId, QString &serial, QString &version);

// The board's counts of encoder channels and motor axes, each 0 when the
// board lacks that resource.  `hasAxes` tells whether it has the axis
// resource at all (a board may have it and report 0 axes).
struct TBoard_Resources
{
    int32_t Encoders = 0;
    int32_t Axes = 0;
    bool HasAxes = false;
};
TBoard_Resources Read_Board_Resources();

// What a connected board says about itself, in the order of the connection:
// the identity (each field kept when its call fails), then the resources.
// Returns the product line, "Model=…/SN=…/Ver=…" and "/Motor=N" when the
// board has axes.
QString Read_Board(QString &productId, QString &serial, QString &version, TBoard_Resources &resources);
