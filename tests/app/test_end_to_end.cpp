// A whole run through the real pages on the Qt runtime, from the package name to Finish, and
// the package it leaves installed into a game folder by the Linux installer. The package's own
// setup.exe (the Windows program) installs the same package under Wine in tests/windows.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <QApplication>
#include <QWidget>

#include "FakePlatform.h"
#include "FrmARAddARFiles.h"
#include "FrmARDone.h"
#include "FrmARNew0.h"
#include "FrmARNew1.h"
#include "FrmARNew2.h"
#include "FrmARNew3.h"
#include "FrmARReadmeLocation.h"
#include "Pages.h"
#include "QtRuntime.h"
#include "TypicalInstallIni.h"
#include "Vemko.h"

namespace fs = std::filesystem;

namespace {

// The Qt runtime with its message boxes recorded and answered OK or by their default, and
// the end of the program thrown to the test, so that a whole run needs no hand at the keys.
class RecordingQtRuntime : public form::qt::QtRuntime
{
public:
    struct MessageBoxCall
    {
        std::string text;
        unsigned flags;
        std::string title;
    };
    std::vector<MessageBoxCall> messageBoxes;
    std::function<void()> onDoEvents;

    int messageBox(const std::string &text, unsigned flags, const std::string &title) override
    {
        messageBoxes.push_back({text, flags, title});
        if ((flags & 0xF) == form::MB_YESNO)
            return (flags & form::MB_DEFBUTTON2) ? form::IDNO : form::IDYES;
        return form::IDOK;
    }
    void doEvents() override
    {
        QtRuntime::doEvents();
        if (onDoEvents)
            onDoEvents();
    }
    [[noreturn]] void endProgram() override
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            w->hide();
        throw ProgramEnded{};
    }
};

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path &path, const std::string &bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Runs a program to its end; its exit code, or -1 when it could not run.
int run(const std::string &program, const std::vector<std::string> &arguments, const std::string &log)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char *> argv{const_cast<char *>(program.c_str())};
        for (const auto &a : arguments)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        if (!freopen(log.c_str(), "w", stdout) || !freopen(log.c_str(), "a", stderr) || chdir("/") != 0)
            _exit(126);
        execvp(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The files of a folder (hidden ones too), by name.
std::set<std::string> filesIn(const fs::path &folder,
                              const std::function<bool(const std::string &)> &keep = {})
{
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() || entry.is_symlink())
            if (!keep || keep(entry.path().filename().string()))
                names.insert(entry.path().filename().string());
    return names;
}

class EndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        files = std::make_unique<FakePlatform>();
        platform::install(files.get());
        form::install(&qt);
        Vemko::ResetState();
        pages::releaseAll();
    }
    void TearDown() override
    {
        pages::releaseAll();
        QApplication::processEvents();
        form::install(nullptr);
        platform::install(nullptr);
        files.reset();
    }
    fs::path inProgram(const std::string &relative) const
    {
        return fs::path(files->programFolder()) / relative;
    }
    std::string log(const std::string &name) const { return inProgram("../" + name + ".log").string(); }

    // On the completion page: Save as Zip cancelled half-way, failing on a listed file gone, then
    // writing the archive beside the package folder.
    void packAsZip(const fs::path &package, const fs::path &zip)
    {
        FrmARDone &done = frmARDone();
        const auto leftovers = [&] {
            return filesIn(inProgram("."), [](const std::string &name) {
                return name.find(".zip") != std::string::npos || name.rfind(".", 0) == 0;
            });
        };
        qt.onDoEvents = [&] {
            if (done.cmdCancel()->isEnabled())
                done.cmdCancel()->click();
        };
        done.cmdZip()->click();
        qt.onDoEvents = nullptr;
        EXPECT_EQ(done.lblZip()->text(), "Packing cancelled: no archive was written.");
        EXPECT_TRUE(leftovers().empty()) << *leftovers().begin();
        EXPECT_FALSE(done.cmdCancel()->isEnabled());

        // A listed file or the readme install.ini names gone, a link in the package folder.
        const std::string linkReason =
            ": a symbolic link, not packed: the archive takes only the package's own files";
        const std::string p = package.string();
        const struct
        {
            std::function<void()> make, undo;
            std::string error;
        } refusals[] = {
            {[&] { fs::rename(package / "cars.ar", inProgram("cars.away")); },
             [&] { fs::rename(inProgram("cars.away"), package / "cars.ar"); },
             p + "/cars.ar: No such file or directory"},
            {[&] { fs::rename(package / "readme.txt", inProgram("readme.away")); },
             [&] { fs::rename(inProgram("readme.away"), package / "readme.txt"); },
             p + "/readme.txt: No such file or directory"},
            {[&] { fs::create_symlink(inProgram("Redist/setup.exe"), package / "extra.ar"); },
             [&] { fs::remove(package / "extra.ar"); }, p + "/extra.ar" + linkReason},
        };
        for (const auto &refusal : refusals) {
            SCOPED_TRACE(refusal.error);
            refusal.make();
            done.cmdZip()->click();
            ASSERT_EQ(qt.messageBoxes.size(), 1u);
            EXPECT_EQ(qt.messageBoxes[0].text, "The zip archive could not be written:\r\n" + refusal.error);
            EXPECT_TRUE(leftovers().empty());
            refusal.undo();
            qt.messageBoxes.clear();
        }

        done.cmdZip()->click();
        EXPECT_TRUE(qt.messageBoxes.empty());
        EXPECT_EQ(done.cmdZip()->text(), "Save as &Zip...");
        EXPECT_EQ(done.txtZip()->text(), zip.string());
        EXPECT_TRUE(done.txtZip()->isVisible() && done.txtZip()->isReadOnly());
        EXPECT_EQ(leftovers(), std::set<std::string>{"My Pack.zip"});
        EXPECT_TRUE(done.cmdNext()->isEnabled());
    }

    std::unique_ptr<FakePlatform> files;
    RecordingQtRuntime qt;
};

} // namespace

