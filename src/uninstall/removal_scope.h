// What the uninstaller may delete in a recorded install folder, judged from its text and
// from what the disk shows now.
#pragma once
#include "base/dyn_string.h"
#include "base/folder_shape.h"

// RemoveNothing when the text names no safe place (see ScopeOfFolderText) or when the
// folder or any folder above it is a reparse point (a junction or a symbolic link: its
// files live elsewhere). RemoveProductFilesOnly for the root of a drive or share, the
// Windows folder and the system folders. RemoveWholeFolder otherwise.
RemovalScope DecideRemovalScope(const DynString& folder);
// A record or folder that others may change is trusted with the product's own files only:
// RemoveWholeFolder stays only when the record, as read (recordTrusted), and the folder, read
// through a handle on it now, may be changed by no one but Administrators, SYSTEM,
// TrustedInstaller and this process's user; otherwise RemoveProductFilesOnly. A narrower
// scope stays as it is.
RemovalScope WithinTrust(RemovalScope scope, bool recordTrusted, const DynString& folder);
