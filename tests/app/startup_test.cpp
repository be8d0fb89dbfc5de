// The start-up settings: Qt's buttons in Chinese, and the file given on the command line.
#include <QLineEdit>
#include <QTest>
#include <QTranslator>

#include "app/Startup.h"
#include "ui/qt/MainWindow.h"

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void qtButtonsReadInChinese() {
        QTranslator translator;
        QVERIFY2(velbrisk::app::loadQtChineseTexts(translator),
                 "Qt's Chinese translation (qtbase_zh_CN) is not installed");
        QCOMPARE(translator.translate("QPlatformTheme", "&Yes"), QStringLiteral("是(&Y)"));
    }

    // The file lands in the source box and nowhere else.
    void fileArgumentFillsText() {
        velbrisk::ui::qt::MainWindow window;
        const auto boxes = [&window] {
            QStringList texts;
            for (const QLineEdit* box : window.findChildren<QLineEdit*>()) {
                texts << box->objectName() + '=' + box->text();
            }
            return texts;
        };
        QStringList expected = boxes();
        QVERIFY(expected.contains("Text="));
        expected.replace(expected.indexOf("Text="), QStringLiteral("Text=/home/u/程序 1.exe"));
        QVERIFY(velbrisk::app::fillSourceBox(window, QStringLiteral("/home/u/程序 1.exe")));
        QCOMPARE(boxes(), expected);
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
