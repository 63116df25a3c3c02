#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Driver.h"
#include "FakePlatform.h"

using form::testing::Key;

// A fresh run for every test, with no display: the fake platform and runtime
// installed, the shared state at its start values and no page existing yet.
class WizardFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    std::string programFolder() const { return fake->programFolder(); }
    // A path below the program folder.
    std::string inProgram(const std::string &relative) const { return programFolder() + "/" + relative; }

    static std::string readFile(const std::string &path);
    static void writeFile(const std::string &path, const std::string &bytes);
    static bool exists(const std::string &path);
    // Presses a key in a page window the way the author would: with the window active.
    static void pressKey(form::Window &window, Key key);
    // Removes windows whose destruction was deferred (unloaded pages).
    void flushDeletes() { fake->flushDestroyed(); }

    std::unique_ptr<FakePlatform> fake;
};
