// The cache of parsed files answers every read as a cold parse of the file's bytes would: random
// writes and reads (names and values with '=', brackets, blanks, ';', non-ASCII, long values) on
// random starting files, now and then changed behind the cache's back, every read compared with
// base::ini::readValue on a fresh document of the bytes on disk.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "IniDocument.h"
#include "IniFuncs.h"
#include "IniTestFiles.h"

namespace {

const std::vector<std::string> Sections = {"install.ini", "Files", "",  " Files ", "a=b",
                                           "[x]",         "x]",    "Ä", "ä",       "s;t"};
const std::vector<std::string> Keys = {"a",
                                       "A",
                                       "a=b",
                                       "[k]",
                                       "[k",
                                       "k]",
                                       " a ",
                                       "é",
                                       "É",
                                       "x;y",
                                       "Name",
                                       "=v",
                                       "",
                                       "b",
                                       "'q",
                                       ";c",
                                       "a b",
                                       "Ж",
                                       "\x1A"
                                       "z"};

class RandomIni
{
public:
    explicit RandomIni(unsigned seed) : m_random(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    const std::string &pick(const std::vector<std::string> &from)
    {
        return from[std::size_t(below(int(from.size())))];
    }

    std::string value()
    {
        static const std::vector<std::string> pieces = {"v", "=",  "[",   "]",    " ",    "\t", ";", "é",
                                                        "'", "\"", "x y", "\r\n", "\x1A", "€",  "1"};
        if (below(8) == 0)
            return std::string(std::size_t(250 + below(20)), 'L') + "é" +
                   std::string(std::size_t(below(40)), 'l');
        std::string text;
        for (int i = below(6); i > 0; --i)
            text += pick(pieces);
        return text;
    }

    // A file as an editor might have left it: any line end, comments, blank lines, text before the
    // first header, bytes of Windows-1252, now and then a byte order mark or no final line end.
    std::string file()
    {
        static const std::vector<std::string> ends = {"\r\n", "\n", "\r"};
        std::string bytes = below(6) == 0 ? "\xEF\xBB\xBF" : "";
        for (int i = below(12); i > 0; --i) {
            switch (below(6)) {
            case 0:
                bytes += "[" + pick(Sections) + "]";
                break;
            case 1:
                bytes += "; note";
                break;
            case 2:
                break;
            case 3:
                bytes += "Caf\xE9=\x80 " + value();
                break;
            default:
                bytes += pick(Keys) + "=" + value();
            }
            bytes += pick(ends);
        }
        if (!bytes.empty() && below(4) == 0)
            bytes.pop_back();
        return bytes;
    }

private:
    std::mt19937 m_random;
};

TEST(IniCacheProperty, EveryReadAnswersAsAColdParseOfTheFile)
{
    IniTestFiles::TempDir dir;
    const std::string file = dir.path() + "/install.ini";
    int reads = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        RandomIni random(seed);
        ASSERT_TRUE(IniTestFiles::writeBytes(file, random.file()));
        for (int op = 0; op < 60; ++op) {
            const std::string section = random.pick(Sections);
            const std::string key = random.pick(Keys);
            const int kind = random.below(10);
            if (kind < 4) {
                WriteINI(file, section, key, random.value());
            } else if (kind == 4) { // a change behind the cache's back
                ASSERT_TRUE(IniTestFiles::writeBytes(file, random.file()));
            }
            const std::string defaultValue = random.below(2) ? "" : "<none>";
            const base::ini::Document cold(IniTestFiles::readBytes(file));
            ASSERT_EQ(ReadINI(file, section, key, defaultValue),
                      base::ini::readValue(&cold, section, key, defaultValue))
                << "seed " << seed << ", op " << op << ", [" << section << "] " << key << "\n"
                << cold.toBytes();
            ++reads;
        }
    }
    EXPECT_EQ(reads, 40 * 60);
}

} // namespace
