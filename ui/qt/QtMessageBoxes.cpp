// The logic's messages and questions as Qt's modal message boxes, owned by a window.
#include "ui/qt/QtMessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <vector>

namespace velbrisk::ui::qt {

namespace {

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

void QtMessageBoxes::showMessage(const Message& message) {
    QMessageBox box(boxIcon(message.icon), QString::fromStdString(message.title),
                    QString::fromStdString(message.text), QMessageBox::Ok, owner_);
    box.exec();
}

std::size_t QtMessageBoxes::ask(const Question& question) {
    const Message& message = question.message;
    QMessageBox box(boxIcon(message.icon), QString::fromStdString(message.title),
                    QString::fromStdString(message.text), QMessageBox::NoButton, owner_);
    std::vector<QPushButton*> buttons;
    for (const std::string& answer : question.answers) {
        buttons.push_back(box.addButton(QString::fromStdString(answer), QMessageBox::ActionRole));
    }
    box.setDefaultButton(buttons.at(question.defaultAnswer));
    box.setEscapeButton(buttons.at(question.escapeAnswer));
    question_ = &box;
    box.exec();
    const auto taken = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return taken == buttons.end() ? question.escapeAnswer
                                  : static_cast<std::size_t>(taken - buttons.begin());
}

void QtMessageBoxes::closeQuestion() {
    if (question_) {
        question_->escapeButton()->click();
    }
}

}  // namespace velbrisk::ui::qt
