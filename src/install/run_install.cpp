#include "install/run_install.h"

#include "app/globals.h"
#include "fs/file_services.h"
#include "install/install_status_dialog.h"
#include "install/install_tail.h"
#include "install/record.h"
#include "ui/dialog_layer.h"
#include "ui/message.h"

double FolderFailureCount = 0;

// True while a run is going on: the pump and the message boxes deliver messages to the
// dialog, and a second press of "OK" among them must not start a run inside this one.
static bool gInstalling = false;

static const char* const kStagingFolder = "\\zarvo\\temp\\";
static const int kProductFileCount = 5;
static const char* const kProductFileNames[kProductFileCount] = {
    "qb.exe", "QBmanual100.PDF", "QBmanual100.doc", "QBmanual100.txt", "QBinstaller100.exe"};
static const int kDeletedStagedCopies = 4;  // the staged installer itself stays

// Step labels: the failure handler knows a failure by the label current when it happened.
enum StepLabel {
    kShowMakingDir = 1000,
    kMakeFolder = 1025,
    kFolderTolerated = 1050,
    kWriteRecord = 1100,
    kCopyFile = 1200,
    kEndDialog = 3000,
};

static const double kFolderFailureLimit = 10;

enum AfterFailure { kResume, kReturn, kEnd };

static void ShowProgress(HWND dialog, const char* text) { SetControlText(dialog, kProgressBox, text); }

static DynString DecimalWithBlank(int number) {
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number && n < 11);
    DynString text(" ");
    while (n) text += digits[--n];
    return text;
}

// The handler the guarded steps hand a failure to. kResume: the folder failure is
// tolerated and the run goes on with the record; kReturn: the dialog stays until its next
// message; kEnd: the dialog is ended now.
static AfterFailure HandleFailure(HWND dialog, ErrorState& error) {
    error.pending = false;
    error.inHandler = true;
    int label = error.failedStep;
    AfterFailure after = kEnd;

    if (label == kWriteRecord) {
        DynString text = "Error 1000 " + DecimalWithBlank(error.number) + ": please call 80-71ZARVO for tech support";
        ShowMessage(text.c_str(), 0, "");
        FinishFlag = -1;
        after = kReturn;
    } else if (label == kCopyFile && error.number == 76) {
        ShowMessage("Error: Folder Depth Request too Great.  Ending.", 0, "");
        FinishFlag = +1;
        after = kReturn;
    } else {
        bool tolerated = false;
        if (label == kMakeFolder && FolderFailureCount < kFolderFailureLimit) {
            FolderFailureCount += 1;
            if (FolderFailureCount < kFolderFailureLimit)
                tolerated = true;
            else
                FinishFlag = +1;
        }
        if (tolerated) {
            after = kResume;
        } else {
            ShowMessage("some problem was encountered... The files may be damaged or incomplete.  Call 800-71ZARVO now.", 0, "");
            if (label == kMakeFolder && FinishFlag > 0) {
                ShowMessage("Folder creation error!", 0, "");
                after = kReturn;
            } else {
                ShowProgress(dialog, "Unknown Error!");
                PumpOneMessage(25);
                SleepMilliseconds(1000);
                ShowMessage("error: call 800-71ZARVO for FREE tech support on this issue", 0, "");
                FinishFlag = -1;
                after = kEnd;
            }
        }
    }
    error.inHandler = false;
    return after;
}

// The guarded part: from the folder to the last copy. False when the failure handler has
// ended the run; *endDialog then says whether the dialog is to be ended now.
static bool MakeFolderWriteRecordCopy(HWND dialog, ErrorState& error, int recordFile,
                                      const DynString& installFolder, bool* endDialog) {
    // Whatever failed before the handler was armed (the record's open) goes unnoticed here;
    // the record's write then fails in its turn.
    error.pending = false;
    AfterFailure after = kResume;

    error.stepLabel = kShowMakingDir;
    ShowProgress(dialog, "making dir");

    error.stepLabel = kMakeFolder;
    MakeFolder(error, installFolder);
    if (error.pending) after = HandleFailure(dialog, error);

    if (after == kResume) {
        error.stepLabel = kFolderTolerated;
        error.stepLabel = kWriteRecord;
        WriteRecord(error, recordFile, installFolder);
        if (!error.pending) CloseFile(error, recordFile);
        if (error.pending) after = HandleFailure(dialog, error);
    }
    if (after == kResume) ShowProgress(dialog, "written dir");

    for (int i = 0; i < kProductFileCount && after == kResume; ++i) {
        DynString source = kStagingFolder + FileNames[i];
        // Into the install folder itself, on its own drive: the folder was made there and
        // the record names it.
        DynString destination = installFolder + "\\" + FileNames[i];
        ShowProgress(dialog, FileNames[i].c_str());
        PumpOneMessage(25);
        error.stepLabel = kCopyFile;
        CopyOneFile(error, source, destination);
        if (error.pending) {
            after = HandleFailure(dialog, error);
        } else {
            FilePaths[i] = source;
        }
    }

    // A failure that ended the run before the record's close must not leave it locked.
    if (after != kResume) {
        ErrorState ignored = {};
        CloseFile(ignored, recordFile);
    }
    *endDialog = after == kEnd;
    return after == kResume;
}

static void Install(HWND dialog) {
    ErrorState error = {};
    DynString recordPath, installFolder;
    SplitInstallTail(CommandLineTail(), recordPath, installFolder);
    ShowProgress(dialog, ("P:" + installFolder).c_str());
    ShowProgress(dialog, ("R:" + recordPath).c_str());

    int recordFile = OpenRecord(error, recordPath);
    for (int i = 0; i < kProductFileCount; ++i) FileNames[i] = kProductFileNames[i];

    bool endDialog = false;
    if (MakeFolderWriteRecordCopy(dialog, error, recordFile, installFolder, &endDialog)) {
        // Unguarded: a staged copy that cannot be deleted is no failure of the install.
        for (int i = 0; i < kDeletedStagedCopies; ++i) DeleteFiles(error, FilePaths[i]);
        ShowMessage("Program Installation Successful!", 0, "");
        FinishFlag = -1;
        endDialog = true;
    }
    if (endDialog) {
        error.stepLabel = kEndDialog;
        CloseDialog(dialog, 0);
    }
}

void RunInstall(HWND dialog) {
    if (gInstalling) return;
    gInstalling = true;
    Install(dialog);
    gInstalling = false;
}
