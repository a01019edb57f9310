#include "Forms.h"

#include "TBoardPortFrm.h"
#include "TMainFrm.h"
#include "TRunAllFrm.h"

TMainFrm *MainFrm = nullptr;
TBoardPortFrm *BoardPortFrm = nullptr;
TRunAllFrm *RunAllFrm = nullptr;

void Create_Forms()
{
    MainFrm = new TMainFrm;
    BoardPortFrm = new TBoardPortFrm(MainFrm);
    // The parameter dialog comes here, before the run-all dialog.
    RunAllFrm = new TRunAllFrm(MainFrm);
    // The group and raster dialogs follow here.
}

void Destroy_Forms()
{
    delete MainFrm; // owns the dialogs
    MainFrm = nullptr;
    BoardPortFrm = nullptr;
    RunAllFrm = nullptr;
}
