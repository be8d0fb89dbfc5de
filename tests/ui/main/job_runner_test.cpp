// The worker that runs a job's phases: results passed through, progress, cancel, input held off.
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <thread>

#include "ui/main/JobRunner.h"

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
            control.progress(static_cast<std::uint64_t>(step), static_cast<std::uint64_t>(steps));
        }
        return JobResult{JobStatus::Done, "out.exe", {}};
    };
}

}  // namespace

class JobRunnerTest : public QObject {
    Q_OBJECT

private slots:
    void init() { JobRunner::setProgressDelay(500); }

    void resultOfThePhaseIsReturned_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::newRow("done") << int(JobStatus::Done) << "a.exe"
                              << "";
        QTest::newRow("nothing to cut") << int(JobStatus::NothingToCut) << ""
                                        << "";
        QTest::newRow("unwritable") << int(JobStatus::OutputUnwritable) << "/x/y.exe"
                                    << "No such file or directory";
    }
    void resultOfThePhaseIsReturned() {
        QFETCH(int, status);
        QFETCH(QString, path);
        QFETCH(QString, reason);
        QWidget window;
        JobRunner runner(&window);
        const JobResult got = runner.run([&](const JobControl&) {
            return JobResult{JobStatus(status), path.toStdString(), reason.toStdString()};
        });
        QCOMPARE(int(got.status), status);
        QCOMPARE(QString::fromStdString(got.path), path);
        QCOMPARE(QString::fromStdString(got.reason), reason);
    }

    void shortJobShowsNoProgressDialog() {
        QWidget window;
        JobRunner runner(&window);
        runner.run(countingPhase(3, 1ms));
        runner.run(countingPhase(3, 1ms));
        QVERIFY(runner.progressDialog() == nullptr);
    }

    void longJobShowsProgressThatRisesToTheTotal() {
        JobRunner::setProgressDelay(20);
        QWidget window;
        window.show();
        JobRunner runner(&window);
        std::vector<std::pair<std::uint64_t, std::uint64_t>> seen;
        runner.onProgressShown = [&](std::uint64_t done, std::uint64_t total) {
            seen.emplace_back(done, total);
        };
        const JobResult got = runner.run(countingPhase(40, 5ms));
        QCOMPARE(got.status, JobStatus::Done);
        QVERIFY(runner.progressDialog() != nullptr);
        QCOMPARE(runner.progressDialog()->windowTitle(), QStringLiteral("Velbrisk"));
        QCOMPARE(runner.progressDialog()->labelText(), QStringLiteral("正在压缩…"));
        QCOMPARE(runner.progressDialog()->windowModality(), Qt::WindowModal);
        QVERIFY(seen.size() >= 2);
        for (std::size_t k = 1; k < seen.size(); ++k) {
            QVERIFY2(seen[k].first >= seen[k - 1].first, "progress went backwards");
        }
        QCOMPARE(seen.back().first, seen.back().second);
        QCOMPARE(runner.progressDialog()->value(), runner.progressDialog()->maximum());
    }

    void cancelStopsTheJobPromptlyAndLaterPhasesDoNotRun() {
        JobRunner::setProgressDelay(20);
        QWidget window;
        window.show();
        JobRunner runner(&window);
        runner.onProgressShown = [&](std::uint64_t, std::uint64_t) {
            if (auto* dialog = runner.progressDialog()) {
                if (auto* cancel = dialog->findChild<QPushButton*>()) {
                    QCOMPARE(cancel->text(), QStringLiteral("取消"));
                    cancel->click();
                }
            }
        };
        const auto start = std::chrono::steady_clock::now();
        const JobResult got = runner.run(countingPhase(100000, 1ms));
        const auto took = std::chrono::steady_clock::now() - start;
        QCOMPARE(got.status, JobStatus::Cancelled);
        QVERIFY2(took < 5s, "cancel did not stop the worker");

        bool secondPhaseRan = false;
        const JobResult second = runner.run([&](const JobControl&) {
            secondPhaseRan = true;
            return JobResult{};
        });
        QCOMPARE(second.status, JobStatus::Cancelled);
        QVERIFY(!secondPhaseRan);
    }

    void windowTakesNoInputWhileTheJobRuns() {
        QWidget window;
        auto* button = new QPushButton(QStringLiteral("x"), &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int clicks = 0;
        connect(button, &QPushButton::clicked, [&] { ++clicks; });

        {
            JobRunner runner(&window);
            runner.run([&](const JobControl&) {
                QMetaObject::invokeMethod(
                    button, [&] { QTest::mouseClick(button, Qt::LeftButton); },
                    Qt::BlockingQueuedConnection);
                return JobResult{};
            });
            QCOMPARE(clicks, 0);
        }
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicks, 1);  // input flows again once the job has ended
    }

    void closingTheWindowIsRefusedWhileTheJobRuns() {
        QWidget window;
        window.show();
        JobRunner runner(&window);
        runner.run([&](const JobControl&) {
            QMetaObject::invokeMethod(
                &window, [&] { window.close(); }, Qt::BlockingQueuedConnection);
            return JobResult{};
        });
        QVERIFY(window.isVisible());
    }
};

QTEST_MAIN(JobRunnerTest)
#include "job_runner_test.moc"
