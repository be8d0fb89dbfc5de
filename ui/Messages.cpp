// The modal message boxes, and the recorder that stands in for them in tests.
#include "ui/Messages.h"

#include <QMessageBox>

namespace velbrisk::ui {

namespace {

MessageRecorder* recorder = nullptr;

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Error:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void showMessage(QWidget* parent, const Message& message) {
    if (recorder) {
        recorder->shown.append(message);
        if (recorder->onShown) {
            recorder->onShown();
        }
        return;
    }
    QMessageBox box(boxIcon(message.icon), message.title, message.text, QMessageBox::Ok, parent);
    box.exec();
}

bool askYesNo(QWidget* parent, const Message& question) {
    if (recorder) {
        recorder->asked.append(question);
        return recorder->answerYes;
    }
    QMessageBox box(boxIcon(question.icon), question.title, question.text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

MessageRecorder::MessageRecorder(bool answerYes) : answerYes(answerYes) {
    recorder = this;
}

MessageRecorder::~MessageRecorder() {
    recorder = nullptr;
}

}  // namespace velbrisk::ui
