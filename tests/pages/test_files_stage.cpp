#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "FakeRuntime.h"
#include "FrmARAddARFiles.h"
#include "FrmARCreate.h"
#include "FrmARDone.h"
#include "FrmARNew3.h"
#include "IniFuncs.h"
#include "Pages.h"
#include "Platform.h"
#include "Vemko.h"
#include "WizardFixture.h"

using form::IDNO;
using form::IDYES;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

bool contains(const Strings &list, const std::string &text)
{
    return std::find(list.begin(), list.end(), text) != list.end();
}

bool has(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

// A close request from the window frame, as the window system delivers it.
void closeFrame(form::Window &window)
{
    dynamic_cast<form::fake::FakeWindow &>(window).raise(window.CloseRequest);
}

class FilesStage : public WizardFixture
{
protected:
    void SetUp() override
    {
        WizardFixture::SetUp();
        Vemko::PackageFolder = inProgram("My Pack");
        fs::create_directories(Vemko::PackageFolder);
        writeFile(packageFile("install.ini"),
                  "[install.ini]\r\nName=My Pack\r\nCopyright=(c) Jo\r\nAuthor=Jo\r\n"
                  "WWW=www.jo.org\r\nAuthEmail=jo@jo.org\r\nReadme=readme.txt\r\n"
                  "mmType=2\r\nTimer=30\r\n[Progress Bar]\r\nSmooth=True\r\n");
        source = canonicalParent() + "/AR Files";
        writeFile(source + "/city.ar", std::string(4096, 'c'));
        writeFile(source + "/cars.ar", std::string(1000, 'a'));
        writeFile(source + "/bikes.ar", std::string(10, 'b'));
        writeFile(inProgram("Redist/setup.exe"), "installer bytes");
        frmARNew3().show();
    }

    // The folder that holds the program folder, without links.
    std::string canonicalParent() const { return fs::canonical(inProgram("..")).string(); }
    std::string packageFile(const std::string &name) const { return Vemko::PackageFolder + "/" + name; }
    std::string install(const std::string &section, const std::string &key)
    {
        return ReadINI(packageFile("install.ini"), section, key, "<none>");
    }
    std::string temp(const std::string &key)
    {
        return ReadINI(packageFile("temp.ini"), "Files", key, "<none>");
    }

    FrmARAddARFiles &openPicker(const std::string &folder = std::string())
    {
        frmARNew3().cmdAddAR()->click();
        FrmARAddARFiles &picker = frmARAddARFiles();
        picker.Dir1()->setPath(folder.empty() ? source : folder);
        return picker;
    }
    void add(FrmARAddARFiles &picker, const std::string &name)
    {
        picker.File1()->setFileName(name);
        ASSERT_EQ(picker.File1()->fileName(), name);
        picker.File1()->dblClick();
    }
    // Add, watching the creation page at every moment the copy lets events run.
    void pressAdd(FrmARAddARFiles &picker)
    {
        fake->onDoEvents = [this] {
            if (!frmARCreate().isLoaded())
                return;
            statuses.push_back(frmARCreate().lblStatus()->text());
            barValues.push_back(frmARCreate().pgbStatus()->value());
        };
        picker.cmdNext()->click();
        fake->onDoEvents = nullptr;
        flushDeletes();
    }
    Strings copiedSources() const
    {
        Strings sources;
        for (const std::string &copy : fake->copies) {
            const std::string from = copy.substr(0, copy.find(" -> "));
            sources.push_back(from.substr(from.rfind('/') + 1));
        }
        return sources;
    }

    std::string source;
    Strings statuses;
    std::vector<int> barValues;
};

} // namespace

TEST_F(FilesStage, TheFileListPageStartsEmptyWithItsButtonsEnabled)
{
    FrmARNew3 &page = frmARNew3();
    EXPECT_EQ(page.lblBanner()->text(), "Add .AR File(s)");
    EXPECT_EQ(page.txtFiles()->text(), "");
    EXPECT_TRUE(page.txtFiles()->isReadOnly());
    EXPECT_EQ(page.window().control<form::Label>("lblSize").text(),
              "Package Size in kilobytes (uncompressed):");
    EXPECT_TRUE(page.cmdAddAR()->isEnabled());
    EXPECT_EQ(page.cmdAddAR()->text(), "Add &AR Files...");
    EXPECT_EQ(page.cmdNext()->text(), "&Create Setup");
    EXPECT_TRUE(page.cmdNext()->isEnabled());
    EXPECT_TRUE(page.cmdCancel()->isEnabled());
    EXPECT_FALSE(page.cmdBack()->isEnabled());
}

TEST_F(FilesStage, EachDoubleClickListsCountsAndRecordsTheFile)
{
    FrmARAddARFiles &picker = openPicker();
    EXPECT_EQ(picker.lblAmount()->text(), "Amount of files in package: 0");
    EXPECT_EQ(picker.File1()->files(), (Strings{"bikes.ar", "cars.ar", "city.ar"}));
    add(picker, "city.ar");
    EXPECT_EQ(picker.lblAmount()->text(), "Amount of files in package: 1");
    ASSERT_EQ(picker.lstFile()->count(), 1);
    EXPECT_EQ(picker.lstFile()->item(0), source + "/city.ar");
    EXPECT_EQ(install("Files", "File1"), "city.ar");
    EXPECT_EQ(temp("File1"), source + "/city.ar");
    EXPECT_EQ(picker.window().control<form::Label>("lblAddFile").text(),
              "Double-click on a file to add it to your package");

    EXPECT_TRUE(fake->messageBoxes.empty());
}

