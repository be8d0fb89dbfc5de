// The worker that runs a job's phases: the progress dialog, cancel, and input held off.
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <thread>

#include "ui/qt/JobRunner.h"

using namespace std::chrono_literals;
using velbrisk::JobControl;
using velbrisk::JobResult;
using velbrisk::JobStatus;
using velbrisk::ui::JobRunner;

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

}  // namespace

class JobRunnerTest : public QObject {
    Q_OBJECT

private slots:
    void shortJobShowsNoProgressDialog() {
        JobRunner::setProgressDelay(500);
        QWidget window;
        JobRunner runner(&window);
        for (int job = 0; job < 2; ++job) {
            QCOMPARE(runner.run(countingPhase(3, 1ms)).status, JobStatus::Done);
        }
        QVERIFY(!runner.progressDialog());
    }

    void longJobShowsProgressThatRisesToTheTotal() {
        JobRunner::setProgressDelay(20);
        QWidget window;
        window.show();
        JobRunner runner(&window);
        std::vector<std::uint64_t> seen;
        runner.onProgressShown = [&](std::uint64_t done, std::uint64_t total) {
            QCOMPARE(total, std::uint64_t(40));
            seen.push_back(done);
        };
        QCOMPARE(runner.run(countingPhase(40, 5ms)).status, JobStatus::Done);
        const QProgressDialog* dialog = runner.progressDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), "Velbrisk");
        QCOMPARE(dialog->labelText(), "正在压缩…");
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        QVERIFY(seen.size() >= 2);
        QVERIFY2(std::is_sorted(seen.begin(), seen.end()), "progress went backwards");
        QCOMPARE(seen.back(), std::uint64_t(40));
        QCOMPARE(dialog->value(), dialog->maximum());
    }

    void cancelStopsTheJobAndLaterPhases() {
        JobRunner::setProgressDelay(20);
        QWidget window;
        window.show();
        JobRunner runner(&window);
        runner.onProgressShown = [&](std::uint64_t, std::uint64_t) {
            auto* cancel = runner.progressDialog()->findChild<QPushButton*>();
            QCOMPARE(cancel->text(), "取消");
            cancel->click();
        };
        const auto start = std::chrono::steady_clock::now();
        QCOMPARE(runner.run(countingPhase(100000, 1ms)).status, JobStatus::Cancelled);
        QVERIFY2(std::chrono::steady_clock::now() - start < 5s, "cancel did not stop the worker");
        bool laterPhaseRan = false;
        const JobResult later = runner.run([&](const JobControl&) {
            laterPhaseRan = true;
            return JobResult{};
        });
        QCOMPARE(later.status, JobStatus::Cancelled);
        QVERIFY(!laterPhaseRan);
    }

    // A click and the close box while the job runs reach nothing; once it has ended they do.
    void windowTakesNoInputWhileTheJobRuns() {
        QWidget window;
        auto* button = new QPushButton("x", &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int clicks = 0;
        connect(button, &QPushButton::clicked, [&] { ++clicks; });
        {
            JobRunner runner(&window);
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
};

QTEST_MAIN(JobRunnerTest)
#include "job_runner_test.moc"
