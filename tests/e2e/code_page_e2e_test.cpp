// Install and removal through the real executable as on Japanese Windows, whose ANSI code
// page is 932: "ソフト" is 0x83 0x5C 0x83 0x74 0x83 0x67, and the second byte of "ソ" is
// the byte of "\". Runs in its own test entry, with the sandbox in that code page; elsewhere
// it is skipped.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/welcome_dialog.h"
#include "install/install_status_dialog.h"
#include "support/code_pages.h"
#include "support/driver.h"
#include "support/sandbox.h"
#include "support/staged_run.h"
#include "uninstall/uninstaller_dialog.h"

namespace {

const char kRecord[] = "c:\\quorbelregistry.dat";
const char kWelcome[] = "ZARVO Systems Installer v1.00";
const std::string kParent = std::string("c:\\") + kSofutoCp932;  // c:\ソフト
const std::string kFolder = kParent + "\\quorbel";
const std::string kSofutoTxt = std::string(kSofutoCp932) + ".txt";
const wchar_t kParentW[] = L"c:\\\x30BD\x30D5\x30C8";

class CodePage932 : public StagedProductRun {
protected:
    void SetUp() override {
        if (GetACP() != 932) {
            if (getenv("QB_EXPECT_ACP")) FAIL() << "the ANSI code page is " << GetACP() << ", not 932";
            GTEST_SKIP() << "needs the ANSI code page 932 (its own test entry runs it so)";
        }
        StagedProductRun::SetUp();
        RemoveTree(kParent);
    }
    void TearDown() override {
        RemoveTree(kParent);
        StagedProductRun::TearDown();
    }

    // Runs the staged installer up to its outcome's message box, answers it, waits for the exit.
    void Run(const std::string& tail, int button, const char* dialog, int pressed, const char* outcome) {
        Installer run;
        ASSERT_TRUE(StartInstaller(run, tail));
        HWND welcome = WaitForWindow(run, kWelcome);
        ASSERT_TRUE(welcome);
        PostClick(welcome, button);
        HWND second = WaitForWindow(run, dialog);
        ASSERT_TRUE(second);
        PostClick(second, pressed);
        MessageBoxSeen box = WaitForMessageBox(run);
        ASSERT_TRUE(box.box);
        EXPECT_EQ(box.text, outcome);
        AnswerMessageBox(box.box);
        EXPECT_EQ(WaitForExit(run), 0u);
    }
};

}  // namespace

// c:\ソフト\quorbel, and a folder whose name ends in the byte of "\": c:\ソフト\quorbelソ.
// Beside them, files that only a path split or joined by bytes would reach: a product file
// joined to the folder without its "\" ("quorbelソqb.exe"), a name a pattern so joined would
// match ("quorbelソ.txt"), the user's own "ソフト.txt".
TEST_F(CodePage932, AFolderWhoseNameHoldsTheByteOfABackslashInstallsAndIsRemoved) {
    const std::string so = "\x83\x5C";
    for (const std::string& folder : {kFolder, kFolder + so}) {
        SCOPED_TRACE(folder);
        ResetSandbox();
        StageProduct();
        RemoveTree(kParent);
        // The names reach the disk as the characters they are in code page 932.
        MakeFolders(kParent);
        DWORD parent = GetFileAttributesW(kParentW);
        ASSERT_TRUE(parent != INVALID_FILE_ATTRIBUTES && (parent & FILE_ATTRIBUTE_DIRECTORY))
            << "c:\\ソフト is not there under its own name";

        std::vector<std::pair<std::string, std::string>> canaries;
        for (const std::string& name : {std::string("keep.txt"), std::string("qb.exe"), kSofutoTxt,
                                        "quorbel" + so + "qb.exe", "quorbel" + so + ".txt",
                                        std::string("quorbel2\\QBmanual100.txt")})
            canaries.emplace_back(kParent + "\\" + name, "canary " + name);
        MakeFolders(kParent + "\\quorbel2");
        for (const auto& c : canaries) WriteFileBytes(c.first, c.second);
        std::vector<std::string> beside = FolderEntries(kParent);

        Run(folder + "\\", kContinueButton, "Installing Product on your Machine now", kInstallButton,
            "Program Installation Successful!");
        // The installer read its command line in code page 932: the record holds its bytes,
        // and the one trailing backslash went, not the second byte of "ソ".
        ASSERT_EQ(ReadFileBytes(kRecord), folder + "\r");
        std::vector<std::string> all(kProductFiles, kProductFiles + 5);
        std::sort(all.begin(), all.end());
        ASSERT_EQ(FolderEntries(folder), all);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(ReadFileBytes(folder + "\\" + kProductFiles[i]), SampleBytes(kProductFiles[i]));

        // A file of the user's with a name of the same characters goes with the product's.
        WriteFileBytes(folder + "\\" + kSofutoTxt, "in the install folder");
        Run("", kRemoveButton, "Quorbel v1.00 Program Uninstaller", kDestroyButton, "Uninstallation Successful!");
        EXPECT_FALSE(FolderExists(folder));
        EXPECT_FALSE(FileExists(kRecord));
        for (const auto& c : canaries) EXPECT_EQ(ReadFileBytes(c.first), c.second) << c.first;
        EXPECT_EQ(FolderEntries(kParent), beside);
    }
    EXPECT_NE(GetFileAttributesW(L"c:\\\x30BD\x30D5\x30C8\\keep.txt"), INVALID_FILE_ATTRIBUTES);
}

// A character that code page 932 lacks ("é") reaches a program of that code page as its
// best-fit likeness ("e"): the install refuses the name instead of using the user's "cafe".
TEST_F(CodePage932, ANameOutsideTheCodePageIsRefused) {
    CanarySet canaries;
    canaries.Plant(kParent + "\\cafe\\qb.exe");
    InstallThroughTheDialogs(std::wstring(kParentW) + L"\\caf\x00E9", "Error: Folder Depth Request too Great.  Ending.");
    canaries.ExpectIntact();
    EXPECT_EQ(FolderEntries(kParent), std::vector<std::string>{"cafe"});
    EXPECT_FALSE(FileExists(kRecord));
}

// A record path whose name ends in the byte of "\" ("c:\ソフト\recordソ") names that file, in
// that folder: it is made there and holds the install folder.
TEST_F(CodePage932, ARecordWhoseNameEndsInTheByteOfABackslashIsWrittenThere) {
    const std::string record = kParent + "\\record\x83\x5C";
    MakeFolders(kParent);
    InstallThroughTheDialogs(record + " " + kFolder);
    EXPECT_EQ(ReadFileBytes(record), kFolder + "\r");
    EXPECT_EQ(FolderEntries(kParent), (std::vector<std::string>{"quorbel", "record\x83\x5C"}));
    EXPECT_FALSE(FileExists(kRecord));
}
