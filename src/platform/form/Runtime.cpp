#include "Form.h"

#include <stdexcept>

namespace form {

namespace {
Runtime *g_runtime = nullptr;
} // namespace

Runtime &runtime()
{
    if (!g_runtime)
        throw std::logic_error("no window system installed");
    return *g_runtime;
}

void install(Runtime *runtime)
{
    g_runtime = runtime;
}

void warnCannotOpen(const std::string &text)
{
    runtime().messageBox(text, MB_ICONWARNING, WindowCaption);
}

void Window::missingControl(std::string_view name, int index)
{
    std::string what = "page layout has no control " + std::string(name);
    if (index >= 0)
        what += "(" + std::to_string(index) + ")";
    throw std::logic_error(what);
}

} // namespace form
