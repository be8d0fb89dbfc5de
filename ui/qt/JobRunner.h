// Runs the phases of a trimming job on a worker thread while the window waits, painted and busy.
#pragma once

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <atomic>
#include <functional>

#include "engine/trim.h"

class QTimer;
class QWidget;

namespace velbrisk::ui {

// One job, from the click that starts it to its ending. While it lives the window takes no
// input (its busy cursor is the window's own to set); a phase that takes longer than the progress
// delay brings up a window-modal progress dialog whose "取消" button stops the job.
//
// run() looks synchronous to its caller: it spins a local event loop until the worker is done,
// so the window keeps painting, and the order of events is the same as if the engine ran on
// the window's own thread.
class JobRunner : public QObject {
    Q_OBJECT
public:
    using Phase = std::function<JobResult(const JobControl&)>;

    explicit JobRunner(QWidget* window);
    ~JobRunner() override;

    JobResult run(const Phase& phase);

    // The dialog shows once the job has been running this long; tests shorten or lengthen it.
    static void setProgressDelay(int milliseconds);
    static int progressDelay();

    // The progress dialog, once shown; tests use it to press "取消".
    QProgressDialog* progressDialog() const { return dialog_; }

    // Called on the window's thread whenever the dialog's bar changes; tests watch progress here.
    std::function<void(std::uint64_t done, std::uint64_t total)> onProgressShown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showProgress();
    void updateProgress();

    QWidget* window_;
    QPointer<QProgressDialog> dialog_;
    QTimer* delayTimer_;
    QTimer* pollTimer_;
    std::stop_source stop_;
    struct Counters {
        std::atomic<std::uint64_t> done{0};
        std::atomic<std::uint64_t> total{0};
    };
    Counters counters_;
};

}  // namespace velbrisk::ui
