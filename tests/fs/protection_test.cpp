// The protection an elevated install asks for and the trust a removal gives, read back with
// the system's own security calls.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "fs/protection.h"
#include "fs_fixture.h"

namespace {

const char kAdministrators[] = "S-1-5-32-544";
const char kSystem[] = "S-1-5-18";
const char kUsers[] = "S-1-5-32-545";
const char kTrustedInstaller[] = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
// A domain of the test's own: its Domain Users group and one of its users.
const char kDomainUsers[] = "S-1-5-21-1111111111-2222222222-3333333333-513";
const char kOtherUser[] = "S-1-5-21-1111111111-2222222222-3333333333-1104";

std::string SidText(PSID sid) {
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) return "?";
    std::string s = text;
    LocalFree(text);
    return s;
}

std::string ThisUser() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return "?";
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD got = 0;
    BOOL read = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &got);
    CloseHandle(token);
    return read ? SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid) : "?";
}

// One DACL entry as "type flags mask sid", flags and mask in hex.
std::string EntryText(const ACCESS_ALLOWED_ACE* entry) {
    char head[48];
    snprintf(head, sizeof head, "%u 0x%x 0x%lx ", entry->Header.AceType, entry->Header.AceFlags,
             static_cast<unsigned long>(entry->Mask));
    return head + SidText(const_cast<DWORD*>(&entry->SidStart));
}

// An allow entry as EntryText shows it.
std::string Allowed(BYTE flags, ACCESS_MASK mask, const char* sid) {
    char head[48];
    snprintf(head, sizeof head, "%u 0x%x 0x%lx ", ACCESS_ALLOWED_ACE_TYPE, flags, static_cast<unsigned long>(mask));
    return head + std::string(sid);
}

struct Dacl {
    bool present = false;
    bool null = false;
    bool isProtected = false;
    bool hasOwner = true;
    std::vector<std::string> entries;
};

Dacl ReadDacl(PSECURITY_DESCRIPTOR descriptor) {
    Dacl d;
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted)) return d;
    d.present = present != 0;
    d.null = present && !acl;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    d.isProtected = (control & SE_DACL_PROTECTED) != 0;
    PSID owner = nullptr;
    GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    d.hasOwner = owner != nullptr;
    for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
        void* entry = nullptr;
        if (GetAce(acl, i, &entry)) d.entries.push_back(EntryText(static_cast<ACCESS_ALLOWED_ACE*>(entry)));
    }
    return d;
}

PSECURITY_DESCRIPTOR FromText(const std::string& sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr);
    return descriptor;
}

class ElevationSeam : public ::testing::Test {
protected:
    void TearDown() override { ElevationQuery = original; }
    bool (*original)() = ElevationQuery;
};

class Protection : public FileServices {};

}  // namespace

