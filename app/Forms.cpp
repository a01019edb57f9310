#include "Forms.h"

#include "TBoardPortFrm.h"
#include "TMainFrm.h"
#include "config/TConfigFrm.h"
#include "config/TGroupFrm.h"

TMainFrm *MainFrm = nullptr;
TBoardPortFrm *BoardPortFrm = nullptr;
TConfigFrm *ConfigFrm = nullptr;
TGroupFrm *GroupFrm = nullptr;

void Create_Forms()
{
    MainFrm = new TMainFrm;
    BoardPortFrm = new TBoardPortFrm(MainFrm);
    ConfigFrm = new TConfigFrm(MainFrm);
    // The run-all dialog follows here.
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
    GroupFrm = nullptr;
}
