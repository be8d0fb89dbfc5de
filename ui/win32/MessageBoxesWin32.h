// The logic's messages and questions as the system's modal message boxes, owned by a window.
#pragma once

#include <windows.h>

#include "ui/Message.h"

namespace velbrisk::ui::win32 {

class MessageBoxesWin32 : public MessageBoxes {
public:
    // owner may be set later, once the window it names exists.
    explicit MessageBoxesWin32(HWND owner = nullptr) : owner_(owner) {}
    void setOwner(HWND owner) { owner_ = owner; }

    void showMessage(const Message& message) override;
    std::size_t ask(const Question& question) override;
    void closeQuestion() override;

private:
    HWND owner_;
    bool asking_ = false;  // while ask waits for its answer
};

}  // namespace velbrisk::ui::win32
