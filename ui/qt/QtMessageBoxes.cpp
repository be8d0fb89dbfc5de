// The logic's messages and questions as Qt's modal message boxes, owned by a window.
#include "ui/qt/QtMessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>

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

bool QtMessageBoxes::askYesNo(const Message& question) {
    QMessageBox box(boxIcon(question.icon), QString::fromStdString(question.title),
                    QString::fromStdString(question.text), QMessageBox::Yes | QMessageBox::No,
                    owner_);
    box.setDefaultButton(QMessageBox::No);
    question_ = &box;
    return box.exec() == QMessageBox::Yes;
}

void QtMessageBoxes::closeQuestion() {
    if (question_) {
        question_->button(QMessageBox::No)->click();
    }
}

}  // namespace velbrisk::ui::qt
