#include "ConsoleOutput.h"

#include <algorithm>
#include <cstdio>

#include "Text.h"

namespace setup_windows {

namespace {

bool isUsable(HANDLE handle)
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// The length of the longest prefix of text that does not end inside a UTF-8 sequence.
std::size_t wholeCharactersPrefix(const std::string &text)
{
    std::size_t end = text.size();
    std::size_t back = 0;
    while (back < 4 && back < end && (static_cast<unsigned char>(text[end - 1 - back]) & 0xC0) == 0x80)
        ++back;
    if (back < end) {
        const unsigned char lead = static_cast<unsigned char>(text[end - 1 - back]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (length > back + 1)
            return end - 1 - back;
    }
    return end;
}

} // namespace

bool attachParentConsole()
{
    return AttachConsole(ATTACH_PARENT_PROCESS) != FALSE;
}

HANDLE standardOutputHandle(DWORD which, bool consoleAttached)
{
    HANDLE inherited = GetStdHandle(which);
    if (isUsable(inherited))
        return inherited;
    if (!consoleAttached)
        return nullptr;
    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE)
        return nullptr;
    SetStdHandle(which, console);
    // The C runtime's streams follow, for anything that prints through them.
    std::FILE *stream = which == STD_ERROR_HANDLE ? stderr : stdout;
    FILE *reopened = nullptr;
    _wfreopen_s(&reopened, L"CONOUT$", L"w", stream);
    return console;
}

HandleStream::HandleStream(HANDLE handle) : m_handle(handle), m_stream(this)
{
    DWORD mode = 0;
    m_console = handle != nullptr && GetConsoleMode(handle, &mode) != FALSE;
}

HandleStream::~HandleStream()
{
    writeOut(false);
}

HandleStream::int_type HandleStream::overflow(int_type c)
{
    if (!traits_type::eq_int_type(c, traits_type::eof()))
        m_pending.push_back(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
}

std::streamsize HandleStream::xsputn(const char *data, std::streamsize size)
{
    m_pending.append(data, static_cast<std::size_t>(size));
    return size;
}

int HandleStream::sync()
{
    return writeOut(true) ? 0 : -1;
}

bool HandleStream::writeOut(bool wholeCharactersOnly)
{
    const std::size_t length = wholeCharactersOnly ? wholeCharactersPrefix(m_pending) : m_pending.size();
    if (length == 0)
        return true;
    bool ok = true;
    if (m_handle != nullptr) {
        if (m_console) {
            const std::wstring wide = base::text::widen(std::string_view(m_pending).substr(0, length));
            for (std::size_t done = 0; ok && done < wide.size();) {
                DWORD written = 0;
                const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
                ok = WriteConsoleW(m_handle, wide.data() + done, chunk, &written, nullptr) != FALSE &&
                     written > 0;
                done += written;
            }
        } else {
            for (std::size_t done = 0; ok && done < length;) {
                DWORD written = 0;
                const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(length - done, 1 << 20));
                ok = WriteFile(m_handle, m_pending.data() + done, chunk, &written, nullptr) != FALSE &&
                     written > 0;
                done += written;
            }
        }
    }
    m_pending.erase(0, length);
    return ok;
}

} // namespace setup_windows
