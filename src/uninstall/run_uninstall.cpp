#include "uninstall/run_uninstall.h"

#include "base/product.h"
#include "fs/file_services.h"
#include "fs/held_folder.h"
#include "run/globals.h"
#include "run/record.h"
#include "ui/dialog_layer.h"
#include "ui/message.h"
#include "uninstall/handover.h"
#include "uninstall/removal_scope.h"
#include "uninstall/uninstaller_dialog.h"

const char* const kUninstallSuccess = "Uninstallation Successful!";
const char* const kUninstallIncomplete = "Uninstallation incomplete: some files could not be removed.";

static HWND gUninstallingDialog = 0;

HWND UninstallingDialog() { return gUninstallingDialog; }

RemovalScope PlanRemoval(ErrorState& error, DynString& installFolder) {
    Removal removal;
    JudgeRemoval(error, removal, false);
    ReleaseRemoval(removal);
    installFolder = removal.folder;
    return removal.judgement == kWholeFolder       ? RemoveWholeFolder
           : removal.judgement == kProductFilesOnly ? RemoveProductFilesOnly
                                                    : RemoveNothing;
}

void RunUninstall(HWND dialog) {
    // The pump and the message box below dispatch presses of this dialog's buttons and of the
    // welcome dialog's; neither a second removal nor an install may start inside this one.
    if (gUninstallingDialog || ProcedureRunning) return;
    // Out of memory for the tables, nothing is deleted: the dialog stays for another press.
    if (!StringTablesReady()) return;
    gUninstallingDialog = dialog;
    ProcedureRunning = true;

    ErrorState error = {};
    // Judged once: every pass, the sweep, the folder's removal and the hand-over obey it. The
    // record is held from here to the end.
    Removal removal;
    JudgeRemoval(error, removal, true);
    const DynString& folder = removal.folder;
    const FolderJudgement judgement = removal.judgement;
    for (int i = 0; i < kProductFileCount; ++i) FileNames[i] = kProductFileNames[i];

    // A pass per product file, then one for every other plain file of the folder.
    for (int pass = 0; pass <= kProductFileCount; ++pass) {
        DynString status = DynString("del ") + FileNames[pass];
        DynString target = folder + "\\" + FileNames[pass];
        if (pass == kProductFileCount) status = kDefaultRecordPath;
        SetControlText(dialog, kRemovalStatusBox, status.c_str());
        PumpOneMessage(1000);
        SleepMilliseconds(500);
        FilePaths[pass] = target;
        if (judgement < kProductFilesOnly || !removal.held.exists) continue;
        if (pass < kProductFileCount)
            DeleteInHeldFolder(error, removal.held, FileNames[pass].c_str(), true);
        else if (judgement == kWholeFolder)
            // The product's files had their passes; one that stayed (the running program) does
            // not end this one.
            DeleteEveryPlainFile(error, removal.held, kProductFileNames, kProductFileCount);
    }

    // A product file still there, or a record or folder that could not be judged, means the
    // removal is not done: the record stays so that a later run can finish it, and the user
    // is told.
    bool complete = judgement == kNoUsableFolder || (judgement != kCannotJudge && !ProductFileLeft(removal, -1));
    // Run from the installed copy, the program's own file is what is left: a copy of the
    // program deletes it, and the record after it, once this process has ended.
    bool handedOver = !complete && judgement != kCannotJudge && StartHandOver(removal);
    // Handed over, the folder is the copy's, which holds it by now: the removal lets go of it
    // without opening it again.
    if (judgement == kWholeFolder && !handedOver) RemoveHeldFolder(error, removal.held);
    // The record goes last: a run cut short before it leaves the record, and the next removal
    // finishes the job.
    if (complete) DeleteRecordIfUnchanged(error, DynString(kDefaultRecordPath), removal.record);
    ReleaseRemoval(removal);
    ShowMessage(complete || handedOver ? kUninstallSuccess : kUninstallIncomplete, 0, "");
    CloseDialog(dialog, 0);
    ProcedureRunning = false;
    gUninstallingDialog = 0;
}