TEST_F(FilesStage, AFileListedInThisOpeningIsNotRecordedAgain)
{
    const std::string linked = fs::path(inProgram("../linked AR Files")).lexically_normal().string();
    ASSERT_EQ(::symlink(source.c_str(), linked.c_str()), 0);
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "city.ar");
    picker.Dir1()->setPath(linked);
    add(picker, "city.ar"); // the same file, reached through a linked folder
    ASSERT_EQ(fake->messageBoxes.size(), 2u);
    EXPECT_EQ(fake->messageBoxes[0].text, "This file is in the list already:\r\n" + source + "/city.ar");
    EXPECT_EQ(fake->messageBoxes[1].text, "This file is in the list already:\r\n" + linked + "/city.ar");
    EXPECT_EQ(fake->messageBoxes[1].flags, form::MB_ICONINFORMATION);
    EXPECT_EQ(picker.lstFile()->count(), 1);
    EXPECT_EQ(picker.lblAmount()->text(), "Amount of files in package: 1");
    EXPECT_EQ(install("Files", "File2"), "<none>");
    EXPECT_EQ(temp("File2"), "<none>");

    picker.cmdCancel()->click(); // a new opening starts a new list
    openPicker();
    add(picker, "city.ar");
    EXPECT_EQ(fake->messageBoxes.size(), 2u);
    EXPECT_EQ(picker.lstFile()->count(), 1);
}

TEST_F(FilesStage, ASecondFileOfTheSameNameIsRefusedWithoutARecord)
{
    const std::string other = canonicalParent() + "/Other AR";
    const auto sameName = [](const std::string &second, const std::string &first) {
        return "A file of the same name is in the list already:\r\n" + second + "\r\n" + first +
               "\r\nThe package folder holds its files side by side, and Windows does not tell names apart "
               "by letter case, so one would overwrite the other. Please rename one of the files and add it "
               "again.";
    };
    struct Row
    {
        std::string firstFolder, firstName, secondFolder, secondName;
        bool samePath;
    };
    const Row rows[] = {
        {source, "city.ar", other, "city.ar", false},
        {source, "CITY.AR", source, "city.ar", false},
        {source, "\xC3\x89.ar", other, "\xC3\xA9.ar", false}, // É and é
        {source, "city.ar", source, "city.ar", true},
    };
    for (const Row &row : rows) {
        writeFile(row.firstFolder + "/" + row.firstName, "first");
        writeFile(row.secondFolder + "/" + row.secondName, "second");
    }
    for (const Row &row : rows) {
        const std::string first = row.firstFolder + "/" + row.firstName;
        const std::string second = row.secondFolder + "/" + row.secondName;
        FrmARAddARFiles &picker = openPicker(row.firstFolder);
        add(picker, row.firstName);
        const std::string installBytes = readFile(packageFile("install.ini"));
        const std::string tempBytes = readFile(packageFile("temp.ini"));
        fake->messageBoxes.clear();
        picker.Dir1()->setPath(row.secondFolder);
        add(picker, row.secondName);

        ASSERT_EQ(fake->messageBoxes.size(), 1u) << second;
        if (row.samePath) {
            EXPECT_EQ(fake->messageBoxes[0].text, "This file is in the list already:\r\n" + second);
            EXPECT_EQ(fake->messageBoxes[0].flags, form::MB_ICONINFORMATION);
        } else {
            EXPECT_EQ(fake->messageBoxes[0].text, sameName(second, first));
            EXPECT_EQ(fake->messageBoxes[0].flags, form::MB_ICONWARNING);
        }
        EXPECT_EQ(readFile(packageFile("install.ini")), installBytes) << second;
        EXPECT_EQ(readFile(packageFile("temp.ini")), tempBytes) << second;
        ASSERT_EQ(picker.lstFile()->count(), 1);
        EXPECT_EQ(picker.lstFile()->item(0), first);
        EXPECT_EQ(picker.lblAmount()->text(), "Amount of files in package: 1");
        picker.cmdCancel()->click();
    }
    EXPECT_TRUE(fake->copies.empty());
}

