// The command-line tail: what follows the program's own name. Free of Windows headers.
#pragma once

// Returns a pointer into commandLine (never before it, never past its NUL) where the
// tail begins. Only the space (32) counts as a blank. A null command line gives "". The same
// rule for the ANSI command line and for the wide one, character by character.
const char* CommandTailStart(const char* commandLine);
const wchar_t* CommandTailStart(const wchar_t* commandLine);
