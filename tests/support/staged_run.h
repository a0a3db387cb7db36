// Where every run of the real executable starts: a clean machine with the product staged in
// c:\zarvo\temp. The machine is cleaned again after the test.
#pragma once
#include <gtest/gtest.h>

#include "app/welcome_dialog.h"
#include "install/install_status_dialog.h"
#include "support/driver.h"
#include "support/sandbox.h"

#include <string>

class StagedProductRun : public ::testing::Test {
protected:
    void SetUp() override {
        EnterSandboxDrive();
        ResetSandbox();
        StageProduct();
    }
    void TearDown() override { ResetSandbox(); }

    // Installs as a person would, with the staged installer and the command-line tail:
    // "Yes, let's Continue!", "OK", the one box (the success box unless another is expected)
    // answered, the run ended with code 0.
    void InstallThroughTheDialogs(const std::string& tail = "",
                                  const std::string& box = "Program Installation Successful!") {
        InstallThroughTheDialogs(Wide(tail), box);
    }
    void InstallThroughTheDialogs(const std::wstring& tail,
                                  const std::string& box = "Program Installation Successful!") {
        Installer run;
        ASSERT_TRUE(StartInstaller(run, tail));
        HWND welcome = WaitForWindow(run, "ZARVO Systems Installer v1.00");
        ASSERT_TRUE(welcome);
        PostClick(welcome, kContinueButton);
        HWND status = WaitForWindow(run, "Installing Product on your Machine now");
        ASSERT_TRUE(status);
        PostClick(status, kInstallButton);
        MessageBoxSeen seen = WaitForMessageBox(run);
        ASSERT_TRUE(seen.box);
        ASSERT_EQ(seen.text, box);
        AnswerMessageBox(seen.box);
        ASSERT_EQ(WaitForExit(run), 0u);
    }
};
