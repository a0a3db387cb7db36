#include "install/run_install.h"

#include "base/folder_shape.h"
#include "base/product.h"
#include "fs/code_page.h"
#include "fs/file_services.h"
#include "fs/held_folder.h"
#include "fs/protection.h"
#include "install/install_status_dialog.h"
#include "install/install_tail.h"
#include "run/globals.h"
#include "run/record.h"
#include "ui/dialog_layer.h"
#include "ui/message.h"

double FolderFailureCount = 0;

static const double kFolderFailureLimit = 10;

static const char kFolderTooDeep[] = "Error: Folder Depth Request too Great.  Ending.";

// Step labels: the failure handler knows a failure by the label current when it happened.
enum StepLabel {
    kShowMakingDir = 1000,
    kMakeFolder = 1025,
    kWriteRecord = 1100,
    kCopyFile = 1200,
    kEndDialog = 3000,
};

// Where the run goes after a step: on, or (after a reported failure) return with the
// dialog left to its next message, or end the dialog now.
enum NextStep { kGoOn, kReturn, kEnd };

static void ShowProgress(HWND dialog, const char* text) { SetControlText(dialog, kProgressBox, text); }

// The record file while the run has it open.
struct RecordFile {
    int number;
    bool open;
};

// Closed before any box is shown, so that the user can deal with the file while the box waits.
static void CloseRecord(RecordFile& record) {
    if (!record.open) return;
    ErrorState ignored = {};
    CloseFile(ignored, record.number);
    record.open = false;
}

static NextStep HandleFailure(HWND dialog, ErrorState& error, RecordFile& record) {
    error.pending = false;
    error.inHandler = true;
    int label = error.failedStep;
    NextStep next = kEnd;

    if (label == kWriteRecord) {
        CloseRecord(record);
        char number[8];
        wsprintfA(number, " %d", error.number);
        DynString text = DynString("Error 1000 ") + number + ": please call 80-71ZARVO for tech support";
        ShowMessage(text.c_str(), 0, "");
        FinishFlag = -1;
        next = kReturn;
    } else if (label == kCopyFile && error.number == 76) {
        CloseRecord(record);
        ShowMessage(kFolderTooDeep, 0, "");
        FinishFlag = +1;
        next = kReturn;
    } else {
        bool limitReached = false;
        if (label == kMakeFolder && FolderFailureCount < kFolderFailureLimit) {
            FolderFailureCount += 1;
            limitReached = FolderFailureCount >= kFolderFailureLimit;
            if (!limitReached) {
                error.inHandler = false;
                return kGoOn;  // tolerated: the run goes on with the record
            }
            FinishFlag = +1;
        }
        CloseRecord(record);
        ShowMessage("some problem was encountered... The files may be damaged or incomplete.  Call 800-71ZARVO now.", 0, "");
        if (limitReached) {
            ShowMessage("Folder creation error!", 0, "");
            next = kReturn;
        } else {
            ShowProgress(dialog, "Unknown Error!");
            PumpOneMessage(25);
            SleepMilliseconds(1000);
            ShowMessage("error: call 800-71ZARVO for FREE tech support on this issue", 0, "");
            FinishFlag = -1;
            next = kEnd;
        }
    }
    error.inHandler = false;
    return next;
}

