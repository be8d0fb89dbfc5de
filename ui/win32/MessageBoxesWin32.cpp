// The logic's messages and questions as the system's modal message boxes, owned by a window.
#include "ui/win32/MessageBoxesWin32.h"

#include <commctrl.h>

#include <string>
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

}  // namespace

UINT MessageBoxesWin32::messageStyle(MessageIcon icon) {
    return MB_OK | iconStyle(icon);
}


void MessageBoxesWin32::showMessage(const Message& message) {
    MessageBoxW(owner_, wideText(message.text).c_str(), wideText(message.title).c_str(),
                messageStyle(message.icon));
}

// A task dialog, since a message box offers no buttons of the program's own words. Each answer is
// a button whose id is kFirstAnswer + its index; Esc and the close box give IDCANCEL.
std::size_t MessageBoxesWin32::ask(const Question& question) {
    constexpr int kFirstAnswer = 100;
    const Message& message = question.message;
    std::vector<std::wstring> answers;
    for (const std::string& answer : question.answers) {
        answers.push_back(wideText(answer));
    }
    std::vector<TASKDIALOG_BUTTON> buttons;
    for (std::size_t k = 0; k < answers.size(); ++k) {
        buttons.push_back({kFirstAnswer + static_cast<int>(k), answers[k].c_str()});
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
    config.nDefaultButton = kFirstAnswer + static_cast<int>(question.defaultAnswer);
    int pressed = IDCANCEL;
    if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) {
        return question.escapeAnswer;
    }
    const int index = pressed - kFirstAnswer;
    return index >= 0 && static_cast<std::size_t>(index) < answers.size()
               ? static_cast<std::size_t>(index)
               : question.escapeAnswer;
}

}  // namespace velbrisk::ui::win32
