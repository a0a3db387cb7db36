// The shape of a recorded install folder, judged from its text alone. Free of Windows
// headers, so that it also builds natively.
#pragma once
#include <stddef.h>

#include "base/path_text.h"

// How much of a recorded install folder the uninstaller may delete.
enum RemovalScope {
    RemoveNothing = 0,           // no deletion at all
    RemoveProductFilesOnly = 1,  // the five product files, by name, and nothing else
    RemoveWholeFolder = 2,       // the product files, every other plain file, the folder itself
};

// RemoveNothing for a folder that names no safe place: empty, relative ("zarvo\x"),
// rooted without a drive ("\zarvo"), drive-relative ("c:zarvo"), a device path ("\\?\",
// "\\.\"), a "." or ".." level, an empty level, a character no file name holds, a control
// byte anywhere, a lead byte without its second byte at the end, or a folder so long that
// folder + "\" + the longest product file name would be cut by the file services.
// RemoveProductFilesOnly for the root of a drive ("t:", "t:\") or of a share
// ("\\server\share"). RemoveWholeFolder for any other absolute folder.
RemovalScope ScopeOfFolderText(const char* folder, size_t length, const LeadBytes& lead);

// The most levels a removal holds open at once, the root included: a folder deeper than
// this is one that no removal can clean up.
const size_t kMostFolderLevels = 64;

// The levels of an absolute folder, its root included ("c:\zarvo\quorbel": 3); 0 when
// the text is not absolute.
size_t FolderLevelCount(const char* folder, size_t length, const LeadBytes& lead);

// The install and the removal share one judgement: the install takes only folders whose text
// the removal does not refuse and whose levels a removal can hold, so no install writes a
// record that its removal must ignore, would misread or can never finish. Of those it refuses
// a folder with a level that ends in a dot or a blank, which Windows trims: the folder made
// and the folder recorded must be one.
bool IsInstallableFolder(const char* folder, size_t length, const LeadBytes& lead);

// The length of the root part of an absolute folder ("t:" or "\\server\share"), 0 when
// the text is not absolute in one of these two forms.
size_t FolderRootLength(const char* folder, size_t length, const LeadBytes& lead);
