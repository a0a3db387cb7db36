// A scratch folder c:\fstest for the file-service tests, made fresh for each test and
// removed after it, with every file the test left open closed first.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "fs/file_services.h"
#include "support/dyn_text.h"
#include "support/sandbox.h"

const char* const kScratch = "c:\\fstest";

class FileServices : public ::testing::Test {
protected:
    void SetUp() override {
        EnterSandboxDrive();
        RemoveTree(kScratch);
        MakeFolders(kScratch);
    }
    void TearDown() override {
        CloseAllFiles();
        RemoveTree(kScratch);
    }
    static std::string At(const std::string& name) { return std::string(kScratch) + "\\" + name; }
    void ExpectNoError() {
        EXPECT_EQ(error.number, 0);
        EXPECT_FALSE(error.pending);
    }
    ErrorState error = {};
};

// Opens the file for every access with no sharing, as another program might hold it.
inline HANDLE HoldExclusively(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}
