#pragma once

#include <windows.h>

#include <ostream>
#include <streambuf>
#include <string>

// Output of the command-line mode. A program of the GUI subsystem starts without a console:
// its lines go to the console of the program that started it (cmd.exe, PowerShell) when there
// is one, or to the file or pipe its output was redirected to.
namespace setup_windows {

// Joins the console of the parent process; false when the parent has none.
bool attachParentConsole();

// The handle a standard stream writes to: the inherited one when output was redirected, else
// the attached console (CONOUT$), else none (the output is dropped).
HANDLE standardOutputHandle(DWORD which, bool consoleAttached);

// A std::ostream over one such handle. A console gets the UTF-8 text as wide characters
// (WriteConsoleW, right whatever the console's code page); a file or pipe gets the bytes.
class HandleStream : public std::streambuf
{
public:
    explicit HandleStream(HANDLE handle);
    ~HandleStream() override;
    HandleStream(const HandleStream &) = delete;
    HandleStream &operator=(const HandleStream &) = delete;

    std::ostream &stream() { return m_stream; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char *data, std::streamsize size) override;
    int sync() override;

private:
    bool writeOut(bool wholeCharactersOnly);

    HANDLE m_handle;
    bool m_console;
    std::string m_pending;
    std::ostream m_stream;
};

} // namespace setup_windows
