// The AR file picker's Add under Wine (the whole step: records, creation page, the copy loop with
// its second copy of the last file, summary), on the Win32 runtime as arVemko.exe runs it, against
// CopyFileW of the same files and SystemPlatform::copyFile of them with no page. The Linux side is
// bench/wizard/bench_add; bench/windows/run.sh runs both on the same disk.
//
//   bench_wine_add.exe SCRATCH [rounds]    (SCRATCH: a Windows path, e.g. Z:\tmp\scratch)
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Files.h"
#include "Form.h"

#include <windows.h>

#include "FrmARAddARFiles.h"
#include "FrmARNew3.h"
#include "Pages.h"
#include "SystemPlatform.h"
#include "Text.h"
#include "Vemko.h"
#include "Win32Runtime.h"

namespace {

constexpr int FileCount = 3;
constexpr std::uint64_t FileBytes = std::uint64_t(1) << 30;

double nowSeconds();

// The copies are timed: the rest of an Add is the pages' own work.
class BenchPlatform : public platform::SystemPlatform
{
public:
    explicit BenchPlatform(std::string folder) : m_folder(std::move(folder)) {}
    std::string programFolder() const override { return m_folder; }
    platform::CopyOutcome copyFile(const std::string &source, const std::string &target,
                                   std::string *error) override
    {
        const double start = nowSeconds();
        const platform::CopyOutcome outcome = SystemPlatform::copyFile(source, target, error);
        copySeconds += nowSeconds() - start;
        return outcome;
    }
    double copySeconds = 0;

private:
    std::string m_folder;
};

double nowSeconds()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

// Message boxes are printed and answered OK: a run needs no hand at the keys. The event pump
// between the chunks is timed: what the windows cost the copy.
class BenchRuntime : public form::win32::Win32Runtime
{
public:
    int messageBox(const std::string &text, unsigned, const std::string &) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return IDOK;
    }
    void doEvents() override
    {
        const double start = nowSeconds();
        Win32Runtime::doEvents();
        pumpSeconds += nowSeconds() - start;
        ++pumps;
    }
    double pumpSeconds = 0;
    long pumps = 0;
};

