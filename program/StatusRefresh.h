#pragma once
// The status refresh of the automatic page: every axis's software position
// read from the board and shown in mm or degrees.
class TStatusModel;

// Reads axes 0 .. axisCount-1 into their rows; a failed read keeps the row's
// value, and an axis without steps per unit is shown as having no position.
// The table's followers hear of the refresh at its end.
void Refresh_Status(TStatusModel &status, int axisCount);
