// Files in the sandbox's drives (c: is the prefix's own, t: a second mapped drive, p: the
// build tree), seen from a test running under Wine.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

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

// The five product files, in table order, and the staging folder's contents.
extern const char* const kProductFiles[5];
const char* const kStaging = "c:\\zarvo\\temp";
// The built installer and four small sample files with distinct bytes in `folder`.
void StageProduct(const std::string& folder = kStaging);
std::string SampleBytes(const std::string& name);  // the bytes StageProduct writes for name

// Removes c:\zarvo and c:\quorbelregistry.dat: a clean machine.
void ResetSandbox();
