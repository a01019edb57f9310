#include "Forms.h"

#include "TBoardPortFrm.h"
#include "TMainFrm.h"
#include "TRunAllFrm.h"
#include "config/ui/TConfigFrm.h"
#include "config/ui/TGroupFrm.h"
#include "program/ui/TAutoPage.h"
#include "program/ui/TXYFrm.h"

TMainFrm *MainFrm = nullptr;
TBoardPortFrm *BoardPortFrm = nullptr;
TConfigFrm *ConfigFrm = nullptr;
TRunAllFrm *RunAllFrm = nullptr;
TGroupFrm *GroupFrm = nullptr;
TXYFrm *XYFrm = nullptr;

void Create_Forms()
{
    MainFrm = new TMainFrm;
    BoardPortFrm = new TBoardPortFrm(MainFrm);
    ConfigFrm = new TConfigFrm(MainFrm);
    RunAllFrm = new TRunAllFrm(MainFrm);
    GroupFrm = new TGroupFrm(MainFrm);
    ConfigFrm->Set_Group_Form(GroupFrm);
    XYFrm = new TXYFrm(MainFrm);
    MainFrm->AutoPage->XYFrm = XYFrm;
}

void Destroy_Forms()
{
    delete MainFrm; // owns the dialogs
    MainFrm = nullptr;
    BoardPortFrm = nullptr;
    ConfigFrm = nullptr;
    RunAllFrm = nullptr;
    GroupFrm = nullptr;
    XYFrm = nullptr;
}
