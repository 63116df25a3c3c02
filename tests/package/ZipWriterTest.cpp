// The zip writer's archives read back byte for byte by readers no one here wrote (Debian's unzip,
// Python's zipfile and, where it is installed, libzip's reader): names in several scripts, an
// empty file, random data stored or deflated, more entries than the classic end record counts,
// and a writer given up half-way.
#include "ZipWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#ifdef QUERNEL_HAVE_LIBZIP
#include <zip.h>
#endif

namespace fs = std::filesystem;
using package::zip::ZipWriter;

namespace {

struct Content
{
    std::string name;
    std::string bytes;
};

std::string randomBytes(std::size_t size)
{
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char &c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

const std::vector<Content> &contents()
{
    static const std::vector<Content> files{
        {"café é.txt", "[install.ini]\r\nName=Straße\r\n"},
        {"Straße leer.ar", ""},
        {"日本 random.ar", randomBytes(1 << 20)},
    };
    return files;
}

int run(const std::string &command)
{
    return std::system(command.c_str());
}

std::string quoted(const fs::path &path)
{
    return " '" + path.string() + "'";
}

class ZipWriterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::remove_all(m_root);
        fs::create_directories(m_files);
    }
    void TearDown() override { fs::remove_all(m_root); }

    std::vector<std::string> namesInRoot() const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(m_root))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    const fs::path m_root = fs::temp_directory_path() / ("zip-writer-" + std::to_string(::getpid()));
    const std::string m_top = "日本 Pack";
    const fs::path m_files = m_root / m_top;
    const fs::path m_zip = m_root / "out.zip";
};

} // namespace

class ZipWriterMethod : public ZipWriterTest, public ::testing::WithParamInterface<ZipWriter::Method>
{
};

TEST_P(ZipWriterMethod, ArchiveReadsBackByteForByte)
{
    std::string error;
    ZipWriter writer(m_zip.string());
    ASSERT_TRUE(writer.open(&error)) << error;
    ASSERT_TRUE(writer.addFolder(m_top + "/", 0, &error)) << error;
    for (const Content &file : contents()) {
        const fs::path path = m_files / file.name;
        std::ofstream(path, std::ios::binary) << file.bytes;
        const std::time_t modified =
            std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(fs::last_write_time(path)));
        ASSERT_TRUE(
            writer.beginFile(m_top + "/" + file.name, modified, file.bytes.size(), GetParam(), &error));
        // In uneven pieces, as a reader gives them.
        for (std::size_t at = 0; at < file.bytes.size(); at += 100000)
            ASSERT_TRUE(writer.write(file.bytes.data() + at,
                                     std::min<std::size_t>(100000, file.bytes.size() - at), &error))
                << error;
        ASSERT_TRUE(writer.endFile(&error)) << error;
    }
    EXPECT_FALSE(fs::exists(m_zip));
    ASSERT_TRUE(writer.commit(&error)) << error;
    EXPECT_EQ(namesInRoot(), (std::vector<std::string>{"out.zip", m_top}));

    EXPECT_EQ(run("unzip -tq" + quoted(m_zip) + " >/dev/null"), 0);
    EXPECT_EQ(run("python3 " QUERNEL_SOURCE_DIR "/tests/package/check_package_zip.py" + quoted(m_zip) +
                  quoted(m_files) + " '" + m_top + "' >/dev/null"),
              0);
#ifdef QUERNEL_HAVE_LIBZIP
    int code = 0;
    zip_t *archive = zip_open(m_zip.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    ASSERT_NE(archive, nullptr) << "libzip error " << code;
    EXPECT_EQ(zip_get_num_entries(archive, 0), static_cast<zip_int64_t>(contents().size() + 1));
    for (const Content &file : contents()) {
        const std::string name = m_top + "/" + file.name;
        zip_stat_t st;
        ASSERT_EQ(zip_stat(archive, name.c_str(), 0, &st), 0) << name;
        EXPECT_EQ(st.comp_method, GetParam() == ZipWriter::Method::Store ? ZIP_CM_STORE : ZIP_CM_DEFLATE)
            << name;
        zip_file_t *entry = zip_fopen(archive, name.c_str(), 0);
        ASSERT_NE(entry, nullptr) << name;
        std::string bytes(file.bytes.size() + 1, '\0');
        const zip_int64_t got = zip_fread(entry, bytes.data(), bytes.size());
        bytes.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
        EXPECT_TRUE(bytes == file.bytes) << name;
        zip_fclose(entry);
    }
    zip_discard(archive);
#endif
}

