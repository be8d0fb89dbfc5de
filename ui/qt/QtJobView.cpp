// A job's window side in Qt: the local event loop the runner waits in, the progress dialog, and
// the main window's input held off meanwhile.
#include "ui/qt/QtJobView.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include "resources/ProductInfo.h"
#include "ui/main/Layout.h"

namespace velbrisk::ui::qt {

namespace {

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

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

QtJobView::QtJobView(QWidget* window) : window_(window) {}

QtJobView::~QtJobView() {
    holdInput(false);
    closeProgress();
}

void QtJobView::waitForWake(std::chrono::milliseconds timeout) {
    if (woken_) {
        woken_ = false;
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
    woken_ = false;
}

void QtJobView::wake() {
    // Queued to the window's thread: the worker never touches a QObject of the window itself.
    QMetaObject::invokeMethod(
        this,
        [this] {
            woken_ = true;
            if (loop_) {
                loop_->quit();
            }
        },
        Qt::QueuedConnection);
}

void QtJobView::holdInput(bool held) {
    if (held == held_) {
        return;
    }
    held_ = held;
    if (held) {
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
    }
}

void QtJobView::showProgress(std::function<void()> cancel) {
    closeProgress();
    dialog_ = new QProgressDialog(fromUtf8(main_window::kProgressLabel),
                                  fromUtf8(main_window::kProgressCancel), 0,
                                  main_window::kProgressSteps, window_);
    dialog_->setObjectName(QStringLiteral("ProgressDialog"));
    dialog_->setWindowTitle(QString::fromUtf8(product::kName));
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumDuration(0);
    connect(dialog_, &QProgressDialog::canceled, this, [cancel = std::move(cancel)] { cancel(); });
    dialog_->show();
}

void QtJobView::setProgress(int steps) {
    if (dialog_) {
        dialog_->setValue(steps);
    }
}

void QtJobView::closeProgress() {
    delete dialog_;
}

// The window takes no input while the job runs, as it did when the job ran on its own thread;
// the progress dialog, a window of its own, still does.
bool QtJobView::eventFilter(QObject* watched, QEvent* event) {
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

}  // namespace velbrisk::ui::qt
