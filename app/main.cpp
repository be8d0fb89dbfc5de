// Velbrisk's start: the application, Qt's own texts in Chinese, the font, and the main window.
#include <QApplication>
#include <QTranslator>

#include "app/Startup.h"
#include "resources/ProductInfo.h"
#include "ui/qt/FrmMain.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Ties the window to its desktop entry, for the icon and name that the desktop shows.
    QGuiApplication::setDesktopFileName(QString::fromUtf8(velbrisk::product::kAppId));

    // The interface is Chinese whatever the user's locale, and so are Qt's own buttons.
    QTranslator qtTexts;
    if (velbrisk::app::loadQtChineseTexts(qtTexts)) {
        QApplication::installTranslator(&qtTexts);
    }
    QApplication::setFont(velbrisk::app::interfaceFont());

    velbrisk::ui::FrmMain window;
    window.show();
    return QApplication::exec();
}
