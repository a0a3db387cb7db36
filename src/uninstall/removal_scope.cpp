#include "uninstall/removal_scope.h"

#include "base/product.h"
#include "base/record_text.h"
#include "fs/code_page.h"
#include "fs/known_folders.h"
#include "fs/protection.h"

FolderJudgement JudgeFolder(const DynString& folder, bool recordTrusted, HeldFolder& held) {
    held.count = 0;
    held.exists = false;
    RemovalScope scope = ScopeOfFolderText(folder.c_str(), folder.size(), AnsiLeadBytes());
    if (scope == RemoveNothing) return kNoUsableFolder;
    switch (HoldFolder(folder, FolderRootLength(folder.c_str(), folder.size(), AnsiLeadBytes()), held)) {
    case kHeld: break;
    case kNotThere: return kProductFilesOnly;  // nothing there to delete, nor to trust
    default: return kCannotJudge;
    }
    if (scope != RemoveWholeFolder || IsKnownFolder(folder, held)) return kProductFilesOnly;
    bool trusted = recordTrusted && IsTrustedObject(held.levels[held.count - 1]);
    return trusted ? kWholeFolder : kProductFilesOnly;
}

void JudgeRemoval(ErrorState& error, Removal& removal, bool holdRecord) {
    removal.held.count = 0;
    removal.held.exists = false;
    const DynString path(kDefaultRecordPath);
    removal.record = holdRecord ? HoldRecordCopy(error, path) : ReadRecordCopy(error, path);
    if (removal.record.state == kRecordUnreadable) {
        removal.judgement = kCannotJudge;
    } else if (removal.record.state == kRecordAbsent ||
               !ParseRecord(removal.record.bytes.data(), removal.record.bytes.size(), removal.folder)) {
        removal.judgement = kNoUsableFolder;
    } else {
        removal.judgement = JudgeFolder(removal.folder, removal.record.trusted, removal.held);
    }
}

void ReleaseRemoval(Removal& removal) {
    ReleaseFolder(removal.held);
    ReleaseRecord(removal.record);
}

bool ProductFileLeft(const Removal& removal, int except) {
    for (int i = 0; i < kProductFileCount; ++i)
        if (i != except && IsLeftInHeldFolder(removal.held, kProductFileNames[i])) return true;
    return false;
}
