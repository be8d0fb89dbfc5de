// The Qt side of a job: the waiting loop, the progress dialog and its "取消", input held off.
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <thread>

#include "ui/main/JobRunner.h"
#include "ui/qt/QtJobView.h"

using namespace std::chrono_literals;
using velbrisk::JobControl;
using velbrisk::JobResult;
using velbrisk::JobStatus;
using velbrisk::ui::JobRunner;
using velbrisk::ui::qt::QtJobView;

namespace {

// A phase that reports `steps` steps of progress, one every `pause`, and stops when asked.
JobRunner::Phase countingPhase(int steps, std::chrono::milliseconds pause) {
    return [=](const JobControl& control) {
        for (int step = 1; step <= steps; ++step) {
            if (control.stop.stop_requested()) {
                return JobResult{JobStatus::Cancelled, {}, {}};
            }
            std::this_thread::sleep_for(pause);
            control.progress(std::uint64_t(step), std::uint64_t(steps));
        }
        return JobResult{JobStatus::Done, "out.exe", {}};
    };
}

QProgressDialog* progressOf(const QWidget& window) {
    return window.findChild<QProgressDialog*>("ProgressDialog");
}

}  // namespace

class QtJobViewTest : public QObject {
    Q_OBJECT

private slots:
    void shortJobShowsNoProgressDialog() {
        QWidget window;
        QtJobView view(&window);
        JobRunner runner(view, 500ms);
        for (int job = 0; job < 2; ++job) {
            QCOMPARE(runner.run(countingPhase(3, 1ms)).status, JobStatus::Done);
        }
        QVERIFY(!progressOf(window));
    }

    // The dialog as the user sees it at the end of a long job, and gone with the runner.
    void longJobShowsAFullBarThenCloses() {
        QWidget window;
        window.show();
        QtJobView view(&window);
        {
            JobRunner runner(view, 20ms);
            QCOMPARE(runner.run(countingPhase(40, 5ms)).status, JobStatus::Done);
            const QProgressDialog* dialog = progressOf(window);
            QVERIFY(dialog);
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->windowTitle(), "Velbrisk");
            QCOMPARE(dialog->labelText(), "正在压缩…");
            QCOMPARE(dialog->windowModality(), Qt::WindowModal);
            QCOMPARE(dialog->maximum(), 10000);
            QCOMPARE(dialog->value(), dialog->maximum());
        }
        QVERIFY(!progressOf(window));
    }

    void cancelButtonStopsTheJob() {
        QWidget window;
        window.show();
        QtJobView view(&window);
        JobRunner runner(view, 20ms);
        QString pressed;
        QTimer presser;
        presser.callOnTimeout([&] {
            if (QProgressDialog* dialog = progressOf(window)) {
                auto* cancel = dialog->findChild<QPushButton*>();
                pressed = cancel->text();
                cancel->click();
                presser.stop();
            }
        });
        presser.start(5);
        const auto start = std::chrono::steady_clock::now();
        QCOMPARE(runner.run(countingPhase(100000, 1ms)).status, JobStatus::Cancelled);
        QVERIFY2(std::chrono::steady_clock::now() - start < 5s, "cancel did not stop the worker");
        QCOMPARE(pressed, "取消");
    }

    // A click and the close box while the job runs reach nothing; once it has ended they do.
    void windowTakesNoInputWhileTheJobRuns() {
        QWidget window;
        auto* button = new QPushButton("x", &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int clicks = 0;
        connect(button, &QPushButton::clicked, [&] { ++clicks; });
        QtJobView view(&window);
        {
            JobRunner runner(view);
            runner.run([&](const JobControl&) {
                QMetaObject::invokeMethod(
                    &window,
                    [&] {
                        QTest::mouseClick(button, Qt::LeftButton);
                        window.close();
                    },
                    Qt::BlockingQueuedConnection);
                return JobResult{};
            });
        }
        QCOMPARE(clicks, 0);
        QVERIFY(window.isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicks, 1);
    }

    // The worker's wake ends the wait at once, long before its timeout.
    void wakeFromAnotherThreadEndsTheWait() {
        QWidget window;
        QtJobView view(&window);
        std::jthread waker([&] {
            std::this_thread::sleep_for(20ms);
            view.wake();
        });
        const auto start = std::chrono::steady_clock::now();
        view.waitForWake(10s);
        QVERIFY(std::chrono::steady_clock::now() - start < 5s);
    }
};

QTEST_MAIN(QtJobViewTest)
#include "qt_job_view_test.moc"