TEST_F(FilesStage, NamesAndPathsLongerThanARecordReadAreRefused)
{
    // A read of a package record gives 254 bytes: the installer reads the name, Add the path.
    const auto nameMessage = [](const std::string &name) {
        return "This file's name is longer than 254 bytes:\r\n" + name +
               "\r\nThe package's installer could not read it, so the package could not be installed. Please "
               "give the file a shorter name and add it again.";
    };
    const auto pathMessage = [](const std::string &path) {
        return "This file's full path is longer than 254 bytes:\r\n" + path +
               "\r\nThe package records could not hold it. Please move the file to a folder with a shorter "
               "path and add it from there.";
    };
    ASSERT_LT(source.size() + 1 + 5, 254u);
    const std::string deep =
        source + "/" + std::string(254 - (source.size() + 1) - 5, 'd'); // + "/x.ar": 254 bytes
    std::string accented;
    for (int i = 0; i < 126; ++i)
        accented += "\xC3\xA9";
    struct Row
    {
        std::string folder;
        std::string name;
        std::string message; // empty: recorded
    };
    const std::string longName = std::string(252, 'n') + ".ar"; // 255 bytes
    const std::string accentedName = accented + ".ar";          // 129 characters, 255 bytes
    const Row rows[] = {
        {source, longName, nameMessage(longName)},
        {source, accentedName, nameMessage(accentedName)},
        {deep, "x.ar", std::string()},                 // a path of 254 bytes
        {deep, "xy.ar", pathMessage(deep + "/xy.ar")}, // 255 bytes
    };
    for (const Row &row : rows)
        writeFile(row.folder + "/" + row.name, "ar");
    FrmARAddARFiles &picker = openPicker();
    for (const Row &row : rows) {
        picker.Dir1()->setPath(row.folder);
        fake->messageBoxes.clear();
        add(picker, row.name);
        const std::string path = row.folder + "/" + row.name;
        if (row.message.empty()) {
            EXPECT_TRUE(fake->messageBoxes.empty());
            EXPECT_EQ(temp("File1"), path);
            continue;
        }
        ASSERT_EQ(fake->messageBoxes.size(), 1u) << row.name;
        EXPECT_EQ(fake->messageBoxes[0].text, row.message);
        EXPECT_EQ(fake->messageBoxes[0].flags, form::MB_ICONWARNING);
    }
    EXPECT_EQ(picker.lstFile()->count(), 1);
    EXPECT_EQ(install("Files", "File2"), "<none>");

    // The list shows the end of a long path, the file's name.
    EXPECT_TRUE(picker.lstFile()->layoutRow().has(form::style::ElideLeft));
    // Qt runtime: the elided row fits the viewport, no horizontal scroll bar, the whole path as its tip.
}

TEST_F(FilesStage, TheSizeLabelShowsTheListedFilesInKilobytesAfterEachAdd)
{
    writeFile(packageFile("readme.txt"), std::string(2000, 'r'));
    writeFile(packageFile("notes.bin"), std::string(100000, 'n')); // not listed in install.ini
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "cars.ar");
    add(picker, "bikes.ar");
    pressAdd(picker);
    // 4096 + 1000 + 10 + 2000 bytes, rounded up
    EXPECT_EQ(frmARNew3().lblSize()->text(), "Package Size in kilobytes (uncompressed): 7");

    openPicker();
    add(picker, "bikes.ar");
    pressAdd(picker);
    EXPECT_EQ(frmARNew3().lblSize()->text(), "Package Size in kilobytes (uncompressed): 2");
}

TEST_F(FilesStage, ADoubleClickOnTheFileListsSecondRowAddsThatFile)
{
    FrmARAddARFiles &picker = openPicker();
    // Qt runtime: the same through real mouse clicks on the file list's second row.
    picker.File1()->setFileName(picker.File1()->files().at(1));
    picker.File1()->dblClick();
    EXPECT_EQ(install("Files", "File1"), "cars.ar");
}

TEST_F(FilesStage, HelpExplainsInTwoLines)
{
    FrmARAddARFiles &picker = openPicker();
    EXPECT_EQ(picker.cmdBack()->text(), "&Help");
    EXPECT_TRUE(picker.cmdBack()->isEnabled());
    picker.cmdBack()->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(fake->messageBoxes[0].title, "Quernel Vemko Help");
    EXPECT_EQ(fake->messageBoxes[0].flags, 64u);
    EXPECT_EQ(
        fake->messageBoxes[0].text,
        "*To add an .AR file to your package, double click on the file (the list below the folder list)\r\n"
        "*Clicking Add will add all the files to the package and close the Add AR Files window");
}

TEST_F(FilesStage, OneFileIsMeasuredAndCopiedTwice)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    pressAdd(picker);

    EXPECT_EQ(copiedSources(), (Strings{"city.ar", "city.ar"}));
    EXPECT_EQ(readFile(packageFile("city.ar")), std::string(4096, 'c'));
    EXPECT_TRUE(contains(statuses, "Adding File (0 of 1), Size: 4096 bytes"));
    EXPECT_TRUE(contains(statuses, "Adding File (1 of 1), Size: 4096 bytes"));
    ASSERT_FALSE(barValues.empty());
    EXPECT_EQ(barValues.back(), 1);
    EXPECT_TRUE(frmARNew3().txtFiles()->text().ends_with("\r\nFile1: city.ar"));
    EXPECT_FALSE(picker.isLoaded());
    EXPECT_FALSE(frmARCreate().isLoaded());
    EXPECT_TRUE(frmARNew3().isVisible());
    EXPECT_EQ(picker.FileNumber, 2); // the summary's counter, one past the last file line
}

