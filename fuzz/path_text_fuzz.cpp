// Fuzzes the file services' path text rules: the folder part of a delete pattern, and the
// check that a name handed back by a directory search addresses one entry of that folder.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "base/path_text.h"
#include "fuzz_check.h"

static bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exact copies, so that the address sanitizer sees any read past the end.
    char* path = static_cast<char*>(malloc(size ? size : 1));
    memcpy(path, data, size);

    // The folder part ends just after the last separator, and no separator follows it.
    size_t folder = FolderPartLength(path, size);
    FUZZ_CHECK(folder <= size);
    if (folder > 0) FUZZ_CHECK(IsSeparator(path[folder - 1]));
    for (size_t i = folder; i < size; ++i) FUZZ_CHECK(!IsSeparator(path[i]));

    bool wildcard = memchr(path, '*', size) || memchr(path, '?', size);
    FUZZ_CHECK(HasWildcard(path, size) == wildcard);
    free(path);

    // A name is a NUL-terminated string: an inner NUL ends it early.
    char* name = static_cast<char*>(malloc(size + 1));
    memcpy(name, data, size);
    name[size] = 0;
    if (IsSinglePlainName(name)) {
        size_t n = strlen(name);
        // Joined to its folder, it names one entry there: no way up, down or sideways.
        FUZZ_CHECK(n > 0 && strcmp(name, ".") != 0 && strcmp(name, "..") != 0);
        for (size_t i = 0; i < n; ++i) {
            unsigned char c = static_cast<unsigned char>(name[i]);
            FUZZ_CHECK(c >= 32 && !IsSeparator(name[i]) && !strchr("*?\"<>|", c));
        }
    }
    free(name);
    return 0;
}