INSTANTIATE_TEST_SUITE_P(Methods, ZipWriterMethod,
                         ::testing::Values(ZipWriter::Method::Store, ZipWriter::Method::Deflate),
                         [](const auto &info) {
                             return std::string(info.param == ZipWriter::Method::Store ? "Stored"
                                                                                       : "Deflated");
                         });

TEST_F(ZipWriterTest, MoreEntriesThanTheClassicEndRecordCountsTakeZip64)
{
    constexpr int Count = 70000;
    std::string error;
    {
        ZipWriter writer(m_zip.string());
        ASSERT_TRUE(writer.open(&error)) << error;
        for (int i = 0; i < Count; ++i) {
            const std::string bytes = std::to_string(i);
            ASSERT_TRUE(writer.beginFile("e/" + bytes, 0, bytes.size(),
                                         i % 2 ? ZipWriter::Method::Store : ZipWriter::Method::Deflate,
                                         &error));
            ASSERT_TRUE(writer.write(bytes.data(), bytes.size(), &error)) << error;
            ASSERT_TRUE(writer.endFile(&error)) << error;
        }
        ASSERT_TRUE(writer.commit(&error)) << error;
    }
    // The classic end record counts 0xFFFF and leaves the count to the Zip64 end record, which
    // its locator just before it finds.
    std::ifstream in(m_zip, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(bytes.size(), 42u);
    const std::string tail = bytes.substr(bytes.size() - 42);
    EXPECT_EQ(tail.substr(0, 4), std::string("PK\x06\x07"));
    EXPECT_EQ(tail.substr(20, 4), std::string("PK\x05\x06"));
    EXPECT_EQ(tail.substr(28, 4), std::string("\xFF\xFF\xFF\xFF"));
    EXPECT_EQ(run("unzip -tq" + quoted(m_zip) + " >/dev/null"), 0);
    EXPECT_EQ(run("python3 -c 'import sys, zipfile\n"
                  "z = zipfile.ZipFile(sys.argv[1])\n"
                  "names = z.namelist()\n"
                  "assert len(names) == 70000, len(names)\n"
                  "for i in range(0, 70000, 997):\n"
                  "    assert z.read(names[i]) == str(i).encode(), names[i]' " +
                  quoted(m_zip)),
              0);
#ifdef QUERNEL_HAVE_LIBZIP
    int code = 0;
    zip_t *archive = zip_open(m_zip.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    ASSERT_NE(archive, nullptr) << "libzip error " << code;
    EXPECT_EQ(zip_get_num_entries(archive, 0), Count);
    zip_discard(archive);
#endif
}

TEST_F(ZipWriterTest, GivenUpOrRefusedLeavesTheOlderFileAlone)
{
    std::ofstream(m_zip, std::ios::binary) << "an older archive";
    std::string error;
    {
        ZipWriter writer(m_zip.string());
        ASSERT_TRUE(writer.open(&error)) << error;
        ASSERT_TRUE(writer.beginFile("a", 0, 10, ZipWriter::Method::Deflate, &error));
        ASSERT_TRUE(writer.write("12345", 5, &error));
        EXPECT_EQ(namesInRoot(), (std::vector<std::string>{".out.zip.partial", "out.zip", m_top}));
        // Fewer bytes than announced: the entry's header would lie.
        EXPECT_FALSE(writer.endFile(&error));
        EXPECT_EQ(error, m_zip.string() + ": a: fewer bytes than the entry announced");
        EXPECT_FALSE(writer.commit(&error));
    }
    {
        ZipWriter writer(m_zip.string());
        ASSERT_TRUE(writer.open(&error)) << error;
        ASSERT_TRUE(writer.beginFile("b", 0, 3, ZipWriter::Method::Store, &error));
        EXPECT_FALSE(writer.write("1234", 4, &error));
        EXPECT_EQ(error, m_zip.string() + ": b: more bytes than the entry announced");
    }
    {
        ZipWriter writer(m_zip.string());
        ASSERT_TRUE(writer.open(&error)) << error;
        ASSERT_TRUE(writer.addFolder("c/", 0, &error));
    } // destroyed uncommitted
    EXPECT_EQ(namesInRoot(), (std::vector<std::string>{"out.zip", m_top}));
    std::ifstream older(m_zip);
    std::string text;
    std::getline(older, text);
    EXPECT_EQ(text, "an older archive");

    ZipWriter blocked((m_zip / "x.zip").string());
    EXPECT_FALSE(blocked.open(&error));
    EXPECT_EQ(error, (m_zip / "x.zip").string() + ": Not a directory");
}
