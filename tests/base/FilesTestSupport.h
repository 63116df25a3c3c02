#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "FilesTesting.h"

namespace base_test {

// A fresh folder per test, removed afterwards; every test runs once with unnamed temporaries and
// once with named ones where the fixture is parameterised.
class TempFolder : public ::testing::Test
{
protected:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "base-files-XXXXXX").string();
        m_root = ::mkdtemp(pattern.data());
    }
    ~TempFolder() override
    {
        base::files::testing::forceNamedTemporaries(false);
        base::files::testing::setSourceReader({});
        std::error_code ignored;
        std::filesystem::permissions(m_root, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(m_root, ignored);
    }

    std::string at(const std::string &name) const { return m_root + "/" + name; }

    static void write(const std::string &path, const std::string &bytes)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    static std::string read(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    // Every name in a folder, hidden ones included.
    std::set<std::string> entries(const std::string &folder = {}) const
    {
        std::set<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(folder.empty() ? m_root : folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    // Runs the body in a child process without root's rights (root writes through any
    // permission); the body's return value is the child's exit code.
    static int asUnprivilegedUser(const std::function<int()> &body)
    {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(90);
            ::_exit(body());
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
    }

    std::string m_root;
};

} // namespace base_test
