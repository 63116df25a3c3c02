#pragma once

#include "Platform.h"

namespace platform {

// The platform of the running program: Qt message boxes, the real file system,
// detached processes, and an end that stops the process at once.
class QtPlatform : public Platform
{
public:
    int messageBox(const QString &text, unsigned flags, const QString &title) override;
    QString programFolder() const override;
    bool createFolder(const QString &path, QString *error) override;
    CopyOutcome copyFile(const QString &source, const QString &target, QString *error) override;
    bool deleteFile(const QString &path, QString *error) override;
    qint64 fileLength(const QString &path, QString *error) override;
    bool startProgram(const QString &path, const QStringList &arguments, QString *error) override;
    bool openFolder(const QString &path, QString *error) override;
    QString wineLauncher() const override;
    void doEvents() override;
    [[noreturn]] void endProgram() override;
};

} // namespace platform
