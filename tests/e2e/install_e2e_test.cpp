// Installing through the real executable, started as a separate process and driven as a
// person would: welcome, "Yes, let's Continue!", "OK", the outcome's message box.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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
