#include "base/path_text.h"

bool NameCannotHold(char c) {
    switch (c) {
    case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
        return true;
    }
    return static_cast<unsigned char>(c) < 32;
}

bool HasWildcard(const char* text, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (text[i] == '*' || text[i] == '?') return true;
    return false;
}

size_t FolderPartLength(const char* path, size_t n) {
    while (n > 0 && path[n - 1] != '\\' && path[n - 1] != '/' && path[n - 1] != ':') --n;
    return n;
}

bool IsSinglePlainName(const char* name) {
    if (name[0] == 0) return false;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) return false;
    for (const char* c = name; *c; ++c)
        if (NameCannotHold(*c)) return false;
    return true;
}