TEST_F(FilesStage, ThreeFilesTakeFourStepsAndTheSummaryHasEverything)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "cars.ar");
    add(picker, "bikes.ar");
    pressAdd(picker);

    EXPECT_EQ(copiedSources(), (Strings{"city.ar", "cars.ar", "bikes.ar", "bikes.ar"}));
    Strings steps;
    std::copy_if(statuses.begin(), statuses.end(), std::back_inserter(steps),
                 [](const std::string &s) { return has(s, "Adding File ("); });
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.front(), "Adding File (0 of 3), Size: 4096 bytes");
    EXPECT_TRUE(contains(steps, "Adding File (1 of 3), Size: 1000 bytes"));
    EXPECT_TRUE(contains(steps, "Adding File (3 of 3), Size: 10 bytes"));
    std::vector<int> distinct;
    for (int v : barValues)
        if (distinct.empty() || distinct.back() != v)
            distinct.push_back(v);
    EXPECT_EQ(distinct, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(install("install.ini", "TotalFiles"), "3");
    EXPECT_TRUE(has(readFile(packageFile("install.ini")), "\r\nTotalFiles= 3\r\n"));
    for (const char *name : {"city.ar", "cars.ar", "bikes.ar"})
        EXPECT_EQ(readFile(packageFile(name)), readFile(source + "/" + name)) << name;

    EXPECT_EQ(frmARNew3().txtFiles()->text(), "Package Name: My Pack\r\n"
                                              "Author's Name: Jo\r\n"
                                              "Author's Email Address: jo@jo.org\r\n"
                                              "Author's Copyright: (c) Jo\r\n"
                                              "Total Number of Files: 3\r\n"
                                              "Readme Delay Timer: 30\r\n"
                                              "Midtown Madness Version Needed: 2\r\n"
                                              "Author's Web Site: www.jo.org\r\n"
                                              "Readme File: readme.txt\r\n"
                                              "Progress Bar Display: Smooth=True\r\n"
                                              "File1: city.ar\r\n"
                                              "File2: cars.ar\r\n"
                                              "File3: bikes.ar");
}

TEST_F(FilesStage, AMissingKeyShowsItsLabelAlone)
{
    writeFile(packageFile("install.ini"), "[install.ini]\r\nName=Bare\r\n");
    FrmARAddARFiles &picker = openPicker();
    add(picker, "bikes.ar");
    pressAdd(picker);
    Strings lines;
    const std::string text = frmARNew3().txtFiles()->text();
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    EXPECT_TRUE(contains(lines, "Readme File: "));
    EXPECT_TRUE(contains(lines, "Progress Bar Display: Smooth="));
    EXPECT_TRUE(contains(lines, "Total Number of Files: 1"));
}

TEST_F(FilesStage, ALaterOpeningNumbersFromOneAndKeepsHigherEntries)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "cars.ar");
    add(picker, "bikes.ar");
    pressAdd(picker);

    openPicker();
    EXPECT_EQ(picker.lblAmount()->text(), "Amount of files in package: 0");
    EXPECT_EQ(picker.lstFile()->count(), 0);
    add(picker, "cars.ar");
    EXPECT_EQ(install("Files", "File1"), "cars.ar");
    EXPECT_EQ(install("Files", "File3"), "bikes.ar"); // left from the earlier opening
    pressAdd(picker);
    EXPECT_EQ(install("install.ini", "TotalFiles"), "1");
    EXPECT_TRUE(frmARNew3().txtFiles()->text().ends_with("Smooth=True\r\nFile1: cars.ar"));
}

TEST_F(FilesStage, AnOpeningWithoutAddsWorksOnTheEarlierList)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "cars.ar");
    pressAdd(picker);
    fake->copies.clear();
    fs::remove(packageFile("city.ar"));

    openPicker();
    pressAdd(picker);
    EXPECT_EQ(copiedSources(), (Strings{"city.ar", "cars.ar", "cars.ar"}));
    EXPECT_TRUE(exists(packageFile("city.ar")));
    EXPECT_EQ(install("install.ini", "TotalFiles"), "2");
}

TEST_F(FilesStage, AFileAtTheRootIsRecordedWithADoubledSeparatorAndCopied)
{
    const std::string name = "quernel-root-test-" + std::to_string(::getpid()) + ".ar";
    if (::access("/", W_OK) != 0)
        GTEST_SKIP() << "the root folder is not writable here";
    writeFile("/" + name, "root ar");
    struct Cleanup
    {
        std::string path;
        ~Cleanup()
        {
            std::error_code ec;
            fs::remove(path, ec);
        }
    } cleanup{"/" + name};

    FrmARAddARFiles &picker = openPicker("/");
    add(picker, name);
    EXPECT_EQ(temp("File1"), "//" + name);
    pressAdd(picker);
    EXPECT_EQ(readFile(packageFile(name)), "root ar");
    EXPECT_TRUE(contains(statuses, "Adding File (0 of 1), Size: 7 bytes"));
}

