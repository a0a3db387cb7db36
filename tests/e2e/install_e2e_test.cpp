// Installing through the real executable, started as a separate process and driven as a
// person would: welcome, "Yes, let's Continue!", "OK", the outcome's message box.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/welcome_dialog.h"
#include "install/install_status_dialog.h"
#include "support/driver.h"
#include "support/sandbox.h"
#include "support/staged_run.h"

namespace {

const char kRecord[] = "c:\\quorbelregistry.dat";

class InstallRun : public StagedProductRun {
protected:
    void SetUp() override {
        StagedProductRun::SetUp();
        RemoveTree("t:\\apps");
    }
    void TearDown() override {
        StagedProductRun::TearDown();
        RemoveTree("t:\\apps");
    }

    // Runs the installer with `tail` up to its outcome, answers it and waits for the exit.
    void InstallWith(const std::string& tail,
                     const std::string& outcome = "Program Installation Successful!") {
        Installer run;
        ASSERT_TRUE(StartInstaller(run, tail));
        HWND welcome = WaitForWindow(run, "ZARVO Systems Installer v1.00");
        ASSERT_TRUE(welcome);
        PostClick(welcome, kContinueButton);
        HWND status = WaitForWindow(run, "Installing Product on your Machine now");
        ASSERT_TRUE(status);
        EXPECT_EQ(WindowText(GetDlgItem(status, kProgressBox)), "begin copying...");
        EXPECT_FALSE(FolderExists("c:\\zarvo\\quorbel")) << "nothing happens before OK";

        PostClick(status, kInstallButton);
        MessageBoxSeen box = WaitForMessageBox(run);
        ASSERT_TRUE(box.box);
        EXPECT_EQ(box.caption, "Quorbel");
        EXPECT_EQ(box.text, outcome);
        AnswerMessageBox(box.box);
        // No further input: the run ends by itself.

        EXPECT_EQ(WaitForExit(run), 0u);
        EXPECT_TRUE(TopWindows(run).empty());
        EXPECT_FALSE(IsWindow(welcome));
        EXPECT_FALSE(IsWindow(status));
    }

    void ExpectInstalledIn(const std::string& folder) {
        std::vector<std::string> all(kProductFiles, kProductFiles + 5);
        std::sort(all.begin(), all.end());
        ASSERT_EQ(FolderEntries(folder), all);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(ReadFileBytes(folder + "\\" + kProductFiles[i]), SampleBytes(kProductFiles[i]));
        EXPECT_EQ(ReadFileBytes(folder + "\\QBinstaller100.exe"), ReadFileBytes(QB_PRODUCT_EXE));
        EXPECT_EQ(FolderEntries(kStaging), std::vector<std::string>{"QBinstaller100.exe"});
        EXPECT_EQ(ReadFileBytes(kRecord), folder + "\r");
    }
};

}  // namespace

TEST_F(InstallRun, TheDefaultInstall) {
    InstallWith("");
    ExpectInstalledIn("c:\\zarvo\\quorbel");
}

TEST_F(InstallRun, AnInstallFolderOnAnotherDrive) {
    MakeFolders("t:\\apps");
    InstallWith("t:\\apps\\quorbel");
    ExpectInstalledIn("t:\\apps\\quorbel");
    EXPECT_FALSE(FolderExists("c:\\apps")) << "nothing lands on the current drive";
}

TEST_F(InstallRun, AReportedFailureEndsTheRunWithoutFurtherInput) {
    // The folder's parent is missing: its creation is tolerated, the record is written, and
    // the first copy finds no destination folder.
    InstallWith("t:\\apps\\quorbel", "Error: Folder Depth Request too Great.  Ending.");
    EXPECT_EQ(ReadFileBytes(kRecord), "t:\\apps\\quorbel\r");
    EXPECT_EQ(FolderEntries(kStaging).size(), 5u) << "nothing deleted from staging";
}

// What the user typed is what the install acts on. Windows hands the program an ANSI command
// line made by best fit ("ｄocs" becomes "docs", "ｑuorbel" "quorbel"): a part whose ANSI form
// is not exact names something the user did not, and is refused before anything is made.
TEST_F(InstallRun, ANameOutsideTheCodePageIsRefusedAndItsLikenessUntouched) {
    const struct {
        const char* what;
        std::wstring tail;
        const char* box;
    } cases[] = {
        {"the folder", L"c:\\zarvo\\\xFF44ocs", "Error: Folder Depth Request too Great.  Ending."},
        {"the record", L"c:\\\xFF51uorbelregistry.dat c:\\zarvo\\quorbel",
         "Error 1000  52: please call 80-71ZARVO for tech support"},
    };
    // The likenesses: the user's own folder and an older record, each with what it holds.
    CanarySet canaries;
    canaries.Plant("c:\\zarvo\\docs\\qb.exe");
    canaries.Plant("c:\\zarvo\\docs\\letter.txt", FILE_ATTRIBUTE_READONLY);
    canaries.Plant(kRecord);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InstallThroughTheDialogs(c.tail, c.box);
        canaries.ExpectIntact();
        EXPECT_EQ(FolderEntries("c:\\zarvo"), (std::vector<std::string>{"docs", "temp"})) << "nothing made";
        EXPECT_EQ(FolderEntries("c:\\zarvo\\docs"), (std::vector<std::string>{"letter.txt", "qb.exe"}));
        EXPECT_EQ(FolderEntries(kStaging).size(), 5u) << "nothing copied or deleted";
    }
    SetFileAttributesA("c:\\zarvo\\docs\\letter.txt", FILE_ATTRIBUTE_NORMAL);
}

