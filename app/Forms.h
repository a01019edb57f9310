#pragma once
// The windows of the program: created once at start, alive for the whole run.
class TMainFrm;
class TBoardPortFrm;
class TRunAllFrm;
class TXYFrm;

extern TMainFrm *MainFrm;
extern TBoardPortFrm *BoardPortFrm;
extern TRunAllFrm *RunAllFrm;
extern TXYFrm *XYFrm;

// Creates the main window and the dialogs, in this order.
void Create_Forms();
// Destroys them all (end of the program, and between tests).
void Destroy_Forms();