TEST_F(FilesStage, CreateSetupCopiesTheInstallerAndShowsTheCompletionPage)
{
    frmARNew3().cmdNext()->click();
    flushDeletes();
    EXPECT_EQ(readFile(packageFile("setup.exe")), "installer bytes");
    EXPECT_TRUE(frmARDone().isVisible());
    EXPECT_FALSE(frmARNew3().isLoaded());
    EXPECT_EQ(install("install.ini", "TotalFiles"), "<none>");
    EXPECT_FALSE(has(readFile(packageFile("install.ini")), "[Files]"));

    FrmARDone &done = frmARDone();
    EXPECT_EQ(done.lblBanner()->text(), "Creation Complete");
    EXPECT_FALSE(done.cmdCancel()->isEnabled());
    EXPECT_FALSE(done.cmdBack()->isEnabled());
    EXPECT_EQ(done.cmdNext()->text(), "&Finish");
    EXPECT_EQ(
        done.window().control<form::Label>("lblDebug").text(),
        "Creation of your setup package is now completed.  You should test it to ensure that it's built "
        "correctly.  If there's a problem, modify install.ini (which is the complete driving force for the "
        "Quernel), and add / remove .AR files as needed from the folder.");
}

TEST_F(FilesStage, TheCompletionPageNamesThePackageFolderAndOpensIt)
{
    Vemko::CopySetupAndFinish();
    FrmARDone &done = frmARDone();
    EXPECT_EQ(done.window().control<form::Label>("lblFolder").text(), "Package Folder:");
    EXPECT_EQ(done.txtFolder()->text(), Vemko::PackageFolder);
    EXPECT_TRUE(done.txtFolder()->isReadOnly());
    EXPECT_EQ(done.cmdOpenFolder()->text(), "&Open Folder");
    done.cmdOpenFolder()->click();
    EXPECT_EQ(fake->openedFolders, Strings{Vemko::PackageFolder});
    EXPECT_TRUE(fake->messageBoxes.empty());
    EXPECT_TRUE(done.isVisible());

    fake->openFolderSucceeds = false;
    done.cmdOpenFolder()->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(fake->messageBoxes[0].text, "The package folder could not be opened:\r\n" +
                                              Vemko::PackageFolder + ": No file manager to show it");

    // Every mnemonic of the page is its own, and the completion text has room of its own.
    std::string keys;
    for (const form::ControlRow &layoutRow : form::allControls(done.layout())) {
        if (layoutRow.kind != form::Kind::Button)
            continue;
        const std::string text = done.window().control<form::Button>(layoutRow.name).text();
        if (const std::size_t amp = text.find('&'); amp != std::string::npos && amp + 1 < text.size())
            keys += static_cast<char>(std::tolower(static_cast<unsigned char>(text[amp + 1])));
    }
    EXPECT_EQ(keys.size(), 7u) << keys;
    for (char key : keys)
        EXPECT_EQ(std::count(keys.begin(), keys.end(), key), 1) << keys;
    // Qt runtime: the completion text's wrapped height fits its label.
    const form::Rect text = done.window().control<form::Label>("lblDebug").layoutRow().place;
    for (const char *name : {"txtFolder", "cmdTest", "cmdOpenFolder"}) {
        const form::Rect place = done.window().find(name)->layoutRow().place;
        const bool apart = place.right() <= text.left || text.right() <= place.left ||
                           place.bottom() <= text.top || text.bottom() <= place.top;
        EXPECT_TRUE(apart) << name;
        // In pixels, the last row above the bottom separator is 272.
        const form::PixelRect px = form::toPixels(place);
        EXPECT_LE(px.y + px.height - 1, 272) << name;
    }
}

TEST_F(FilesStage, AMissingInstallerIsReportedAndTheWizardStays)
{
    fs::remove(inProgram("Redist/setup.exe"));
    frmARNew3().cmdNext()->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_TRUE(has(fake->messageBoxes[0].text, inProgram("Redist/setup.exe")));
    EXPECT_TRUE(frmARNew3().isVisible());
    EXPECT_FALSE(frmARDone().isLoaded());
}

TEST_F(FilesStage, TestPackageStartsTheLinuxInstallerOnThePackageEachTimeWithoutWine)
{
    Vemko::CopySetupAndFinish();
    frmARDone().cmdTest()->click();
    frmARDone().cmdTest()->click();
    EXPECT_EQ(fake->startedPrograms, (Strings{inProgram("Redist/setup"), inProgram("Redist/setup")}));
    const Strings onPackage{"--package", inProgram("My Pack")};
    EXPECT_EQ(fake->startedArguments, (std::vector<Strings>{onPackage, onPackage}));
    EXPECT_TRUE(frmARDone().cmdNext()->isEnabled());

    fake->startSucceeds = false;
    frmARDone().cmdTest()->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_TRUE(has(fake->messageBoxes[0].text, "could not be started"));
}

TEST_F(FilesStage, TestPackageStartsThePackagesOwnSetupThroughASetUpWine)
{
    fake->wine = "/usr/bin/wine";
    Vemko::CopySetupAndFinish();
    frmARDone().cmdTest()->click();
    EXPECT_EQ(fake->startedPrograms, Strings{"/usr/bin/wine"});
    EXPECT_EQ(fake->startedArguments, std::vector<Strings>{{packageFile("setup.exe")}});
    EXPECT_TRUE(fake->messageBoxes.empty());

    fake->startSucceeds = false;
    frmARDone().cmdTest()->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_TRUE(has(fake->messageBoxes[0].text, "/usr/bin/wine: Permission denied"));
}

