#include "Forms.h"

#include "TBoardPortFrm.h"
#include "TMainFrm.h"
#include "TRunAllFrm.h"
#include "config/TConfigFrm.h"
#include "config/TGroupFrm.h"

TMainFrm *MainFrm = nullptr;
TBoardPortFrm *BoardPortFrm = nullptr;
TConfigFrm *ConfigFrm = nullptr;
TRunAllFrm *RunAllFrm = nullptr;
TGroupFrm *GroupFrm = nullptr;

void Create_Forms()
{
    MainFrm = new TMainFrm;
    BoardPortFrm = new TBoardPortFrm(MainFrm);
    ConfigFrm = new TConfigFrm(MainFrm);
    RunAllFrm = new TRunAllFrm(MainFrm);
    GroupFrm = new TGroupFrm(MainFrm);
    ConfigFrm->Set_Group_Form(GroupFrm);
    // The raster dialog follows here.
}

void Destroy_Forms()
{
    delete MainFrm; // owns the dialogs
    MainFrm = nullptr;
    BoardPortFrm = nullptr;
    ConfigFrm = nullptr;
    RunAllFrm = nullptr;
    GroupFrm = nullptr;
}
