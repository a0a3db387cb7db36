// Putting a file in place in a held folder, as a new file under its name. Whatever had that
// name (an older file, a link, one of the names of a file that has several) is replaced as a
// name: nothing is ever written through it to a file elsewhere.
#pragma once
#include "base/dyn_string.h"
#include "fs/error_state.h"
#include "fs/held_folder.h"

// Copies the file `name` of the held folder `from` into the held folder under the same name. It
// is read only when it is a file lying directly in `from`: no folder, no link, nothing a link
// leads to. The copy is made under a fresh name of the held folder (never one that is there),
// marked for deletion while it is written so that a run cut short leaves nothing behind, checked
// to lie directly in the folder, and renamed over `name` through its own handle; then it takes
// the source's last write time and its read-only, hidden, system and archive attributes. False,
// with the error recorded, when it can't be done: 53 for a missing source file, 76 for a folder
// that is not held (either one), or for a source or copy that turns out to lie elsewhere; 70 when
// `name` can't be replaced (a folder, a file in use); 61 for a full disk.
bool PlaceFileInHeldFolder(ErrorState& error, const HeldFolder& held, const HeldFolder& from, const char* name);
