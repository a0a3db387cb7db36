// The ANSI code page as the path text rules need it.
#pragma once
#include <stddef.h>

#include "base/dyn_string.h"
#include "base/path_text.h"

// The lead bytes of the process's ANSI code page, asked of the system once.
const LeadBytes& AnsiLeadBytes();

// The ANSI form of n wide characters, only when it is exact: every character has its own in
// the code page and the bytes read back as the same characters. A character the system would
// replace by a best-fit likeness ("ｄ" as "d", "ł" as "l") or by "?" names another file: false.
bool ExactAnsiText(const wchar_t* text, size_t n, DynString& ansi);
