// The lead-byte tables that the path text rules are tested and fuzzed with: code page 932's
// (Japanese Windows), whose characters such as "ソ" (0x83 0x5C) and "ポ" (0x83 0x7C) end in
// the bytes of "\" and "|", and a single-byte code page's. Free of Windows headers.
#pragma once
#include "base/path_text.h"

inline LeadBytes Cp932LeadBytes() {
    LeadBytes table = {};
    for (int b = 0x81; b <= 0x9F; ++b) table.lead[b] = true;
    for (int b = 0xE0; b <= 0xFC; ++b) table.lead[b] = true;
    return table;
}

inline LeadBytes SingleByteLeadBytes() { return LeadBytes{}; }

// "ソフト" in code page 932: the first character's second byte is "\".
const char kSofutoCp932[] = "\x83\x5C\x83\x74\x83\x67";
