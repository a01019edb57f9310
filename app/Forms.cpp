#include "Forms.h"

#include "TBoardPortFrm.h"
#include "TMainFrm.h"
#include "program/TAutoPage.h"
#include "program/TXYFrm.h"

TMainFrm *MainFrm = nullptr;
TBoardPortFrm *BoardPortFrm = nullptr;
TXYFrm *XYFrm = nullptr;

void Create_Forms()
{
    MainFrm = new TMainFrm;
    BoardPortFrm = new TBoardPortFrm(MainFrm);
    // The parameter, run-all and group dialogs come here, before the raster dialog.
    XYFrm = new TXYFrm(MainFrm);
    MainFrm->AutoPage->XYFrm = XYFrm;
}

void Destroy_Forms()
{
    delete MainFrm; // owns the dialogs
    MainFrm = nullptr;
    BoardPortFrm = nullptr;
    XYFrm = nullptr;
}
