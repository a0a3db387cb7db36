#include "app/command_tail.h"

const char* CommandTailStart(const char* commandLine) {
    if (!commandLine) return "";
    const char* p = commandLine;
    if (*p == '"') {
        // A quoted program name runs to the next quote; without one there is no tail.
        ++p;
        while (*p && *p != '"') ++p;
        if (!*p) return p;
        ++p;
        while (*p == ' ') ++p;
        return p;
    }
    if (*p == ' ') {
        while (*p == ' ') ++p;
        return p;
    }
    while (static_cast<unsigned char>(*p) > 32) ++p;
    if (*p == ' ') {
        while (*p == ' ') ++p;
    }
    // Any other control character (a tab, or the terminating NUL) starts the tail.
    return p;
}
