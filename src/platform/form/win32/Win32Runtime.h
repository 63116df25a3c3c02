#pragma once

#include <memory>
#include <vector>

#include "Form.h"

#include <windows.h>

// The form runtime on Win32: page windows, message boxes owned by the active page, the
// event pump with the dialog manager's keys, deferred destruction and the program's end.
namespace form::win32 {

class Win32Runtime : public Runtime
{
public:
    Win32Runtime();
    ~Win32Runtime() override;

    std::unique_ptr<Window> createWindow(const PageLayout &layout) override;
    void destroyLater(std::unique_ptr<Window> window) override;
    int messageBox(const std::string &text, unsigned flags, const std::string &title) override;
    void doEvents() override;
    [[noreturn]] void endProgram() override;

    // Runs the message loop until WM_QUIT; returns its exit code.
    int run();
    // Destroys the windows given to destroyLater now.
    void destroyPending();

private:
    static LRESULT CALLBACK serviceProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static void dispatch(MSG &msg);

    HWND m_service = nullptr; // message-only: receives the deferred destroy
    std::vector<std::unique_ptr<Window>> m_doomed;
};

// Translates and dispatches one message, the page's keys through the dialog manager.
void dispatchMessage(MSG &msg);

} // namespace form::win32
