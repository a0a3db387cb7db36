// Runs cut short, as a power cut or Task Manager cuts them, and runs that overlap, through the
// real executable: no run says more than is true, and after any interruption the next removal
// ends with nothing of the product left and nothing else lost. The test build stops right
// after the file call that makes a step's mark true (StartStoppingAt), and is ended there.
#include <gtest/gtest.h>

#include <string>

#include "app/welcome_dialog.h"
#include "install/install_status_dialog.h"
#include "support/driver.h"
#include "support/sandbox.h"
#include "support/staged_run.h"
#include "uninstall/uninstaller_dialog.h"

namespace {

const char kRecord[] = "c:\\quorbelregistry.dat";
const char kFolder[] = "c:\\zarvo\\quorbel";
const char kTestBuild[] = QB_TEST_BUILD_EXE;  // its pacing takes no time
const char kWelcome[] = "ZARVO Systems Installer v1.00";
const char kInstalling[] = "Installing Product on your Machine now";
const char kUninstaller[] = "Quorbel v1.00 Program Uninstaller";
const char kSuccess[] = "Uninstallation Successful!";
const char kIncomplete[] = "Uninstallation incomplete: some files could not be removed.";

class InterruptedRun : public StagedProductRun {
protected:
    void SetUp() override {
        StagedProductRun::SetUp();
        // Around everything a run could reach: beside the folder, a folder named alike, the
        // staging folder (whose product files are the staged ones, checked apart).
        canaries.Plant("c:\\zarvo\\beside.txt");
        canaries.Plant("c:\\zarvo\\quorbelold\\qb.exe", FILE_ATTRIBUTE_READONLY);
        canaries.Plant("c:\\zarvo\\quorbel.dat");
        canaries.Plant("c:\\zarvo\\temp\\notes.txt", FILE_ATTRIBUTE_HIDDEN);
    }

    // The installed state as an install leaves it, with the user's own notes in the folder.
    void InstalledByHand() {
        MakeFolders(kFolder);
        for (int i = 0; i < 4; ++i)
            WriteFileBytes(std::string(kFolder) + "\\" + kProductFiles[i], SampleBytes(kProductFiles[i]));
        ASSERT_TRUE(CopyFileA(QB_PRODUCT_EXE, "c:\\zarvo\\quorbel\\QBinstaller100.exe", FALSE));
        WriteFileBytes(std::string(kFolder) + "\\notes.txt", "the user's own notes");
        WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");
    }

    // Starts the test build stopping at `when`, with the dialogs' buttons pressed up to the
    // install ("Yes, let's Continue!", "OK") or the removal ("Remove/Uninstall...", "OK,
    // Destroy Now"). True once it has stopped there.
    bool RunUntil(Installer& run, const std::string& when, bool install) {
        if (!StartStoppingAt(run, when, kTestBuild)) return false;
        HWND welcome = WaitForWindow(run, kWelcome);
        if (!welcome) return false;
        PostClick(welcome, install ? kContinueButton : kRemoveButton);
        HWND next = WaitForWindow(run, install ? kInstalling : kUninstaller);
        if (!next) return false;
        PostClick(next, install ? int(kInstallButton) : int(kDestroyButton));
        return WaitUntilStopped(run);
    }

    // The removal of the run after it, the test build started from the staging folder as a
    // person would: its box's text, the run ended with code 0.
    std::string RemoveThroughTheDialogs() {
        Installer run;
        if (!StartInstaller(run, "", kStaging, kTestBuild)) return "not started";
        HWND welcome = WaitForWindow(run, kWelcome);
        if (!welcome) return "no welcome dialog";
        PostClick(welcome, kRemoveButton);
        HWND uninstaller = WaitForWindow(run, kUninstaller);
        if (!uninstaller) return "no uninstaller dialog";
        PostClick(uninstaller, kDestroyButton);
        MessageBoxSeen box = WaitForMessageBox(run);
        if (box.box) AnswerMessageBox(box.box);
        EXPECT_EQ(WaitForExit(run), 0u);
        return box.box ? box.text : "no box";
    }

    // Nothing of the product anywhere, nothing else lost.
    void ExpectNothingOfTheProduct() {
        EXPECT_FALSE(FolderExists(kFolder)) << "left: " << testing::PrintToString(FolderEntries(kFolder));
        EXPECT_FALSE(FileExists(kRecord)) << "the record left: " << testing::PrintToString(ReadFileBytes(kRecord));
        canaries.ExpectIntact();
        for (const char* name : kProductFiles)
            if (std::string(name) != "QBinstaller100.exe")
                EXPECT_EQ(ReadFileBytes(std::string(kStaging) + "\\" + name), SampleBytes(name)) << name;
        EXPECT_EQ(ReadFileBytes(std::string(kStaging) + "\\QBinstaller100.exe"), ReadFileBytes(QB_PRODUCT_EXE));
    }