TEST_F(FilesStage, FinishDeletesTempIniAndEnds)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    pressAdd(picker);
    Vemko::CopySetupAndFinish();
    ASSERT_TRUE(exists(packageFile("temp.ini")));
    bool after = false;
    EXPECT_TRUE(endsProgram([&] {
        frmARDone().cmdNext_Click();
        after = true;
    }));
    EXPECT_FALSE(after);
    EXPECT_FALSE(exists(packageFile("temp.ini")));
    for (const char *name : {"install.ini", "setup.exe", "city.ar"})
        EXPECT_TRUE(exists(packageFile(name))) << name;
}

TEST_F(FilesStage, FinishWithoutTempIniEndsAllTheSame)
{
    Vemko::CopySetupAndFinish();
    EXPECT_TRUE(endsProgram([] { frmARDone().cmdNext_Click(); }));
}

TEST_F(FilesStage, EscDoesNothingOnTheCreationAndCompletionPages)
{
    frmARCreate().show();
    pressKey(frmARCreate().window(), Key::Escape);
    closeFrame(frmARCreate().window());
    EXPECT_TRUE(frmARCreate().isVisible());
    frmARCreate().unload();

    Vemko::CopySetupAndFinish();
    pressKey(frmARDone().window(), Key::Escape);
    EXPECT_TRUE(fake->messageBoxes.empty());
    EXPECT_FALSE(fake->ended);
    EXPECT_TRUE(frmARDone().isVisible());
}

TEST_F(FilesStage, ClosingTheCompletionPageFinishes)
{
    Vemko::CopySetupAndFinish();
    writeFile(packageFile("temp.ini"), "[Files]\r\n");
    EXPECT_TRUE(endsProgram([] { closeFrame(frmARDone().window()); }));
    EXPECT_FALSE(exists(packageFile("temp.ini")));
}

TEST_F(FilesStage, CreateSetupWaitsWhileThePickerIsOpen)
{
    FrmARNew3 &page = frmARNew3();
    openPicker();
    EXPECT_FALSE(page.cmdNext()->isEnabled());
    frmARAddARFiles().cmdCancel()->click();
    EXPECT_TRUE(page.cmdNext()->isEnabled());
    openPicker();
    EXPECT_FALSE(page.cmdNext()->isEnabled());
    closeFrame(frmARAddARFiles().window()); // the frame's close is the picker's Cancel
    EXPECT_TRUE(page.cmdNext()->isEnabled());
    EXPECT_FALSE(frmARAddARFiles().isLoaded());
}

TEST_F(FilesStage, PickerCancelAndEscKeepTheRecordsWritten)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    pressKey(picker.window(), Key::Escape);
    flushDeletes();
    EXPECT_FALSE(picker.isLoaded());
    EXPECT_EQ(install("Files", "File1"), "city.ar");
    EXPECT_EQ(install("install.ini", "TotalFiles"), "<none>");
    EXPECT_FALSE(exists(packageFile("city.ar")));
}

TEST_F(FilesStage, NothingCanBeOvertakenWhileAddRuns)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "cars.ar");
    std::vector<bool> enabled;
    fake->onDoEvents = [&] {
        if (!picker.isLoaded() || !picker.isAdding())
            return;
        for (bool state : {picker.cmdNext()->isEnabled(), picker.cmdBack()->isEnabled(),
                           picker.cmdCancel()->isEnabled(), picker.File1()->isEnabled(),
                           frmARNew3().cmdAddAR()->isEnabled(), frmARNew3().cmdNext()->isEnabled()})
            enabled.push_back(state);
        EXPECT_TRUE(frmARNew3().cmdCancel()->isEnabled());
    };
    picker.cmdNext()->click();
    fake->onDoEvents = nullptr;
    ASSERT_FALSE(enabled.empty());
    EXPECT_EQ(std::count(enabled.begin(), enabled.end(), true), 0);
    EXPECT_TRUE(frmARNew3().cmdAddAR()->isEnabled());
    EXPECT_TRUE(frmARNew3().cmdNext()->isEnabled());
}

TEST_F(FilesStage, CancelYesDuringTheCopyEndsAtOnceWithoutAPartialFile)
{
    writeFile(source + "/big.ar", std::string(64 * 1024, 'g'));
    fake->copyChunkSize = 4096;
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "big.ar");
    int calls = 0;
    bool cancelled = false;
    fake->onDoEvents = [&] {
        if (++calls == 6 && !cancelled) { // inside the copy of big.ar
            cancelled = true;
            fake->queueAnswer(IDYES);
            frmARNew3().cmdCancel_Click();
        }
    };
    EXPECT_TRUE(endsProgram([&] { picker.cmdNext_Click(); }));
    fake->onDoEvents = nullptr;
    EXPECT_EQ(readFile(packageFile("city.ar")), std::string(4096, 'c'));
    EXPECT_FALSE(exists(packageFile("big.ar")));
    for (const fs::directory_entry &entry : fs::directory_iterator(Vemko::PackageFolder))
        EXPECT_FALSE(entry.path().filename().string().ends_with(".part")) << entry.path();
}

