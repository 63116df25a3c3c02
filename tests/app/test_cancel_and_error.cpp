#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FakeRuntime.h"
#include "FrmARNew0.h"
#include "IniFuncs.h"
#include "Pages.h"
#include "Vemko.h"
#include "WizardFixture.h"

using form::IDNO;
using form::IDOK;
using form::IDYES;

namespace {

const std::string Notice = "' was terminated early.  Your system isn't changed, and you may run the Vemko at "
                           "another time if you want.";

class CancelAndError : public WizardFixture
{
protected:
    void storeName(const std::string &name)
    {
        Vemko::PackageFolder = inProgram("My Pack");
        std::filesystem::create_directories(Vemko::PackageFolder);
        WriteINI(Vemko::PackageFolder + "/install.ini", "install.ini", "Name", name);
    }
};

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> result;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find("\r\n", start);
        result.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return result;
        start = end + 2;
    }
}

} // namespace

TEST_F(CancelAndError, NoReturnsWithNothingChangedButTheAnswer)
{
    storeName("My Pack");
    const std::string before = readFile(Vemko::PackageFolder + "/install.ini");
    fake->queueAnswer(IDNO);
    EXPECT_FALSE(endsProgram([] { Vemko::ConfirmCancel(); }));
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(fake->messageBoxes[0].text, "Are you sure you want to cancel the creation of 'My Pack?'");
    EXPECT_EQ(fake->messageBoxes[0].title, "Quernel 2.0");
    EXPECT_EQ(fake->messageBoxes[0].flags, 0x124u);
    EXPECT_EQ(Vemko::MsgResult, 7);
    EXPECT_EQ(readFile(Vemko::PackageFolder + "/install.ini"), before);
}

TEST_F(CancelAndError, YesShowsTheNoticeAndEndsTheProgramKeepingFiles)
{
    storeName("My Pack");
    const std::string before = readFile(Vemko::PackageFolder + "/install.ini");
    fake->queueAnswer(IDYES);
    bool after = false;
    EXPECT_TRUE(endsProgram([&] {
        Vemko::ConfirmCancel();
        after = true;
    }));
    EXPECT_FALSE(after);
    EXPECT_TRUE(fake->ended);
    ASSERT_EQ(fake->messageBoxes.size(), 2u);
    EXPECT_EQ(fake->messageBoxes[1].text, "Creation of 'My Pack" + Notice);
    EXPECT_EQ(fake->messageBoxes[1].title, "Quernel 2.0");
    EXPECT_EQ(fake->messageBoxes[1].flags, 0x40u);
    EXPECT_EQ(Vemko::MsgResult, 6);
    EXPECT_EQ(readFile(Vemko::PackageFolder + "/install.ini"), before);
}

TEST_F(CancelAndError, TheNameComesFromInstallIniAndIsEmptyWithoutOne)
{
    Vemko::PackageFolder = inProgram("nowhere");
    fake->queueAnswer(IDYES);
    EXPECT_TRUE(endsProgram([] { Vemko::ConfirmCancel(); }));
    ASSERT_EQ(fake->messageBoxes.size(), 2u);
    EXPECT_EQ(fake->messageBoxes[0].text, "Are you sure you want to cancel the creation of '?'");
    EXPECT_EQ(fake->messageBoxes[1].text, "Creation of '" + Notice);
}

TEST_F(CancelAndError, EnterOnTheQuestionIsNo)
{
    // An unscripted box is answered with its default button, as Enter would.
    storeName("X");
    EXPECT_FALSE(endsProgram([] { Vemko::ConfirmCancel(); }));
    EXPECT_EQ(Vemko::MsgResult, IDNO);
}

TEST_F(CancelAndError, EscOnTheFirstPageAsksAndNoKeepsTheTypedName)
{
    FrmARNew0 &page = frmARNew0();
    page.show();
    FakePlatform::type(*page.txtPackage(), "Pack");
    fake->queueAnswer(IDNO);
    pressKey(page.window(), Key::Escape);
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(fake->messageBoxes[0].text, "Are you sure you want to cancel the creation of '?'");
    EXPECT_TRUE(page.isVisible());
    EXPECT_EQ(page.txtPackage()->text(), "Pack");
    EXPECT_FALSE(exists(inProgram("Pack")));
}

TEST_F(CancelAndError, EscYesEndsTheProgramFromTheKeyboard)
{
    FrmARNew0 &page = frmARNew0();
    page.show();
    fake->queueAnswer(IDYES);
    EXPECT_TRUE(endsProgram([&] { pressKey(page.window(), Key::Escape); }));
    EXPECT_TRUE(fake->ended);
    EXPECT_FALSE(page.isVisible());
}

TEST_F(CancelAndError, FrameCloseOnAWizardPageAsksTheCancelQuestion)
{
    FrmARNew0 &page = frmARNew0();
    page.show();
    fake->queueAnswer(IDNO);
    form::Window &w = page.window();
    dynamic_cast<form::fake::FakeWindow &>(w).raise(w.CloseRequest);
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_TRUE(fake->messageBoxes[0].text.starts_with("Are you sure"));
    EXPECT_TRUE(page.isVisible());
}

TEST_F(CancelAndError, ErrorReportShowsCodeAndFourLinesThenEnds)
{
    bool after = false;
    EXPECT_TRUE(endsProgram([&] {
        Vemko::ReportError(53, "File not found");
        after = true;
    }));
    EXPECT_FALSE(after);
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    const auto &box = fake->messageBoxes[0];
    EXPECT_EQ(box.title, "Quernel Error 53");
    EXPECT_EQ(box.flags, 0x1030u);
    const std::vector<std::string> text = lines(box.text);
    ASSERT_EQ(text.size(), 4u);
    EXPECT_EQ(text[0], "The following error has occured:");
    EXPECT_EQ(text[1], "File not found");
    EXPECT_EQ(text[2], "Error ID: 53");
    EXPECT_EQ(text[3], "Please visit '" + Vemko::ErrorHelpAddress() + "' for more information.");
    EXPECT_TRUE(Vemko::ErrorHelpAddress().starts_with("file://"));
    EXPECT_TRUE(Vemko::ErrorHelpAddress().ends_with("/errors.html"));
    EXPECT_EQ(Vemko::MsgResult, IDOK);
}

TEST_F(CancelAndError, ErrorReportTitleKeepsTheSignOfNegativeCodes)
{
    EXPECT_TRUE(endsProgram([] { Vemko::ReportError(-2147024891, "Access is denied"); }));
    ASSERT_FALSE(fake->messageBoxes.empty());
    EXPECT_EQ(fake->messageBoxes[0].title, "Quernel Error -2147024891");
}

TEST(ErrorHelpPage, ListsEveryCodeThePlatformReports)
{
    std::ifstream page(QUERNEL_PROGRAM_DIR "/errors.html", std::ios::binary);
    ASSERT_TRUE(page);
    const std::string html(std::istreambuf_iterator<char>(page), {});
    for (int code : {7, 51, 53, 68, 70, 75, 76})
        EXPECT_NE(html.find("<td>" + std::to_string(code) + "</td>"), std::string::npos) << code;
}
