// Files in the sandbox's drives (c: is the prefix's own, t: a second mapped drive, p: the
// build tree), seen from a test running under Wine.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// How long a test waits for what is expected to happen before it gives up: long, since in the
// emulated machine a Wine process starts and works many times slower than here. It bounds
// only a failing wait; a passing one returns as soon as the thing happens.
const int kPatienceMs = 90000;

// Makes c:\ the current folder, so that "\zarvo\temp\" resolves inside the sandbox; a test
// that finds itself on z: (the host's /) stops at once.
void EnterSandboxDrive();

bool FileExists(const std::string& path);    // a file, not a folder
bool FolderExists(const std::string& path);
// The file's bytes; "" and *exists = false when it cannot be read.
std::string ReadFileBytes(const std::string& path, bool* exists = nullptr);
void WriteFileBytes(const std::string& path, const std::string& bytes);
void MakeFolders(const std::string& path);   // with every missing parent
void RemoveTree(const std::string& path);    // a file or a folder, read-only entries too
std::vector<std::string> FolderEntries(const std::string& folder);  // names, sorted, no . and ..

// Permissions. This Wine keeps a file's or folder's DACL as its Linux mode, and reports it
// back from that mode: SYSTEM and the owner (this user, or Anonymous Logon for another
// Linux user's file) from the owner's bits, Everyone from the others' bits.
// The DACL as reported, in SDDL, read through a handle on the file or folder; "?" when it
// can't be read.
std::string DaclText(const std::string& path);
// Gives the file or folder the DACL of an SDDL text, through a handle ("D:(A;;FA;;;WD)":
// everyone may change it).
void SetDaclText(const std::string& path, const std::string& sddl);

// The five product files, in table order, and the staging folder's contents.
extern const char* const kProductFiles[5];
const char* const kStaging = "c:\\zarvo\\temp";
// The built installer and four small sample files with distinct bytes in `folder`.
void StageProduct(const std::string& folder = kStaging);
std::string SampleBytes(const std::string& name);  // the bytes StageProduct writes for name

// Removes c:\zarvo and c:\quorbelregistry.dat: a clean machine.
void ResetSandbox();

// Folder links and drives. Wine shows a host directory symlink inside the sandbox as a
// reparse point (attributes 0x410), the stand-in for a junction; its own CreateSymbolicLinkA
// creates nothing, and its DefineDosDevice maps no drive that files can be reached through.
// Wine runs a file that is no Windows program as a host program, so a small shell script,
// written to the sandbox's temporary folder with an ".exe" name, makes and removes links,
// locks folders and maps drive letters, each time started in the folder it acts in and
// touching only names relative to it (and, for a drive, the prefix's own drive list).
bool IsReparsePoint(const std::string& path);
// Makes parent\name a link to parent\target (a folder); waits until Wine shows it.
void MakeFolderLink(const std::string& parent, const std::string& name, const std::string& target);
void RemoveFolderLink(const std::string& parent, const std::string& name);
// Makes parent\name a link to the file parent\target (a relative path); waits until Wine
// reaches the file through it. Wine shows such a link as the file itself, and deletes the
// file when the link is deleted: remove the link with RemoveFileLink.
void MakeFileLink(const std::string& parent, const std::string& name, const std::string& target);
void RemoveFileLink(const std::string& parent, const std::string& name);
// Makes parent\name a folder that can't be entered (no permissions at all), or undoes it;
// waits until Wine sees the change.
void LockFolder(const std::string& parent, const std::string& name, bool locked);
// The same for a file: nobody may read it.
void LockFile(const std::string& parent, const std::string& name, bool locked);
// Maps the drive letter ("x:", d: to y:) onto folder, as a substituted or mapped network
// drive is, and takes it away again.
void MapDrive(const std::string& drive, const std::string& folder);
void UnmapDrive(const std::string& drive);