TEST_F(FilesStage, LargeFilesLetEventsRunBetweenChunks)
{
    writeFile(source + "/big.ar", std::string(40 * 4096, 'g'));
    fake->copyChunkSize = 4096;
    FrmARAddARFiles &picker = openPicker();
    add(picker, "big.ar");
    pressAdd(picker);
    EXPECT_GE(fake->doEventsCount, 80); // two copies of forty chunks each
    EXPECT_EQ(readFile(packageFile("big.ar")), std::string(40 * 4096, 'g'));
}

TEST_F(FilesStage, AddWithoutAnyFileAsksForOne)
{
    FrmARAddARFiles &picker = openPicker();
    const std::string before = readFile(packageFile("install.ini"));
    picker.cmdNext()->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_TRUE(has(fake->messageBoxes[0].text, "No file was added"));
    EXPECT_EQ(readFile(packageFile("install.ini")), before);
    EXPECT_TRUE(picker.isVisible());
    EXPECT_FALSE(frmARCreate().isLoaded());
}

TEST_F(FilesStage, The32768thAddIsRefused)
{
    FrmARAddARFiles &picker = openPicker();
    picker.FileNumber = 32767;
    add(picker, "city.ar");
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(picker.FileNumber, 32767);
    EXPECT_EQ(picker.lstFile()->count(), 0);
    EXPECT_FALSE(exists(packageFile("temp.ini")));
}

TEST_F(FilesStage, AFileGoneSinceItWasPickedIsReportedOnceAndTheOthersAreCopied)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "cars.ar");
    fs::remove(source + "/cars.ar");
    pressAdd(picker);
    ASSERT_EQ(fake->messageBoxes.size(), 1u); // the last file is handled twice, reported once
    EXPECT_TRUE(has(fake->messageBoxes[0].text, source + "/cars.ar"));
    EXPECT_EQ(fake->messageBoxes[0].flags, form::MB_ICONWARNING);
    EXPECT_EQ(readFile(packageFile("city.ar")), std::string(4096, 'c'));
    EXPECT_FALSE(exists(packageFile("cars.ar")));
    EXPECT_FALSE(contains(statuses, "Adding File (1 of 2), Size: 1000 bytes"));
}

TEST_F(FilesStage, AFilePickedFromThePackageFolderIsLeftWhole)
{
    writeFile(packageFile("inside.ar"), "already in place");
    FrmARAddARFiles &picker = openPicker(Vemko::PackageFolder);
    add(picker, "inside.ar");
    pressAdd(picker);
    EXPECT_EQ(readFile(packageFile("inside.ar")), "already in place");
    EXPECT_TRUE(fake->messageBoxes.empty());
}

TEST_F(FilesStage, AnUnwritablePackageFolderIsReportedAndLeftClean)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    const auto readOnly = fs::perms::owner_read | fs::perms::owner_exec;
    fs::permissions(Vemko::PackageFolder, readOnly);
    if (::access(Vemko::PackageFolder.c_str(), W_OK) == 0) {
        fs::permissions(Vemko::PackageFolder, readOnly | fs::perms::owner_write);
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    }
    pressAdd(picker);
    fs::permissions(Vemko::PackageFolder, readOnly | fs::perms::owner_write);
    EXPECT_FALSE(fake->messageBoxes.empty());
    EXPECT_FALSE(exists(packageFile("city.ar")));
}

TEST_F(FilesStage, TheFileListPageFrameCloseAsksTheCancelQuestion)
{
    fake->queueAnswer(IDNO);
    closeFrame(frmARNew3().window());
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_TRUE(fake->messageBoxes[0].text.starts_with("Are you sure"));
    EXPECT_TRUE(frmARNew3().isVisible());
}

TEST_F(FilesStage, AMissingPackageFolderStopsAddWithAMessage)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    fs::remove_all(Vemko::PackageFolder);
    picker.cmdNext()->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_TRUE(has(fake->messageBoxes[0].text, packageFile("install.ini")));
    EXPECT_TRUE(picker.isVisible());
    EXPECT_TRUE(picker.cmdNext()->isEnabled());
    EXPECT_FALSE(frmARCreate().isLoaded());
    EXPECT_FALSE(exists(Vemko::PackageFolder));
}

TEST_F(FilesStage, AFailureWhileOpeningThePickerGoesToTheErrorReport)
{
    // The picker starts in the current folder; take that folder away.
    const fs::path home = fs::current_path();
    const std::string doomed = inProgram("../doomed");
    fs::create_directories(doomed);
    fs::current_path(doomed);
    fs::remove_all(doomed);
    const bool ended = endsProgram([] { frmARNew3().cmdAddAR_Click(); });
    fs::current_path(home);
    EXPECT_TRUE(ended);
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(fake->messageBoxes[0].title, "Quernel Error 76");
    EXPECT_EQ(fake->messageBoxes[0].flags, 0x1030u);
    EXPECT_TRUE(has(fake->messageBoxes[0].text, "Path not found"));
}