TEST(ProtectionDescriptors, TheFolderAndTheRecordGetExactlyTheirEntriesProtected) {
    const BYTE inherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    const struct {
        const char* what;
        ProtectedObject object;
        std::vector<std::string> entries;
    } cases[] = {
        {"the install folder", kProtectedFolder,
         {Allowed(inherited, FILE_ALL_ACCESS, kAdministrators), Allowed(inherited, FILE_ALL_ACCESS, kSystem),
          Allowed(inherited, READ_CONTROL | SYNCHRONIZE | FILE_READ_DATA | FILE_READ_EA | FILE_EXECUTE |
                               FILE_READ_ATTRIBUTES, kUsers)}},
        {"the record", kProtectedRecord,
         {Allowed(0, FILE_ALL_ACCESS, kAdministrators), Allowed(0, FILE_ALL_ACCESS, kSystem),
          Allowed(0, FILE_GENERIC_READ, kUsers)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PSECURITY_DESCRIPTOR descriptor = NewProtection(c.object);
        ASSERT_TRUE(descriptor);
        EXPECT_TRUE(IsValidSecurityDescriptor(descriptor));
        Dacl dacl = ReadDacl(descriptor);
        EXPECT_TRUE(dacl.present);
        EXPECT_FALSE(dacl.null);
        EXPECT_TRUE(dacl.isProtected) << "nothing inherited from the folder above";
        EXPECT_FALSE(dacl.hasOwner) << "the creator's default owner applies";
        EXPECT_EQ(dacl.entries, c.entries);
        LocalFree(descriptor);
    }
}

TEST_F(ElevationSeam, TheCreationDescriptorFollowsElevation) {
    EXPECT_TRUE(RunsElevated()) << "this Wine's processes run elevated";
    ElevationQuery = [] { return false; };
    EXPECT_FALSE(RunsElevated());
    EXPECT_EQ(ProtectionForCreation(kProtectedFolder), nullptr);
    EXPECT_EQ(ProtectionForCreation(kProtectedRecord), nullptr);
    ElevationQuery = [] { return true; };
    for (ProtectedObject object : {kProtectedFolder, kProtectedRecord}) {
        PSECURITY_DESCRIPTOR given = ProtectionForCreation(object);
        PSECURITY_DESCRIPTOR expected = NewProtection(object);
        ASSERT_TRUE(given && expected);
        EXPECT_EQ(ReadDacl(given).entries, ReadDacl(expected).entries);
        LocalFree(given);
        LocalFree(expected);
    }
}

TEST(TrustRule, OnlyAdministratorsSystemTrustedInstallerAndThisUserMayChangeATrustedObject) {
    const std::string me = ThisUser();
    ASSERT_NE(me, "?");
    const std::string other = kOtherUser, domainUsers = kDomainUsers, installer = kTrustedInstaller;
    const std::string folderDacl = "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
    const std::string recordDacl = "D:P(A;;FA;;;BA)(A;;FA;;;SY)(A;;FR;;;BU)";
    const std::string base = "O:BAD:(A;;FA;;;SY)";  // then one more entry
    const struct {
        const char* what;
        std::string sddl;
        bool trusted;
    } cases[] = {
        {"the install folder's descriptor, made by Administrators", "O:BA" + folderDacl, true},
        {"the install folder's descriptor, made by this user", "O:" + me + folderDacl, true},
        {"the record's descriptor, made by Administrators", "O:BA" + recordDacl, true},
        {"the record's descriptor, made by this user", "O:" + me + recordDacl, true},
        {"this Wine's report of the program's own folder",
         "O:" + me + "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + me + ")(A;OICI;0x1200a9;;;WD)", true},
        {"this Wine's report of a file anyone may write",
         "O:" + me + "D:(A;;FA;;;SY)(A;;FA;;;" + me + ")(A;;0x1301ff;;;WD)", false},
        {"this Wine's report of another Linux user's file", "O:AND:(A;;FA;;;SY)(A;;FA;;;AN)(A;;0x1200a9;;;WD)", false},

        {"Everyone: full control", base + "(A;;FA;;;WD)", false},
        {"Authenticated Users: write data", base + "(A;;0x2;;;AU)", false},
        {"Users: append data", base + "(A;;0x4;;;BU)", false},
        {"Interactive: delete", base + "(A;;SD;;;IU)", false},
        {"Guests: write DAC", base + "(A;;0x40000;;;BG)", false},
        {"Domain Users: write owner", base + "(A;;0x80000;;;" + domainUsers + ")", false},
        {"another user: generic write", base + "(A;;GW;;;" + other + ")", false},
        {"another user: generic all", base + "(A;;GA;;;" + other + ")", false},
        {"Users: delete child", base + "(A;;0x40;;;BU)", false},
        {"Users: write attributes", base + "(A;;0x100;;;BU)", false},
        {"Users: write extended attributes", base + "(A;;0x10;;;BU)", false},
        {"Everyone: write, after a denial of the same", base + "(D;;FA;;;WD)(A;;FA;;;WD)", false},

        {"Users: read", base + "(A;;FR;;;BU)", true},
        {"Everyone: read and execute", base + "(A;;0x1200a9;;;WD)", true},
        {"Authenticated Users: generic read and execute", base + "(A;;GRGX;;;AU)", true},
        {"Everyone: full control for what is made inside only", base + "(A;OICIIO;FA;;;WD)", true},
        {"Creator Owner: generic all, inherit only", base + "(A;OICIIO;GA;;;CO)", true},
        {"Everyone denied", base + "(D;;FA;;;WD)", true},
        {"TrustedInstaller: full control", base + "(A;;FA;;;" + installer + ")", true},
        {"this user: full control", base + "(A;;FA;;;" + me + ")", true},

        {"another owner", "O:" + other + "D:(A;;FA;;;SY)", false},
        {"Everyone as owner", "O:WDD:(A;;FA;;;SY)", false},
        {"SYSTEM as owner", "O:SYD:(A;;FA;;;SY)", true},
        {"TrustedInstaller as owner", "O:" + installer + "D:(A;;FA;;;SY)", true},
        {"no owner", "D:(A;;FA;;;SY)", false},
        {"no DACL", "O:BA", false},
        {"an empty DACL (no one but the owner can even open it)", "O:BAD:", true},
    };
    PSID user = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidA(me.c_str(), &user));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PSECURITY_DESCRIPTOR descriptor = FromText(c.sddl);
        ASSERT_TRUE(descriptor) << c.sddl;
        EXPECT_EQ(IsTrustedDescriptor(descriptor, user), c.trusted) << c.sddl;
        LocalFree(descriptor);
    }

    // A NULL DACL (this Wine's text form makes an empty one instead, so it is built).
    SECURITY_DESCRIPTOR nullDacl;
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size));
    ASSERT_TRUE(InitializeSecurityDescriptor(&nullDacl, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&nullDacl, administrators, FALSE));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&nullDacl, TRUE, nullptr, FALSE));
    ASSERT_TRUE(ReadDacl(&nullDacl).null);
    EXPECT_FALSE(IsTrustedDescriptor(&nullDacl, user)) << "a NULL DACL";
    LocalFree(user);
    EXPECT_FALSE(IsTrustedDescriptor(nullptr, nullptr)) << "a descriptor that can't be read";

    // The DACLs the table relies on are what their text says.
    PSECURITY_DESCRIPTOR empty = FromText("O:BAD:"), none = FromText("O:BA");
    ASSERT_TRUE(empty && none);
    EXPECT_TRUE(ReadDacl(empty).present && !ReadDacl(empty).null && ReadDacl(empty).entries.empty());
    EXPECT_FALSE(ReadDacl(none).present);
    LocalFree(empty);
    LocalFree(none);
}

