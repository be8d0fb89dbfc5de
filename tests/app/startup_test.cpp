// The start-up settings: Qt's buttons in Chinese, and the termination signals that reach the
// window's thread as a call while the process lives on to make it.
#include <QCoreApplication>
#include <QTest>
#include <QTranslator>
#include <csignal>

#include "app/Startup.h"
#include "app/TerminationSignals.h"

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void qtButtonsReadInChinese() {
        QTranslator translator;
        QVERIFY2(velbrisk::app::loadQtChineseTexts(translator),
                 "Qt's Chinese translation (qtbase_zh_CN) is not installed");
        QCOMPARE(translator.translate("QPlatformTheme", "&Yes"), QStringLiteral("是(&Y)"));
    }

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

QTEST_GUILESS_MAIN(StartupTest)
#include "startup_test.moc"
