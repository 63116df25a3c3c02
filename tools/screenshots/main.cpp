// Drives a typical run of the wizard and saves a picture of every page, for the README; then the
// Linux setup window taking a package out of a game folder.
// Usage: quernel-screenshots OUTPUT_FOLDER   (run under a display, e.g. xvfb-run)
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "DirList.h"
#include "FileList.h"
#include "FrmARAddARFiles.h"
#include "FrmARCreate.h"
#include "FrmARDone.h"
#include "FrmARNew0.h"
#include "FrmARNew1.h"
#include "FrmARNew2.h"
#include "FrmARNew3.h"
#include "FrmARReadmeLocation.h"
#include "Pages.h"
#include "ProgressBar.h"
#include "QtPlatform.h"
#include "SetupShots.h"
#include "ShotFiles.h"
#include "Vemko.h"

namespace {

// The real platform, with message boxes answered at once and a look at the
// creation page while it copies.
class ScriptedPlatform : public platform::QtPlatform
{
public:
    ScriptedPlatform(QString programFolder, std::function<void()> duringCopy)
        : m_programFolder(std::move(programFolder)), m_duringCopy(std::move(duringCopy))
    {
    }
    int messageBox(const QString &, unsigned, const QString &) override { return platform::IDOK; }
    QString programFolder() const override { return m_programFolder; }
    void doEvents() override
    {
        QtPlatform::doEvents();
        if (m_duringCopy)
            m_duringCopy();
    }

private:
    QString m_programFolder;
    std::function<void()> m_duringCopy;
};

using shots::settle;
using shots::write;

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: quernel-screenshots OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);
    const auto shot = [&](Page &page, const char *name) {
        settle();
        page.window().grab().save(out + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
    };

    QTemporaryDir base;
    const QString program = base.path() + QStringLiteral("/Quernel");
    const QString mods = base.path() + QStringLiteral("/Mods/Downtown Pack");
    QDir().mkpath(program);
    write(mods + QStringLiteral("/readme.txt"), "Downtown Pack\r\n");
    write(mods + QStringLiteral("/notes.rtf"), "{\\rtf1 notes}");
    write(mods + QStringLiteral("/downtown.ar"), QByteArray(2 << 20, 'd'));
    write(mods + QStringLiteral("/taxis.ar"), QByteArray(1 << 20, 't'));
    write(program + QStringLiteral("/Redist/setup.exe"), "installer");
    QFile::copy(QStringLiteral(QUERNEL_PROGRAM_DIR "/filecopy.avi"),
                program + QStringLiteral("/filecopy.avi"));

    bool creationShot = false;
    ScriptedPlatform scripted(program, [&] {
        if (!creationShot && frmARCreate().isLoaded() && frmARCreate().pgbStatus()->value() >= 1) {
            creationShot = true;
            shot(frmARCreate(), "5-creating-package");
        }
    });
    platform::install(&scripted);

    Vemko::ShowFirstPage();
    frmARNew0().txtPackage()->setText(QStringLiteral("Downtown Pack"));
    shot(frmARNew0(), "1-package-name");
    frmARNew0().window().cmdNext->click();

    FrmARNew1 &details = frmARNew1();
    details.txtAName()->setText(QStringLiteral("Jo Racer"));
    details.txtAEmail()->setText(QStringLiteral("jo@example.org"));
    details.txtAWWW()->setText(QStringLiteral("www.example.org/downtown"));
    details.txtCopyright()->setText(QStringLiteral("(c) 2026 Jo Racer"));
    details.cmdBrowse_Click();
    FrmARReadmeLocation &readme = frmARReadmeLocation();
    readme.Dir1()->setPath(mods);
    readme.File1()->setFileName(QStringLiteral("readme.txt"));
    shot(readme, "2b-readme-picker");
    readme.window().cmdNext->click();
    shot(details, "2-package-details");
    details.window().cmdNext->click();

    FrmARNew2 &appearance = frmARNew2();
    appearance.optMMV(1)->click();
    appearance.optPGBDisplay(1)->click();
    appearance.tmrExample_Timer();
    appearance.cmdStart_Click();
    for (int i = 0; i < 12; ++i)
        appearance.tmrExample_Timer();
    shot(appearance, "3-installer-appearance");
    appearance.window().cmdNext->click();

    frmARNew3().cmdAddAR_Click();
    FrmARAddARFiles &picker = frmARAddARFiles();
    picker.Dir1()->setPath(mods);
    for (const char *name : {"downtown.ar", "taxis.ar"}) {
        picker.File1()->setFileName(QLatin1String(name));
        picker.File1_DblClick();
    }
    shot(picker, "4b-add-ar-files");
    picker.cmdNext_Click();
    shot(frmARNew3(), "4-package-summary");
    frmARNew3().cmdNext_Click();
    shot(frmARDone(), "6-creation-complete");

    pages::releaseAll(); // the windows go before the application does
    shootLinuxSetupRemoval(out);
    std::printf("screenshots written to %s\n", qPrintable(out));
    return 0;
}
