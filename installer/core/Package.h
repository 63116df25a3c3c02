#pragma once

#include <QString>
#include <QStringList>

namespace installer {

// What install.ini beside the installer says, checked so that nothing later has
// to doubt it: every listed file is a bare name that exists in the package folder.
struct Package
{
    QString folder; // the package folder: where install.ini, the readme and the files are
    QString name;
    QString copyright;
    QString author;
    QString www;
    QString email;
    QString readme;      // bare name, or empty when the package has none
    int gameVersion = 0; // 1 or 2; 0 when "mmType" holds anything else
    QString timerText;   // "Timer" as written
    int readmeDelay = 0; // seconds the readme keeps Continue disabled
    bool smooth = false; // "Smooth" of section "Progress Bar" is "True"
    QStringList files;   // File1..File<TotalFiles>, each name once, in order

    QString iniPath() const;
    QString pathOf(const QString &fileName) const;
};

// The seconds of the readme delay: a whole number 0..99 as written (0 = no
// delay); anything else (empty, letters, negative, above 99) the wizard's own
// default of 30.
int readmeDelayFrom(const QString &timerText);
constexpr int DefaultReadmeDelay = 30;

// "Midtown Madness 1" or "Midtown Madness 2"; "Midtown Madness" for an unknown version.
QString gameTitle(int version);

// A name that stays inside the folder it is joined to: not empty, no path
// separator, no "..", no drive prefix, no control character.
bool isBareFileName(const QString &name);

// Reads and checks <folder>/install.ini. False with a one-line reason when the
// package cannot be installed as it stands.
bool loadPackage(const QString &folder, Package *package, QString *error);

} // namespace installer
