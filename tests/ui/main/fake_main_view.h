// A stand-in for a main window and its job's side: keeps what the logic shows, waits as a window.
#pragma once

#include <gtest/gtest.h>

#include "tests/deadline.h"
#include "ui/main/FrmMain.h"

namespace velbrisk::testing {

using namespace std::chrono_literals;

class FakeMainView : public ui::MainView, public ui::JobView {
public:
    std::string text() const override { return Text; }
    std::string saveText() const override { return SaveText; }
    void setText(const std::string& text) override { Text = text; }
    void setBusyCursor(bool busy) override { busyCursor = busy; }
    void setTextEnabled(bool enabled) override { textEnabled = enabled; }
    void setLinkColour(int link, ui::Rgb colour) override {
        links.at(std::size_t(link)) = colour == ui::kLinkRest    ? 'B'
                                      : colour == ui::kLinkHover ? 'R'
                                                                 : '?';
        ++linkChanges;
    }
    void openAddress(const std::string& address) override { opened.push_back(address); }
    void openChooser(const std::function<void(const std::string&)>& chosen) override {
        if (chooserAnswer) {
            chosen(*chooserAnswer);
        }
    }
    void quit() override { ++quits; }

    void waitForWake(std::chrono::milliseconds timeout) override {  // polls for the worker's wake()
        for (const auto end = std::chrono::steady_clock::now() + timeout;
             !woken_.exchange(false) && std::chrono::steady_clock::now() < end;) {
            std::this_thread::sleep_for(1ms);
        }
        if (onWait) {
            onWait();
        }
    }
    void wake() override { woken_ = true; }
    void holdInput(bool held) override { inputHeld = held; }
    void showProgress(std::function<void()> cancel) override {
        ++progressWindows;
        cancelButton = std::move(cancel);
    }
    void setProgress(int steps) override {
        bar.push_back(steps);
        if (onProgress) {
            onProgress();
        }
    }
    void closeProgress() override { cancelButton = nullptr; }

    std::string Text, SaveText;
    bool busyCursor = false, textEnabled = true, inputHeld = false;
    std::string links = "BBBB";  // Label, Lbl_Com, Lbl_Exit, Label3: B at rest, R under the mouse
    int linkChanges = 0, quits = 0, progressWindows = 0;
    std::vector<std::string> opened;
    std::optional<std::string> chooserAnswer;  // what the chooser's OK gives; none: cancelled
    std::function<void()> cancelButton;
    std::function<void()> onWait;  // runs on the "window's thread" after each wait
    std::function<void()> onProgress;  // runs there after each move of the bar
    std::vector<int> bar;

private:
    std::atomic<bool> woken_{false};
};

}  // namespace velbrisk::testing
