#include "uninstall/run_uninstall.h"

#include "base/product.h"
#include "fs/file_services.h"
#include "run/globals.h"
#include "run/record.h"
#include "ui/dialog_layer.h"
#include "ui/message.h"
#include "uninstall/removal_scope.h"

const char* const kUninstallSuccess = "Uninstallation Successful!";
const char* const kUninstallIncomplete = "Uninstallation incomplete: some files could not be removed.";

static const int kStatusBox = 1009;

static HWND gUninstallingDialog = 0;

HWND UninstallingDialog() { return gUninstallingDialog; }

RemovalScope PlanRemoval(ErrorState& error, DynString& installFolder) {
    bool recordTrusted = false;
    if (!ReadRecord(error, kDefaultRecordPath, installFolder, &recordTrusted)) return RemoveNothing;
    return WithinTrust(DecideRemovalScope(installFolder), recordTrusted, installFolder);
}

static bool IsFile(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A product file may carry the read-only attribute (copied from read-only media, say): it
// loses it first so that the delete can succeed, and gets it back if the file stays all
// the same.
static void DeleteProductFile(ErrorState& error, const DynString& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    bool cleared = IsFile(attributes) && (attributes & FILE_ATTRIBUTE_READONLY) &&
                   SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    DeleteFiles(error, path);
    if (cleared && IsFile(GetFileAttributesA(path.c_str()))) SetFileAttributesA(path.c_str(), attributes);
}

static bool ProductFileLeft(const DynString& folder) {
    for (int i = 0; i < kProductFileCount; ++i)
        if (IsFile(GetFileAttributesA((folder + "\\" + FileNames[i]).c_str()))) return true;
    return false;
}

static RemovalScope Narrower(RemovalScope a, RemovalScope b) { return a < b ? a : b; }

void RunUninstall(HWND dialog) {
    // The pump and the message box below dispatch presses of this dialog's buttons; a
    // second "OK, Destroy Now" must not start a run inside this one.
    if (gUninstallingDialog) return;
    gUninstallingDialog = dialog;
    if (!FileNames || !FilePaths) CreateStringTables();

    ErrorState error = {};
    DynString folder;
    RemovalScope scope = PlanRemoval(error, folder);
    const RemovalScope planned = scope;
    for (int i = 0; i < kProductFileCount; ++i) FileNames[i] = kProductFileNames[i];

    // A pass per product file, then one for every other plain file of the folder.
    for (int pass = 0; pass <= kProductFileCount; ++pass) {
        DynString status = DynString("del ") + FileNames[pass];
        DynString target = folder + "\\" + FileNames[pass];
        if (pass == kProductFileCount) status = kDefaultRecordPath;
        SetControlText(dialog, kStatusBox, status.c_str());
        PumpOneMessage(1000);
        SleepMilliseconds(500);
        FilePaths[pass] = target;
        // Looked at again before every delete: the folder may have changed while we waited.
        scope = Narrower(scope, DecideRemovalScope(folder));
        if (pass < kProductFileCount && scope != RemoveNothing) DeleteProductFile(error, FilePaths[pass]);
        if (pass == kProductFileCount && scope == RemoveWholeFolder) DeleteFiles(error, FilePaths[pass]);
    }

    // A product file still there means the removal is not done: the record stays so that a
    // later run can finish it, and the user is told.
    bool complete = planned == RemoveNothing || !ProductFileLeft(folder);
    if (complete) DeleteFiles(error, DynString(kDefaultRecordPath));
    if (scope == RemoveWholeFolder) RemoveFolder(error, folder);
    ShowMessage(complete ? kUninstallSuccess : kUninstallIncomplete, 0, "");
    CloseDialog(dialog, 0);
    gUninstallingDialog = 0;
}
