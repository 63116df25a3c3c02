#pragma once

#include "Form.h"

namespace form::qt {

// The form runtime on Qt widgets: the running wizard's window system on Linux.
class QtRuntime : public Runtime
{
public:
    std::unique_ptr<Window> createWindow(const PageLayout &layout) override;
    void destroyLater(std::unique_ptr<Window> window) override;
    int messageBox(const std::string &text, unsigned flags, const std::string &title) override;
    void doEvents() override;
    [[noreturn]] void endProgram() override;
};

} // namespace form::qt
