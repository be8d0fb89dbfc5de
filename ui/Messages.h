// The modal message boxes of the windows, behind one seam that tests can replace.
#pragma once

#include <QList>
#include <QString>
#include <functional>

class QWidget;

namespace velbrisk::ui {

enum class MessageIcon { Information, Warning, Error };

struct Message {
    MessageIcon icon = MessageIcon::Information;
    QString title;
    QString text;
    friend bool operator==(const Message&, const Message&) = default;
};

// A modal box with the message and a single OK button.
void showMessage(QWidget* parent, const Message& message);

// A modal question with the buttons Yes and No, No being the default. True for Yes.
bool askYesNo(QWidget* parent, const Message& question);

// While a MessageRecorder lives, messages and questions go to it instead of the screen, so that
// a test sees what the user would have seen without a modal loop.
class MessageRecorder {
public:
    explicit MessageRecorder(bool answerYes = false);
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QList<Message> shown;  // messages, in the order shown
    QList<Message> asked;  // questions, in the order asked
    bool answerYes;
    std::function<void()> onShown;  // runs after each message is recorded, if set
};

}  // namespace velbrisk::ui
