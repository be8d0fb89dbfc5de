// What the application sets up as its window opens: Qt's texts and the font.
#pragma once

#include <QFont>

class QTranslator;

namespace velbrisk::app {

// Loads Qt's Simplified Chinese texts (the buttons it draws itself: 确定, 是, 否) into the
// translator. False when the translation is not installed; the buttons then read in English.
bool loadQtChineseTexts(QTranslator& translator);

// The interface font: a CJK face at 9 points, for which the window's fixed layout is sized.
QFont interfaceFont();

}  // namespace velbrisk::app
