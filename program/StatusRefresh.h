#pragma once
// The status refresh of the automatic page: every axis's software position
// read from the board and shown in mm or degrees.
#include <vector>

class TStatusModel;

// Reads axes 0 .. axisCount-1 into their rows; a failed read keeps the row's
// value, and an axis without steps per unit is shown as having no position.
// The table's followers hear of the refresh at its end.
void Refresh_Status(TStatusModel &status, int axisCount);

// Each axis's position on the board in steps, axes 0 .. axisCount-1; an
// axis whose position cannot be read counts as 0.
std::vector<double> Board_Steps(int axisCount);
