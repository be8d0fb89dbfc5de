// The start-up settings: Qt's buttons in Chinese.
#include <QTest>
#include <QTranslator>

#include "app/Startup.h"

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void qtButtonsReadInChinese() {
        QTranslator translator;
        QVERIFY2(velbrisk::app::loadQtChineseTexts(translator),
                 "Qt's Chinese translation (qtbase_zh_CN) is not installed");
        QCOMPARE(translator.translate("QPlatformTheme", "&Yes"), QStringLiteral("是(&Y)"));
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
