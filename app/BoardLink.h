#pragma once
// Opening the link chosen in the port dialog and reading what the board
// says about itself.
#include <QString>
#include <cstdint>

class TBoardPortFrm;

// Closes the serial, USB and network links; closing a closed link is harmless.
void Close_All_Links();

// Opens the link chosen in the port dialog, without examining the result.
void Open_Chosen_Link(const TBoardPortFrm &port);

// The link chosen in the port dialog as the status bar names it: "USB",
// "网络 127.0.0.1:8080" or "串口 /dev/ttyUSB0".
QString Link_Name(const TBoardPortFrm &port);

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
