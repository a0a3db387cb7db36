#include "install/run_install.h"

#include "base/folder_shape.h"
#include "base/product.h"
#include "fs/code_page.h"
#include "fs/file_services.h"
#include "fs/held_folder.h"
#include "fs/known_folders.h"
#include "fs/place_file.h"
#include "fs/protection.h"
#include "fs/system_call.h"
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

// What the run holds: the record file while it is open, the install folder's levels from the
// judgement to the last copy, and the staging folder's from before the folder is made to the
// last delete of a staged copy.
struct RunHolds {
    int recordNumber;
    bool recordOpen;
    RecordBefore recordBefore;  // what the record file held before this run wrote it
    bool recordWritten;         // and not yet let go: a refusal now puts it back
    HeldFolder folder;
    HeldFolder staging;
};

// All let go before any box is shown, so that the user can deal with the files while the box
// waits.
static void LetGo(RunHolds& holds) {
    if (holds.recordOpen && holds.recordWritten) PutRecordBack(holds.recordNumber, holds.recordBefore);
    holds.recordWritten = false;
    if (holds.recordOpen) {
        ErrorState ignored = {};
        CloseFile(ignored, holds.recordNumber);
        holds.recordOpen = false;
    }
    ReleaseFolder(holds.folder);
    ReleaseFolder(holds.staging);
}

// The record's failure: its box, with the error number; the dialog ends at its next message.
static NextStep ReportRecordFailure(int errorNumber) {
    char number[8];
    wsprintfA(number, " %d", errorNumber);
    DynString text = DynString("Error 1000 ") + number + ": please call 80-71ZARVO for tech support";
    ShowMessage(text.c_str(), 0, "");
    FinishFlag = -1;
    return kReturn;
}

// The folder's failure: a folder that can't be used as it is named, or can't be held.
static NextStep ReportFolderFailure() {
    ShowMessage(kFolderTooDeep, 0, "");
    FinishFlag = +1;
    return kReturn;
}

