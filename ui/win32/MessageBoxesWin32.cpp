// The logic's messages and questions as the system's modal message boxes, owned by a window.
#include "ui/win32/MessageBoxesWin32.h"

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

UINT MessageBoxesWin32::questionStyle(MessageIcon icon) {
    return MB_YESNO | MB_DEFBUTTON2 | iconStyle(icon);
}

void MessageBoxesWin32::showMessage(const Message& message) {
    MessageBoxW(owner_, wideText(message.text).c_str(), wideText(message.title).c_str(),
                messageStyle(message.icon));
}

bool MessageBoxesWin32::askYesNo(const Message& question) {
    // Esc and the close box give IDNO (or IDCANCEL on some systems): anything but Yes is No.
    return MessageBoxW(owner_, wideText(question.text).c_str(), wideText(question.title).c_str(),
                       questionStyle(question.icon)) == IDYES;
}

}  // namespace velbrisk::ui::win32
