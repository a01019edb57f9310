#pragma once
// What a program does with the axes of the present configuration.
#include "AutoCode.h"

#include <QStringList>
#include <utility>
#include <vector>

// The rows that name an axis by another caption than `captions` (entry i
// = axis i) gives it now, as the operator is warned: "方案中的轴名称与当前
// 配置不一致：" and each difference once.  Empty when there is none.  Rows
// on no axis or on an axis the configuration does not have are not
// compared.
QString Caption_Mismatch_Warning(const std::vector<TAutoCode> &rows, const QStringList &captions);

// The two axes (below `axisCount`) with the most moves (homing, relative
// moves with their repetitions, absolute moves), the one with more first
// (the fast axis of a raster goes across); on a tie the lower number
// first, and axes without a move fill up from axis 0.  -1 for an axis
// that is not there.
std::pair<int, int> Most_Moved_Axes(const std::vector<TAutoCode> &rows, int axisCount);
