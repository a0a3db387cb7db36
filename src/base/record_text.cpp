#include "base/record_text.h"

#include <string.h>

DynString RecordText(const DynString& installFolder) {
    DynString text(installFolder);
    text += kRecordEnd;
    return text;
}

bool ParseRecord(const char* bytes, size_t n, DynString& installFolder) {
    installFolder.Clear();
    const char* end = static_cast<const char*>(memchr(bytes, kRecordEnd, n));
    if (!end) return false;
    size_t length = static_cast<size_t>(end - bytes);
    if (memchr(bytes, 0, length)) return false;
    installFolder = DynString(bytes, length);
    return true;
}
