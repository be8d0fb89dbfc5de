// The start-up settings: Qt's buttons in Chinese, and a font in which the fixed layout fits.
#include <QApplication>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QTest>
#include <QTranslator>

#include "app/Startup.h"
#include "ui/main/FrmMain.h"

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void qtButtonsReadInChinese_data() {
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("chinese");
        QTest::newRow("OK") << "OK"
                            << "确定";
        QTest::newRow("Yes") << "&Yes"
                             << "是(&Y)";
        QTest::newRow("No") << "&No"
                            << "否(&N)";
    }
    void qtButtonsReadInChinese() {
        QFETCH(QString, english);
        QFETCH(QString, chinese);
        QTranslator translator;
        QVERIFY2(velbrisk::app::loadQtChineseTexts(translator),
                 "Qt's Chinese translation (qtbase_zh_CN) is not installed");
        QCOMPARE(translator.translate("QPlatformTheme", english.toUtf8().constData()), chinese);
    }

    void interfaceFontIsTheCjkFaceAtNinePoints() {
        const QFontInfo used(velbrisk::app::interfaceFont());
        QCOMPARE(used.pointSize(), 9);
        QCOMPARE(used.family(), "Noto Sans CJK SC");
    }

    // Every text of the window stays inside the window, and the about texts inside their frame
    // (the frame clips them), in the interface font.
    void textsFitTheLayout() {
        const QFont before = QApplication::font();
        QApplication::setFont(velbrisk::app::interfaceFont());
        {
            velbrisk::ui::FrmMain window;
            const QRect client = window.rect();
            auto* frame = window.findChild<QFrame*>("Frame1");
            for (QLabel* label : frame->findChildren<QLabel*>()) {
                QVERIFY2(frame->rect().contains(label->geometry()),
                         qPrintable(label->objectName()));
            }
            for (const char* name :
                 {"Label1", "Label2", "Label", "Lbl_Com", "Lbl_Exit", "Label3"}) {
                auto* label = window.findChild<QLabel*>(name);
                QVERIFY2(client.contains(label->geometry()), name);
            }
        }
        QApplication::setFont(before);
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
