// The shape of a recorded install folder, judged from its text alone. Free of Windows
// headers, so that it also builds natively.
#pragma once
#include <stddef.h>

// How much of a recorded install folder the uninstaller may delete.
enum RemovalScope {
    RemoveNothing = 0,           // no deletion at all
    RemoveProductFilesOnly = 1,  // the five product files, by name, and nothing else
    RemoveWholeFolder = 2,       // the product files, every other plain file, the folder itself
};

// RemoveNothing for a folder that names no safe place: empty, relative ("zarvo\x"),
// rooted without a drive ("\zarvo"), drive-relative ("c:zarvo"), a device path ("\\?\",
// "\\.\"), a "." or ".." level, an empty level, a character no file name holds, or a root
// too long to address the product files exactly.
// RemoveProductFilesOnly for the root of a drive ("t:", "t:\") or of a share
// ("\\server\share"). RemoveWholeFolder for any other absolute folder.
RemovalScope ScopeOfFolderText(const char* folder, size_t length);

// The length of the root part of an absolute folder ("t:" or "\\server\share"), 0 when
// the text is not absolute in one of these two forms.
size_t FolderRootLength(const char* folder, size_t length);
