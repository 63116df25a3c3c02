#include "WizardFixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "Files.h"
#include "Pages.h"
#include "Vemko.h"

void WizardFixture::SetUp()
{
    fake = std::make_unique<FakePlatform>();
    platform::install(fake.get());
    form::install(fake.get());
    Vemko::ResetState();
    pages::releaseAll();
    flushDeletes();
}

void WizardFixture::TearDown()
{
    pages::releaseAll();
    flushDeletes();
    form::install(nullptr);
    platform::install(nullptr);
    fake.reset();
}

std::string WizardFixture::readFile(const std::string &path)
{
    std::ifstream in(base::files::toPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WizardFixture::writeFile(const std::string &path, const std::string &bytes)
{
    const std::filesystem::path p = base::files::toPath(path);
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(out) << path;
    out << bytes;
}

bool WizardFixture::exists(const std::string &path)
{
    std::error_code ec;
    return std::filesystem::exists(base::files::toPath(path), ec);
}

void WizardFixture::pressKey(form::Window &window, Key key)
{
    if (key == Key::Escape)
        FakePlatform::pressEscape(window);
    else if (key == Key::Enter)
        FakePlatform::pressEnter(window);
}
