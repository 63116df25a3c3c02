// The message boxes of the Qt runtime as the author sees them: icon, buttons, the
// default button, staying on top, and long paths wrapping within a sane width.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include "FileOps.h"
#include "QtRuntime.h"

using namespace form;

namespace {

struct SeenBox
{
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
    bool onTop = false;
    int width = 0;
    int screenWidth = 0;
    QString labelText;
    bool textFitsLabel = false; // the whole text is painted inside the label, nothing cut off
};

// Asks the box to size itself again, as a style or font change does, then paints it.
bool textFitsLabelAfterRelayout(QMessageBox *box)
{
    QCoreApplication::postEvent(box, new QEvent(QEvent::LayoutRequest));
    QCoreApplication::sendPostedEvents(box, QEvent::LayoutRequest);
    box->grab();
    const auto *label = box->findChild<QLabel *>("qt_msgbox_label");
    const auto *document = label->findChild<QTextDocument *>();
    return document && document->idealWidth() <= label->width() &&
           document->size().height() <= label->height();
}

// Shows a box through the platform, looks at it once it is up, and presses `press`
// (a button text) or Enter when `press` is empty.
int showAndAnswer(const QString &text, unsigned flags, const QString &title, SeenBox &seen,
                  const QString &press = QString())
{
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.text = box->text();
        seen.title = box->windowTitle();
        seen.icon = box->icon();
        for (QAbstractButton *b : box->buttons())
            seen.buttons << b->text().remove(QLatin1Char('&'));
        seen.defaultButton =
            box->defaultButton() ? box->defaultButton()->text().remove(QLatin1Char('&')) : "";
        seen.onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        seen.width = box->width();
        seen.screenWidth = box->screen()->availableGeometry().width();
        seen.labelText = box->findChild<QLabel *>("qt_msgbox_label")->text();
        seen.textFitsLabel = textFitsLabelAfterRelayout(box);
        seen.width = qMax(seen.width, box->width());
        for (QAbstractButton *b : box->buttons())
            if (b->text().remove(QLatin1Char('&')) == (press.isEmpty() ? seen.defaultButton : press))
                b->click();
    });
    form::qt::QtRuntime runtime;
    return runtime.messageBox(text.toStdString(), flags, title.toStdString());
}

} // namespace

TEST(QtRuntimeMessageBox, CancelQuestionIsYesNoWithNoAsDefault)
{
    SeenBox seen;
    EXPECT_EQ(showAndAnswer("Sure?", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, "Quernel 2.0", seen), IDNO);
    EXPECT_EQ(seen.title, "Quernel 2.0");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons.size(), 2);
    EXPECT_EQ(seen.defaultButton, "No");
    EXPECT_EQ(showAndAnswer("Sure?", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, "Quernel 2.0", seen, "Yes"),
              IDYES);
}

TEST(QtRuntimeMessageBox, ErrorReportIsAWarningOnTopWithLinesSplit)
{
    SeenBox seen;
    EXPECT_EQ(
        showAndAnswer("line one\r\nline two", MB_ICONWARNING | MB_SYSTEMMODAL, "Quernel Error 53", seen),
        IDOK);
    EXPECT_EQ(seen.text, "line one\nline two");
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
    EXPECT_TRUE(seen.onTop);
}

TEST(QtRuntimeMessageBox, InformationBoxHasOneOkButton)
{
    SeenBox seen;
    EXPECT_EQ(showAndAnswer("Use the Browse button.", MB_ICONINFORMATION, "Quernel Vemko", seen), IDOK);
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
    EXPECT_FALSE(seen.onTop);
}

TEST(QtRuntimeMessageBox, LongPathsWrapWithinASaneWidthAndKeepTheirText)
{
    const QString folder =
        "/home/jo/" + QString("a_rather_long_folder_name/").repeated(12) + QString(300, 'x');
    for (const QString &path : {folder, QString(folder).replace('/', '\\'), folder + "/Redist/setup.exe"}) {
        SeenBox seen;
        showAndAnswer("The package folder could not be created:\r\n" + path + ": File name too long",
                      MB_ICONWARNING, "Quernel 2.0", seen);
        const QString shown = "The package folder could not be created:\n" + path + ": File name too long";
        EXPECT_LE(seen.width, 640);
        EXPECT_LE(seen.width, seen.screenWidth);
        EXPECT_EQ(seen.text, shown);
        EXPECT_EQ(seen.labelText, shown);
        EXPECT_TRUE(seen.textFitsLabel) << path.toStdString();
    }
}

TEST(QtRuntimeEndDeathTest, EndsAtOnceWithNothingAfterAndNoTemporaryLeft)
{
    // Forked, so that the child works in the same temporary folder.
    GTEST_FLAG_SET(death_test_style, "fast");
    QTemporaryDir dir;
    const QString after = dir.path() + "/after";
    EXPECT_EXIT(
        {
            QFile src(dir.path() + "/big.ar");
            src.open(QIODevice::WriteOnly);
            src.write(QByteArray(10000, 'x'));
            src.close();
            platform::fileops::copyFile(
                (dir.path() + "/big.ar").toStdString(), (dir.path() + "/pkg.ar").toStdString(), nullptr,
                [] { qt::QtRuntime().endProgram(); }, 4096);
            QFile marker(after);
            marker.open(QIODevice::WriteOnly);
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_FALSE(QFile::exists(after));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"big.ar"});
}
