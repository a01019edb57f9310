#pragma once
// The windows of the program: created once at start, alive for the whole run.
class TMainFrm;
class TBoardPortFrm;
class TConfigFrm;
class TRunAllFrm;
class TGroupFrm;
class TXYFrm;

extern TMainFrm *MainFrm;
extern TBoardPortFrm *BoardPortFrm;
extern TConfigFrm *ConfigFrm;
extern TRunAllFrm *RunAllFrm;
extern TGroupFrm *GroupFrm;
extern TXYFrm *XYFrm;

// Creates the main window and the dialogs, in this order.
void Create_Forms();
// Destroys them all (end of the program, and between tests).
void Destroy_Forms();
