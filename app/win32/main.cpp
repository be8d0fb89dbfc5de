// Velbrisk's start on Windows: the main window, filled from an optional file argument, and the
// thread's message loop.
#include <windows.h>

#include <objbase.h>

#include "app/win32/CommandLine.h"
#include "app/win32/Module1.h"
#include "engine/os_file.h"
#include "resources/ProductInfo.h"
#include "ui/win32/MainWindow.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // The shell's calls (the about links) expect COM on the thread that makes them.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    const auto arguments = velbrisk::app::win32::arguments(GetCommandLineW());
    const velbrisk::app::WindowCommand command =
        arguments ? velbrisk::app::parseWindowCommand(*arguments, velbrisk::os::currentFolder())
                  : velbrisk::app::unconvertedArguments();
    if (command.request != velbrisk::app::WindowRequest::Open) {
        return velbrisk::app::win32::answerInMessageBox(command, velbrisk::product::kVersion);
    }

    int exitCode = 0;
    {
        velbrisk::ui::win32::MainWindow::Seams seams;
        seams.openAddress = &velbrisk::Module1::openAddress;
        velbrisk::ui::win32::MainWindow window(instance, seams, command.file);
        window.show(showCommand);

        MSG message;
        BOOL got;
        while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
            if (!window.preTranslate(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        exitCode = got == 0 ? int(message.wParam) : 1;
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return exitCode;
}
