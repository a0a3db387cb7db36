// Where every run of the real executable starts: a clean machine with the product staged in
// c:\zarvo\temp. The machine is cleaned again after the test.
#pragma once
#include <gtest/gtest.h>

#include "support/sandbox.h"

class StagedProductRun : public ::testing::Test {
protected:
    void SetUp() override {
        EnterSandboxDrive();
        ResetSandbox();
        StageProduct();
    }
    void TearDown() override { ResetSandbox(); }
};
