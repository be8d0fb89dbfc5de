// The logic's messages and questions as the system's modal message boxes, owned by a window.
#include "ui/win32/MessageBoxesWin32.h"

#include <string_view>

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

// The system's message boxes are the dialogs of this class; the program makes no other.
constexpr wchar_t kMessageBoxClass[] = L"#32770";

BOOL CALLBACK answerNo(HWND window, LPARAM) {
    wchar_t name[16] = {};
    if (GetClassNameW(window, name, 16) && std::wstring_view(name) == kMessageBoxClass) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    }
    return TRUE;
}

}  // namespace

void MessageBoxesWin32::showMessage(const Message& message) {
    MessageBoxW(owner_, widen(message.text).c_str(), widen(message.title).c_str(),
                MB_OK | iconStyle(message.icon));
}

bool MessageBoxesWin32::askYesNo(const Message& question) {
    // No is the default, so that Enter does not give away what the question asks about. Esc and
    // the close box give IDNO (or IDCANCEL on some systems): anything but Yes is No.
    asking_ = true;
    const int answer =
        MessageBoxW(owner_, widen(question.text).c_str(), widen(question.title).c_str(),
                    MB_YESNO | MB_DEFBUTTON2 | iconStyle(question.icon));
    asking_ = false;
    return answer == IDYES;
}

// The question is the box on top, on this thread: No is pressed on it, as a user would.
void MessageBoxesWin32::closeQuestion() {
    if (asking_) {
        EnumThreadWindows(GetCurrentThreadId(), &answerNo, 0);
    }
}

}  // namespace velbrisk::ui::win32
