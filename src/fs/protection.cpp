#include "fs/protection.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

// Administrators and SYSTEM full control; Users read and execute, in the folder and in
// everything made in it; nothing inherited from the folder above.
const char* const kFolderProtection = "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
// Administrators and SYSTEM full control; Users read.
const char* const kRecordProtection = "D:P(A;;FA;;;BA)(A;;FA;;;SY)(A;;FR;;;BU)";

// Every right that changes a file or folder: its data (a folder's entries), its attributes
// and extended attributes, its name or existence, its DACL or owner.
const ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                  FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                  WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// NT SERVICE\TrustedInstaller: S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464.
const DWORD kTrustedInstallerSubAuthorities[] = {80, 956008885, 3418522649u, 1831038044, 1853292631,
                                                 2271478464u};
const BYTE kSubAuthorityCount = sizeof kTrustedInstallerSubAuthorities / sizeof(DWORD);

bool IsTrustedInstaller(PSID sid) {
    const SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    const SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(sid);
    if (!authority || *GetSidSubAuthorityCount(sid) != kSubAuthorityCount) return false;
    for (int i = 0; i < 6; ++i)
        if (authority->Value[i] != nt.Value[i]) return false;
    for (BYTE i = 0; i < kSubAuthorityCount; ++i)
        if (*GetSidSubAuthority(sid, i) != kTrustedInstallerSubAuthorities[i]) return false;
    return true;
}

bool IsTrustedSid(PSID sid, PSID user) {
    if (!IsValidSid(sid)) return false;
    return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid) ||
           IsTrustedInstaller(sid) || (user && EqualSid(sid, user));
}

bool TokenIsElevatedAdministrator() {
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    BOOL member = FALSE;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) ||
        !CheckTokenMembership(nullptr, administrators, &member) || !member)
        return false;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation = {};
    DWORD got = 0;
    BOOL read = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &got);
    CloseHandle(token);
    return read && elevation.TokenIsElevated != 0;
}

// The user of the process token, copied into buffer; null when it can't be read.
PSID ProcessUser(DWORD (&buffer)[32]) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
    BYTE tokenUser[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD got = 0;
    BOOL read = GetTokenInformation(token, TokenUser, tokenUser, sizeof tokenUser, &got);
    CloseHandle(token);
    if (!read) return nullptr;
    PSID sid = reinterpret_cast<TOKEN_USER*>(tokenUser)->User.Sid;
    if (!CopySid(sizeof buffer, buffer, sid)) return nullptr;
    return buffer;
}

}  // namespace

bool (*ElevationQuery)() = TokenIsElevatedAdministrator;

bool RunsElevated() { return ElevationQuery(); }

PSECURITY_DESCRIPTOR NewProtection(ProtectedObject object) {
    const char* text = object == kProtectedFolder ? kFolderProtection : kRecordProtection;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &descriptor, nullptr))
        return nullptr;
    return descriptor;
}

PSECURITY_DESCRIPTOR ProtectionForCreation(ProtectedObject object) {
    return RunsElevated() ? NewProtection(object) : nullptr;
}

bool ApplyProtection(HANDLE object, PSECURITY_DESCRIPTOR protection) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!protection || !GetSecurityDescriptorDacl(protection, &present, &dacl, &defaulted) || !present || !dacl)
        return false;
    return SetSecurityInfo(object, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                           nullptr, nullptr, dacl, nullptr) == ERROR_SUCCESS;
}

bool ProtectFolderFoundThere(HANDLE folder) {
    PSECURITY_DESCRIPTOR protection = NewProtection(kProtectedFolder);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    HANDLE token = nullptr;
    BYTE owner[sizeof(TOKEN_OWNER) + SECURITY_MAX_SID_SIZE];
    DWORD got = 0;
    SECURITY_DESCRIPTOR wanted;
    // Set through the low-level call: the higher-level ones pass inheritable entries on to
    // everything already inside, files that are not the product's among them.
    bool taken = protection && GetSecurityDescriptorDacl(protection, &present, &dacl, &defaulted) && present && dacl &&
                 OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
                 GetTokenInformation(token, TokenOwner, owner, sizeof owner, &got) &&
                 InitializeSecurityDescriptor(&wanted, SECURITY_DESCRIPTOR_REVISION) &&
                 SetSecurityDescriptorOwner(&wanted, reinterpret_cast<TOKEN_OWNER*>(owner)->Owner, FALSE) &&
                 SetSecurityDescriptorDacl(&wanted, TRUE, dacl, FALSE) &&
                 SetSecurityDescriptorControl(&wanted, SE_DACL_PROTECTED, SE_DACL_PROTECTED) &&
                 SetKernelObjectSecurity(folder, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &wanted);
    if (token) CloseHandle(token);
    LocalFree(protection);
    return taken && IsTrustedObject(folder);
}

bool IsTrustedDescriptor(PSECURITY_DESCRIPTOR descriptor, PSID user) {
    if (!descriptor || !IsValidSecurityDescriptor(descriptor)) return false;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner || !IsTrustedSid(owner, user))
        return false;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    // No DACL, or a NULL one, lets everyone do everything.
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl) return false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* entry = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&entry))) return false;
        if (entry->AceFlags & INHERIT_ONLY_ACE) continue;  // only for what is made inside
        switch (entry->AceType) {
        case ACCESS_DENIED_ACE_TYPE:
        case ACCESS_DENIED_CALLBACK_ACE_TYPE:
            continue;  // a denial never lets anyone in
        case ACCESS_ALLOWED_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
            // Both kinds lay out mask and SID alike.
            ACCESS_ALLOWED_ACE* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(entry);
            if ((allowed->Mask & kChangeRights) && !IsTrustedSid(&allowed->SidStart, user)) return false;
            continue;
        }
        default:
            return false;
        }
    }
    return true;
}

bool IsTrustedObject(HANDLE object) {
    if (object == INVALID_HANDLE_VALUE || !object) return false;
    DWORD buffer[32];
    PSID user = ProcessUser(buffer);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    bool trusted = IsTrustedDescriptor(descriptor, user);
    LocalFree(descriptor);
    return trusted;
}
