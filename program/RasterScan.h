#pragma once
// The row-and-column (serpentine) raster scan over two axes: the program
// rows that home both axes, move to the start, visit every point with a
// dwell and finish as the completion option asks.
#include "AutoCode.h"

#include <vector>

struct TScanSettings
{
    QString XAxis, YAxis;  // axis captions
    int32_t XID = 0, YID = 1;
    int32_t XCount = 10, YCount = 10;  // points per line, number of lines
    int32_t Delay = 1000;              // dwell after each move, ms
    double XStart = 10, YStart = 10;   // first point
    double XLen = 10, YLen = 10;       // spacing of points and of lines
    int OnStop = 0;                    // completion option, index below
    bool MoveRel = false;              // relative moves instead of absolute
    bool StartZero = false;            // the start point becomes the origin
};

// Completion options, in the order of the dialog's list.
enum ScanOnStop { OnStopNone = 0, OnStopHome = 1, OnStopReverse = 2, OnStopPauseReverse = 3 };

// How many rows GenerateRaster gives, computed without generating them.
qint64 RasterRowCount(const TScanSettings &s);

// The rows in program order, with the forced values of added steps applied.
std::vector<TAutoCode> GenerateRaster(const TScanSettings &s);
