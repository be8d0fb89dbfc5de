// The modal message boxes of the windows, as the logic asks for them, behind one seam that tests
// replace.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace velbrisk::ui {

enum class MessageIcon { Information, Warning, Error };

// Texts are UTF-8. A text with line breaks holds "\n"; a view that needs "\r\n" converts.
struct Message {
    MessageIcon icon = MessageIcon::Information;
    std::string title;
    std::string text;
    friend bool operator==(const Message&, const Message&) = default;
};

// A question with answers of its own, one button each, in order: Enter takes `defaultAnswer`;
// Esc and the close box take `escapeAnswer`.
struct Question {
    Message message;
    std::vector<std::string> answers;
    std::size_t defaultAnswer = 0;
    std::size_t escapeAnswer = 0;
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
    // A modal question (Qt: QMessageBox with a button per answer; Win32: a task dialog). Returns
    // the index of the answer taken.
    virtual std::size_t ask(const Question& question) = 0;
    // Ends the question that ask has open, if any, as if Esc had been pressed: the program is
    // ending and waits for no one. Harmless when no question is open.
    virtual void closeQuestion() = 0;
};

}  // namespace velbrisk::ui
