// What the application sets up as its window opens: Qt's texts, the font, the file given.
// given.
#include "app/Startup.h"

#include <QLibraryInfo>
#include <QLineEdit>
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

bool fillSourceBox(QWidget& window, const QString& file) {
    auto* text = window.findChild<QLineEdit*>(QStringLiteral("Text"));
    if (text == nullptr) {
        return false;
    }
    text->setText(file);
    return true;
}

}  // namespace velbrisk::app
