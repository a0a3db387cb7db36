// Who may change what the installer leaves behind. An elevated install gives the folder it
// makes and the record descriptors that let only Administrators and SYSTEM change them; a
// removal trusts a record or folder with more than the product's files only when no one
// else may change it. Enforcement is the system's own: this code only asks for it and reads it.
#pragma once
#include <windows.h>

// Whether the process runs elevated: the Administrators group enabled in an elevated token.
// The process token answers; tests put their own answer in place.
extern bool (*ElevationQuery)();
bool RunsElevated();

enum ProtectedObject {
    kProtectedFolder,  // the install folder: passed on to what is copied into it
    kProtectedRecord,  // the installation record
};

// A new self-relative descriptor with the object's protected DACL and no owner or group
// (the creator's default owner applies); LocalFree it. Null when it can't be built.
PSECURITY_DESCRIPTOR NewProtection(ProtectedObject object);
// The descriptor to create the object with: NewProtection when the process runs elevated,
// null (the system's default) when it does not.
PSECURITY_DESCRIPTOR ProtectionForCreation(ProtectedObject object);
// Replaces the DACL of the object open on handle (opened with WRITE_DAC) with the
// descriptor's, protected from inheritance. False when the system refuses.
bool ApplyProtection(HANDLE object, PSECURITY_DESCRIPTOR protection);

// Gives a folder that was there before the install, open on `folder` with READ_CONTROL,
// WRITE_DAC and WRITE_OWNER, what a folder the install makes has: this process's default owner
// and the install folder's protected DACL. Only the folder itself changes: nothing already
// inside it is touched. True when the system took both and the folder is trusted afterwards,
// as read back through the handle.
bool ProtectFolderFoundThere(HANDLE folder);

// The trust rule. True only when the descriptor has an owner and a DACL, the owner is
// Administrators, SYSTEM, TrustedInstaller or user, and every allow entry that applies to
// the object itself and grants a right to change it (its data, attributes, name, DACL or
// owner, or the entries of a folder) names one of them. An entry of a kind the rule does
// not read makes the descriptor untrusted.
bool IsTrustedDescriptor(PSECURITY_DESCRIPTOR descriptor, PSID user);
// The rule for the object open on handle (any handle with READ_CONTROL), with this
// process's own user: false when its descriptor can't be read.
bool IsTrustedObject(HANDLE object);
