#include "Prompts.h"

#include <shobjidl.h>

#include "Handles.h"
#include "SetupTexts.h"
#include "WinText.h"
#include "resource.h"

namespace installer::win {

namespace {

std::wstring captionOf(HWND owner)
{
    const std::string title = owner ? textOf(owner) : std::string();
    return wide(title.empty() ? texts::errorCaption() : title);
}

int messageBox(HWND owner, const std::string &text, UINT type)
{
    return ::MessageBoxW(owner, wideLines(text).c_str(), captionOf(owner).c_str(), type);
}

struct ReplaceQuestion
{
    std::string fileName;
    std::wstring caption;
};

INT_PTR CALLBACK replaceProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const auto *question = reinterpret_cast<const ReplaceQuestion *>(lParam);
        ::SetWindowTextW(dialog, question->caption.c_str());
        ::SetDlgItemTextW(dialog, IDC_REPLACE_TEXT,
                          wideLines(texts::replaceQuestion(question->fileName)).c_str());
        setItemText(dialog, IDYES, texts::yesButton());
        setItemText(dialog, IDNO, texts::noButton());
        setItemText(dialog, IDC_YES_TO_ALL, texts::yesToAllButton());
        ::SendDlgItemMessageW(dialog, IDC_REPLACE_ICON, STM_SETICON,
                              reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_QUESTION)), 0);
        ::MessageBeep(MB_ICONQUESTION);
        return TRUE; // the focus on the default button, Yes
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDYES:
        case IDNO:
        case IDC_YES_TO_ALL:
            ::EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        case IDCANCEL: // Esc or the close box: nothing is replaced
            ::EndDialog(dialog, IDNO);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

ReplaceAnswer WindowsPrompts::askReplace(HWND owner, const std::string &fileName)
{
    ReplaceQuestion question{fileName, captionOf(owner)};
    const INT_PTR answer = ::DialogBoxParamW(m_instance, MAKEINTRESOURCEW(IDD_REPLACE), owner, &replaceProc,
                                             reinterpret_cast<LPARAM>(&question));
    if (answer == IDC_YES_TO_ALL)
        return ReplaceAnswer::YesToAll;
    return answer == IDYES ? ReplaceAnswer::Yes : ReplaceAnswer::No;
}

bool WindowsPrompts::confirmOddFolder(HWND owner, const std::string &description)
{
    return messageBox(owner, texts::oddFolderQuestion(description),
                      MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void WindowsPrompts::showError(HWND owner, const std::string &text)
{
    messageBox(owner, text, MB_OK | MB_ICONERROR);
}

bool WindowsPrompts::confirmQuit(HWND owner, const std::string &question)
{
    return messageBox(owner, question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

bool WindowsPrompts::confirmWait(HWND owner, const std::string &gameFolder)
{
    return messageBox(owner, texts::busyQuestion(texts::windowsPath(gameFolder)),
                      MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool WindowsPrompts::confirmElevation(HWND owner, const std::string &reason)
{
    return messageBox(owner,
                      reason + "\n\nStart setup again with administrator rights to install into this folder?",
                      MB_YESNO | MB_ICONWARNING) == IDYES;
}

bool WindowsPrompts::confirmRemoval(HWND owner, const std::string &question, bool filesLeft)
{
    const UINT type = filesLeft ? MB_ICONWARNING | MB_DEFBUTTON2 : MB_ICONQUESTION | MB_DEFBUTTON1;
    return messageBox(owner, question, MB_YESNO | type) == IDYES;
}

std::string WindowsPrompts::chooseFolder(HWND owner, const std::string &start)
{
    IFileOpenDialog *raw = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&raw))))
        return {};
    ComPtr<IFileOpenDialog> dialog(raw);
    DWORD options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog->SetTitle(wide(texts::folderPickerTitle()).c_str());
    if (!start.empty()) {
        IShellItem *folder = nullptr;
        if (SUCCEEDED(::SHCreateItemFromParsingName(wide(start).c_str(), nullptr, IID_PPV_ARGS(&folder)))) {
            ComPtr<IShellItem> owned(folder);
            dialog->SetFolder(folder);
        }
    }
    if (FAILED(dialog->Show(owner)))
        return {}; // cancelled
    IShellItem *chosen = nullptr;
    if (FAILED(dialog->GetResult(&chosen)))
        return {};
    ComPtr<IShellItem> owned(chosen);
    PWSTR path = nullptr;
    if (FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path)))
        return {};
    std::string result = utf8(path);
    ::CoTaskMemFree(path);
    return result;
}

} // namespace installer::win
