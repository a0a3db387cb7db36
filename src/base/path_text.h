// Path text rules of the file services. Free of Windows headers.
//
// Paths are ANSI texts, walked by characters: in a double-byte code page (Japanese, Chinese,
// Korean) a lead byte and the byte after it are one character, and that second byte may be
// 0x5C ("\") or 0x7C ("|") without being a separator or a forbidden character. Lengths are
// counted in bytes.
#pragma once
#include <stddef.h>

// How much of a path the file services hand to the system; a longer path is cut.
const size_t kFolderPathLimit = 255;  // open, make folder, remove folder
const size_t kNamePathLimit = 256;    // delete, copy

// The ANSI code page's lead bytes; a single-byte code page has none.
struct LeadBytes {
    bool lead[256];
};

// The table of lead bytes given as ranges of bytes, as the system lists them: pairs of first
// and last byte, at most `count` bytes, ended early by a pair of zeros.
LeadBytes LeadBytesOfRanges(const unsigned char* ranges, size_t count);

// The bytes of the character that starts at text[i], i < n: 2 for a lead byte followed by a
// byte other than NUL, else 1.
size_t CharLength(const char* text, size_t i, size_t n, const LeadBytes& lead);
// Where the last character of text[0, n) starts; 0 for an empty text.
size_t LastCharStart(const char* text, size_t n, const LeadBytes& lead);
// True when the last character of text[0, n) is the one-byte character c.
bool EndsWithChar(const char* text, size_t n, char c, const LeadBytes& lead);
// True when text[0, n) ends in a lead byte without its second byte: a character cut in two.
bool EndsInLoneLeadByte(const char* text, size_t n, const LeadBytes& lead);
// The length of text[0, n) cut to at most limit bytes without cutting a character in two.
size_t CutLength(const char* text, size_t n, size_t limit, const LeadBytes& lead);

// True for a one-byte character that no name on disk holds: a control character, a
// separator ("\", "/", ":"), a wildcard ("*", "?"), or one of '"', "<", ">", "|".
bool NameCannotHold(char c);
// True when the text holds the character "*" or "?".
bool HasWildcard(const char* text, size_t n, const LeadBytes& lead);
// Length of the folder part of a path: everything up to and including its last "\", "/"
// or ":"; 0 when there is none (the current folder).
size_t FolderPartLength(const char* path, size_t n, const LeadBytes& lead);
// True for a name that addresses one entry inside its folder and nothing else: not empty,
// not "." or "..", and free of separators, wildcards and the other characters a name on
// disk never holds. A directory search can hand back other names (the ANSI best-fit
// conversion turns a full-width "．．＼x.txt" into "..\x.txt"); joined to the folder,
// those would reach outside it.
bool IsSinglePlainName(const char* name, const LeadBytes& lead);
// True for a name that may be deleted by name: a single plain name that does not end in a
// dot or a space (Windows trims those and would delete another file, possibly a hidden one)
// nor in a lead byte without its second byte (a name cut in two).
bool IsDeletableName(const char* name, const LeadBytes& lead);
// True when path[0, n) is exactly folder + "\" + name, byte for byte, with a folder that is
// not empty and does not end in a lone lead byte (the "\" would become its second byte),
// a deletable name, no NUL, and no more bytes than the file services hand to the system for
// a delete. Anything else (a string that failed to grow and came out short, a folder cut
// back to "c:", an empty folder that makes the target "\") is no path to delete.
bool IsExactDeletePath(const char* path, size_t n, const char* folder, size_t folderLength,
                       const char* name, const LeadBytes& lead);
