#include "Forms.h"

#include <QFileInfo>

#include "TBoardPortFrm.h"
#include "TMainFrm.h"
#include "TRunAllFrm.h"
#include "TStatusNote.h"
#include "common/FileRead.h"
#include "common/SaveBackup.h"
#include "config/ConfigLocation.h"
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

namespace {

// What the operator learns at start about the files: saves undone, and a
// configuration file that is no file at all.
QString Start_Up_File_Notes(const QString &restored)
{
    QStringList notes;
    if (!restored.isEmpty())
        notes << restored;
    const QFileInfo config(ConfigFileName());
    if (config.exists() && !config.isFile())
        notes << NotRegularFileText(ConfigFileName());
    return notes.join(QStringLiteral("；"));
}

} // namespace

void Create_Forms()
{
    // A save that was killed halfway is undone before anything reads the files.
    const QString restored = Restored_Saves_Text(Restore_Interrupted_Saves());
    MainFrm = new TMainFrm;
    BoardPortFrm = new TBoardPortFrm(MainFrm);
    ConfigFrm = new TConfigFrm(MainFrm);
    RunAllFrm = new TRunAllFrm(MainFrm);
    GroupFrm = new TGroupFrm(MainFrm);
    ConfigFrm->Set_Group_Form(GroupFrm);
    XYFrm = new TXYFrm(MainFrm);
    MainFrm->AutoPage->XYFrm = XYFrm;
    const QString notes = Start_Up_File_Notes(restored);
    if (!notes.isEmpty())
        MainFrm->msg_Note->Show(notes);
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
