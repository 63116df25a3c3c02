#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "FrmARNew0.h"
#include "IniFuncs.h"
#include "Pages.h"
#include "Platform.h"
#include "Vemko.h"
#include "WizardFixture.h"

using namespace platform;

namespace {

const QString Notice =
    "' was terminated early.  Your system isn't changed, and you may run the Vemko at another "
    "time if you want.";

class CancelAndError : public WizardFixture
{
protected:
    void storeName(const QString &name)
    {
        Vemko::PackageFolder = inProgram("My Pack");
        QDir().mkpath(Vemko::PackageFolder);
        WriteINI(Vemko::PackageFolder + "/install.ini", "install.ini", "Name", name);
    }
};

} // namespace

TEST_F(CancelAndError, NoReturnsWithNothingChangedButTheAnswer)
{
    storeName("My Pack");
    const QByteArray before = readFile(Vemko::PackageFolder + "/install.ini");
    fake->queueAnswer(IDNO);
    EXPECT_FALSE(endsProgram([] { Vemko::ConfirmCancel(); }));
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    EXPECT_EQ(fake->messageBoxes[0].text, "Are you sure you want to cancel the creation of 'My Pack?'");
    EXPECT_EQ(fake->messageBoxes[0].title, "Quernel 2.0");
    EXPECT_EQ(fake->messageBoxes[0].flags, 0x124u);
    EXPECT_EQ(Vemko::MsgResult, 7);
    EXPECT_EQ(readFile(Vemko::PackageFolder + "/install.ini"), before);
}

TEST_F(CancelAndError, YesShowsTheNoticeAndEndsTheProgramKeepingFiles)
{
    storeName("My Pack");
    const QByteArray before = readFile(Vemko::PackageFolder + "/install.ini");
    fake->queueAnswer(IDYES);
    bool after = false;
    EXPECT_TRUE(endsProgram([&] {
        Vemko::ConfirmCancel();
        after = true;
    }));
    EXPECT_FALSE(after);
    EXPECT_TRUE(fake->ended);
    ASSERT_EQ(fake->messageBoxes.size(), 2);
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
    ASSERT_EQ(fake->messageBoxes.size(), 2);
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
    QTest::keyClicks(page.txtPackage(), "Pack");
    fake->queueAnswer(IDNO);
    pressKey(&page.window(), Qt::Key_Escape);
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    EXPECT_EQ(fake->messageBoxes[0].text, "Are you sure you want to cancel the creation of '?'");
    EXPECT_TRUE(page.isVisible());
    EXPECT_EQ(page.txtPackage()->text(), "Pack");
    EXPECT_FALSE(QFile::exists(inProgram("Pack")));
}

TEST_F(CancelAndError, EscYesEndsTheProgramFromTheKeyboard)
{
    FrmARNew0 &page = frmARNew0();
    page.show();
    fake->queueAnswer(IDYES);
    EXPECT_TRUE(endsProgram([&] { pressKey(&page.window(), Qt::Key_Escape); }));
    EXPECT_TRUE(fake->ended);
    EXPECT_FALSE(page.isVisible());
}

TEST_F(CancelAndError, FrameCloseOnAWizardPageAsksTheCancelQuestion)
{
    FrmARNew0 &page = frmARNew0();
    page.show();
    fake->queueAnswer(IDNO);
    page.window().close();
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    EXPECT_TRUE(fake->messageBoxes[0].text.startsWith("Are you sure"));
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
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    const auto &box = fake->messageBoxes[0];
    EXPECT_EQ(box.title, "Quernel Error 53");
    EXPECT_EQ(box.flags, 0x1030u);
    const QStringList lines = box.text.split("\r\n");
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], "The following error has occured:");
    EXPECT_EQ(lines[1], "File not found");
    EXPECT_EQ(lines[2], "Error ID: 53");
    EXPECT_EQ(lines[3], "Please visit '" + Vemko::ErrorHelpAddress() + "' for more information.");
    EXPECT_TRUE(Vemko::ErrorHelpAddress().startsWith("file://"));
    EXPECT_TRUE(Vemko::ErrorHelpAddress().endsWith("/errors.html"));
    EXPECT_EQ(Vemko::MsgResult, IDOK);
}

TEST_F(CancelAndError, ErrorReportTitleKeepsTheSignOfNegativeCodes)
{
    EXPECT_TRUE(endsProgram([] { Vemko::ReportError(-2147024891, "Access is denied"); }));
    EXPECT_EQ(fake->messageBoxes[0].title, "Quernel Error -2147024891");
}

TEST(ErrorHelpPage, ListsEveryCodeThePlatformReports)
{
    QFile page(QStringLiteral(QUERNEL_PROGRAM_DIR "/errors.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    for (int code : {7, 51, 53, 68, 70, 75, 76})
        EXPECT_TRUE(html.contains(QStringLiteral("<td>%1</td>").arg(code))) << code;
}
