#include "Win32Runtime.h"

#include <cstdio>

#include "Files.h"
#include "Win32Controls.h"
#include "Win32Window.h"

namespace form::win32 {

namespace {

constexpr UINT DestroyPendingMessage = WM_APP + 1;
constexpr const wchar_t *ServiceClass = L"QuernelFormService";

} // namespace

void dispatchMessage(MSG &msg)
{
    // The page the message is for handles its dialog keys (Tab, mnemonics, Esc, Enter).
    if (msg.hwnd && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST)
        if (Win32Window *page = Win32Window::fromHandle(GetAncestor(msg.hwnd, GA_ROOT)))
            if (page->preTranslate(msg))
                return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

Win32Runtime::Win32Runtime()
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Win32Runtime::serviceProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = ServiceClass;
    RegisterClassExW(&wc);
    m_service = CreateWindowExW(0, ServiceClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(m_service, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32Runtime::~Win32Runtime()
{
    destroyPending();
    if (m_service)
        DestroyWindow(m_service);
}

std::unique_ptr<Window> Win32Runtime::createWindow(const PageLayout &layout)
{
    return std::make_unique<Win32Window>(layout);
}

void Win32Runtime::destroyLater(std::unique_ptr<Window> window)
{
    if (!window)
        return;
    if (auto *page = dynamic_cast<Win32Window *>(window.get()))
        page->shutDown();
    m_doomed.push_back(std::move(window));
    // The window goes at the loop's next turn, after the handler that gave it up has returned.
    PostMessageW(m_service, DestroyPendingMessage, 0, 0);
}

void Win32Runtime::destroyPending()
{
    std::vector<std::unique_ptr<Window>> doomed;
    doomed.swap(m_doomed);
    doomed.clear();
}

LRESULT CALLBACK Win32Runtime::serviceProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == DestroyPendingMessage) {
        if (auto *runtime = reinterpret_cast<Win32Runtime *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
            runtime->destroyPending();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int Win32Runtime::messageBox(const std::string &text, unsigned flags, const std::string &title)
{
    // Owned by the active page, so that the page beneath cannot be used while the box is up.
    HWND owner = GetActiveWindow();
    if (!Win32Window::fromHandle(owner))
        owner = nullptr;
    return MessageBoxW(owner, wide(text).c_str(), wide(title).c_str(), flags);
}

void Win32Runtime::doEvents()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam)); // left for the main loop
            return;
        }
        dispatchMessage(msg);
    }
}

int Win32Runtime::run()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        dispatchMessage(msg);
    return int(msg.wParam);
}

void Win32Runtime::endProgram()
{
    base::files::removePendingTemporaries();
    std::fflush(nullptr);
    // Every INI write is already complete on disk: no page handler and no destructor runs.
    ExitProcess(0);
}

} // namespace form::win32
