#include <filesystem>
#include <string>

#include "Files.h"
#include "FrmARNew1.h"
#include "FrmARNew2.h"
#include "FrmARReadmeLocation.h"
#include "IniFuncs.h"
#include "Pages.h"
#include "Platform.h"
#include "Vemko.h"
#include "WizardFixture.h"

namespace {

class DetailsPage : public WizardFixture
{
protected:
    void SetUp() override
    {
        WizardFixture::SetUp();
        Vemko::PackageFolder = inProgram("My Pack");
        std::filesystem::create_directories(base::files::toPath(Vemko::PackageFolder));
    }
    std::string install() const { return Vemko::PackageFolder + "/install.ini"; }
};

} // namespace

TEST_F(DetailsPage, ANewPackageOpensWithEmptyFields)
{
    WriteINI(install(), "install.ini", "Name", "My Pack");
    FrmARNew1 &page = frmARNew1();
    page.show();
    for (form::TextBox *box :
         {page.txtReadme(), page.txtAName(), page.txtAEmail(), page.txtAWWW(), page.txtCopyright()})
        EXPECT_EQ(box->text(), "") << box->name();
    EXPECT_TRUE(page.txtReadme()->isReadOnly());
    EXPECT_FALSE(page.cmdBack()->isEnabled());
}

TEST_F(DetailsPage, AnExistingDescriptionFillsTheFields)
{
    writeFile(install(),
              "[install.ini]\r\nName=My Pack\r\nCopyright=(c) 2001\r\nAuthor=Jo\r\nWWW=www.x.org\r\n"
              "AuthEmail=jo@x.org\r\nReadme=readme.txt\r\n");
    FrmARNew1 &page = frmARNew1();
    page.show();
    EXPECT_EQ(page.txtCopyright()->text(), "(c) 2001");
    EXPECT_EQ(page.txtAName()->text(), "Jo");
    EXPECT_EQ(page.txtAWWW()->text(), "www.x.org");
    EXPECT_EQ(page.txtAEmail()->text(), "jo@x.org");
    EXPECT_EQ(page.txtReadme()->text(), "readme.txt");
}

TEST_F(DetailsPage, AnEmptyNameReadsNothingAndNextOverwrites)
{
    writeFile(install(), "[install.ini]\r\nName=\r\nAuthor=Jo\r\nReadme=old.txt\r\n");
    FrmARNew1 &page = frmARNew1();
    page.show();
    EXPECT_EQ(page.txtAName()->text(), "");
    EXPECT_EQ(page.txtReadme()->text(), "");
    page.cmdNext()->click();
    EXPECT_EQ(readFile(install()),
              "[install.ini]\r\nName=\r\nAuthor=\r\nReadme=\r\nCopyright=\r\nWWW=\r\nAuthEmail=\r\n");
}

TEST_F(DetailsPage, NextWritesTheFiveValuesInOrderShowsTheNextPageAndHides)
{
    WriteINI(install(), "install.ini", "Name", "My Pack");
    FrmARNew1 &page = frmARNew1();
    page.show();
    FakePlatform::type(*page.txtAName(), "Jo Doe");
    FakePlatform::type(*page.txtAEmail(), "jo@x.org");
    FakePlatform::type(*page.txtAWWW(), "www.x.org");
    FakePlatform::type(*page.txtCopyright(), "(c) Jo");
    page.cmdNext()->click();
    EXPECT_EQ(readFile(install()), "[install.ini]\r\nName=My Pack\r\nCopyright=(c) Jo\r\nAuthor=Jo Doe\r\n"
                                   "WWW=www.x.org\r\nAuthEmail=jo@x.org\r\nReadme=\r\n");
    EXPECT_TRUE(frmARNew2().isVisible());
    EXPECT_FALSE(page.isVisible());
    EXPECT_TRUE(page.isLoaded()); // hidden, not unloaded
    EXPECT_EQ(page.txtAName()->text(), "Jo Doe");
    EXPECT_TRUE(fake->messageBoxes.empty());
}

TEST_F(DetailsPage, TheReadmeFieldCannotBeTypedIntoAndAClickExplains)
{
    FrmARNew1 &page = frmARNew1();
    page.show();
    FakePlatform::type(*page.txtReadme(), "typed.txt");
    EXPECT_EQ(page.txtReadme()->text(), "");
    page.txtReadme()->Click(); // the fake has no mouse: the click event, as the window system raises it
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(fake->messageBoxes[0].text, "Use the Browse button to locate the readme file.");
    EXPECT_EQ(fake->messageBoxes[0].title, "Quernel Vemko");
    EXPECT_EQ(fake->messageBoxes[0].flags, 64u);
}

TEST_F(DetailsPage, BrowseOpensOnePickerBesideThePage)
{
    FrmARNew1 &page = frmARNew1();
    page.show();
    auto *browse = dynamic_cast<form::Button *>(page.window().find("cmdBrowse"));
    ASSERT_NE(browse, nullptr);
    EXPECT_EQ(browse->text(), "&Browse...");
    browse->click();
    form::Window *picker = &frmARReadmeLocation().window();
    EXPECT_TRUE(frmARReadmeLocation().isVisible());
    EXPECT_TRUE(page.isVisible());
    browse->click();
    EXPECT_EQ(&frmARReadmeLocation().window(), picker); // the same picker, brought to the front
}

TEST_F(DetailsPage, CancelAnsweredNoKeepsFieldsAndFile)
{
    WriteINI(install(), "install.ini", "Name", "My Pack");
    FrmARNew1 &page = frmARNew1();
    page.show();
    FakePlatform::type(*page.txtAName(), "Jo");
    const std::string before = readFile(install());
    fake->queueAnswer(form::IDNO);
    page.cmdCancel()->click();
    EXPECT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(page.txtAName()->text(), "Jo");
    EXPECT_EQ(readFile(install()), before);
    EXPECT_TRUE(page.isVisible());
}