TEST_F(Protection, TheRuleReadsTheObjectThroughItsHandle) {
    const std::string file = At("record.dat");
    WriteFileBytes(file, "c:\\zarvo\\quorbel\r");
    HANDLE reading = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reading, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(IsTrustedObject(reading)) << "this Wine's report of the program's own file";
    CloseHandle(reading);

    // A handle that may not read the descriptor, or none at all.
    HANDLE blind = CreateFileA(file.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(blind, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(IsTrustedObject(blind));
    CloseHandle(blind);
    EXPECT_FALSE(IsTrustedObject(INVALID_HANDLE_VALUE));

    // Everyone may change it: this Wine keeps that as the Linux mode and reports it back.
    PSECURITY_DESCRIPTOR open = FromText("D:(A;;FA;;;WD)");
    ASSERT_TRUE(open);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(open, &present, &dacl, &defaulted);
    HANDLE writing = CreateFileA(file.c_str(), GENERIC_READ | WRITE_DAC, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writing, INVALID_HANDLE_VALUE);
    ASSERT_EQ(SetSecurityInfo(writing, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(IsTrustedObject(writing));

    // The record's protection, applied through the same handle, makes it trusted again.
    PSECURITY_DESCRIPTOR protection = NewProtection(kProtectedRecord);
    EXPECT_TRUE(ApplyProtection(writing, protection));
    EXPECT_TRUE(IsTrustedObject(writing));
    LocalFree(protection);
    LocalFree(open);
    CloseHandle(writing);

    // A folder, through a handle that holds it as the removal does.
    HANDLE held = CreateFileA(kScratch, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(IsTrustedObject(held));
    SetDaclText(kScratch, "D:(A;OICI;FA;;;WD)");
    EXPECT_FALSE(IsTrustedObject(held));
    CloseHandle(held);
}
