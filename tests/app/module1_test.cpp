// Module1 against the real desktop call: a stand-in xdg-open on PATH records what it was given.
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

#include "app/Module1.h"

class Module1Test : public QObject {
    Q_OBJECT

private slots:
    // The desktop looks for its opener once per process, so the stand-in goes first on PATH
    // before any address is opened.
    void initTestCase() {
        QVERIFY(bin_.isValid());
        QFile opener(bin_.filePath("xdg-open"));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"$VELBRISK_OPENED\"\n");
        opener.close();
        QVERIFY(opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("VELBRISK_OPENED", QFile::encodeName(bin_.filePath("opened.txt")));
        qputenv("PATH", QFile::encodeName(bin_.path()) + ':' + qgetenv("PATH"));
        qunsetenv("BROWSER");
        qunsetenv("DEFAULT_BROWSER");
    }

    // Each address reaches the opener whole, as one argument, the mail subject in UTF-8.
    void opensEachAddressAsOneArgument() {
        QFile record(bin_.filePath("opened.txt"));
        const QByteArray mail =
            "mailto:velbrisk@example.com"
            "?subject=Velbrisk%E7%94%A8%E6%88%B7%E6%9D%A5%E4%BF%A1";
        for (const QByteArray& address : {QByteArray("https://velbrisk.example.org/"), mail}) {
            record.remove();
            velbrisk::Module1::openAddress(QUrl::fromEncoded(address));
            // The opener runs detached; its record appears when it has run.
            QTRY_VERIFY_WITH_TIMEOUT(record.exists() && record.size() > 0, 10000);
            QVERIFY(record.open(QIODevice::ReadOnly));
            QCOMPARE(record.readAll(), address + '\n');
            record.close();
        }
    }

private:
    QTemporaryDir bin_;
};

QTEST_MAIN(Module1Test)
#include "module1_test.moc"
