#include "fs/code_page.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>

const LeadBytes& AnsiLeadBytes() {
    // Zero until first asked: the program runs no static constructors.
    static LeadBytes table;
    static bool asked;
    if (!asked) {
        CPINFO info;
        if (GetCPInfo(CP_ACP, &info)) table = LeadBytesOfRanges(info.LeadByte, MAX_LEADBYTES);
        asked = true;
    }
    return table;
}

bool ExactAnsiText(const wchar_t* text, size_t n, DynString& ansi) {
    ansi = DynString();
    if (n == 0) return true;
    if (n > 0x7fffffff) return false;
    const int length = static_cast<int>(n);
    // UTF-8 has no best fit and takes no question about a default character.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* askDefault = utf8 ? nullptr : &usedDefault;
    int size = WideCharToMultiByte(CP_ACP, flags, text, length, nullptr, 0, nullptr, askDefault);
    if (size <= 0 || usedDefault) return false;
    char* bytes = static_cast<char*>(malloc(size));
    wchar_t* back = static_cast<wchar_t*>(malloc(n * sizeof(wchar_t)));
    bool exact = false;
    if (bytes && back && WideCharToMultiByte(CP_ACP, flags, text, length, bytes, size, nullptr, askDefault) == size &&
        !usedDefault &&
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, size, back, length) == length &&
        memcmp(back, text, n * sizeof(wchar_t)) == 0) {
        ansi = DynString(bytes, size);
        exact = ansi.size() == static_cast<size_t>(size);
    }
    free(bytes);
    free(back);
    return exact;
}
