#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "Page.h"
#include "Widgets.h"
#include "WizardFixture.h"

namespace {

// A page with one text box, a load handler that counts its runs, and a
// page-level variable that the load does not touch.
class CountingPage : public Page
{
public:
    CountingPage() : Page(QStringLiteral("Counting")) {}

    QLineEdit *txtValue()
    {
        window();
        return m_txtValue;
    }

    int loads = 0;
    int pageLevelVariable = 0;
    int closeRequests = 0;

protected:
    void build(PageWindow &w) override { m_txtValue = widgets::textBox(&w, "txtValue", {20, 80, 200, 22}); }
    void Form_Load() override
    {
        ++loads;
        m_txtValue->setText(QStringLiteral("loaded"));
    }
    void frameCloseRequested() override { ++closeRequests; }

private:
    QLineEdit *m_txtValue = nullptr;
};

using PageLifetime = WizardFixture;

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
    page.txtValue()->setText(QStringLiteral("typed"));
    page.pageLevelVariable = 42;
    QPointer<QLineEdit> oldBox = page.txtValue();
    QPointer<PageWindow> oldWindow = &page.window();

    page.unload();
    flushDeletes();
    EXPECT_FALSE(page.isLoaded());
    EXPECT_TRUE(oldBox.isNull());
    EXPECT_TRUE(oldWindow.isNull());
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
    page.txtValue()->setText(QStringLiteral("typed"));
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
    page.window().close();
    EXPECT_EQ(page.closeRequests, 1);
    EXPECT_TRUE(page.isVisible());
}

TEST_F(PageLifetime, AHandlerMayUnloadItsOwnPage)
{
    CountingPage page;
    page.show();
    QObject::connect(page.window().cmdNext, &QPushButton::clicked, [&] { page.unload(); });
    page.window().cmdNext->click();
    flushDeletes();
    EXPECT_FALSE(page.isLoaded());
}
