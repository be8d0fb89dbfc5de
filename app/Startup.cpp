// What the application sets up as its window opens: Qt's texts and the font.
#include "app/Startup.h"

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

}  // namespace velbrisk::app