// In a folder that was there before, a product name may be a link or one name of a file that
// has others. Each product file is put in place as a new file under its name: the names are
// replaced, and the files they led to stay as they were. The folder, which anyone could change,
// is taken over by the elevated install (Wine runs it elevated) before any copy.
TEST_F(InstallRun, LinksAtProductNamesAreReplacedAndWhatTheyLedToStays) {
    const std::string folder = "c:\\zarvo\\quorbel";
    CanarySet canaries;
    canaries.Plant("c:\\zarvo\\elsewhere\\hard.txt", FILE_ATTRIBUTE_HIDDEN);
    canaries.Plant("c:\\zarvo\\elsewhere\\linked.txt", FILE_ATTRIBUTE_READONLY);
    MakeFolders(folder);
    SetDaclText(folder, "D:(A;OICI;FA;;;WD)");
    ASSERT_FALSE(OnlyOwnerAndAdministratorsMayChange(folder)) << "the precondition: everyone may change it";
    ASSERT_TRUE(CreateHardLinkA((folder + "\\qb.exe").c_str(), "c:\\zarvo\\elsewhere\\hard.txt", nullptr));
    MakeFileLink(folder, "QBmanual100.PDF", "../elsewhere/linked.txt");
    WriteFileBytes(folder + "\\QBmanual100.doc", "an older manual");

    InstallThroughTheDialogs(folder);
    const bool stillALink = IsFileLink(folder, "QBmanual100.PDF");
    RemoveFileLink(folder, "QBmanual100.PDF");
    if (HasFatalFailure()) return;
    EXPECT_FALSE(stillALink);
    ExpectInstalledIn(folder);
    canaries.ExpectIntact();
    EXPECT_EQ(FolderEntries("c:\\zarvo\\elsewhere"), (std::vector<std::string>{"hard.txt", "linked.txt"}));
    EXPECT_TRUE(OnlyOwnerAndAdministratorsMayChange(folder));
    for (const char* name : kProductFiles) EXPECT_TRUE(OnlyOwnerAndAdministratorsMayChange(folder + "\\" + name)) << name;
    SetFileAttributesA("c:\\zarvo\\elsewhere\\linked.txt", FILE_ATTRIBUTE_NORMAL);
}

// A record that is a link or one name of a file that has others, or that lies below a link, is
// never written: the file it leads to would take the record's bytes. Refused with the record's
// box, before anything is made.
TEST_F(InstallRun, ARecordThatIsALinkOrOneNameOfSeveralIsRefused) {
    enum Kind { kHardLink, kFileLink, kBelowAFolderLink };
    const struct {
        const char* what;
        Kind kind;
        const char* record;
    } cases[] = {{"a second name", kHardLink, "c:\\zarvo\\record.dat"},
                 {"a link", kFileLink, "c:\\zarvo\\record.dat"},
                 {"below a folder link", kBelowAFolderLink, "c:\\zarvo\\linked\\notes.txt"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CanarySet canaries;
        canaries.Plant("c:\\zarvo\\elsewhere\\notes.txt");
        if (c.kind == kHardLink)
            ASSERT_TRUE(CreateHardLinkA(c.record, "c:\\zarvo\\elsewhere\\notes.txt", nullptr));
        else if (c.kind == kFileLink)
            MakeFileLink("c:\\zarvo", "record.dat", "elsewhere/notes.txt");
        else
            MakeFolderLink("c:\\zarvo", "linked", "elsewhere");
        InstallThroughTheDialogs(std::string(c.record) + " c:\\zarvo\\quorbel",
                                 "Error 1000  52: please call 80-71ZARVO for tech support");
        RemoveFileLink("c:\\zarvo", "record.dat");
        RemoveFolderLink("c:\\zarvo", "linked");
        canaries.ExpectIntact();
        EXPECT_FALSE(FolderExists("c:\\zarvo\\quorbel")) << "nothing made";
        EXPECT_EQ(FolderEntries(kStaging).size(), 5u) << "nothing copied or deleted";
        RemoveTree("c:\\zarvo\\record.dat");
        RemoveTree("c:\\zarvo\\elsewhere");
    }
}
