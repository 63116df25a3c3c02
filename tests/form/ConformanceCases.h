#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "Driver.h"

// The cases every runtime must pass, so that the runtimes cannot drift apart. A runtime's
// test binary instantiates them with a factory for its driver:
//   INSTANTIATE_TEST_SUITE_P(Fake, RuntimeConformance, ::testing::Values(RuntimeUnderTest{"fake", makeDriver}));
struct RuntimeUnderTest
{
    std::string name;
    std::function<std::unique_ptr<form::testing::Driver>()> makeDriver;
};

inline std::string PrintToString(const RuntimeUnderTest &runtime)
{
    return runtime.name;
}

class RuntimeConformance : public ::testing::TestWithParam<RuntimeUnderTest>
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A window of one test page: a text box, two option groups, a progress bar, an
    // up-down with its buddy, a file list and the template's buttons.
    std::unique_ptr<form::Window> openWindow(const std::string &fileFolder = {});

    std::unique_ptr<form::testing::Driver> driver;
};
