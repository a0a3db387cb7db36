// Path text rules of the file services. Free of Windows headers.
#pragma once
#include <stddef.h>

// True when the text holds "*" or "?".
bool HasWildcard(const char* text, size_t n);
// Length of the folder part of a path: everything up to and including its last "\", "/"
// or ":"; 0 when there is none (the current folder).
size_t FolderPartLength(const char* path, size_t n);
// True for a name that addresses one entry inside its folder and nothing else: not empty,
// not "." or "..", and free of separators, wildcards and the other characters a name on
// disk never holds. A directory search can hand back other names (the ANSI best-fit
// conversion turns a full-width "．．＼x.txt" into "..\x.txt"); joined to the folder,
// those would reach outside it.
bool IsSinglePlainName(const char* name);
