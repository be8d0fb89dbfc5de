// The main window in Qt: draws FrmMain's layout and turns the window's events into its handlers.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "ui/main/FrmMain.h"
#include "ui/qt/QtJobView.h"
#include "ui/qt/QtMessageBoxes.h"

class QFrame;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QPlainTextEdit;

namespace velbrisk::ui::qt {

class LinkLabel;

class MainWindow : public QWidget, private MainView {
    Q_OBJECT

public:
    // What the window hands to the world outside it. A test replaces the message boxes with a
    // recorder and the desktop's call with one of its own.
    struct Seams {
        MessageBoxes* boxes = nullptr;  // null: Qt's message boxes, owned by the window
        // Module1: hands an address to the desktop.
        std::function<void(const std::string& address)> openAddress{};
        std::chrono::milliseconds progressDelay = kProgressDelay;
    };

    // commandFile: the file the program was started with, if any, for the source box.
    explicit MainWindow(Seams seams, const std::string& commandFile = {});
    ~MainWindow() override;

    // Ends the program for a termination request from outside (FrmMain::EndProgram).
    void endProgram();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void build();
    void buildAboutPanel();
    bool Text_DragEvent(QEvent* event);

    // MainView
    std::string text() const override;
    std::string saveText() const override;
    void setText(const std::string& text) override;
    void setBusyCursor(bool busy) override;
    void setTextEnabled(bool enabled) override;
    void setLinkColour(int link, Rgb colour) override;
    void openAddress(const std::string& address) override;
    void openChooser(const std::function<void(const std::string&)>& chosen) override;
    void quit() override;

    std::unique_ptr<QtMessageBoxes> ownBoxes_;  // the screen's, unless a test gave others
    MessageBoxes& boxes_;
    std::function<void(const std::string&)> openAddress_;
    QtJobView jobView_;
    FrmMain logic_;

    QLabel* Label1 = nullptr;
    QLineEdit* Text = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* SaveText = nullptr;
    std::array<LinkLabel*, 4> links_{};  // Label, Lbl_Com, Lbl_Exit, Label3
    QFrame* Frame1 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    std::array<LinkLabel*, main_window::kAboutCount> Lbl_About{};
};

}  // namespace velbrisk::ui::qt
