// What the install procedure reads from the command-line tail: a record path and an
// install folder. Free of Windows headers.
#pragma once
#include <stddef.h>

#include "base/dyn_string.h"
#include "base/path_text.h"
#include "base/product.h"

// Where the two parts lie in a tail of n characters: the record path in [recordFrom, recordTo),
// the install folder in [folderFrom, folderTo). A tail that begins with a double quote loses
// its first and last character. The text before the first blank is the record path, the text
// after it the install folder; with no blank the whole text is the install folder. One
// trailing backslash is removed from the folder. Characters, not bytes: next(i) is where the
// character after the one that starts at i begins, so the second byte of a double-byte
// character is never the backslash that goes. An empty part is left to its default.
struct TailParts {
    size_t recordFrom, recordTo;
    size_t folderFrom, folderTo;
};

template <typename Char, typename Next>
TailParts FindTailParts(const Char* tail, size_t n, Next next) {
    // Where the last character of [from, to) starts; from when it is empty.
    auto lastStart = [&](size_t from, size_t to) {
        size_t last = from;
        for (size_t i = from; i < to; i = next(i)) last = i;
        return last;
    };
    size_t from = 0, to = n;
    if (n > 0 && tail[0] == '"') {
        // The last character goes too, whether or not it is the closing quote.
        to = lastStart(0, n);
        from = to > 0 ? 1 : 0;
    }
    size_t blank = from;
    while (blank < to && tail[blank] != ' ') blank = next(blank);
    TailParts parts = blank < to ? TailParts{from, blank, blank + 1, to} : TailParts{from, from, from, to};
    if (parts.folderTo > parts.folderFrom) {
        size_t last = lastStart(parts.folderFrom, parts.folderTo);
        if (tail[last] == '\\' && next(last) == parts.folderTo) parts.folderTo = last;
    }
    return parts;
}

// The two parts of an ANSI tail, walked by characters of the code page whose lead bytes are
// given; an empty folder or record path becomes its default.
void SplitInstallTail(const DynString& tail, DynString& recordPath, DynString& installFolder,
                      const LeadBytes& lead);
