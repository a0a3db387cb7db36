// Path text rules of the file services. Free of Windows headers.
#pragma once
#include <stddef.h>

// How much of a path the file services hand to the system; a longer path is cut.
const size_t kFolderPathLimit = 255;  // open, make folder, remove folder
const size_t kNamePathLimit = 256;    // delete, copy

// True for a character that no name on disk holds: a control character, a separator ("\",
// "/", ":"), a wildcard ("*", "?"), or one of '"', "<", ">", "|".
bool NameCannotHold(char c);
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
