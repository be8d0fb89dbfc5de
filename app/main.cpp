// Velbrisk's start: the application, Qt's own texts in Chinese, and the main window.
#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "ui/main/FrmMain.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

    // The interface is Chinese whatever the user's locale, and so are the buttons that Qt
    // draws itself (确定, 是, 否). Without the translation the buttons read in English.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_zh_CN"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    velbrisk::ui::FrmMain window;
    window.show();
    return QApplication::exec();
}
