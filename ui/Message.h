// The modal message boxes of the windows, as the logic asks for them, behind one seam that tests
// replace.
#pragma once

#include <string>

namespace velbrisk::ui {

enum class MessageIcon { Information, Warning, Error };

// Texts are UTF-8. A text with line breaks holds "\n"; a view that needs "\r\n" converts.
struct Message {
    MessageIcon icon = MessageIcon::Information;
    std::string title;
    std::string text;
    friend bool operator==(const Message&, const Message&) = default;
};

// Where the logic's messages and questions go. Each front has one that shows the platform's
// modal box owned by its window (Qt: QMessageBox; Win32: MessageBoxW with MB_ICONINFORMATION,
// MB_ICONWARNING or MB_ICONERROR); tests hand the window one of their own. Called on the window's
// thread only.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A modal box with the message and a single OK button; returns once it is dismissed.
    virtual void showMessage(const Message& message) = 0;
    // A modal question with the buttons Yes and No, No being the default (Win32: MB_YESNO |
    // MB_DEFBUTTON2). True for Yes; any other way out of the box (Esc, close box) is No.
    virtual bool askYesNo(const Message& question) = 0;
    // Ends the question that askYesNo has open, if any, as if No had been pressed: the program
    // is ending and waits for no one. Harmless when no question is open.
    virtual void closeQuestion() = 0;
};

}  // namespace velbrisk::ui
