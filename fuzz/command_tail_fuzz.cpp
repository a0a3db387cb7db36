// Fuzzes the command-line tail rule with arbitrary command lines.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "app/command_tail.h"
#include "fuzz_check.h"

// Where the tail starts, by the rule written out as index arithmetic.
static size_t ExpectedStart(const char* line, size_t length) {
    size_t i = 0;
    if (line[0] == '"') {
        const char* close = static_cast<const char*>(memchr(line + 1, '"', length - 1));
        if (!close) return length;
        i = static_cast<size_t>(close - line) + 1;
    } else if (line[0] != ' ') {
        while (i < length && static_cast<unsigned char>(line[i]) > 32) ++i;
        if (i == length || line[i] != ' ') return i;
    }
    while (i < length && line[i] == ' ') ++i;
    return i;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The command line is a NUL-terminated string: an inner NUL simply ends it early.
    char* line = static_cast<char*>(malloc(size + 1));
    memcpy(line, data, size);
    line[size] = 0;
    size_t length = strlen(line);

    const char* tail = CommandTailStart(line);
    // The tail is always a suffix of the command line: it points inside it or at its NUL.
    FUZZ_CHECK(tail >= line && tail <= line + length);
    // Blanks between the program name and the tail belong to neither.
    FUZZ_CHECK(tail[0] != ' ');
    if (length > 0) FUZZ_CHECK(static_cast<size_t>(tail - line) == ExpectedStart(line, length));
    else FUZZ_CHECK(tail == line);

    free(line);
    return 0;
}
