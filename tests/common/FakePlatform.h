#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "FakeRuntime.h"
#include "Platform.h"

using form::fake::endsProgram;
using form::fake::ProgramEnded;

// The machine and the window system for page tests, in one object: the fake runtime
// (message boxes answered from a script and recorded, windows as plain objects), a
// program folder in a temporary directory, the real file operations (recorded, with
// failures that a test can force), programs recorded instead of started.
class FakePlatform : public platform::Platform, public form::fake::FakeRuntime
{
public:
    FakePlatform();
    ~FakePlatform() override;

    std::vector<std::string> startedPrograms;
    std::vector<std::string> openedFolders;
    std::vector<std::vector<std::string>> startedArguments; // those of each started program, in order
    std::string wine;                                       // what wineLauncher gives: none unless set
    bool windowsPrograms = false;                           // what runsWindowsPrograms gives
    std::vector<std::string> copies;                        // "source -> target"
    // Folders in which nothing can be made, whatever rights the test runs with.
    std::vector<std::string> lockedFolders;
    bool startSucceeds = true;
    bool openFolderSucceeds = true;
    // Chunk size of copies, small in tests so that a copy lets events run several times.
    std::int64_t copyChunkSize = 1 << 20;

    std::string programFolder() const override { return m_programFolder; }
    std::string currentFolder() const override;
    bool canCreateIn(const std::string &folder) const override;
    bool createFolder(const std::string &path, std::string *error) override;
    platform::CopyOutcome copyFile(const std::string &source, const std::string &target,
                                   std::string *error) override;
    bool deleteFile(const std::string &path, std::string *error) override;
    std::int64_t fileLength(const std::string &path, std::string *error) override;
    bool startProgram(const std::string &path, const std::vector<std::string> &arguments,
                      std::string *error) override;
    bool openFolder(const std::string &path, std::string *error) override;
    bool runsWindowsPrograms() const override { return windowsPrograms; }
    std::string wineLauncher() const override { return wine; }

private:
    std::filesystem::path m_dir;
    std::string m_programFolder;
};
