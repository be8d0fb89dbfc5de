// A job's window side in Qt: the local event loop the runner waits in, the progress dialog, and
// the main window's input held off meanwhile.
#pragma once

#include <QObject>
#include <QPointer>
#include <QProgressDialog>

#include "ui/main/JobRunner.h"

class QEventLoop;
class QWidget;

namespace velbrisk::ui::qt {

class QtJobView : public QObject, public JobView {
    Q_OBJECT

public:
    // window: the main window, whose input is held off and which owns the progress dialog.
    explicit QtJobView(QWidget* window);
    ~QtJobView() override;

    void waitForWake(std::chrono::milliseconds timeout) override;
    void wake() override;
    void holdInput(bool held) override;
    void showProgress(std::function<void()> cancel) override;
    void setProgress(int steps) override;
    void closeProgress() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    QPointer<QProgressDialog> dialog_;
    QEventLoop* loop_ = nullptr;  // the loop waitForWake runs, while it runs
    bool woken_ = false;          // a wake came while no loop ran
    bool held_ = false;
};

}  // namespace velbrisk::ui::qt
