// Stands in for the message boxes: records what the user would have seen, without a modal loop.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "ui/Message.h"

namespace velbrisk::ui {

class MessageRecorder : public MessageBoxes {
public:
    void showMessage(const Message& message) override {
        shown.push_back(message);
        if (onShown) {
            onShown();
        }
    }
    std::size_t ask(const Question& question) override {
        asked.push_back(question);
        closed = false;
        asking_ = true;
        if (onAsked) {
            onAsked();
        }
        asking_ = false;
        return closed ? question.escapeAnswer : answer.value_or(question.escapeAnswer);
    }
    void closeQuestion() override { closed = closed || asking_; }
    std::vector<Message> shown;         // messages, in the order shown
    std::vector<Question> asked;        // questions, in the order asked
    std::optional<std::size_t> answer;  // each question's unless closed, by index; none: Esc
    bool closed = false;                // the last question was closed by the program, as Esc would
    std::function<void()> onShown, onAsked;  // run after each message, each question is recorded

private:
    bool asking_ = false;
};

}  // namespace velbrisk::ui
