// A folder held open while files are deleted in it, and deletes that land exactly there.
// Between the judgement of a folder and the deletes in it, whoever may write to a parent
// could rename the folder and put a link in its place; the held levels can't be renamed, and
// every delete goes through the file's own handle after checking where that file really is.
#pragma once
#include <windows.h>

#include "base/dyn_string.h"
#include "base/folder_shape.h"
#include "fs/error_state.h"
#include "fs/file_identity.h"

struct HeldFolder {
    DynString path;                                // the folder as judged
    HANDLE levels[kMostFolderLevels];              // its root, every level below it, the folder
                                                   // itself (last), each with READ_CONTROL, so
                                                   // its descriptor can be read
    FileIdentity identities[kMostFolderLevels];    // each level's own
    int count;
    size_t rootLength;                             // the root's part of path
    bool exists;                                   // the folder is there and held: deletes may go on
    FileIdentity identity;                         // the folder's own
};

enum HoldResult {
    kHeld,          // every level is held, the folder itself too
    kNotThere,      // a level below the root is not there: nothing lies below it. The levels
                    // above it stay held (until ReleaseFolder), so that it can be made there
    kRootNotThere,  // the drive or share is not there
    kCannotHold,    // a level is a link or not a folder, can't be opened or examined, or the
                    // folder has more levels than can be held
};

// Opens the root and every level of folder (rootLength bytes of root, then levels split at
// "\" or "/", walked by characters), without delete sharing and without following links.
HoldResult HoldFolder(const DynString& folder, size_t rootLength, HeldFolder& held);
// The full path of `path`, as the system makes it against the current folder: a path rooted
// without a drive ("\zarvo\temp\") lies on the current drive, a relative one in the current
// folder. False when it can't be had within MAX_PATH.
bool FullPathOf(const DynString& path, DynString& full);
// HoldFolder for the folder that `path` names, made a full path first; its full path is
// held.path. kCannotHold when that has no drive or share at its root (a device, say).
HoldResult HoldFolderAtFullPath(const DynString& path, HeldFolder& held);
// After the folder itself was made below its held levels (HoldFolder said kNotThere with every
// level above it held): holds it too, when it is a folder and no link. True when the folder is
// held now; false, with every level released, when it can't be.
bool HoldMadeFolder(HeldFolder& held);
// A further handle of the held folder itself, with `access`, checked to be the folder held (no
// link in its place); INVALID_HANDLE_VALUE when it can't be had.
HANDLE OpenHeldFolder(const HeldFolder& held, DWORD access);
// Closes every held level; the folder can be removed (or renamed) again.
void ReleaseFolder(HeldFolder& held);

// folder + "\\" + name, by the text the folder was held by, when it is exactly that byte for
// byte and name is one plain name that may be opened by name (see IsDeletableName); false
// otherwise, or when the folder is not held. For folders whose text names them exactly (no
// level that Windows trims): the staging folder, the record's folder.
bool PathInHeldFolder(const HeldFolder& held, const char* name, DynString& path);
// The path of `name` (one plain name that may be opened by name, see IsDeletableName) directly
// in the held folder, made of the folder's final path, as the system tells it for the held
// handle, and the exact name; for the calls that take such a path (OpenSystemPath and its
// kind). False for another name, or when the folder is not held.
bool SystemPathInHeldFolder(const HeldFolder& held, const char* name, wchar_t (&path)[kMaxWide]);
// True when the file open on `file` lies directly in the held folder, as its final path says.
bool LiesInHeldFolder(HANDLE file, const HeldFolder& held);

enum DeleteOutcome {
    kDeleted,
    kAbsent,    // no such file in the folder
    kStayed,    // it is there and could not be deleted: the error is recorded
    kRefused,   // not deleted, since it is no plain file lying directly in the held folder
};

// Every name below is looked for in the held folder itself: by the final path that the system
// gives for the folder's held handle and the exact name, never by the folder's text, which may
// be spelled in a way that Windows reads otherwise in the middle of a path (a level that ends
// in a blank), and with WoW64's redirection off, as the system's own paths need.

// Deletes the file `name` of the held folder through its own handle, only when that handle
// shows a file (no folder, no link) whose final path lies directly in the held folder. With
// clearAttributes, a read-only file is made writable through that handle first, and read-only
// again if it stays; a file with another name elsewhere keeps its attributes, and stays.
DeleteOutcome DeleteInHeldFolder(ErrorState& error, const HeldFolder& held, const char* name,
                                 bool clearAttributes);

// The identity of the file `name`, when it is a plain file (no folder, no link) lying
// directly in the held folder.
bool IdentityInHeldFolder(const HeldFolder& held, const char* name, FileIdentity* identity);

// True when something other than a folder is at `name` in the held folder, or when that can't
// be looked at; false when nothing is there, or when the folder itself is not there.
bool IsLeftInHeldFolder(const HeldFolder& held, const char* name);

// Every plain file of the held folder (no folder, link, hidden or system file) but those
// named in `keep` (count names, compared without case), listed through the held handle by
// their own UTF-16 names; each is opened by that name in the held folder, as above, and
// deleted through its own handle only when the handle is the listed entry itself and lies
// directly in the folder. The first file that stays ends the sweep.
void DeleteEveryPlainFile(ErrorState& error, const HeldFolder& held, const char* const* keep, int count);

// Removes the held folder itself once it is empty, opened by its final path and checked to be
// the folder that was held; every level is released.
void RemoveHeldFolder(ErrorState& error, HeldFolder& held);
