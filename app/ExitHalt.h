#pragma once
// The halt of an end of the process that does not pass through closing the
// window (the display server gone, an error nothing caught): every axis of
// a board that is connected now is halted.  "Connected now" starts when a
// board answered a connection and ends with the next attempt or when the
// library is shut down, after which nothing calls it any more.
void Board_Connected();
void Board_Disconnected();
bool Is_Board_Connected();

// Halts every axis (KQ_Set_Axis_Halt_All) when a board is connected now;
// nothing otherwise.
void Halt_If_Still_Connected();
