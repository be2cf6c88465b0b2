#include "windows/Dialogs.h"

#include "rules/CloseFlow.h"
#include "windows/resource.h"
#include "windows/Text.h"
#include "windows/Trace.h"

namespace qv::starter::win {
namespace {

struct PasswordAnswer {
    std::wstring text;
};

INT_PTR CALLBACK PasswordProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetWindowTextW(dialog, FromUtf8(kPasswordTitle).c_str());
        SetDlgItemTextW(dialog, IDC_PASSWORD_PROMPT, FromUtf8(kPasswordPrompt).c_str());
        SetFocus(GetDlgItem(dialog, IDC_PASSWORD_EDIT));
        Trace("password asked");
        return FALSE; // the focus is set
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            auto* answer = reinterpret_cast<PasswordAnswer*>(GetWindowLongPtrW(dialog, DWLP_USER));
            HWND edit = GetDlgItem(dialog, IDC_PASSWORD_EDIT);
            std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
            text.resize(static_cast<size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
            answer->text = std::move(text);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

} // namespace

std::optional<std::string> AskPassword(HWND owner)
{
    PasswordAnswer answer;
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PASSWORD), owner,
                                           &PasswordProcedure, reinterpret_cast<LPARAM>(&answer));
    if (result == -1)
        Trace("DialogBoxParam(password) failed");
    if (result != IDOK) {
        Trace("password cancelled");
        return std::nullopt;
    }
    return ToUtf8(answer.text);
}

void ShowWrongPassword(HWND owner)
{
    Trace("password wrong");
    MessageBoxW(owner, FromUtf8(kWrongPassword).c_str(), FromUtf8(kPasswordTitle).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

} // namespace qv::starter::win
