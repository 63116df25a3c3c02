#include "PackageZip.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

#include <zip.h>
#include <zlib.h>

#include "Files.h"
#include "PackageFormat.h"

namespace package::zip {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t SampleBytes = 256 * 1024;
constexpr std::uint64_t SmallFileBytes = 64 * 1024;

void setError(std::string *error, const std::string &path, const std::string &reason)
{
    if (error)
        *error = path + ": " + reason;
}

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool isTempIni(const std::string &name)
{
    return lowered(name) == std::string(package::file::Temp);
}

// install.ini and the readme: always deflated, however short.
bool isText(const std::string &name)
{
    const std::string extension = lowered(base::files::fromPath(base::files::toPath(name).extension()));
    return extension == ".ini" || extension == ".txt" || extension == ".rtf";
}

struct PackageFile
{
    std::string name; // UTF-8, inside the package folder
    std::string path; // UTF-8, on disk
};

// The package's regular files in name order, temp.ini left out.
bool listFiles(const std::string &folder, std::vector<PackageFile> &files, std::string *error)
{
    std::error_code ec;
    fs::directory_iterator it(base::files::toPath(folder), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = base::files::fromPath(it->path().filename());
        if (isTempIni(name))
            continue;
        const std::string path = base::files::fromPath(it->path());
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) {
            setError(error, path, "not a regular file");
            return false;
        }
        files.push_back({name, path});
    }
    if (ec) {
        setError(error, folder, ec.message());
        return false;
    }
    std::sort(files.begin(), files.end(), [](const auto &a, const auto &b) { return a.name < b.name; });
    return true;
}

// The file's first bytes, no more than it has: a buffer sized to the sample would cost a fill for
// every small file of a large package.
std::string readSample(const std::string &path, std::uint64_t size)
{
    std::ifstream in(base::files::toPath(path), std::ios::binary);
    std::string sample(static_cast<std::size_t>(std::min<std::uint64_t>(size, SampleBytes)), '\0');
    in.read(sample.data(), static_cast<std::streamsize>(sample.size()));
    sample.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return sample;
}

// After libzip failed while writing: a file that can no longer be read is the cause to name;
// otherwise it was the archive itself (a full disk, a refused write).
std::string failedPath(const std::vector<PackageFile> &files, const std::string &archive, std::string &reason)
{
    for (const PackageFile &file : files) {
        std::FILE *f = std::fopen(file.path.c_str(), "rb");
        if (!f) {
            reason = std::strerror(errno);
            return file.path;
        }
        std::fclose(f);
    }
    return archive;
}

struct CloseState
{
    const PackProgress *progress = nullptr;
    bool cancelled = false;
};

void onProgress(zip_t *, double fraction, void *data)
{
    auto *state = static_cast<CloseState *>(data);
    if (!state->cancelled && *state->progress && !(*state->progress)(fraction))
        state->cancelled = true;
}

int onCancel(zip_t *, void *data)
{
    return static_cast<CloseState *>(data)->cancelled ? 1 : 0;
}

void removeQuietly(const fs::path &path)
{
    std::error_code ignored;
    fs::remove(path, ignored);
}

} // namespace

bool worthDeflating(const std::string &sample)
{
    if (sample.empty())
        return false;
    uLongf packed = compressBound(static_cast<uLong>(sample.size()));
    const std::unique_ptr<Bytef[]> out(new Bytef[packed]);
    if (compress2(out.get(), &packed, reinterpret_cast<const Bytef *>(sample.data()),
                  static_cast<uLong>(sample.size()), 1) != Z_OK)
        return false;
    // Less than a tenth saved is not worth the time the players' unpacking costs.
    return packed < sample.size() * 9 / 10;
}

PackOutcome packFolder(const std::string &packageFolder, const std::string &packageName,
                       const std::vector<std::string> &required, const std::string &zipPath,
                       const PackProgress &progress, std::string *error)
{
    std::vector<PackageFile> files;
    if (!listFiles(packageFolder, files, error))
        return PackOutcome::Failed;
    for (const std::string &name : required) {
        const bool present = std::any_of(files.begin(), files.end(), [&](const PackageFile &file) {
            return lowered(file.name) == lowered(name);
        });
        if (!present) {
            setError(error,
                     base::files::fromPath(base::files::toPath(packageFolder) / base::files::toPath(name)),
                     std::strerror(ENOENT));
            return PackOutcome::Failed;
        }
    }

    const fs::path target = base::files::toPath(zipPath);
    const fs::path temporary = target.parent_path() / ("." + target.filename().native() + ".partial");
    removeQuietly(temporary);

    int openError = 0;
    zip_t *archive =
        zip_open(base::files::fromPath(temporary).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &openError);
    if (!archive) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, openError);
        setError(error, zipPath, zip_error_strerror(&ze));
        zip_error_fini(&ze);
        return PackOutcome::Failed;
    }
    auto fail = [&](const std::string &path, const std::string &reason) {
        zip_discard(archive);
        removeQuietly(temporary);
        setError(error, path, reason);
        return PackOutcome::Failed;
    };

    const std::string folder = packageName + "/";
    if (zip_dir_add(archive, folder.c_str(), ZIP_FL_ENC_UTF_8) < 0)
        return fail(zipPath, zip_strerror(archive));
    for (const PackageFile &file : files) {
        std::error_code ec;
        const auto written = fs::last_write_time(base::files::toPath(file.path), ec);
        if (ec)
            return fail(file.path, ec.message());
        zip_error_t ze;
        zip_error_init(&ze);
        zip_source_t *source = zip_source_file_create(file.path.c_str(), 0, -1, &ze);
        if (!source) {
            const std::string reason = zip_error_strerror(&ze);
            zip_error_fini(&ze);
            return fail(file.path, reason);
        }
        const std::string entry = folder + file.name;
        const zip_int64_t index = zip_file_add(archive, entry.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            return fail(file.path, zip_strerror(archive));
        }
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::file_clock::to_sys(written).time_since_epoch());
        const std::uint64_t size = fs::file_size(base::files::toPath(file.path), ec);
        if (ec)
            return fail(file.path, ec.message());
        // Small files are deflated without a trial: the trial would cost as much as the deflate,
        // and a few KiB that do not shrink grow by a few bytes only.
        const bool deflate =
            isText(file.name) || size <= SmallFileBytes || worthDeflating(readSample(file.path, size));
        if (zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index),
                               static_cast<time_t>(seconds.count()), 0) < 0 ||
            zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                     deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, deflate ? 6 : 0) < 0)
            return fail(file.path, zip_strerror(archive));
    }

    CloseState state{&progress};
    zip_register_progress_callback_with_state(archive, 0.001, onProgress, nullptr, &state);
    zip_register_cancel_callback_with_state(archive, onCancel, nullptr, &state);
    if (zip_close(archive) < 0) {
        const bool cancelled =
            state.cancelled || zip_error_code_zip(zip_get_error(archive)) == ZIP_ER_CANCELLED;
        std::string reason = zip_strerror(archive);
        const std::string path = cancelled ? zipPath : failedPath(files, zipPath, reason);
        zip_discard(archive);
        removeQuietly(temporary);
        if (cancelled) {
            setError(error, zipPath, "cancelled");
            return PackOutcome::Cancelled;
        }
        setError(error, path, reason);
        return PackOutcome::Failed;
    }
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        removeQuietly(temporary);
        setError(error, zipPath, ec.message());
        return PackOutcome::Failed;
    }
    return PackOutcome::Packed;
}

} // namespace package::zip