TEST_F(FilesStage, TheCreationPagePlaysTheClipFromTheProgramFolderOrGoesOnWithout)
{
    frmARCreate().show();
    EXPECT_FALSE(frmARCreate().Animation1()->isOpen()); // no clip here: nothing to show
    frmARCreate().unload();
    flushDeletes();

    std::error_code error;
    ASSERT_TRUE(fs::copy_file(QUERNEL_PROGRAM_DIR "/filecopy.avi", inProgram("filecopy.avi"), error))
        << error.message();
    frmARCreate().show();
    EXPECT_TRUE(frmARCreate().Animation1()->isOpen());
    EXPECT_TRUE(frmARCreate().Animation1()->isPlaying());
    EXPECT_EQ(frmARCreate().lblBanner()->text(), "Creating Package");
    EXPECT_EQ(frmARCreate().lblStatus()->text(), "lblStatus");
    for (form::Button *b : {frmARCreate().cmdCancel(), frmARCreate().cmdBack(), frmARCreate().cmdNext()})
        EXPECT_FALSE(b->isEnabled()) << b->name();
}

TEST_F(FilesStage, SaveAsSetupWritesTheInstallerWithThePackageBesideItsFolderWholeOrNothing)
{
    Vemko::CopySetupAndFinish();
    writeFile(packageFile("readme.txt"), "read me");
    FrmARDone &done = frmARDone();
    EXPECT_EQ(done.cmdSetup()->text(), "Save as &Setup...");
    const std::string setup = inProgram("My Pack Setup.exe");
    const auto programFiles = [&] {
        std::set<std::string> names;
        for (const auto &entry : fs::directory_iterator(programFolder()))
            names.insert(entry.path().filename().string());
        return names;
    };
    const std::set<std::string> before = programFiles();

    // Progress in the setup's row, every other button waiting, Cancel stops it: nothing written.
    Strings progress;
    bool othersWaited = true;
    fake->onDoEvents = [&] {
        progress.push_back(done.lblSetup()->text());
        for (form::Button *button :
             {done.cmdTest(), done.cmdOpenFolder(), done.cmdZip(), done.cmdSetup(), done.cmdNext()})
            othersWaited = othersWaited && !button->isEnabled();
        if (progress.size() == 2)
            done.cmdCancel()->click();
    };
    done.cmdSetup()->click();
    fake->onDoEvents = nullptr;
    ASSERT_EQ(progress.size(), 2u);
    EXPECT_EQ(progress[0], "Packing... 0%");
    EXPECT_TRUE(has(progress[1], "Packing... ") && progress[1].back() == '%') << progress[1];
    EXPECT_TRUE(othersWaited);
    EXPECT_EQ(done.lblSetup()->text(), "Packing cancelled: no setup file was written.");
    EXPECT_FALSE(done.txtSetup()->isVisible());
    EXPECT_FALSE(done.cmdCancel()->isEnabled());
    EXPECT_TRUE(done.cmdSetup()->isEnabled() && done.cmdNext()->isEnabled());
    EXPECT_EQ(programFiles(), before);

    // Complete: the program folder's installer, the archive right after it; an older one replaced.
    writeFile(setup, "an older setup");
    done.cmdSetup()->click();
    EXPECT_TRUE(fake->messageBoxes.empty());
    EXPECT_EQ(done.lblSetup()->text(), "Setup File:");
    EXPECT_EQ(done.txtSetup()->text(), setup);
    EXPECT_TRUE(done.txtSetup()->isVisible() && done.txtSetup()->isReadOnly());
    EXPECT_FALSE(done.txtZip()->isVisible());
    const std::string written = readFile(setup);
    EXPECT_EQ(written.substr(0, 19), std::string("installer bytesPK\x03\x04"));
    std::set<std::string> after = before;
    after.insert("My Pack Setup.exe");
    EXPECT_EQ(programFiles(), after);

    // Failures name the file; the complete setup stays as it was, no partial file beside it.
    const std::string installer = inProgram("Redist/setup.exe");
    const struct
    {
        std::function<void()> make, undo;
        std::string error;
    } failures[] = {
        {[&] { fs::rename(installer, installer + ".away"); },
         [&] { fs::rename(installer + ".away", installer); }, installer + ": No such file or directory"},
        {[&] { fs::rename(setup, setup + ".away"), fs::create_directory(setup); },
         [&] { fs::remove(setup), fs::rename(setup + ".away", setup); }, setup + ": Is a directory"},
    };
    for (const auto &failure : failures) {
        SCOPED_TRACE(failure.error);
        failure.make();
        const std::set<std::string> made = programFiles();
        done.cmdSetup()->click();
        ASSERT_EQ(fake->messageBoxes.size(), 1u);
        EXPECT_EQ(fake->messageBoxes[0].text, "The setup file could not be written:\r\n" + failure.error);
        EXPECT_EQ(programFiles(), made);
        EXPECT_FALSE(done.txtSetup()->isVisible());
        EXPECT_TRUE(done.cmdSetup()->isEnabled());
        failure.undo();
        fake->messageBoxes.clear();
    }
    EXPECT_EQ(readFile(setup), written);
}
