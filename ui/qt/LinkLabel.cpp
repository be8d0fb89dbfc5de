// A label that serves as a command button: it reports a click of the primary mouse button.
#include "ui/qt/LinkLabel.h"

#include <QMouseEvent>

namespace velbrisk::ui {

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        // A press that is dragged off the label and released elsewhere is no click.
        const bool click = pressed_ && rect().contains(event->position().toPoint());
        pressed_ = false;
        event->accept();
        if (click) {
            emit clicked();
        }
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

}  // namespace velbrisk::ui