// The same bytes as bench_add's sources.
bool makeFile(const std::string &path, std::uint64_t size)
{
    std::string block(1 << 20, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = char((i * 131) ^ (i >> 7));
    HANDLE file = CreateFileW(base::text::widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    for (std::uint64_t left = size; ok && left > 0;) {
        const DWORD piece = DWORD(std::min<std::uint64_t>(left, block.size()));
        DWORD written = 0;
        ok = WriteFile(file, block.data(), piece, &written, nullptr) && written == piece;
        left -= piece;
    }
    // On disk before the first round, as bench_add syncs: no round pays for writing them back.
    ok = ok && FlushFileBuffers(file);
    return CloseHandle(file) && ok;
}

void removeFolder(const std::string &folder)
{
    for (const std::string &name : base::files::folderEntries(folder))
        DeleteFileW(base::text::widen(folder + "\\" + name).c_str());
    RemoveDirectoryW(base::text::widen(folder).c_str());
}

// CopyFileW of the files, then of the last file once more, as the loop copies it twice.
double secondsOfCopyFile(const std::vector<std::string> &files, const std::string &target)
{
    CreateDirectoryW(base::text::widen(target).c_str(), nullptr);
    const double start = nowSeconds();
    for (std::size_t i = 0; i < files.size(); ++i)
        CopyFileW(base::text::widen(files[i]).c_str(),
                  base::text::widen(target + "\\file" + std::to_string(i + 1) + ".ar").c_str(), FALSE);
    CopyFileW(base::text::widen(files.back()).c_str(), base::text::widen(target + "\\again.ar").c_str(),
              FALSE);
    return nowSeconds() - start;
}

// The same four copies through SystemPlatform::copyFile and its pump, with no page shown: what the
// pages' own work (progress bar, animation, records) adds to the copy.
double secondsOfCopyAlone(const std::vector<std::string> &files, const std::string &target)
{
    CreateDirectoryW(base::text::widen(target).c_str(), nullptr);
    std::string error;
    const double start = nowSeconds();
    for (std::size_t i = 0; i < files.size(); ++i)
        platform::current().copyFile(files[i], target + "\\file" + std::to_string(i + 1) + ".ar", &error);
    // As the loop does, the last file once more over its own copy.
    platform::current().copyFile(files.back(), target + "\\file" + std::to_string(files.size()) + ".ar",
                                 &error);
    return nowSeconds() - start;
}

double secondsOfAdd(BenchRuntime &runtime, const std::string &packageFolder,
                    const std::vector<std::string> &files)
{
    Vemko::PackageFolder = packageFolder;
    CreateDirectoryW(base::text::widen(packageFolder).c_str(), nullptr);
    // The records the picker writes at each double-click, written in one go.
    std::string install = "[install.ini]\r\nName=Bench\r\n[Files]\r\n";
    std::string temp = "[Files]\r\n";
    for (std::size_t i = 1; i <= files.size(); ++i) {
        install += "File" + std::to_string(i) + "=file" + std::to_string(i) + ".ar\r\n";
        temp += "File" + std::to_string(i) + "=" + files[i - 1] + "\r\n";
    }
    base::files::replaceFileContent(packageFolder + "\\install.ini", install, nullptr);
    base::files::replaceFileContent(packageFolder + "\\temp.ini", temp, nullptr);

    frmARNew3().show();
    FrmARAddARFiles &picker = frmARAddARFiles();
    picker.show();
    picker.FileTotal = static_cast<std::int16_t>(files.size());
    runtime.pumpSeconds = 0;
    runtime.pumps = 0;
    static_cast<BenchPlatform &>(platform::current()).copySeconds = 0;
    const double start = nowSeconds();
    picker.cmdNext_Click();
    return nowSeconds() - start;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_wine_add.exe SCRATCH [rounds]\n");
        return 2;
    }
    const std::string scratch = base::text::narrow(argv[1]) + "\\bench-wine-add";
    const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 4;
    const std::string program = scratch + "\\program";
    const std::string sources = scratch + "\\sources";
    CreateDirectoryW(base::text::widen(scratch).c_str(), nullptr);
    CreateDirectoryW(base::text::widen(program).c_str(), nullptr);
    CreateDirectoryW(base::text::widen(sources).c_str(), nullptr);
    std::vector<std::string> files;
    for (int i = 1; i <= FileCount; ++i) {
        files.push_back(sources + "\\file" + std::to_string(i) + ".ar");
        if (!makeFile(files.back(), FileBytes)) {
            std::fprintf(stderr, "bench_wine_add: %s could not be written\n", files.back().c_str());
            return 1;
        }
    }

    BenchPlatform bench(program);
    platform::install(&bench);
    BenchRuntime runtime;
    form::install(&runtime);
    Vemko::ResetState();

    // Alternating, each into a fresh folder, the other's output deleted first.
    const std::string copyFolder = scratch + "\\copy";
    const std::string packageFolder = program + "\\Bench";
    std::vector<double> addTimes;
    std::vector<double> copyTimes;
    std::vector<double> aloneTimes;
    double addCopySeconds = 0; // of the last Add
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 3; ++turn) {
            removeFolder(copyFolder);
            removeFolder(packageFolder);
            const int measure = (round + turn) % 3;
            if (measure == 0) {
                copyTimes.push_back(secondsOfCopyFile(files, copyFolder));
            } else if (measure == 1) {
                aloneTimes.push_back(secondsOfCopyAlone(files, copyFolder));
            } else {
                addTimes.push_back(secondsOfAdd(runtime, packageFolder, files));
                addCopySeconds = bench.copySeconds;
                pages::releaseAll();
                runtime.destroyPending();
            }
        }
    }
    removeFolder(copyFolder);
    removeFolder(packageFolder);
    for (const std::string &file : files)
        DeleteFileW(base::text::widen(file).c_str());
    RemoveDirectoryW(base::text::widen(sources).c_str());
    RemoveDirectoryW(base::text::widen(program).c_str());
    RemoveDirectoryW(base::text::widen(scratch).c_str());

    const double bytes = double(FileBytes) * (FileCount + 1);
    const double ours = median(addTimes);
    const double copy = median(copyTimes);
    std::printf("3 files of 1 GiB (Wine) Add %7.2f s (%7.1f MB/s)   CopyFileW %7.2f s (%7.1f MB/s)   "
                "throughput ratio %.2f\n",
                ours, bytes / ours / 1e6, copy, bytes / copy / 1e6, copy / ours);
    std::printf("%-22s every round: Add", "");
    for (double t : addTimes)
        std::printf(" %.2f", t);
    std::printf(" s; CopyFileW");
    for (double t : copyTimes)
        std::printf(" %.2f", t);
    std::printf(" s; copyFile alone");
    for (double t : aloneTimes)
        std::printf(" %.2f", t);
    std::printf(" s\n%-22s last Add: %.2f s in its copies, %ld pumps between chunks, %.2f s in them\n", "",
                addCopySeconds, runtime.pumps, runtime.pumpSeconds);
    pages::releaseAll();
    form::install(nullptr);
    platform::install(nullptr);
    return 0;
}
