// What the uninstaller may delete in a recorded install folder, judged from its text and
// from what the disk shows now.
#pragma once
#include "base/dyn_string.h"
#include "base/folder_shape.h"
#include "fs/held_folder.h"

enum FolderJudgement {
    kNoUsableFolder,   // the text names no folder that may be touched: delete nothing but the record
    kCannotJudge,      // a level is a link, can't be examined, or the root is not there:
                       // delete nothing, keep the record, say the removal is incomplete
    kProductFilesOnly, // the five product files by exact name, nothing else, no folder removal
    kWholeFolder,      // the product files, every other plain file, the folder itself
};

// Judges the recorded folder. When held is given and the folder is there, it comes back held
// (see HoldFolder) for the deletes; the caller releases it.
FolderJudgement JudgeRecordedFolder(const DynString& folder, HeldFolder* held = nullptr);

// The judgement as a scope: RemoveNothing for both kNoUsableFolder and kCannotJudge.
RemovalScope DecideRemovalScope(const DynString& folder);

// A record or folder that others may change is trusted with the product's own files only:
// kWholeFolder stays only when the record, as read (recordTrusted), and the held folder may
// be changed by no one but Administrators, SYSTEM, TrustedInstaller and this process's user;
// otherwise kProductFilesOnly (a folder that is not there has nothing to trust). A narrower
// judgement stays as it is.
FolderJudgement WithinTrust(FolderJudgement judgement, bool recordTrusted, const HeldFolder& held);

// True for the folders whose files are not the product's to take, whatever else lies there:
// anything inside the Windows folder, the folder of profiles, every profile folder and every
// folder up to two levels below one, and the known folders that live elsewhere or deeper
// (Program Files and its twins, Common Files, ProgramData, Public, the Start Menu folders, the
// per-user programs folder, the user's temp folder, ...). Compared by name and by identity.
bool IsKnownFolder(const DynString& folder);
