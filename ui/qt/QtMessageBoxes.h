// The logic's messages and questions as Qt's modal message boxes, owned by a window.
#pragma once

#include <QPointer>

#include "ui/Message.h"

class QMessageBox;
class QWidget;

namespace velbrisk::ui::qt {

class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }

    void showMessage(const Message& message) override;
    std::size_t ask(const Question& question) override;
    void closeQuestion() override;

private:
    QWidget* owner_;
    QPointer<QMessageBox> question_;  // while ask waits for its answer
};

}  // namespace velbrisk::ui::qt
