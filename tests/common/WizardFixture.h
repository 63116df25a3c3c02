#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include <QByteArray>
#include <QString>
#include <QWidget>

#include "FakePlatform.h"

// Readable failure messages for Qt texts.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// A fresh run for every test: the fake platform installed, the shared state at
// its start values and no page existing yet.
class WizardFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    QString programFolder() const { return fake->programFolder(); }
    // A path below the program folder.
    QString inProgram(const QString &relative) const { return programFolder() + QLatin1Char('/') + relative; }

    static QByteArray readFile(const QString &path);
    static void writeFile(const QString &path, const QByteArray &bytes);
    // Presses a key in a page window the way the author would: with the window active.
    static void pressKey(QWidget *window, Qt::Key key);
    // Removes windows whose deletion was deferred (unloaded pages).
    static void flushDeletes();

    std::unique_ptr<FakePlatform> fake;
};
