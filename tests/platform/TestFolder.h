#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>

// A fresh folder per test, removed afterwards, with plain file access for the checks.
class TestFolder : public ::testing::Test
{
public:
    static std::string read(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

protected:
    TestFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "platform-XXXXXX").string();
        m_root = ::mkdtemp(pattern.data());
    }
    ~TestFolder() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }

    const std::string &root() const { return m_root; }
    std::string at(const std::string &name) const { return m_root + "/" + name; }

    static void write(const std::string &path, const std::string &bytes, mode_t mode = 0644)
    {
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << bytes;
        }
        ::chmod(path.c_str(), mode);
    }
    static bool exists(const std::string &path)
    {
        struct stat st;
        return ::lstat(path.c_str(), &st) == 0;
    }
    // Every name in the folder, hidden ones included, sorted.
    static std::vector<std::string> entries(const std::string &folder);

private:
    std::string m_root;
};

inline std::vector<std::string> TestFolder::entries(const std::string &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
