// What the Qt view tests share, and what they read back from widgets: which controls overlap.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "message_recorder.h"

using namespace velbrisk;
using namespace velbrisk::ui;

namespace velbrisk::testing {

// Each pair of `parent`'s children that share a pixel, as "A over B": none, when the pointer
// anywhere reaches the control the layout puts there.
inline QString overlaps(const QWidget& parent) {
    QStringList found;
    const QList<QWidget*> children = parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const QWidget* child : children) {
        for (const QWidget* other : children) {
            if (child != other && child->geometry().intersects(other->geometry())) {
                found << child->objectName() + " over " + other->objectName();
            }
        }
    }
    return found.join(", ");
}

}  // namespace velbrisk::testing
