// Runs the phases of a trimming job on a worker thread while the window waits, painted and busy.
#include "ui/qt/JobRunner.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <thread>

#include "resources/ProductInfo.h"

namespace velbrisk::ui {

namespace {

int delayMs = 500;

// How often the bar follows the worker. The worker only bumps two counters; the window reads
// them at its own pace, so a fast job never floods the event queue.
constexpr int kPollMs = 40;

// QProgressBar counts in int; bytes of a large file do not fit, so the bar shows ten-thousandths.
constexpr int kBarSteps = 10000;

bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Close:
            return true;
        default:
            return false;
    }
}

}  // namespace

JobRunner::JobRunner(QWidget* window)
    : window_(window), delayTimer_(new QTimer(this)), pollTimer_(new QTimer(this)) {
    delayTimer_->setSingleShot(true);
    connect(delayTimer_, &QTimer::timeout, this, &JobRunner::showProgress);
    pollTimer_->setInterval(kPollMs);
    connect(pollTimer_, &QTimer::timeout, this, &JobRunner::updateProgress);
    qApp->installEventFilter(this);
}

JobRunner::~JobRunner() {
    qApp->removeEventFilter(this);
    delete dialog_;
}

void JobRunner::setProgressDelay(int milliseconds) {
    delayMs = milliseconds;
}

int JobRunner::progressDelay() {
    return delayMs;
}

JobResult JobRunner::run(const Phase& phase) {
    if (stop_.stop_requested()) {
        return JobResult{JobStatus::Cancelled, {}, {}};
    }
    JobControl control;
    control.stop = stop_.get_token();
    // The worker calls this only while run() waits for it, so the counters outlive every call.
    control.progress = [&counters = counters_](std::uint64_t done, std::uint64_t total) {
        counters.total.store(total, std::memory_order_relaxed);
        counters.done.store(done, std::memory_order_relaxed);
    };

    QEventLoop loop;
    JobResult result;
    if (!dialog_) {
        delayTimer_->start(delayMs);
    }
    std::jthread worker([&] {
        result = phase(control);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    delayTimer_->stop();
    updateProgress();
    return result;
}

void JobRunner::showProgress() {
    dialog_ = new QProgressDialog(QStringLiteral("正在压缩…"), QStringLiteral("取消"), 0, kBarSteps,
                                  window_);
    dialog_->setObjectName(QStringLiteral("ProgressDialog"));
    dialog_->setWindowTitle(QString::fromUtf8(product::kName));
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumDuration(0);
    connect(dialog_, &QProgressDialog::canceled, this, [this] { stop_.request_stop(); });
    updateProgress();
    dialog_->show();
    pollTimer_->start();
}

void JobRunner::updateProgress() {
    if (!dialog_) {
        return;
    }
    const std::uint64_t total = counters_.total.load(std::memory_order_relaxed);
    const std::uint64_t done = counters_.done.load(std::memory_order_relaxed);
    const int value = total == 0
                          ? 0
                          : static_cast<int>(static_cast<long double>(std::min(done, total)) *
                                             kBarSteps / static_cast<long double>(total));
    if (value != dialog_->value()) {
        dialog_->setValue(value);
        if (onProgressShown) {
            onProgressShown(done, total);
        }
    }
}

// The window takes no input while the job runs, as it did when the job ran on its own thread;
// the progress dialog, a window of its own, still does.
bool JobRunner::eventFilter(QObject* watched, QEvent* event) {
    if (!isUserInput(event->type()) || !watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != window_) {
        return false;
    }
    event->ignore();
    return true;
}

}  // namespace velbrisk::ui
