// Module1 against the real desktop call: a stand-in xdg-open on PATH records what it was given.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include "app/Module1.h"

class Module1Test : public QObject {
    Q_OBJECT

private slots:
    // The desktop looks for its opener once per process, so the stand-in goes first on PATH
    // before any address is opened.
    void initTestCase() {
        QVERIFY(bin_.isValid());
        record_ = bin_.filePath("opened.txt");
        QFile opener(bin_.filePath("xdg-open"));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"$VELBRISK_OPENED\"\n");
        opener.close();
        QVERIFY(opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("VELBRISK_OPENED", QFile::encodeName(record_));
        qputenv("PATH", QFile::encodeName(bin_.path()) + ':' + qgetenv("PATH"));
        qunsetenv("BROWSER");
        qunsetenv("DEFAULT_BROWSER");
    }
    void init() { QFile::remove(record_); }

    void opensEachAddressAsOneArgument_data() {
        QTest::addColumn<QUrl>("address");
        QTest::addColumn<QByteArray>("argument");
        QTest::newRow("web page") << QUrl("https://velbrisk.example.org/")
                                  << QByteArray("https://velbrisk.example.org/");
        QUrl mail("mailto:velbrisk@example.com");
        QUrlQuery subject;
        subject.addQueryItem("subject", "Velbrisk用户来信");
        mail.setQuery(subject);
        QTest::newRow("mail with a Chinese subject")
            << mail
            << QByteArray(
                   "mailto:velbrisk@example.com"
                   "?subject=Velbrisk%E7%94%A8%E6%88%B7%E6%9D%A5%E4%BF%A1");
    }
    void opensEachAddressAsOneArgument() {
        QFETCH(QUrl, address);
        QFETCH(QByteArray, argument);
        velbrisk::Module1::openAddress(address);
        // The opener runs detached; its record appears when it has run.
        QFile record(record_);
        QTRY_VERIFY_WITH_TIMEOUT(record.exists() && record.size() > 0, 10000);
        QVERIFY(record.open(QIODevice::ReadOnly));
        QCOMPARE(record.readAll(), argument + '\n');
    }

private:
    QTemporaryDir bin_;
    QString record_;
};

QTEST_MAIN(Module1Test)
#include "module1_test.moc"
