#include <algorithm>

#include "FakeRuntime.h"
#include "Page.h"
#include "WizardFixture.h"

namespace {

// A page with one text box, a load handler that counts its runs, and a
// page-level variable that the load does not touch.
class CountingPage : public Page
{
public:
    CountingPage() : Page(layout()) {}

    static form::PageLayout layout()
    {
        form::PageLayout page;
        page.title = "Counting";
        page.controls = {{.kind = form::Kind::TextBox, .name = "txtValue", .place = {300, 1200, 3000, 330}}};
        return page;
    }

    form::TextBox *txtValue()
    {
        window();
        return m_txtValue;
    }

    int loads = 0;
    int pageLevelVariable = 0;
    int closeRequests = 0;

protected:
    void build(form::Window &w) override { m_txtValue = &w.control<form::TextBox>("txtValue"); }
    void Form_Load() override
    {
        ++loads;
        m_txtValue->setText("loaded");
    }
    void frameCloseRequested() override { ++closeRequests; }

private:
    form::TextBox *m_txtValue = nullptr;
};

class PageLifetime : public WizardFixture
{
protected:
    bool exists(const form::Window *window) const
    {
        const auto &windows = fake->windows();
        return std::find(windows.begin(), windows.end(), window) != windows.end();
    }
};

} // namespace

TEST_F(PageLifetime, FirstUseBuildsTheWindowAndRunsTheLoadOnce)
{
    CountingPage page;
    EXPECT_FALSE(page.isLoaded());
    EXPECT_EQ(page.loads, 0);

    EXPECT_EQ(page.txtValue()->text(), "loaded"); // reaching a control loads the page
    EXPECT_TRUE(page.isLoaded());
    EXPECT_FALSE(page.isVisible());
    page.show();
    page.show();
    EXPECT_TRUE(page.isVisible());
    EXPECT_EQ(page.loads, 1);
}

TEST_F(PageLifetime, UnloadDestroysControlsButKeepsPageVariables)
{
    CountingPage page;
    page.show();
    page.txtValue()->setText("typed");
    page.pageLevelVariable = 42;
    const form::Window *oldWindow = &page.window();
    ASSERT_TRUE(exists(oldWindow));

    page.unload();
    flushDeletes();
    EXPECT_FALSE(page.isLoaded());
    EXPECT_FALSE(exists(oldWindow)); // and its text box with it
    EXPECT_EQ(page.pageLevelVariable, 42);

    // The next use rebuilds from the layout and loads again.
    EXPECT_EQ(page.txtValue()->text(), "loaded");
    EXPECT_EQ(page.loads, 2);
    EXPECT_FALSE(page.isVisible());
}

TEST_F(PageLifetime, HideKeepsWindowAndContents)
{
    CountingPage page;
    page.show();
    page.txtValue()->setText("typed");
    page.hide();
    EXPECT_FALSE(page.isVisible());
    EXPECT_TRUE(page.isLoaded());
    EXPECT_EQ(page.txtValue()->text(), "typed");
    EXPECT_EQ(page.loads, 1);
}

TEST_F(PageLifetime, FrameCloseGoesToThePageAndKeepsTheWindow)
{
    CountingPage page;
    page.show();
    form::Window &w = page.window();
    dynamic_cast<form::fake::FakeWindow &>(w).raise(w.CloseRequest);
    EXPECT_EQ(page.closeRequests, 1);
    EXPECT_TRUE(page.isVisible());
}

TEST_F(PageLifetime, AHandlerMayUnloadItsOwnPage)
{
    CountingPage page;
    page.show();
    page.cmdNext()->Click = [&] { page.unload(); };
    page.cmdNext()->click();
    flushDeletes();
    EXPECT_FALSE(page.isLoaded());
}
