// Checks the zip writer on a Windows (or Wine) file system: an archive with names in several
// scripts written through wide paths and renamed into place, nothing left of a writer given up or
// refused. It leaves the archive and the files it holds in the current folder, under
// "zip check 日本", for the Linux side to read back with unzip and Python's zipfile.
// Plain C++, one line per failure, then "N passed, M failed".
#include <algorithm>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include <windows.h>

#include "CheckTally.h"
#include "Files.h"
#include "Text.h"
#include "ZipWriter.h"

namespace files = base::files;
using check_tally::check;
using package::zip::ZipWriter;

namespace {

const std::string Folder = "zip check \xe6\x97\xa5\xe6\x9c\xac"; // 日本
const std::string Top = "\xe6\x97\xa5\xe6\x9c\xac Pack";         // 日本 Pack
const std::string Archive = Folder + "\\Stra\xc3\x9f"
                                     "e.zip"; // Straße.zip

struct Content
{
    std::string name;
    std::string bytes;
    ZipWriter::Method method;
};

std::vector<Content> contents()
{
    std::mt19937 random(3);
    std::string noise(200000, '\0');
    for (char &c : noise)
        c = static_cast<char>(random());
    return {
        {"caf\xc3\xa9.txt",
         "[install.ini]\r\nName=Stra\xc3\x9f"
         "e\r\n",
         ZipWriter::Method::Deflate},
        {"\xc3\x9f noise.ar", noise, ZipWriter::Method::Store},
        {"empty.ar", "", ZipWriter::Method::Deflate},
    };
}

bool onlyArchiveIn(const std::string &folder)
{
    const std::vector<std::string> names = files::folderEntries(folder);
    return names == std::vector<std::string>{"Stra\xc3\x9f"
                                             "e.zip",
                                             Top};
}

void writeArchive()
{
    std::string error;
    ::CreateDirectoryW(base::text::widen(Folder).c_str(), nullptr);
    ::DeleteFileW(base::text::widen(Archive).c_str()); // an earlier run's
    ::CreateDirectoryW(base::text::widen(Folder + "\\" + Top).c_str(), nullptr);
    for (const Content &file : contents())
        check(files::replaceFileContent(Folder + "\\" + Top + "\\" + file.name, file.bytes, &error),
              "the packed files are written: " + error);
    const std::time_t now = std::time(nullptr);

    ZipWriter writer(Archive);
    check(writer.open(&error), "the archive opens: " + error);
    check(writer.addFolder(Top + "/", now, &error), "a folder entry: " + error);
    for (const Content &file : contents()) {
        const bool ok =
            writer.beginFile(Top + "/" + file.name, now, file.bytes.size(), file.method, &error) &&
            writer.write(file.bytes.data(), file.bytes.size(), &error) && writer.endFile(&error);
        check(ok, "an entry is written: " + error);
    }
    check(files::folderEntries(Folder).size() == 2, "the archive is a temporary until it is complete");
    check(writer.commit(&error), "the archive is complete: " + error);
    check(onlyArchiveIn(Folder), "the archive took its name, no temporary left");
}

void giveUpAndRefuse()
{
    std::string error;
    {
        ZipWriter writer(Archive);
        check(writer.open(&error), "a second archive opens: " + error);
        check(writer.beginFile("x", 0, 3, ZipWriter::Method::Store, &error), "an entry begins");
        check(!writer.write("1234", 4, &error), "more bytes than announced are refused");
        check(error == Archive + ": x: more bytes than the entry announced",
              "the refusal names it: " + error);
    }
    check(onlyArchiveIn(Folder), "a refused writer leaves no temporary");
    const std::string blocked = Archive + "\\inner.zip";
    ZipWriter refused(blocked);
    check(!refused.open(&error), "an archive inside a file is refused");
    check(error.rfind(blocked + ": ", 0) == 0, "the error names the archive: " + error);
    check(onlyArchiveIn(Folder), "the older archive stays alone");
}

} // namespace

int wmain()
{
    writeArchive();
    giveUpAndRefuse();
    return check_tally::report();
}
