// What the application sets up as its window opens: Qt's texts and the font.
#include "app/Startup.h"

#include <cstdlib>
#include <string_view>

#include <QLibraryInfo>
#include <QTranslator>

namespace velbrisk::app {

bool loadQtChineseTexts(QTranslator& translator) {
    return translator.load(QStringLiteral("qtbase_zh_CN"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

// The usual Latin default face here is much wider than the Chinese interface fonts that the
// layout was drawn with, and would push the about panel's texts past its frame. Where the CJK
// face is missing, font matching falls back to the desktop's default.
QFont interfaceFont() {
    return QFont(QStringLiteral("Noto Sans CJK SC"), 9);
}

// Only the desktop's platforms need a display; offscreen and the like do not. The check can only
// see that one is named: a display that is named but gone still ends in Qt's own words.
bool displayAvailable() {
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string_view wanted = platform != nullptr ? platform : "";
    if (!wanted.empty() && wanted.find("xcb") == std::string_view::npos &&
        wanted.find("wayland") == std::string_view::npos) {
        return true;
    }
    return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace velbrisk::app