TEST_F(EndToEnd, ATypicalRunBuildsAPackageThatInstalls)
{
    const fs::path mods = fs::canonical(inProgram("..")) / "Mods";
    writeFile(mods / "readme.txt", "Read me first.\r\n");
    writeFile(mods / "city.ar", std::string(5000, 'c'));
    writeFile(mods / "cars.ar", std::string(3000, 'a'));
    const fs::path builtInstaller = QUERNEL_PROGRAM_DIR "/Redist/setup.exe";
    ASSERT_TRUE(fs::exists(builtInstaller));
    fs::create_directories(inProgram("Redist"));
    fs::copy_file(builtInstaller, inProgram("Redist/setup.exe"));

    Vemko::ShowFirstPage();
    ASSERT_TRUE(frmARNew0().isVisible());
    frmARNew0().txtPackage()->setText("My Pack");
    frmARNew0().cmdNext()->click();

    FrmARNew1 &details = frmARNew1();
    details.txtAName()->setText("Jo");
    details.txtAEmail()->setText("jo@example.org");
    details.txtAWWW()->setText("www.example.org");
    details.txtCopyright()->setText("(c) Jo");
    details.window().control<form::Button>("cmdBrowse").click();
    frmARReadmeLocation().Dir1()->setPath(mods.string());
    frmARReadmeLocation().File1()->setFileName("readme.txt");
    frmARReadmeLocation().cmdNext()->click();
    details.cmdNext()->click();

    FrmARNew2 &appearance = frmARNew2();
    appearance.optMMV(1)->click();
    appearance.optPGBDisplay(0)->click();
    appearance.cmdNext()->click();

    frmARNew3().cmdAddAR()->click();
    FrmARAddARFiles &picker = frmARAddARFiles();
    picker.Dir1()->setPath(mods.string());
    for (const char *name : {"city.ar", "cars.ar"}) {
        picker.File1()->setFileName(name);
        picker.File1()->dblClick();
    }
    picker.cmdNext()->click();
    frmARNew3().cmdNext()->click();
    ASSERT_TRUE(frmARDone().isVisible());
    const fs::path package = inProgram("My Pack");
    const fs::path zip = inProgram("My Pack.zip");
    packAsZip(package, zip);
    EXPECT_TRUE(endsProgram([] { frmARDone().cmdNext()->click(); }));
    EXPECT_TRUE(qt.messageBoxes.empty());

    EXPECT_EQ(readFile(package / "install.ini"), quernel_test::TypicalInstallIni);
    EXPECT_EQ(filesIn(package),
              (std::set<std::string>{"cars.ar", "city.ar", "install.ini", "readme.txt", "setup.exe"}));
    EXPECT_EQ(readFile(package / "setup.exe"), readFile(builtInstaller));

    // The player's side: the installer puts the package's files into the game.
    const fs::path game = inProgram("../Game");
    writeFile(game / "midtown2.exe", "game");
    const std::string setup = QUERNEL_PROGRAM_DIR "/Redist/setup";
    ASSERT_EQ(run(setup, {"--package", package.string(), "--target", game.string(), "--yes"}, log("setup")),
              0)
        << readFile(log("setup"));
    EXPECT_EQ(readFile(game / "city.ar"), std::string(5000, 'c'));
    EXPECT_EQ(readFile(game / "cars.ar"), std::string(3000, 'a'));

    // The archive, read by tools no one here wrote; unzipped, its installer installs the package.
    EXPECT_EQ(run("unzip", {"-tq", zip.string()}, log("unzip")), 0) << readFile(log("unzip"));
    EXPECT_EQ(run("python3",
                  {QUERNEL_SOURCE_DIR "/tests/package/check_package_zip.py", zip.string(), package.string(),
                   "My Pack"},
                  log("check")),
              0)
        << readFile(log("check"));
    const fs::path unpacked = inProgram("../Download");
    EXPECT_EQ(run("unzip", {"-q", zip.string(), "-d", unpacked.string()}, log("unzip2")), 0);
    const fs::path game2 = inProgram("../Game2");
    writeFile(game2 / "midtown2.exe", "game");
    EXPECT_EQ(run(setup, {"--package", (unpacked / "My Pack").string(), "--target", game2.string(), "--yes"},
                  log("setup2")),
              0)
        << readFile(log("setup2"));
    EXPECT_EQ(readFile(game2 / "city.ar"), std::string(5000, 'c'));
    EXPECT_EQ(readFile(game2 / "cars.ar"), std::string(3000, 'a'));
}
