#include "Package.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>

#include "FileLinks.h"
#include "Files.h"
#include "IniDocument.h"
#include "PackageFormat.h"
#include "Text.h"

namespace installer {

namespace fs = std::filesystem;

namespace {

using namespace package; // file, section and key names of install.ini

constexpr std::string_view MainSection = section::Main;

// install.ini as the wizard writes it is a few hundred bytes; this only keeps a hostile one out.
constexpr std::uint64_t MaxIniBytes = 4 << 20;

bool fail(std::string *error, std::string text)
{
    if (error)
        *error = std::move(text);
    return false;
}

bool isAsciiBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimmedText(std::string_view text)
{
    while (!text.empty() && isAsciiBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isAsciiBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A whole number as written, with an optional sign; nothing when it is none or out of range.
std::optional<int> wholeNumber(std::string_view text)
{
    text = trimmedText(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

namespace {

std::string deviceNameProblem(const std::string &name)
{
    return name + ": Windows reserves this name for a device.";
}

} // namespace

std::string packageFileProblem(const Package &package, const std::string &name)
{
    // Before looking at the file: on Windows the name opens the device, which reads as neither.
    if (isDeviceName(name))
        return deviceNameProblem(name);
    std::error_code ec;
    const fs::path path = base::files::toPath(package.pathOf(name));
    const fs::file_status status = fs::symlink_status(path, ec);
    if (base::files::isLink(package.pathOf(name)))
        return name + " in the package folder is a symbolic link; only files inside the package are "
                      "installed.";
    if (!fs::is_regular_file(status) || !std::ifstream(path, std::ios::binary).is_open())
        return name + " is listed in install.ini but missing from the package folder (" + package.folder +
               ").";
    return {};
}

std::string Package::iniPath() const
{
    return pathOf(package::file::Install);
}

std::string Package::pathOf(std::string_view fileName) const
{
    return folder + '/' + std::string(fileName);
}

int readmeDelayFrom(std::string_view timerText)
{
    const std::string_view text = trimmedText(timerText);
    const bool digitsOnly =
        !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const std::optional<int> seconds = wholeNumber(text);
    if (!digitsOnly || !seconds || *seconds > 99)
        return DefaultReadmeDelay;
    return *seconds;
}

std::string gameTitle(int version)
{
    if (version == 1 || version == 2)
        return "Midtown Madness " + std::to_string(version);
    return "Midtown Madness";
}

bool isBareFileName(std::string_view name)
{
    const bool blank = std::all_of(name.begin(), name.end(), [](char c) { return c == ' '; });
    if (blank || name == "." || name == "..")
        return false;
    // ':' names a drive ("C:city.ar" is relative to another drive's current folder) or a stream.
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20;
    });
}

bool isDeviceName(std::string_view name)
{
    // Windows reads only what comes before the first dot, trailing blanks dropped.
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.remove_suffix(1);
    if (stem.size() != 3 && stem.size() != 4)
        return false;
    std::string folded(stem);
    for (char &c : folded)
        c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    if (folded == "con" || folded == "prn" || folded == "aux" || folded == "nul")
        return true;
    return folded.size() == 4 && (folded.starts_with("com") || folded.starts_with("lpt")) &&
           folded[3] >= '1' && folded[3] <= '9';
}

bool loadPackage(const std::string &folder, Package *package, std::string *error)
{
    Package p;
    p.folder = folder;
    const std::string ini = p.iniPath();
    std::error_code ec;
    if (!fs::is_regular_file(base::files::toPath(ini), ec))
        return fail(error, "There is no install.ini beside the installer (" + ini + ").");
    std::string readError;
    const std::optional<std::string> bytes = base::files::readRegularFile(ini, MaxIniBytes, &readError);
    if (!bytes)
        return fail(error, "install.ini cannot be read: " + readError);
    const base::ini::Document doc(*bytes);

    auto main = [&](std::string_view entry) { return base::ini::readValue(&doc, MainSection, entry, {}); };
    p.name = main(key::Name);
    p.copyright = main(key::Copyright);
    p.author = main(key::Author);
    p.www = main(key::WWW);
    p.email = main(key::AuthEmail);
    p.readme = std::string(trimmedText(main(key::Readme)));
    const std::string mmType = main(key::mmType);
    p.gameVersion = mmType == "1" ? 1 : mmType == "2" ? 2 : 0;
    p.timerText = main(key::Timer);
    p.readmeDelay = readmeDelayFrom(p.timerText);
    p.smooth =
        base::text::foldCase(base::ini::readValue(&doc, section::ProgressBar, key::Smooth, {})) == "true";

    // A name longer than a read gives whole would name another file, or none.
    auto cutByRead = [&](std::string_view sectionName, std::string_view entry) {
        const std::optional<std::string> stored = doc.value(sectionName, entry);
        return stored && base::ini::readableValue(*stored).size() > MaxIniValueBytes;
    };
    auto tooLong = [&](std::string_view entry) {
        return fail(error, std::string(entry) + " in install.ini is longer than " +
                               std::to_string(MaxIniValueBytes) +
                               " bytes, so it cannot be read whole; the package cannot be installed.");
    };
    if (cutByRead(MainSection, key::Readme))
        return tooLong(key::Readme);
    if (!p.readme.empty() && !isBareFileName(p.readme))
        return fail(error, "The readme name \"" + p.readme + "\" in install.ini is not a plain file name.");
    if (isDeviceName(p.readme))
        return fail(error, deviceNameProblem(p.readme));

    if (!doc.value(MainSection, key::TotalFiles))
        return fail(error, "install.ini has no TotalFiles entry: the package lists no files.");
    const std::string totalText = main(key::TotalFiles);
    const std::optional<int> total = wholeNumber(totalText);
    if (!total)
        return fail(error, "TotalFiles in install.ini is \"" + totalText + "\", not a number.");
    if (*total < 0)
        return fail(error, "TotalFiles in install.ini is negative (" + std::to_string(*total) + ").");
    if (*total == 0)
        return fail(error, "TotalFiles in install.ini is 0: the package has nothing to install.");

    for (int i = 1; i <= *total; ++i) {
        const std::string fileKey = key::file(i);
        if (!doc.value(section::Files, fileKey))
            return fail(error, "TotalFiles in install.ini is " + std::to_string(*total) +
                                   ", but section [Files] has no " + fileKey + ".");
        if (cutByRead(section::Files, fileKey))
            return tooLong(fileKey);
        const std::string name = base::ini::readValue(&doc, section::Files, fileKey, {});
        if (!isBareFileName(name))
            return fail(error,
                        fileKey + " in install.ini is \"" + name + "\", which is not a plain file name.");
        if (std::find(p.files.begin(), p.files.end(), name) == p.files.end())
            p.files.push_back(name);
    }
    for (const std::string &name : p.files) {
        if (std::string problem = packageFileProblem(p, name); !problem.empty())
            return fail(error, std::move(problem));
    }
    *package = std::move(p);
    return true;
}

} // namespace installer
