#include "app/command_tail.h"

namespace {

unsigned Code(char c) { return static_cast<unsigned char>(c); }
unsigned Code(wchar_t c) { return static_cast<unsigned>(c); }

template <typename Char>
const Char* TailStart(const Char* commandLine, const Char* empty) {
    if (!commandLine) return empty;
    const Char* p = commandLine;
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
    while (Code(*p) > 32) ++p;
    if (*p == ' ') {
        while (*p == ' ') ++p;
    }
    // Any other control character (a tab, or the terminating NUL) starts the tail.
    return p;
}

}  // namespace

const char* CommandTailStart(const char* commandLine) { return TailStart(commandLine, ""); }
const wchar_t* CommandTailStart(const wchar_t* commandLine) { return TailStart(commandLine, L""); }
