#pragma once

#include "Platform.h"

namespace platform {

// The platform of the running program: the real file system and processes that run on
// their own. Copies let the form runtime's events run between chunks.
class SystemPlatform : public Platform
{
public:
    std::string programFolder() const override;
    std::string currentFolder() const override;
    bool canCreateIn(const std::string &folder) const override;
    bool createFolder(const std::string &path, std::string *error) override;
    CopyOutcome copyFile(const std::string &source, const std::string &target, std::string *error) override;
    bool deleteFile(const std::string &path, std::string *error) override;
    std::int64_t fileLength(const std::string &path, std::string *error) override;
    bool startProgram(const std::string &path, const std::vector<std::string> &arguments,
                      std::string *error) override;
    bool runsWindowsPrograms() const override;
    std::string wineLauncher() const override;
    bool openFolder(const std::string &path, std::string *error) override;
};

} // namespace platform
