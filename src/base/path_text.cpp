#include "base/path_text.h"

#include <string.h>

LeadBytes LeadBytesOfRanges(const unsigned char* ranges, size_t count) {
    LeadBytes table = {};
    for (size_t i = 0; i + 1 < count; i += 2) {
        unsigned first = ranges[i], last = ranges[i + 1];
        if (first == 0 && last == 0) break;
        for (unsigned b = first; b <= last; ++b) table.lead[b] = true;
    }
    return table;
}

size_t CharLength(const char* text, size_t i, size_t n, const LeadBytes& lead) {
    bool pair = lead.lead[static_cast<unsigned char>(text[i])] && i + 1 < n && text[i + 1] != 0;
    return pair ? 2 : 1;
}

size_t LastCharStart(const char* text, size_t n, const LeadBytes& lead) {
    size_t start = 0;
    for (size_t i = 0; i < n; i += CharLength(text, i, n, lead)) start = i;
    return start;
}

bool EndsWithChar(const char* text, size_t n, char c, const LeadBytes& lead) {
    return n > 0 && LastCharStart(text, n, lead) == n - 1 && text[n - 1] == c;
}

bool EndsInLoneLeadByte(const char* text, size_t n, const LeadBytes& lead) {
    return n > 0 && LastCharStart(text, n, lead) == n - 1 &&
           lead.lead[static_cast<unsigned char>(text[n - 1])];
}

size_t CutLength(const char* text, size_t n, size_t limit, const LeadBytes& lead) {
    if (n <= limit) return n;
    size_t cut = 0;
    for (size_t i = 0; i <= limit; i += CharLength(text, i, n, lead)) cut = i;
    return cut;
}

bool NameCannotHold(char c) {
    switch (c) {
    case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
        return true;
    }
    return static_cast<unsigned char>(c) < 32;
}

bool HasWildcard(const char* text, size_t n, const LeadBytes& lead) {
    for (size_t i = 0, step; i < n; i += step) {
        step = CharLength(text, i, n, lead);
        if (step == 1 && (text[i] == '*' || text[i] == '?')) return true;
    }
    return false;
}

size_t FolderPartLength(const char* path, size_t n, const LeadBytes& lead) {
    size_t folder = 0;
    for (size_t i = 0, step; i < n; i += step) {
        step = CharLength(path, i, n, lead);
        if (step == 1 && (path[i] == '\\' || path[i] == '/' || path[i] == ':')) folder = i + 1;
    }
    return folder;
}

bool IsSinglePlainName(const char* name, const LeadBytes& lead) {
    if (name[0] == 0) return false;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) return false;
    size_t n = strlen(name);
    for (size_t i = 0, step; i < n; i += step) {
        step = CharLength(name, i, n, lead);
        if (step == 1 && NameCannotHold(name[i])) return false;
    }
    return true;
}

bool IsDeletableName(const char* name, const LeadBytes& lead) {
    if (!IsSinglePlainName(name, lead)) return false;
    size_t n = strlen(name);
    return !EndsWithChar(name, n, '.', lead) && !EndsWithChar(name, n, ' ', lead) &&
           !EndsInLoneLeadByte(name, n, lead);
}

bool IsExactDeletePath(const char* path, size_t n, const char* folder, size_t folderLength,
                       const char* name, const LeadBytes& lead) {
    if (!path || !folder || !name || folderLength == 0) return false;
    if (EndsInLoneLeadByte(folder, folderLength, lead) || !IsDeletableName(name, lead)) return false;
    size_t nameLength = strlen(name);
    if (n != folderLength + 1 + nameLength || n > kNamePathLimit) return false;
    if (memchr(path, 0, n)) return false;
    return memcmp(path, folder, folderLength) == 0 && path[folderLength] == '\\' &&
           memcmp(path + folderLength + 1, name, nameLength) == 0;
}