    // The product installed as an install leaves it: the five files byte for byte, the record.
    void ExpectInstalled() {
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(ReadFileBytes(std::string(kFolder) + "\\" + kProductFiles[i]), SampleBytes(kProductFiles[i]))
                << kProductFiles[i];
        EXPECT_EQ(ReadFileBytes("c:\\zarvo\\quorbel\\QBinstaller100.exe"), ReadFileBytes(QB_PRODUCT_EXE));
        EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r");
        canaries.ExpectIntact();
    }

    // Ends a run of the test build at `step` of its install or its removal, as a power cut
    // would, then removes as a person would: the removal succeeds, and nothing is left.
    void EndAtAndRemove(const char* step, bool install) {
        {
            Installer run;
            ASSERT_TRUE(RunUntil(run, step, install)) << "it never came there";
            EndStopped(run);
        }
        EXPECT_EQ(RemoveThroughTheDialogs(), kSuccess);
        ExpectNothingOfTheProduct();
    }

    CanarySet canaries;
};

}  // namespace

// An install ended at each of its steps: the record written (the folder not yet made), the
// folder made, a copy half-written under its fresh name, the last file in place. The next
// removal removes exactly what was made, and says so.
TEST_F(InterruptedRun, AnInstallEndedAtAnyStepIsFinishedByTheNextRemoval) {
    const char* const steps[] = {
        "written:c:\\quorbelregistry.dat",
        "made:c:\\zarvo\\quorbel",
        "made:c:\\zarvo\\quorbel\\~qb*.new",
        "made:c:\\zarvo\\quorbel\\QBinstaller100.exe",
    };
    for (const char* step : steps) {
        SCOPED_TRACE(step);
        ASSERT_NO_FATAL_FAILURE(EndAtAndRemove(step, true));
    }
}

// A removal ended in each of its passes: after the first product file, in the sweep of the
// folder's other files, with the folder gone and the record not yet, and with the record gone.
// The record goes last, so the next removal finds what is left and finishes.
TEST_F(InterruptedRun, ARemovalEndedAtAnyStepIsFinishedByTheNextOne) {
    const char* const steps[] = {
        "gone:c:\\zarvo\\quorbel\\qb.exe",
        "gone:c:\\zarvo\\quorbel\\notes.txt",
        "gone:c:\\zarvo\\quorbel",
        "gone:c:\\quorbelregistry.dat",
    };
    for (const char* step : steps) {
        SCOPED_TRACE(step);
        InstalledByHand();
        ASSERT_NO_FATAL_FAILURE(EndAtAndRemove(step, false));
    }
}

// An install started while a removal is in its passes can't open the record the removal holds:
// it says so and copies nothing; nor can a second removal judge it. The first removal then ends
// as if it had been alone.
TEST_F(InterruptedRun, AnInstallDuringARemovalIsRefusedAndTheRemovalEndsTrue) {
    InstalledByHand();
    Installer removal;
    ASSERT_TRUE(RunUntil(removal, "gone:c:\\zarvo\\quorbel\\qb.exe", false));

    InstallThroughTheDialogs("", "Error 1000  52: please call 80-71ZARVO for tech support");
    EXPECT_FALSE(FileExists("c:\\zarvo\\quorbel\\qb.exe")) << "the install copied";
    // A second removal meanwhile can't judge what the first holds: it deletes nothing, and
    // says so.
    EXPECT_EQ(RemoveThroughTheDialogs(), kIncomplete);
    EXPECT_TRUE(FileExists("c:\\zarvo\\quorbel\\QBmanual100.doc"));

    GoOn(removal);
    MessageBoxSeen box = WaitForMessageBox(removal);
    ASSERT_TRUE(box.box);
    EXPECT_EQ(box.text, kSuccess);
    AnswerMessageBox(box.box);
    EXPECT_EQ(WaitForExit(removal), 0u);
    ExpectNothingOfTheProduct();
}

// A removal started while an install's copies land, after the first of them or the last, finds
// the record held by the install: it deletes nothing and says so. Had it judged the
// folder there, it would delete files the install had placed, or the record, while the
// install went on to say it was successful. The install then ends as if it had
// been alone, and a removal after it removes everything.
TEST_F(InterruptedRun, ARemovalDuringAnInstallDeletesNothingAndTheInstallEndsTrue) {
    const char* const steps[] = {
        "made:c:\\zarvo\\quorbel\\QBmanual100.PDF",
        "made:c:\\zarvo\\quorbel\\QBinstaller100.exe",
    };
    for (const char* step : steps) {
        SCOPED_TRACE(step);
        StageProduct();
        {
            Installer install;
            ASSERT_TRUE(RunUntil(install, step, true)) << "it never came there";
            EXPECT_EQ(RemoveThroughTheDialogs(), kIncomplete);
            GoOn(install);
            MessageBoxSeen box = WaitForMessageBox(install);
            ASSERT_TRUE(box.box);
            EXPECT_EQ(box.text, "Program Installation Successful!");
            AnswerMessageBox(box.box);
            EXPECT_EQ(WaitForExit(install), 0u);
        }
        ExpectInstalled();
        StageProduct();
        EXPECT_EQ(RemoveThroughTheDialogs(), kSuccess);
        ExpectNothingOfTheProduct();
    }
}
