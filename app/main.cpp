// Velbrisk's start: the command line, the application, Qt's own texts in Chinese, the font, and
// the main window.
#include <QApplication>
#include <QTranslator>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Module1.h"
#include "app/Startup.h"
#include "app/TerminationSignals.h"
#include "engine/os_file.h"
#include "resources/ProductInfo.h"
#include "ui/qt/MainWindow.h"

int main(int argc, char* argv[]) {
    // A file-size limit (ulimit -f) then fails the write with EFBIG, which the job reports,
    // instead of killing the process in the middle of a copy.
    std::signal(SIGXFSZ, SIG_IGN);

    // --help, --version and a wrong option are answered before anything asks for a display.
    const velbrisk::app::WindowCommand command = velbrisk::app::parseWindowCommand(
        std::vector<std::string>(argv + 1, argv + argc), velbrisk::os::currentFolder());
    if (command.request != velbrisk::app::WindowRequest::Open) {
        return velbrisk::app::answerWithoutWindow(command, velbrisk::product::kVersion);
    }

    if (!velbrisk::app::displayAvailable()) {
        std::fputs(velbrisk::app::kNoDisplayText, stderr);
        return 1;
    }

    // Qt sees no arguments: the command line is the program's own, and a file whose name looks
    // like one of Qt's options is still only a file. The environment (QT_QPA_PLATFORM, ...) still
    // reaches Qt.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    // Ties the window to its desktop entry, for the icon and name that the desktop shows.
    QGuiApplication::setDesktopFileName(QString::fromUtf8(velbrisk::product::kAppId));

    // The interface is Chinese whatever the user's locale, and so are Qt's own buttons.
    QTranslator qtTexts;
    if (velbrisk::app::loadQtChineseTexts(qtTexts)) {
        QApplication::installTranslator(&qtTexts);
    }
    QApplication::setFont(velbrisk::app::interfaceFont());

    velbrisk::ui::qt::MainWindow window({.openAddress = &velbrisk::Module1::openAddress},
                                        command.file);
    // A termination signal cancels a job in hand, which removes what it wrote, then ends the
    // program.
    const velbrisk::app::TerminationSignals termination([&window] { window.endProgram(); });
    window.show();
    return QApplication::exec();
}
