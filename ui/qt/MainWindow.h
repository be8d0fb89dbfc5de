// The main window in Qt: draws FrmMain's layout and turns the window's events into its handlers.
#pragma once

#include <QWidget>
#include <array>
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
    // Messages go to Qt's message boxes, owned by this window.
    explicit MainWindow(QWidget* parent = nullptr);
    // Messages go to `boxes`, which outlives the window; progressDelay as FrmMain takes it.
    explicit MainWindow(MessageBoxes& boxes,
                        std::chrono::milliseconds progressDelay = kProgressDelay,
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // Ends the program for a termination request from outside: a running job is cancelled and
    // cleans up first, and a question it is waiting on is answered no.
    void endProgram();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    MainWindow(std::unique_ptr<QtMessageBoxes> ownBoxes, MessageBoxes* boxes,
               std::chrono::milliseconds progressDelay, QWidget* parent);
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
    // JobView, handed on to jobView_
    void waitForWake(std::chrono::milliseconds timeout) override;
    void wake() override;
    void holdInput(bool held) override;
    void showProgress(std::function<void()> cancel) override;
    void setProgress(int steps) override;
    void closeProgress() override;

    std::unique_ptr<QtMessageBoxes> ownBoxes_;  // the screen's, unless a test gave others
    MessageBoxes& boxes_;
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
