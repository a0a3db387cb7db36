// The signed program (signed by the test command with a throw-away certificate, as a publisher
// signs a release): judged by Windows' own check of a program's signature, then installed and
// removed through it as a person would.
#include <gtest/gtest.h>

#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include <stdio.h>

#include <string>

#include "app/welcome_dialog.h"
#include "support/driver.h"
#include "support/sandbox.h"
#include "support/staged_run.h"
#include "uninstall/uninstaller_dialog.h"

namespace {

const char kSigned[] = QB_SIGNED_EXE;
const char kStaged[] = "c:\\zarvo\\temp\\QBinstaller100.exe";
const char kFolder[] = "c:\\zarvo\\quorbel";

// WinVerifyTrust's verdict on the file under the Authenticode policy, without any user
// interface or revocation check, in hex: 0 when it trusts the file.
std::string Trust(const std::string& path) {
    const std::wstring wide = Wide(path);
    WINTRUST_FILE_INFO file = {sizeof file, wide.c_str(), nullptr, nullptr};
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID policy = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG verdict = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &policy, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &policy, &data);
    char hex[16];
    snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(verdict));
    return hex;
}

class SignedRun : public StagedProductRun {
protected:
    void SetUp() override {
        StagedProductRun::SetUp();
        ASSERT_TRUE(CopyFileA(kSigned, kStaged, FALSE)) << "no signed copy " << kSigned << ", error " << GetLastError();
    }
};

}  // namespace

// This Wine's check reads the signature and the digest of the image, not who issued the
// certificate (measured: a self-signed one passes too); the chain up to the CA is what
// osslsigncode verified when the copy was signed.
TEST_F(SignedRun, WindowsTrustsTheSignedBytesAndNoOthers) {
    std::string changed = ReadFileBytes(kSigned);
    changed[ReadFileBytes(QB_PRODUCT_EXE).size() / 2] ^= 1;  // a byte inside the signed image
    WriteFileBytes("c:\\zarvo\\changed.exe", changed);
    const struct {
        const char* what;
        std::string path;
        const char* verdict;
    } cases[] = {
        {"signed", kSigned, "0x00000000"},
        {"one byte of the image changed", "c:\\zarvo\\changed.exe", "0x80096010"},  // TRUST_E_BAD_DIGEST
        {"unsigned", QB_PRODUCT_EXE, "0x800B0100"},                                // TRUST_E_NOSIGNATURE
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Trust(c.path), c.verdict);
    }
}

TEST_F(SignedRun, InstallsAndRemovesEndToEnd) {
    InstallThroughTheDialogs();
    if (HasFatalFailure()) return;
    const std::string installed = std::string(kFolder) + "\\QBinstaller100.exe";
    EXPECT_EQ(FolderEntries(kFolder).size(), 5u);
    EXPECT_EQ(ReadFileBytes(installed), ReadFileBytes(kSigned)) << "the installed copy is the signed one";
    EXPECT_EQ(Trust(installed), "0x00000000");

    Installer run;
    ASSERT_TRUE(StartInstaller(run));
    HWND welcome = WaitForWindow(run, "ZARVO Systems Installer v1.00");
    ASSERT_TRUE(welcome);
    PostClick(welcome, kRemoveButton);
    HWND uninstaller = WaitForWindow(run, "Quorbel v1.00 Program Uninstaller");
    ASSERT_TRUE(uninstaller);
    PostClick(uninstaller, kDestroyButton);
    MessageBoxSeen box = WaitForMessageBox(run);
    ASSERT_TRUE(box.box);
    EXPECT_EQ(box.text, "Uninstallation Successful!");
    AnswerMessageBox(box.box);
    EXPECT_EQ(WaitForExit(run), 0u);
    EXPECT_FALSE(FolderExists(kFolder));
    EXPECT_FALSE(FileExists("c:\\quorbelregistry.dat"));
}
