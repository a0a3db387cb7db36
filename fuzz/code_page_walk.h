// What the fuzz properties know of characters, written out on their own: a lead byte followed
// by a byte other than NUL is one character of two bytes, every other byte one character.
// Each target checks its properties under code page 932's table and a single-byte one.
#pragma once
#include <stddef.h>
#include <string.h>

#include "base/folder_shape.h"
#include "support/code_pages.h"

const LeadBytes kFuzzTables[] = {Cp932LeadBytes(), SingleByteLeadBytes()};

// second[i] is true when byte i is the second byte of a two-byte character.
inline void MarkSecondBytes(const char* text, size_t n, const LeadBytes& lead, bool* second) {
    for (size_t i = 0; i < n; ++i) second[i] = false;
    for (size_t i = 0; i < n; ++i)
        if (lead.lead[static_cast<unsigned char>(text[i])] && i + 1 < n && text[i + 1] != 0) second[++i] = true;
}

// The text with every second byte that is no control byte replaced by "A" (an ordinary second
// byte): a judgement by characters can't tell the two apart, whatever the byte was ("\", "|",
// "*", "."...).
inline void NeutralSecondBytes(char* text, size_t n, const LeadBytes& lead) {
    bool* second = new bool[n ? n : 1];
    MarkSecondBytes(text, n, lead, second);
    for (size_t i = 0; i < n; ++i)
        if (second[i] && static_cast<unsigned char>(text[i]) >= 32) text[i] = 'A';
    delete[] second;
}

// Whether a dot or a blank that is a character of its own ends a level: comes right before a
// separator (a "\" or "/" of its own) or ends the text, after the root ("c:" or a share):
// a level that Windows trims.
inline bool EndsALevelInDotOrBlank(const char* text, size_t n, const LeadBytes& lead) {
    bool* second = new bool[n ? n : 1];
    MarkSecondBytes(text, n, lead, second);
    const size_t root = FolderRootLength(text, n, lead);
    bool found = false;
    for (size_t i = root; i < n && !found; ++i) {
        if (second[i] || (text[i] != '.' && text[i] != ' ')) continue;
        const bool levelEnds = i + 1 == n || ((text[i + 1] == '\\' || text[i + 1] == '/') && !second[i + 1]);
        found = levelEnds;
    }
    delete[] second;
    return found;
}
