// Fuzzes the file services' path text rules, by characters of code page 932 and of a
// single-byte code page: the folder part of a delete pattern, the check that a name handed
// back by a directory search addresses one entry of that folder and may be deleted by name,
// and the check that a delete goes exactly to folder + "\" + name.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "base/path_text.h"
#include "code_page_walk.h"
#include "fuzz_check.h"

static bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

static void CheckPath(const char* data, size_t size, const LeadBytes& lead) {
    // Exact copies, so that the address sanitizer sees any read past the end.
    char* path = static_cast<char*>(malloc(size ? size : 1));
    memcpy(path, data, size);
    bool* second = new bool[size ? size : 1];
    MarkSecondBytes(path, size, lead, second);

    // The folder part ends just after the last separator character, and no separator
    // character follows it; a second byte is never one.
    size_t folder = FolderPartLength(path, size, lead);
    FUZZ_CHECK(folder <= size);
    if (folder > 0) FUZZ_CHECK(IsSeparator(path[folder - 1]) && !second[folder - 1]);
    for (size_t i = folder; i < size; ++i) FUZZ_CHECK(second[i] || !IsSeparator(path[i]));

    bool wildcard = false;
    for (size_t i = 0; i < size; ++i) wildcard = wildcard || (!second[i] && (path[i] == '*' || path[i] == '?'));
    FUZZ_CHECK(HasWildcard(path, size, lead) == wildcard);

    // The last character and a cut: never half a character.
    size_t last = LastCharStart(path, size, lead);
    FUZZ_CHECK(size == 0 ? last == 0 : last < size && !second[last]);
    const size_t limits[] = {0, 1, size / 2, kNamePathLimit};
    for (size_t limit : limits) {
        size_t cut = CutLength(path, size, limit, lead);
        FUZZ_CHECK(cut <= limit || cut == size);
        FUZZ_CHECK(cut == size || !second[cut]);
        size_t next = cut + 1 < size && second[cut + 1] ? 2 : 1;  // the character cut off
        FUZZ_CHECK(cut == size || cut + next > limit);                // as long as it can be
    }

    // Whatever the second bytes are, the judgement stays.
    char* neutral = static_cast<char*>(malloc(size ? size : 1));
    memcpy(neutral, path, size);
    NeutralSecondBytes(neutral, size, lead);
    FUZZ_CHECK(FolderPartLength(neutral, size, lead) == folder);
    FUZZ_CHECK(HasWildcard(neutral, size, lead) == wildcard);
    free(neutral);
    delete[] second;
    free(path);
}

static void CheckName(const char* data, size_t size, const LeadBytes& lead) {
    // A name is a NUL-terminated string: an inner NUL ends it early.
    char* name = static_cast<char*>(malloc(size + 1));
    memcpy(name, data, size);
    name[size] = 0;
    size_t n = strlen(name);
    bool* second = new bool[n ? n : 1];
    MarkSecondBytes(name, n, lead, second);

    bool plain = IsSinglePlainName(name, lead);
    if (plain) {
        // Joined to its folder, it names one entry there: no way up, down or sideways.
        FUZZ_CHECK(n > 0 && strcmp(name, ".") != 0 && strcmp(name, "..") != 0);
        for (size_t i = 0; i < n; ++i) {
            unsigned char c = static_cast<unsigned char>(name[i]);
            FUZZ_CHECK(second[i] || (c >= 32 && !IsSeparator(name[i]) && !strchr("*?\"<>|", c)));
        }
    }
    bool deletable = IsDeletableName(name, lead);
    if (deletable) {
        FUZZ_CHECK(plain);
        // Nothing that Windows trims (a last dot or space), no character cut in two.
        size_t last = n - 1;
        FUZZ_CHECK(second[last] || (name[last] != '.' && name[last] != ' '));
        FUZZ_CHECK(second[last] || !lead.lead[static_cast<unsigned char>(name[last])]);
    }
    // A name cut short inside a character is never deletable.
    for (size_t cut = 1; cut < n; ++cut)
        if (second[cut]) {
            char keep = name[cut];
            name[cut] = 0;
            FUZZ_CHECK(!IsDeletableName(name, lead));
            name[cut] = keep;
        }

    // Whatever the second bytes are, the judgement stays.
    NeutralSecondBytes(name, n, lead);
    FUZZ_CHECK(IsSinglePlainName(name, lead) == plain);
    FUZZ_CHECK(IsDeletableName(name, lead) == deletable);
    delete[] second;
    free(name);
}

// The input split in two, a folder and a name; the path joins them with "\" or comes out of
// a slip (a byte short, a byte long, a folder cut back).
static void CheckDeletePath(const char* data, size_t size, const LeadBytes& lead) {
    if (size < 2) return;
    size_t split = 1 + static_cast<unsigned char>(data[0]) % (size - 1);
    const char* folder = data + 1;
    size_t folderLength = split - 1;
    char* name = static_cast<char*>(malloc(size - split + 1));
    memcpy(name, data + split, size - split);
    name[size - split] = 0;
    size_t nameLength = strlen(name);

    size_t n = folderLength + 1 + nameLength;
    char* path = static_cast<char*>(malloc(n + 1));
    memcpy(path, folder, folderLength);
    path[folderLength] = '\\';
    memcpy(path + folderLength + 1, name, nameLength);

    if (IsExactDeletePath(path, n, folder, folderLength, name, lead)) {
        // The delete lands in the folder: the "\" put between them is the last separator
        // character of the path, and the folder before it is whole.
        FUZZ_CHECK(folderLength > 0 && n <= kNamePathLimit && memchr(path, 0, n) == nullptr);
        FUZZ_CHECK(FolderPartLength(path, n, lead) == folderLength + 1);
        FUZZ_CHECK(!EndsInLoneLeadByte(folder, folderLength, lead) && IsDeletableName(name, lead));
        // Any other length is refused.
        FUZZ_CHECK(!IsExactDeletePath(path, n - 1, folder, folderLength, name, lead));
        path[n] = 'x';
        FUZZ_CHECK(!IsExactDeletePath(path, n + 1, folder, folderLength, name, lead));
        FUZZ_CHECK(!IsExactDeletePath(path, folderLength, folder, folderLength, name, lead));
    }
    FUZZ_CHECK(!IsExactDeletePath(path, n, folder, 0, name, lead));
    free(path);
    free(name);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    for (const LeadBytes& lead : kFuzzTables) {
        CheckPath(bytes, size, lead);
        CheckName(bytes, size, lead);
        CheckDeletePath(bytes, size, lead);
    }
    return 0;
}
