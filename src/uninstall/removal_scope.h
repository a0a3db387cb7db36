// What the uninstaller may delete, judged once per removal from the record and from what the
// disk says through the handles the removal holds: the parent's passes, its sweep, the
// removal of the folder and the hand-over's work all obey that one judgement.
#pragma once
#include <windows.h>

#include "base/dyn_string.h"
#include "base/folder_shape.h"
#include "fs/error_state.h"
#include "fs/held_folder.h"
#include "run/record.h"

enum FolderJudgement {
    kNoUsableFolder,   // the record names no folder that may be touched: delete nothing but the record
    kCannotJudge,      // the record can't be read, a level is a link, can't be examined, or the
                       // root is not there: delete nothing, keep the record, say the removal is
                       // incomplete
    kProductFilesOnly, // the five product files by exact name, nothing else, no folder removal
    kWholeFolder,      // the product files, every other plain file, the folder itself
};

// One removal's judgement.
struct Removal {
    RecordCopy record;
    DynString folder;           // the install folder the record names
    FolderJudgement judgement;
    HeldFolder held;            // the folder's levels, held from the judgement until released
};

// Reads the record and judges its folder. kWholeFolder only for a folder whose text allows it,
// whose every level is held, that is no known folder however it is reached, and whose record
// and folder no one but Administrators, SYSTEM, TrustedInstaller and this process's user may
// change. The folder stays held, when it is there, until ReleaseRemoval; so does the record when
// holdRecord (a removal holds it from its judgement to its end, so that no install can write it
// meanwhile; a hand-over only looks, since its removal still holds it).
void JudgeRemoval(ErrorState& error, Removal& removal, bool holdRecord);
void ReleaseRemoval(Removal& removal);
// True when a product file (any but the one at index `except` of the product's table; -1 for
// none) is still in the judged folder, or can't be looked at there. The removal and its
// hand-over decide by this alone whether the product is gone.
bool ProductFileLeft(const Removal& removal, int except);
// The judgement of a recorded folder, given whether its record may be trusted; held comes
// back holding the folder when it is there.
FolderJudgement JudgeFolder(const DynString& folder, bool recordTrusted, HeldFolder& held);