static NextStep HandleFailure(HWND dialog, ErrorState& error, RunHolds& holds) {
    error.pending = false;
    error.inHandler = true;
    int label = error.failedStep;
    NextStep next = kEnd;

    if (label == kWriteRecord) {
        LetGo(holds);
        next = ReportRecordFailure(error.number);
    } else if (label == kCopyFile && error.number == 76) {
        LetGo(holds);
        next = ReportFolderFailure();
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
        // The tenth failure to make the folder ends the run with no record: LetGo puts the
        // record back as it was.
        LetGo(holds);
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

// A folder that was there before the install: when the process runs elevated and anyone but
// Administrators, SYSTEM, TrustedInstaller or this user may change it (someone made it in
// advance, open to everyone, to swap the program for their own later), it gets what a folder
// the install makes has: owner and protection. A folder no one else may change keeps its own
// (another program's folder is not the install's to change); so does a folder that is not the
// product's alone (a drive's root, a known folder), which is then used only when no one else
// may change it. False when the folder can't be made safe.
static bool SecureFolderFoundThere(const DynString& folder, const HeldFolder& held) {
    if (!held.exists || !RunsElevated()) return true;
    const HANDLE heldFolder = held.levels[held.count - 1];
    if (IsTrustedObject(heldFolder)) return true;
    if (ScopeOfFolderText(folder.data(), folder.size(), AnsiLeadBytes()) != RemoveWholeFolder ||
        IsKnownFolder(folder, held))
        return false;
    HANDLE changing = OpenHeldFolder(held, READ_CONTROL | WRITE_DAC | WRITE_OWNER);
    bool secured = changing != INVALID_HANDLE_VALUE && ProtectFolderFoundThere(changing);
    if (changing != INVALID_HANDLE_VALUE) CloseHandle(changing);
    return secured;
}

// Whether anything at all has the path's name.
static bool SomethingAt(const DynString& path) {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    SystemCall([&] { attributes = GetFileAttributesA(path.c_str()); });
    return attributes != INVALID_FILE_ATTRIBUTES;
}

// The guarded steps, from making the folder to the last copy, in the folder held since the
// judgement: its levels, and the folder itself once it is there.
static NextStep MakeFolderWriteRecordAndCopy(HWND dialog, ErrorState& error, RunHolds& holds) {
    HeldFolder& held = holds.folder;
    const DynString installFolder = held.path;
    // A failed open of the record is not reported here: the record's write fails after it.
    error.pending = false;
    NextStep next = kGoOn;

    error.stepLabel = kShowMakingDir;
    ShowProgress(dialog, "making dir");

    // The record names the folder before the folder is made: a run cut short in between leaves a
    // record of a folder that is not there, which the next removal finishes at once, never a
    // folder that no record names. A run that then refuses the folder puts the record back.
    error.stepLabel = kWriteRecord;
    WriteRecord(error, holds.recordNumber, installFolder, holds.recordBefore);
    if (error.pending) next = HandleFailure(dialog, error, holds);
    else holds.recordWritten = true;

    const bool wasThere = held.exists;
    bool made = false;
    if (next == kGoOn) {
        error.stepLabel = kMakeFolder;
        PSECURITY_DESCRIPTOR protection = ProtectionForCreation(kProtectedFolder);
        MakeFolder(error, installFolder, protection);
        LocalFree(protection);
        made = !error.pending;
        if (error.pending) next = HandleFailure(dialog, error, holds);
    }

    // The folder is held from now on. One this run made must be held, and so must anything that
    // took its name since the judgement: what can't be held (a link, a file) means someone put
    // it there, and no record may name it. A folder that appeared meanwhile is one found there;
    // so is one put in the place of the folder this run made before it was held, which an
    // elevated run knows by its protection.
    if (next == kGoOn && ((!HoldMadeFolder(held) && (made || SomethingAt(installFolder))) ||
                          (!wasThere && held.exists && !SecureFolderFoundThere(installFolder, held)))) {
        LetGo(holds);
        next = ReportFolderFailure();
    }

    // Step 1050: a tolerated failure to make the folder goes on here. The record stands, and
    // stays open to this run alone until the last copy has landed: a removal started meanwhile
    // can't read it, and so can't delete it while copies still land in the folder it names.
    if (next == kGoOn) {
        holds.recordWritten = false;
        ShowProgress(dialog, "written dir");
    }

    for (int i = 0; i < kProductFileCount && next == kGoOn; ++i) {
        ShowProgress(dialog, FileNames[i].c_str());
        PumpOneMessage(25);
        error.stepLabel = kCopyFile;
        // From the held staging folder itself into the held install folder itself, on its own
        // drive, where the folder was made and which the record names; a new file under the
        // product's name, never written through it.
        PlaceFileInHeldFolder(error, held, holds.staging, FileNames[i].c_str());
        if (error.pending) next = HandleFailure(dialog, error, holds);
        else FilePaths[i] = kStagingFolder + FileNames[i];
    }
    if (next == kGoOn) {
        error.stepLabel = kWriteRecord;
        CloseFile(error, holds.recordNumber);
        holds.recordOpen = false;
        if (error.pending) next = HandleFailure(dialog, error, holds);
    }

    // Unguarded: a staged copy that cannot be deleted is no failure of the install. Only a
    // plain file (no hidden or system one) lying directly in the held staging folder goes: never
    // a file a link there leads to, nor one in a folder put in the staging folder's place.
    for (int i = 0; i < kDeletedStagedCopies && next == kGoOn; ++i) {
        ErrorState ignored = {};
        DynString path;
        DWORD attributes = INVALID_FILE_ATTRIBUTES;
        if (PathInHeldFolder(holds.staging, kProductFileNames[i], path))
            SystemCall([&] { attributes = GetFileAttributesA(path.c_str()); });
        if (!(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
            DeleteInHeldFolder(ignored, holds.staging, kProductFileNames[i], false);
    }

    // Let go after the last copy; a run that ends before the record's close must not leave the
    // file locked.
    LetGo(holds);
    return next;
}

// The record path and the install folder as the user typed them: the wide tail, split by the
// install's rule, each part taken only when its ANSI form is exact.
enum TailFault { kTailExact, kFolderNotExact, kRecordNotExact };

static TailFault ReadTail(DynString& recordPath, DynString& installFolder) {
    const wchar_t* tail = CommandLineTail();
    TailParts parts = FindTailParts(tail, static_cast<size_t>(lstrlenW(tail)), [](size_t i) { return i + 1; });
    bool folderExact = ExactAnsiText(tail + parts.folderFrom, parts.folderTo - parts.folderFrom, installFolder);
    bool recordExact = ExactAnsiText(tail + parts.recordFrom, parts.recordTo - parts.recordFrom, recordPath);
    if (installFolder.empty()) installFolder = kDefaultInstallFolder;
    if (recordPath.empty()) recordPath = kDefaultRecordPath;
    return !folderExact ? kFolderNotExact : !recordExact ? kRecordNotExact : kTailExact;
}

static void Install(HWND dialog) {
    ErrorState error = {};
    DynString recordPath, installFolder;
    const TailFault fault = ReadTail(recordPath, installFolder);
    NextStep next = kReturn;
    RunHolds holds = {0, false, {}, false, {}, {}};
    // A folder the removal would refuse (relative, holding a control byte, ending in a
    // character cut in two, too long for its product paths to reach the system whole, deeper
    // than a removal can hold, with a level Windows trims, or reached through a link), or one
    // the user did not name (a character outside the code page), is never installed into: its
    // record would name a folder nobody installed, or one that no removal can clean up. Its
    // levels that are there are held from here to the last copy. Refused before anything is
    // made or opened.
    const size_t rootLength = FolderRootLength(installFolder.data(), installFolder.size(), AnsiLeadBytes());
    if (fault == kFolderNotExact || !IsInstallableFolder(installFolder.data(), installFolder.size(), AnsiLeadBytes()) ||
        HoldFolder(installFolder, rootLength, holds.folder) == kCannotHold ||
        !SecureFolderFoundThere(installFolder, holds.folder)) {
        LetGo(holds);
        next = ReportFolderFailure();
    } else if (fault == kRecordNotExact) {
        // A record path the user did not name is never opened: it would be another file.
        LetGo(holds);
        next = ReportRecordFailure(52);
    } else {
        ShowProgress(dialog, ("P:" + installFolder).c_str());
        ShowProgress(dialog, ("R:" + recordPath).c_str());

        // A record that is a link or one name of several files is never written: nothing made.
        if (OpenRecord(error, recordPath, &holds.recordNumber) == kRecordRefused) {
            LetGo(holds);
            next = ReportRecordFailure(52);
        } else {
            holds.recordOpen = true;
            for (int i = 0; i < kProductFileCount; ++i) FileNames[i] = kProductFileNames[i];
            // The staging folder on the current drive, held as the install folder is: a staging
            // folder that can't be held (a link, or below one) is one that is not there, and the
            // first copy ends the run as it would then.
            HoldFolderAtFullPath(DynString(kStagingFolder), holds.staging);
            next = MakeFolderWriteRecordAndCopy(dialog, error, holds);
        }
    }
    LetGo(holds);
    if (next == kGoOn) {
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
