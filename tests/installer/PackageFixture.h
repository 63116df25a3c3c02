#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "IniDocument.h"

// Files for installer tests: a package folder written the way the wizard writes it, a game folder,
// and a listing of everything under the temporary root. Standard C++ only, like the core.
namespace installer_test {

namespace fs = std::filesystem;

inline bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

inline void writeFile(const std::string &path, const std::string &bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(f.is_open()) << path;
    f << bytes;
    f.close();
    ASSERT_TRUE(f.good()) << path;
}

inline std::string readFile(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    if (!f.is_open())
        return "<unreadable>";
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Stores one entry as the wizard's WriteINI does, through the same INI document.
inline void setEntry(const std::string &ini, const std::string &section, const std::string &key,
                     const std::string &value)
{
    base::ini::Document doc(fs::exists(ini) ? readFile(ini) : std::string());
    doc.setValue(section, key, value);
    writeFile(ini, doc.toBytes());
}

// Bytes that differ from file to file and from a plain text, so a mix-up shows.
inline std::string archiveBytes(const char *tag, int size)
{
    std::string bytes(std::size_t(size), '\0');
    for (int i = 0; i < size; ++i)
        bytes[std::size_t(i)] = char((i * 131 + tag[0] * 7 + tag[1]) & 0xFF);
    return bytes;
}

// Every folder, link and file under root, with the bytes of the files.
inline std::map<std::string, std::string> listing(const std::string &root)
{
    std::map<std::string, std::string> entries;
    for (const auto &entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        if (entry.is_symlink())
            entries[relative] = "<link to " + fs::read_symlink(entry.path()).string() + ">";
        else if (entry.is_directory())
            entries[relative] = "<folder>";
        else
            entries[relative] = readFile(entry.path().string());
    }
    return entries;
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TemporaryFolder
{
public:
    explicit TemporaryFolder(const fs::path &base = fs::temp_directory_path())
    {
        std::string pattern = (base / "installer-test-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TemporaryFolder()
    {
        std::error_code ec;
        for (const auto &entry : fs::recursive_directory_iterator(m_path, ec))
            fs::permissions(entry.path(), fs::perms::owner_all,
                            fs::perm_options::add | fs::perm_options::nofollow, ec);
        fs::remove_all(m_path, ec);
    }
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

class PackageFixture : public ::testing::Test
{
protected:
    // The temporary tree under base (the system's temporary folder unless a fixture needs another).
    explicit PackageFixture(const fs::path &base = fs::temp_directory_path()) : root(base) {}

    TemporaryFolder root;

    std::string at(const std::string &relative) const { return root.path() + '/' + relative; }
    std::string packageFolder() const { return at("My Pack"); }
    std::string gameFolder() const { return at("Game"); }
    std::string ini() const { return packageFolder() + "/install.ini"; }
    std::string inPackage(const std::string &name) const { return packageFolder() + '/' + name; }
    std::string inGame(const std::string &name) const { return gameFolder() + '/' + name; }

    const std::string cityBytes = archiveBytes("ci", 70000);
    const std::string carsBytes = archiveBytes("ca", 1234);
    const std::string readmeBytes = "My Pack\r\n=======\r\n\r\nTwo new cars.\r\n";

    // The install.ini of a typical run, entry by entry in the order the wizard's pages write it,
    // with the readme and the two archives beside it.
    void writeTypicalPackage()
    {
        fs::create_directories(packageFolder());
        const std::string main = "install.ini";
        setEntry(ini(), main, "Name", "My Pack");
        setEntry(ini(), main, "Copyright", "(c) 2001 Jo Author");
        setEntry(ini(), main, "Author", "Jo Author");
        setEntry(ini(), main, "WWW", "www.example.com/mypack");
        setEntry(ini(), main, "AuthEmail", "jo@example.com");
        setEntry(ini(), main, "Readme", "readme.txt");
        setEntry(ini(), main, "mmType", "2");
        setEntry(ini(), "Progress Bar", "Smooth", "True");
        setEntry(ini(), main, "Timer", "30");
        setEntry(ini(), "Files", "File1", "city.ar");
        setEntry(ini(), "Files", "File2", "cars.ar");
        setEntry(ini(), main, "TotalFiles", " 2");
        writeFile(inPackage("readme.txt"), readmeBytes);
        writeFile(inPackage("city.ar"), cityBytes);
        writeFile(inPackage("cars.ar"), carsBytes);
    }

    // A Midtown Madness 2 folder that already holds one of the package's files.
    void writeGameFolder()
    {
        writeFile(inGame("Midtown2.exe"), "MZ game");
        writeFile(inGame("assets.ar"), "assets");
        writeFile(inGame("city.ar"), "the original city");
    }
};

} // namespace installer_test
