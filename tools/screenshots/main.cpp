// Drives a typical run of the wizard and saves a picture of every page, for the README; then the
// Linux setup window taking a package out of a game folder.
// Usage: quernel-screenshots OUTPUT_FOLDER   (run under a display, e.g. xvfb-run)
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "FrmARAddARFiles.h"
#include "FrmARCreate.h"
#include "FrmARDone.h"
#include "FrmARNew0.h"
#include "FrmARNew1.h"
#include "FrmARNew2.h"
#include "FrmARNew3.h"
#include "FrmARReadmeLocation.h"
#include "Pages.h"
#include "QtRuntime.h"
#include "QtWindow.h"
#include "SetupShots.h"
#include "ShotFiles.h"
#include "SystemPlatform.h"
#include "Vemko.h"

namespace {

// The real platform with a program folder of the run's own.
class ProgramIn : public platform::SystemPlatform
{
public:
    explicit ProgramIn(std::string folder) : m_folder(std::move(folder)) {}
    std::string programFolder() const override { return m_folder; }

private:
    std::string m_folder;
};

// The Qt runtime with message boxes answered at once and a look at the creation page
// while it copies.
class ScriptedRuntime : public form::qt::QtRuntime
{
public:
    explicit ScriptedRuntime(std::function<void()> duringCopy) : m_duringCopy(std::move(duringCopy)) {}
    int messageBox(const std::string &, unsigned, const std::string &) override { return form::IDOK; }
    void doEvents() override
    {
        QtRuntime::doEvents();
        if (m_duringCopy)
            m_duringCopy();
    }

private:
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
        static_cast<form::qt::QtWindow &>(page.window())
            .widget()
            ->grab()
            .save(out + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
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
    ProgramIn system(program.toStdString());
    platform::install(&system);
    ScriptedRuntime scripted([&] {
        if (!creationShot && frmARCreate().isLoaded() && frmARCreate().pgbStatus()->value() >= 1) {
            creationShot = true;
            shot(frmARCreate(), "5-creating-package");
        }
    });
    form::install(&scripted);

    Vemko::ShowFirstPage();
    frmARNew0().txtPackage()->setText("Downtown Pack");
    shot(frmARNew0(), "1-package-name");
    frmARNew0().cmdNext()->click();

    FrmARNew1 &details = frmARNew1();
    details.txtAName()->setText("Jo Racer");
    details.txtAEmail()->setText("jo@example.org");
    details.txtAWWW()->setText("www.example.org/downtown");
    details.txtCopyright()->setText("(c) 2026 Jo Racer");
    details.cmdBrowse_Click();
    FrmARReadmeLocation &readme = frmARReadmeLocation();
    readme.Dir1()->setPath(mods.toStdString());
    readme.File1()->setFileName("readme.txt");
    shot(readme, "2b-readme-picker");
    readme.cmdNext()->click();
    shot(details, "2-package-details");
    details.cmdNext()->click();

    FrmARNew2 &appearance = frmARNew2();
    appearance.optMMV(1)->click();
    appearance.optPGBDisplay(1)->click();
    appearance.tmrExample_Timer();
    appearance.cmdStart_Click();
    for (int i = 0; i < 12; ++i)
        appearance.tmrExample_Timer();
    shot(appearance, "3-installer-appearance");
    appearance.cmdNext()->click();

    frmARNew3().cmdAddAR_Click();
    FrmARAddARFiles &picker = frmARAddARFiles();
    picker.Dir1()->setPath(mods.toStdString());
    for (const char *name : {"downtown.ar", "taxis.ar"}) {
        picker.File1()->setFileName(name);
        picker.File1_DblClick();
    }
    shot(picker, "4b-add-ar-files");
    picker.cmdNext_Click();
    shot(frmARNew3(), "4-package-summary");
    frmARNew3().cmdNext_Click();
    // Both files to hand out written, so that the page shows where each one is.
    frmARDone().cmdZip_Click();
    frmARDone().cmdSetup_Click();
    shot(frmARDone(), "6-creation-complete");

    pages::releaseAll(); // the windows go before the application does
    shootLinuxSetupRemoval(out);
    std::printf("screenshots written to %s\n", qPrintable(out));
    return 0;
}
