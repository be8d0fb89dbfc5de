// The logic's messages and questions as the system's modal message boxes, owned by a window.
#include "ui/win32/MessageBoxesWin32.h"

#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

#include "ui/win32/Wide.h"

namespace velbrisk::ui::win32 {

namespace {

UINT iconStyle(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Warning:
            return MB_ICONWARNING;
        case MessageIcon::Error:
            return MB_ICONERROR;
        case MessageIcon::Information:
            break;
    }
    return MB_ICONINFORMATION;
}

// The system's message boxes and task dialogs are dialogs of this class; the program makes no
// other.
constexpr wchar_t kMessageBoxClass[] = L"#32770";

BOOL CALLBACK cancelDialog(HWND window, LPARAM) {
    wchar_t name[16] = {};
    if (GetClassNameW(window, name, 16) && std::wstring_view(name) == kMessageBoxClass) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    return TRUE;
}

}  // namespace

void MessageBoxesWin32::showMessage(const Message& message) {
    MessageBoxW(owner_, wideText(message.text).c_str(), wideText(message.title).c_str(),
                MB_OK | iconStyle(message.icon));
}
// A task dialog, since a message box offers no buttons of the program's own words. Each answer is
// a button whose id is kFirstAnswer + its index, but for Esc's answer, whose button is IDCANCEL:
// Esc and the close box press that button, on Windows and under Wine alike.
std::size_t MessageBoxesWin32::ask(const Question& question) {
    constexpr int kFirstAnswer = 100;
    const auto idOf = [&](std::size_t answer) {
        return answer == question.escapeAnswer ? IDCANCEL : kFirstAnswer + static_cast<int>(answer);
    };
    const Message& message = question.message;
    std::vector<std::wstring> answers;
    for (const std::string& answer : question.answers) {
        answers.push_back(wideText(answer));
    }
    std::vector<TASKDIALOG_BUTTON> buttons;
    for (std::size_t k = 0; k < answers.size(); ++k) {
        buttons.push_back({idOf(k), answers[k].c_str()});
    }
    const std::wstring title = wideText(message.title);
    const std::wstring text = wideText(message.text);
    TASKDIALOGCONFIG config = {};
    config.cbSize = sizeof config;
    config.hwndParent = owner_;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
    config.pszWindowTitle = title.c_str();
    config.pszMainIcon = message.icon == MessageIcon::Warning ? TD_WARNING_ICON
                         : message.icon == MessageIcon::Error ? TD_ERROR_ICON
                                                              : TD_INFORMATION_ICON;
    config.pszContent = text.c_str();
    config.cButtons = static_cast<UINT>(buttons.size());
    config.pButtons = buttons.data();
    config.nDefaultButton = idOf(question.defaultAnswer);
    int pressed = IDCANCEL;
    asking_ = true;
    const HRESULT shown = TaskDialogIndirect(&config, &pressed, nullptr, nullptr);
    asking_ = false;
    const int index = pressed - kFirstAnswer;
    if (FAILED(shown) || index < 0 || static_cast<std::size_t>(index) >= answers.size()) {
        return question.escapeAnswer;
    }
    return static_cast<std::size_t>(index);
}

// The question is the dialog on top, on this thread: it is cancelled, as Esc would.
void MessageBoxesWin32::closeQuestion() {
    if (asking_) {
        EnumThreadWindows(GetCurrentThreadId(), &cancelDialog, 0);
    }
}

}  // namespace velbrisk::ui::win32
