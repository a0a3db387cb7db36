// The folders that are not the product's alone, however they are reached: the Windows and
// system folders and everything inside them, the roots of profiles and what lies up to two
// levels below a profile, Program Files, ProgramData, Public, the Start Menu, the temp
// folder. A removal takes only the product's files from such a folder; an install leaves its
// permissions as they are.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "base/dyn_string.h"
#include "fs/held_folder.h"

// True when the held folder lies in a known place: by its text (folder, as recorded or named),
// by its final path, and by the identity of every held level. A folder that can't be compared
// is taken as known.
bool IsKnownFolder(const DynString& folder, const HeldFolder& held);

// How the known places are asked for: SHGetKnownFolderPath of shell32, loaded from the system
// folder when first asked (start-up never loads it). Tests watch the questions through it.
typedef decltype(&SHGetKnownFolderPath) KnownFolderPathFn;
extern KnownFolderPathFn KnownFolderQuery;
