#include "FakeDriver.h"

#include "FakeRuntime.h"

namespace {

class FakeDriver : public form::testing::Driver
{
public:
    form::Runtime &runtime() override { return m_runtime; }
    void type(form::TextBox &box, const std::string &text) override { form::fake::FakeRuntime::type(box, text); }
    void retype(form::TextBox &box, const std::string &text) override
    {
        form::fake::FakeRuntime::retype(box, text);
    }
    void pressKey(form::Window &window, form::testing::Key key) override
    {
        using form::testing::Key;
        if (key == Key::Escape)
            form::fake::FakeRuntime::pressEscape(window);
        else if (key == Key::Enter)
            form::fake::FakeRuntime::pressEnter(window);
    }
    void clickArrow(form::UpDown &upDown, bool up) override { up ? upDown.stepUp() : upDown.stepDown(); }
    void clickWithMouse(form::Control &control) override
    {
        if (auto *button = dynamic_cast<form::Button *>(&control))
            button->click();
        else if (auto *option = dynamic_cast<form::Option *>(&control))
            option->click();
    }
    void answerNextMessageBox(int answer) override { m_runtime.queueAnswer(answer); }
    std::string lastMessageBoxText() const override
    {
        return m_runtime.messageBoxes.empty() ? std::string() : m_runtime.messageBoxes.back().text;
    }
    void settle() override { m_runtime.flushDestroyed(); }

private:
    form::fake::FakeRuntime m_runtime;
};

} // namespace

std::unique_ptr<form::testing::Driver> makeFakeDriver()
{
    return std::make_unique<FakeDriver>();
}
