// Fuzzes the parse of the installation record with arbitrary file contents.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "base/dyn_string.h"
#include "base/record_text.h"
#include "fuzz_check.h"

static void CheckParse(const char* bytes, size_t n) {
    DynString folder("left over");
    bool found = ParseRecord(bytes, n, folder);
    const char* end = static_cast<const char*>(memchr(bytes, kRecordEnd, n));
    if (found) {
        // The folder is exactly the bytes before the first carriage return.
        FUZZ_CHECK(end != nullptr);
        FUZZ_CHECK(folder.size() == static_cast<size_t>(end - bytes));
        FUZZ_CHECK(memcmp(folder.data(), bytes, folder.size()) == 0);
        // So it never holds a carriage return, nor a NUL that would cut it short.
        FUZZ_CHECK(memchr(folder.data(), kRecordEnd, folder.size()) == nullptr);
        FUZZ_CHECK(memchr(folder.data(), 0, folder.size()) == nullptr);
        // Written again, it reads back the same.
        DynString text = RecordText(folder);
        DynString again;
        FUZZ_CHECK(ParseRecord(text.data(), text.size(), again) && again == folder);
    } else {
        // No record: nothing is left of an earlier folder.
        FUZZ_CHECK(folder.empty());
        FUZZ_CHECK(end == nullptr || memchr(bytes, 0, static_cast<size_t>(end - bytes)) != nullptr);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The reader sees at most the first kRecordReadLimit bytes of the file; the parse itself
    // must also hold for any length. Copies of exactly that length let the address
    // sanitizer catch a read past the end.
    const char* bytes = reinterpret_cast<const char*>(data);
    CheckParse(bytes, size);
    size_t seen = size < kRecordReadLimit ? size : kRecordReadLimit;
    char* exact = static_cast<char*>(malloc(seen ? seen : 1));
    memcpy(exact, bytes, seen);
    CheckParse(exact, seen);
    DynString folder;
    if (ParseRecord(exact, seen, folder)) FUZZ_CHECK(folder.size() < kRecordReadLimit);
    free(exact);
    return 0;
}
