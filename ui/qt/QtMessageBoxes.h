// The logic's messages and questions as Qt's modal message boxes, owned by a window.
#pragma once

#include "ui/Message.h"

class QWidget;

namespace velbrisk::ui::qt {

class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }

    void showMessage(const Message& message) override;
    std::size_t ask(const Question& question) override;

private:
    QWidget* owner_;
};

}  // namespace velbrisk::ui::qt
