// What the application sets up as its window opens: Qt's texts, the font, the file given.
// given.
#pragma once

#include <QFont>

class QString;
class QTranslator;
class QWidget;

namespace velbrisk::app {

// Loads Qt's Simplified Chinese texts (the buttons it draws itself: 确定, 是, 否) into the
// translator. False when the translation is not installed; the buttons then read in English.
bool loadQtChineseTexts(QTranslator& translator);

// The interface font: a CJK face at 9 points, for which the window's fixed layout is sized.
QFont interfaceFont();

// Puts the file that the program was started with into the window's source box `Text`, as a
// drop would, and changes nothing else. False when the window has no such box.
bool fillSourceBox(QWidget& window, const QString& file);

}  // namespace velbrisk::app
