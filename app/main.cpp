// Velbrisk's start: the application, Qt's own texts in Chinese, and the main window.
#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

#include "ui/main/FrmMain.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

    // The layout is fixed in twips, sized for a Chinese interface font of 9 points. The usual
    // Latin default here is much wider and would push the about panel's texts past its frame,
    // so the application asks for the CJK face in which the interface is meant to be read.
    QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 9));

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
