// What the Qt view tests share, and what they read back from widgets: which controls overlap.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include "message_recorder.h"

using namespace velbrisk;
using namespace velbrisk::ui;

namespace velbrisk::testing {

// The children of `parent` whose places meet `area`, `except` left out.
inline QStringList childrenMeeting(const QWidget& parent, const QRect& area,
                                   const QWidget* except = nullptr) {
    QStringList met;
    for (const QWidget* child : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != except && child->geometry().intersects(area)) {
            met << child->objectName();
        }
    }
    return met;
}

// Each pair of `parent`'s children that share a pixel, as "A over B": none, when the pointer
// anywhere reaches the control the layout puts there.
inline QString overlaps(const QWidget& parent) {
    QStringList found;
    for (const QWidget* child : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        for (const QString& other : childrenMeeting(parent, child->geometry(), child)) {
            found << child->objectName() + " over " + other;
        }
    }
    return found.join(", ");
}

}  // namespace velbrisk::testing
