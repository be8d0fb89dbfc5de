// The pictures compiled into the program: the window icon and the hand cursor of the link labels.
#pragma once

#include <QCursor>
#include <QIcon>

namespace velbrisk::resources {

// A 48 x 36 landscape in a raised bevel.
QIcon windowIcon();

// A white pointing hand whose hot spot is the tip of the index finger.
QCursor handCursor();

}  // namespace velbrisk::resources
