// The INI behaviour vectors run straight on the base document and its read rules, without Qt and
// without files: the folder is a map of paths to bytes, a write parses the file's bytes, stores the
// value and keeps the new bytes, a read parses the bytes and reads as the profile functions do.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "IniDocument.h"
#include "JsonLine.h"

namespace {

const std::string VectorsPath = QUERNEL_SOURCE_DIR "/tests/data/ini-vectors/public.jsonl";

struct Vector
{
    std::string name;
    JsonLine::Value data;
};

void PrintTo(const Vector &vector, std::ostream *out)
{
    *out << vector.name;
}

std::vector<Vector> loadVectors()
{
    std::ifstream file(VectorsPath, std::ios::binary);
    std::vector<Vector> vectors;
    for (std::string line; std::getline(file, line);) {
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        std::optional<JsonLine::Value> data = JsonLine::parse(line);
        vectors.push_back(
            {data ? (*data)["name"].text : "Unreadable line", data ? *data : JsonLine::Value{}});
    }
    // A missing or empty file must not let the scenarios drop out unnoticed: one empty scenario
    // stands in for them and fails.
    if (vectors.empty())
        vectors.push_back({});
    return vectors;
}

std::string base64(std::string_view text)
{
    static const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    unsigned bits = 0;
    int count = 0;
    for (const char c : text) {
        const std::size_t digit = digits.find(c);
        if (digit == std::string::npos)
            continue; // '=' padding
        bits = (bits << 6) | unsigned(digit);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes += char((bits >> count) & 0xFF);
        }
    }
    return bytes;
}

// "%XX" is the byte 0xXX, "-" alone the empty string.
std::string decodeField(std::string_view field)
{
    if (field == "-")
        return {};
    std::string bytes;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '%' && i + 2 < field.size()) {
            bytes += char(std::stoi(std::string(field.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            bytes += field[i];
        }
    }
    return bytes;
}

std::string testName(const testing::TestParamInfo<Vector> &info)
{
    if (info.param.name.empty())
        return "VectorsMissingOrEmpty";
    std::string name;
    for (const char c : info.param.name)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

class IniVectorBaseTest : public testing::TestWithParam<Vector>
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(GetParam().name.empty()) << VectorsPath << ": missing, unreadable or without scenarios";
        ASSERT_EQ(GetParam().data.kind, JsonLine::Value::Object) << GetParam().name;
    }

    bool folderExists(const std::string &path) const
    {
        const std::size_t slash = path.rfind('/');
        return slash == std::string::npos || m_folders.count(path.substr(0, slash));
    }

    std::map<std::string, std::string> m_files;
    std::set<std::string> m_folders;
};

TEST_P(IniVectorBaseTest, OnTheDocument)
{
    const JsonLine::Value &data = GetParam().data;
    for (const JsonLine::Value &dir : data["dirs"].items) {
        for (std::string folder = dir.text; !folder.empty();
             folder = folder.substr(0, std::min(folder.rfind('/'), folder.size())))
            m_folders.insert(folder);
    }
    for (const auto &[path, content] : data["initial_files"].members)
        m_files[path] = base64(content.text);

    std::vector<std::string> reads;
    for (const JsonLine::Value &op : data["ops"].items) {
        std::istringstream fields(op.text);
        std::string name, file, section, key, last;
        fields >> name >> file >> section >> key >> last;
        file = decodeField(file), section = decodeField(section), key = decodeField(key);
        last = decodeField(last);
        const auto found = m_files.find(file);
        if (name == "READ") {
            const std::optional<base::ini::Document> document =
                found == m_files.end() ? std::nullopt : std::optional<base::ini::Document>(found->second);
            reads.push_back(base::ini::readValue(document ? &*document : nullptr, section, key, last));
            continue;
        }
        ASSERT_EQ(name, "WRITE") << op.text;
        if (!folderExists(file))
            continue;
        base::ini::Document document(found == m_files.end() ? std::string() : found->second);
        if (document.setValue(section, key, last))
            m_files[file] = document.toBytes();
    }

    const std::vector<JsonLine::Value> &expected = data["expected_reads"].items;
    ASSERT_EQ(reads.size(), expected.size());
    for (std::size_t i = 0; i < reads.size(); ++i)
        EXPECT_EQ(reads[i], decodeField(expected[i].text)) << "read #" << i + 1;

    const auto &initial = data["initial_files"].members;
    const auto &final = data["final_files"].members;
    for (const auto &[path, content] : final) {
        const auto found = m_files.find(path);
        if (content.kind == JsonLine::Value::Null) {
            EXPECT_EQ(found, m_files.end()) << path << " must not exist";
        } else {
            ASSERT_NE(found, m_files.end()) << path << " is missing";
            EXPECT_EQ(found->second, base64(content.text)) << path;
        }
    }
    for (const auto &[path, bytes] : m_files) {
        if (!final.count(path)) {
            ASSERT_TRUE(initial.count(path)) << "unexpected " << path;
            EXPECT_EQ(bytes, base64(initial.at(path).text)) << path;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Public, IniVectorBaseTest, testing::ValuesIn(loadVectors()), testName);

} // namespace
