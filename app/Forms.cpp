#include "Forms.h"

#include "TBoardPortFrm.h"
#include "TMainFrm.h"
#include "TRunAllFrm.h"
#include "program/TAutoPage.h"
#include "program/TXYFrm.h"

TMainFrm *MainFrm = nullptr;
TBoardPortFrm *BoardPortFrm = nullptr;
TRunAllFrm *RunAllFrm = nullptr;
TXYFrm *XYFrm = nullptr;

void Create_Forms()
{
    MainFrm = new TMainFrm;
    BoardPortFrm = new TBoardPortFrm(MainFrm);
    // The parameter dialog comes here, before the run-all dialog.
    RunAllFrm = new TRunAllFrm(MainFrm);
    // The group dialog comes here, before the raster dialog.
    XYFrm = new TXYFrm(MainFrm);
    MainFrm->AutoPage->XYFrm = XYFrm;
}

void Destroy_Forms()
{
    delete MainFrm; // owns the dialogs
    MainFrm = nullptr;
    BoardPortFrm = nullptr;
    RunAllFrm = nullptr;
    XYFrm = nullptr;
}