// The guarded steps, from making the folder to the last copy.
static NextStep MakeFolderWriteRecordAndCopy(HWND dialog, ErrorState& error, RecordFile& record,
                                             const DynString& installFolder, DynString* staged) {
    // A failed open of the record is not reported here: the record's write fails after it.
    error.pending = false;
    NextStep next = kGoOn;

    error.stepLabel = kShowMakingDir;
    ShowProgress(dialog, "making dir");

    error.stepLabel = kMakeFolder;
    PSECURITY_DESCRIPTOR protection = ProtectionForCreation(kProtectedFolder);
    MakeFolder(error, installFolder, protection);
    LocalFree(protection);
    if (error.pending) next = HandleFailure(dialog, error, record);

    // Step 1050: a tolerated failure to make the folder goes on here, with the record.
    if (next == kGoOn) {
        error.stepLabel = kWriteRecord;
        WriteRecord(error, record.number, installFolder);
        if (!error.pending) {
            CloseFile(error, record.number);
            record.open = false;
        }
        if (error.pending) next = HandleFailure(dialog, error, record);
    }
    if (next == kGoOn) ShowProgress(dialog, "written dir");

    for (int i = 0; i < kProductFileCount && next == kGoOn; ++i) {
        DynString source = kStagingFolder + FileNames[i];
        // Into the install folder itself, on its own drive, where the folder was made and
        // which the record names.
        DynString destination = installFolder + "\\" + FileNames[i];
        ShowProgress(dialog, FileNames[i].c_str());
        PumpOneMessage(25);
        error.stepLabel = kCopyFile;
        CopyOneFile(error, source, destination);
        if (error.pending) {
            next = HandleFailure(dialog, error, record);
        } else {
            FilePaths[i] = source;
            staged[i] = source;
        }
    }

    // A run that ends before the record's close must not leave the file locked.
    CloseRecord(record);
    return next;
}

// True when a removal could hold every level of the folder that is already there: no link or
// other reparse point on the way, no level that can't be examined. A folder not made yet, or
// on a drive that is not there, is left to the steps that make it and report their failures.
static bool LevelsCanBeHeld(const DynString& folder) {
    HeldFolder held = {};
    HoldResult hold = HoldFolder(folder, FolderRootLength(folder.data(), folder.size(), AnsiLeadBytes()), held);
    ReleaseFolder(held);
    return hold != kCannotHold;
}

static void Install(HWND dialog) {
    ErrorState error = {};
    DynString recordPath, installFolder;
    SplitInstallTail(CommandLineTail(), recordPath, installFolder, AnsiLeadBytes());
    NextStep next = kReturn;
    RecordFile record = {0, false};
    // The staged copies this run copied, in a list of its own: the shared tables are the
    // removal's too.
    DynString staged[kProductFileCount];
    // A folder the removal would refuse (relative, holding a control byte, ending in a
    // character cut in two, too long for its product paths to reach the system whole, deeper
    // than a removal can hold, or reached through a link) is never installed into: its record
    // would name a folder nobody installed, or one that no removal can clean up. Refused
    // before anything is made or opened.
    if (!IsInstallableFolder(installFolder.data(), installFolder.size(), AnsiLeadBytes()) ||
        !LevelsCanBeHeld(installFolder)) {
        ShowMessage(kFolderTooDeep, 0, "");
        FinishFlag = +1;
    } else {
        ShowProgress(dialog, ("P:" + installFolder).c_str());
        ShowProgress(dialog, ("R:" + recordPath).c_str());

        record = {OpenRecord(error, recordPath), true};
        for (int i = 0; i < kProductFileCount; ++i) FileNames[i] = kProductFileNames[i];

        next = MakeFolderWriteRecordAndCopy(dialog, error, record, installFolder, staged);
    }
    if (next == kGoOn) {
        // Unguarded: a staged copy that cannot be deleted is no failure of the install.
        for (int i = 0; i < kDeletedStagedCopies; ++i) DeleteFiles(error, staged[i]);
        ShowMessage("Program Installation Successful!", 0, "");
        FinishFlag = -1;
        next = kEnd;
    }
    if (next == kEnd) {
        error.stepLabel = kEndDialog;
        CloseDialog(dialog, 0);
    } else {
        // After a reported failure the dialog ends at its next message. The messages of the
        // closing box came while FinishFlag was still 0, so make sure one more comes rather
        // than leave the dialog waiting for the user to move the mouse over it.
        PostMessageA(dialog, WM_NULL, 0, 0);
    }
}

void RunInstall(HWND dialog) {
    // The pump and the message boxes deliver presses of every open dialog: neither a second
    // install nor a removal may start inside this one, nor this one inside a removal.
    if (ProcedureRunning) return;
    // Out of memory for the tables, nothing is done: the dialog stays for another press.
    if (!StringTablesReady()) return;
    ProcedureRunning = true;
    Install(dialog);
    ProcedureRunning = false;
}
