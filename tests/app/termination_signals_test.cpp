// SIGTERM, SIGINT, SIGHUP and SIGQUIT reach the window's thread as a call, and the process lives on to make it.
#include <QCoreApplication>
#include <QTest>
#include <csignal>

#include "app/TerminationSignals.h"

class TerminationSignalsTest : public QObject {
    Q_OBJECT

private slots:
    void eachSignalBecomesACallFromTheLoop() {
        for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
            int calls = 0;
            {
                velbrisk::app::TerminationSignals termination([&calls] { ++calls; });
                std::raise(signal);
                // The handler only leaves a note: the call waits for the event loop.
                QCOMPARE(calls, 0);
                QTRY_COMPARE(calls, 1);
                std::raise(signal);
                QTRY_COMPARE(calls, 2);
            }
            // Gone with the instance: the default comes back.
            struct sigaction now = {};
            sigaction(signal, nullptr, &now);
            QVERIFY(now.sa_handler == SIG_DFL);
        }
    }
};

QTEST_GUILESS_MAIN(TerminationSignalsTest)
#include "termination_signals_test.moc"
