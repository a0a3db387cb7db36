// Which file or folder a handle or path refers to, whatever its spelling, where the system
// says it is, and its deletion through its own handle. Nothing is held here.
#pragma once
#include <windows.h>

#include "fs/error_state.h"

// The longest wide path the program builds or asks the system for, in characters.
const int kMaxWide = MAX_PATH * 2;
// Opens that leave others free to read, write, rename and delete: for looking, not holding.
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Which file or folder a handle or path refers to, whatever its spelling.
struct FileIdentity {
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
};
bool IdentityOfHandle(HANDLE handle, FileIdentity* identity);
// The identity of what the path opens (links followed); false when it can't be opened.
bool IdentityOfPath(const char* path, FileIdentity* identity);
bool IdentityOfPathW(const wchar_t* path, FileIdentity* identity);
// The same for a path the system gave (a handle's final path, a process's image): such a
// path names the file itself, never a redirected one.
bool IdentityOfSystemPath(const wchar_t* path, FileIdentity* identity);
bool SameIdentity(const FileIdentity& a, const FileIdentity& b);

// The identity of the folder that holds the file open on `file`, and the file's own name there,
// as the system says where the file really is (its final path).
bool FinalFolderAndName(HANDLE file, FileIdentity* folder, wchar_t (&name)[kMaxWide]);
// True when the file open on `file` is the very entry that `path` names: it lies in the folder
// the path names, under the name that folder lists for the path. A link's target elsewhere or
// under another name is not.
bool IsFileAtPath(HANDLE file, const char* path);

// Opens a path the system gave, or one made of it and an exact name, as IdentityOfSystemPath
// looks at it (with WoW64's redirection off for the call), sharing everything. flags as for
// CreateFileW. INVALID_HANDLE_VALUE, with the error code in *code, when it can't be opened.
HANDLE OpenSystemPath(const wchar_t* path, DWORD access, DWORD flags, DWORD* code);
// The same for a new file at such a path: made only where nothing is (CREATE_NEW), open to
// this process alone.
HANDLE CreateAtSystemPath(const wchar_t* path, DWORD access, DWORD* code);
// Renames the file open on `file` (with DELETE access) to such a path, replacing what has that
// name; the system's error code, 0 when it is done.
DWORD RenameToSystemPath(HANDLE file, const wchar_t* path);

// Marks the file or folder open on `file` (with DELETE access) for deletion: it goes when its
// last handle closes. True when marked; a refusal is recorded in error.
bool MarkForDeletion(ErrorState& error, HANDLE file);
// Gives the file open on `file` these attributes (none: a plain file), through that handle
// alone. True when set; a refusal is recorded in error.
bool SetHandleAttributes(ErrorState& error, HANDLE file, DWORD attributes);

// Where a handle's file really is, as GetFinalPathNameByHandleW tells it. Tests put their own
// answer in place to show that a delete whose file lies elsewhere does not happen.
extern DWORD(WINAPI* FinalPathQuery)(HANDLE file, LPWSTR path, DWORD size, DWORD flags);
