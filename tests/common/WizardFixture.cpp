#include "WizardFixture.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include "Pages.h"
#include "Vemko.h"

void WizardFixture::SetUp()
{
    fake = std::make_unique<FakePlatform>();
    platform::install(fake.get());
    Vemko::ResetState();
    pages::releaseAll();
    flushDeletes();
}

void WizardFixture::TearDown()
{
    pages::releaseAll();
    flushDeletes();
    platform::install(nullptr);
    fake.reset();
}

QByteArray WizardFixture::readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void WizardFixture::writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

void WizardFixture::pressKey(QWidget *window, Qt::Key key)
{
    window->activateWindow();
    QApplication::setActiveWindow(window);
    QTest::keyClick(window, key);
}

void WizardFixture::flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}
