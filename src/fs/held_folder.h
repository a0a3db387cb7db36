// A folder held open while files are deleted in it, and deletes that land exactly there.
// Between the judgement of a folder and the deletes in it, whoever may write to a parent
// could rename the folder and put a link in its place; the held levels can't be renamed, and
// every delete goes through the file's own handle after checking where that file really is.
#pragma once
#include <windows.h>

#include "base/dyn_string.h"
#include "fs/error_state.h"

// Which file or folder a handle or path refers to, whatever its spelling.
struct FileIdentity {
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
};
bool IdentityOfHandle(HANDLE handle, FileIdentity* identity);
// The identity of what the path opens (links followed); false when it can't be opened.
bool IdentityOfPath(const char* path, FileIdentity* identity);
bool IdentityOfPathW(const wchar_t* path, FileIdentity* identity);
bool SameIdentity(const FileIdentity& a, const FileIdentity& b);

const int kMaxHeldLevels = 64;

struct HeldFolder {
    DynString path;               // the folder as judged
    HANDLE levels[kMaxHeldLevels];  // its root, every level below it, the folder itself (last),
                                    // each with READ_CONTROL, so its descriptor can be read
    int count;
    bool exists;                  // the folder is there and held: deletes may go on
    FileIdentity identity;        // the folder's own
};

enum HoldResult {
    kHeld,          // every level is held, the folder itself too
    kNotThere,      // a level below the root is not there: nothing lies below it
    kCannotHold,    // the root is missing, a level is a link or not a folder, or can't be opened
};

// Opens the root and every level of folder (rootLength bytes of root, then levels split at
// "\" or "/", walked by characters), without delete sharing and without following links.
HoldResult HoldFolder(const DynString& folder, size_t rootLength, HeldFolder& held);
// Closes every held level; the folder can be removed (or renamed) again.
void ReleaseFolder(HeldFolder& held);

enum DeleteOutcome {
    kDeleted,
    kAbsent,    // no such file in the folder
    kStayed,    // it is there and could not be deleted: the error is recorded
    kRefused,   // not deleted, since it is no plain file lying directly in the held folder
};

// Deletes folder + "\" + name through the file's own handle, only when that handle shows a
// file (no folder, no link) whose final path lies directly in the held folder. With
// clearAttributes, read-only, hidden and system are cleared first and put back if it stays.
DeleteOutcome DeleteInHeldFolder(ErrorState& error, const HeldFolder& held, const char* name,
                                 bool clearAttributes);

// Every plain file of the held folder (no folder, hidden, system or volume-label entry, and
// only names that address one entry); the first file that stays ends the sweep.
void DeleteEveryPlainFile(ErrorState& error, const HeldFolder& held);
