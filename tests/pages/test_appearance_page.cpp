#include <filesystem>
#include <string>
#include <vector>

#include "Files.h"
#include "FrmARNew2.h"
#include "FrmARNew3.h"
#include "IniFuncs.h"
#include "Pages.h"
#include "Platform.h"
#include "Vemko.h"
#include "WizardFixture.h"

namespace {

class AppearancePage : public WizardFixture
{
protected:
    void SetUp() override
    {
        WizardFixture::SetUp();
        Vemko::PackageFolder = inProgram("My Pack");
        std::filesystem::create_directories(base::files::toPath(Vemko::PackageFolder));
        WriteINI(install(), "install.ini", "Name", "My Pack");
    }
    std::string install() const { return Vemko::PackageFolder + "/install.ini"; }
    std::string read(const std::string &section, const std::string &key)
    {
        return ReadINI(install(), section, key, "<none>");
    }
    FrmARNew2 &open()
    {
        FrmARNew2 &page = frmARNew2();
        page.show();
        return page;
    }
    // One second of the example timer.
    static void tick(FrmARNew2 &page) { page.tmrExample_Timer(); }
};

} // namespace

TEST_F(AppearancePage, LoadsWith30NothingSelectedStartEnabledAndTheTimerRunning)
{
    FrmARNew2 &page = open();
    EXPECT_EQ(page.txtReadmeDelay()->text(), "30");
    EXPECT_EQ(page.txtReadmeDelay()->maxLength(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(page.optMMV(i)->isChecked());
        EXPECT_FALSE(page.optPGBDisplay(i)->isChecked());
    }
    EXPECT_EQ(page.optPGBDisplay(0)->text(), "&Smooth Display");
    EXPECT_EQ(page.optPGBDisplay(1)->text(), "&Windows Standard");
    EXPECT_EQ(page.optMMV(0)->text(), "Midtown Madness &1");
    EXPECT_EQ(page.optMMV(1)->text(), "Midtown Madness &2");
    EXPECT_TRUE(page.cmdStart()->isEnabled());
    EXPECT_FALSE(page.cmdBack()->isEnabled());
    EXPECT_TRUE(page.tmrExample()->isActive());
    EXPECT_EQ(page.tmrExample()->interval(), 1000);
    // The bar's look before any choice: 0 of 0..100 in the standard style.
    EXPECT_EQ(page.pgbStatus()->min(), 0);
    EXPECT_EQ(page.pgbStatus()->max(), 100);
    EXPECT_EQ(page.pgbStatus()->value(), 0);
    EXPECT_FALSE(page.pgbStatus()->smooth());

    tick(page); // the first tick finds nothing to count and settles the page
    EXPECT_FALSE(page.tmrExample()->isActive());
    EXPECT_TRUE(page.cmdStart()->isEnabled());
    EXPECT_EQ(page.pgbStatus()->value(), 0);
}

TEST_F(AppearancePage, NextWithoutAVersionWarnsAndWritesNothing)
{
    FrmARNew2 &page = open();
    const std::string before = readFile(install());
    page.cmdNext()->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(fake->messageBoxes[0].text, "You need to select the required version of Midtown Madness!");
    EXPECT_EQ(fake->messageBoxes[0].title, "Quernel Vemko");
    EXPECT_EQ(fake->messageBoxes[0].flags, form::MB_ICONWARNING);
    EXPECT_EQ(readFile(install()), before);
    EXPECT_TRUE(page.isVisible());
    EXPECT_FALSE(frmARNew3().isLoaded());
}

TEST_F(AppearancePage, VersionClicksWriteAtOnceAndTheLastOneCounts)
{
    FrmARNew2 &page = open();
    page.optMMV(0)->click();
    EXPECT_EQ(read("install.ini", "mmType"), "1");
    page.optMMV(1)->click();
    EXPECT_EQ(read("install.ini", "mmType"), "2");
    EXPECT_FALSE(page.optMMV(0)->isChecked());
    EXPECT_FALSE(page.optPGBDisplay(0)->isChecked()); // the two groups are separate
    EXPECT_EQ(read("Progress Bar", "Smooth"), "<none>");
}

TEST_F(AppearancePage, NextWritesTheDelayShowsTheFileListAndHides)
{
    FrmARNew2 &page = open();
    page.optMMV(1)->click();
    page.cmdNext()->click();
    EXPECT_EQ(readFile(install()), "[install.ini]\r\nName=My Pack\r\nmmType=2\r\nTimer=30\r\n");
    EXPECT_TRUE(frmARNew3().isVisible());
    EXPECT_FALSE(page.isVisible());
    EXPECT_TRUE(page.isLoaded());
}

TEST_F(AppearancePage, AHandTypedDelayIsWrittenUnchanged)
{
    FrmARNew2 &page = open();
    FakePlatform::retype(*page.txtReadmeDelay(), "5");
    page.optMMV(0)->click();
    page.cmdNext()->click();
    EXPECT_EQ(read("install.ini", "Timer"), "5");

    FakePlatform::retype(*page.txtReadmeDelay(), "1234");
    EXPECT_EQ(page.txtReadmeDelay()->text(), "12"); // never more than two characters
}

TEST_F(AppearancePage, DisplayOptionsWriteAndRestyleTheBar)
{
    FrmARNew2 &page = open();
    page.optPGBDisplay(0)->click();
    EXPECT_EQ(read("Progress Bar", "Smooth"), "True");
    EXPECT_TRUE(page.pgbStatus()->smooth());
    EXPECT_EQ(page.pgbStatus()->borderStyle(), 1);
    EXPECT_EQ(page.pgbStatus()->backColor(), 0x80000005u);

    page.optPGBDisplay(1)->click();
    EXPECT_EQ(read("Progress Bar", "Smooth"), "False");
    EXPECT_FALSE(page.pgbStatus()->smooth());
    EXPECT_EQ(page.pgbStatus()->borderStyle(), 0);
    EXPECT_EQ(page.pgbStatus()->backColor(), 0x8000000Fu);
}

TEST_F(AppearancePage, ArrowsKeepTheDelayBetween10And99)
{
    FrmARNew2 &page = open();
    page.udDelay()->stepUp();
    EXPECT_EQ(page.txtReadmeDelay()->text(), "31");
    for (int i = 0; i < 80; ++i)
        page.udDelay()->stepUp();
    EXPECT_EQ(page.txtReadmeDelay()->text(), "99");
    for (int i = 0; i < 120; ++i)
        page.udDelay()->stepDown();
    EXPECT_EQ(page.txtReadmeDelay()->text(), "10");
}

TEST_F(AppearancePage, TheExampleCountsTheDelayDownOneStepATick)
{
    FrmARNew2 &page = open();
    tick(page);
    page.txtReadmeDelay()->setText("10");
    page.cmdStart()->click();
    EXPECT_FALSE(page.cmdStart()->isEnabled());
    EXPECT_TRUE(page.tmrExample()->isActive());
    EXPECT_EQ(page.pgbStatus()->max(), 10);
    EXPECT_EQ(page.pgbStatus()->min(), 0);
    EXPECT_EQ(Vemko::ExampleCountdown, 10);

    std::vector<int> shown;
    for (int second = 1; second <= 10; ++second) {
        tick(page);
        shown.push_back(page.pgbStatus()->value());
        EXPECT_FALSE(page.cmdStart()->isEnabled()) << second;
    }
    EXPECT_EQ(shown, (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
    tick(page); // the eleventh
    EXPECT_TRUE(page.cmdStart()->isEnabled());
    EXPECT_FALSE(page.tmrExample()->isActive());
}

TEST_F(AppearancePage, StartBeforeTheFirstTickIsCountedByIt)
{
    FrmARNew2 &page = open();
    page.txtReadmeDelay()->setText("12");
    page.cmdStart()->click();
    tick(page);
    EXPECT_EQ(page.pgbStatus()->value(), 11);
}

TEST_F(AppearancePage, NextDuringARunLetsItFinishUnseen)
{
    FrmARNew2 &page = open();
    page.optMMV(0)->click();
    page.txtReadmeDelay()->setText("10");
    page.cmdStart()->click();
    tick(page);
    page.cmdNext()->click();
    EXPECT_TRUE(frmARNew3().isVisible());
    EXPECT_FALSE(page.isVisible());
    EXPECT_TRUE(page.tmrExample()->isActive());
    for (int i = 0; i < 10; ++i)
        tick(page);
    EXPECT_FALSE(page.tmrExample()->isActive());
    EXPECT_TRUE(page.cmdStart()->isEnabled());
}

TEST_F(AppearancePage, StartRefusesADelayThatIsNotASecondCount)
{
    FrmARNew2 &page = open();
    tick(page);
    for (const std::string bad : {"", "ab", "0", "-5", "1x"}) {
        fake->messageBoxes.clear();
        page.txtReadmeDelay()->setText(bad);
        page.cmdStart()->click();
        ASSERT_EQ(fake->messageBoxes.size(), 1u) << bad;
        EXPECT_NE(fake->messageBoxes[0].text.find("number of seconds"), std::string::npos);
        EXPECT_TRUE(page.cmdStart()->isEnabled());
        EXPECT_FALSE(page.tmrExample()->isActive());
        EXPECT_EQ(page.pgbStatus()->max(), 100);
    }
}

TEST_F(AppearancePage, CancelAsksAndNoKeepsTheChoices)
{
    FrmARNew2 &page = open();
    page.optMMV(1)->click();
    fake->queueAnswer(form::IDNO);
    page.cmdCancel()->click();
    EXPECT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_TRUE(page.optMMV(1)->isChecked());
    fake->queueAnswer(form::IDNO);
    page.window().CloseRequest(); // the window frame's close, as the window system raises it
    EXPECT_EQ(fake->messageBoxes.size(), 2u);
    EXPECT_TRUE(page.isVisible());
}
