// The start-up settings: Qt's buttons in Chinese, and a font in which the fixed layout fits.
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QTest>
#include <QTranslator>

#include "app/Startup.h"
#include "ui/qt/FrmMain.h"

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void qtButtonsReadInChinese() {
        QTranslator translator;
        QVERIFY2(velbrisk::app::loadQtChineseTexts(translator),
                 "Qt's Chinese translation (qtbase_zh_CN) is not installed");
        QStringList buttons;
        for (const char* english : {"OK", "&Yes", "&No"}) {
            buttons << translator.translate("QPlatformTheme", english);
        }
        QCOMPARE(buttons, (QStringList{"确定", "是(&Y)", "否(&N)"}));
    }

    void interfaceFontIsTheCjkFaceAtNinePoints() {
        const QFontInfo used(velbrisk::app::interfaceFont());
        QCOMPARE(QStringLiteral("%1 %2pt").arg(used.family()).arg(used.pointSize()),
                 "Noto Sans CJK SC 9pt");
    }

    // In the interface font every label stays inside its parent: the window, or the about
    // frame, which would clip it.
    void textsFitTheLayout() {
        const QFont before = QApplication::font();
        QApplication::setFont(velbrisk::app::interfaceFont());
        {
            velbrisk::ui::FrmMain window;
            for (const QLabel* label : window.findChildren<QLabel*>()) {
                QVERIFY2(label->parentWidget()->rect().contains(label->geometry()),
                         qPrintable(label->objectName()));
            }
        }
        QApplication::setFont(before);
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
