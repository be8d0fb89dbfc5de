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

// Whether the window system that Qt will use is there to be reached. Qt ends a program that finds
// none with an abort and words of its own; the user is told in the interface's language instead.
bool displayAvailable();
inline constexpr const char* kNoDisplayText =
    "velbrisk：找不到图形界面（没有设置 DISPLAY 或 WAYLAND_DISPLAY），无法打开窗口。\n";

}  // namespace velbrisk::app
