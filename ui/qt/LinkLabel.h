// A label that serves as a command button: it reports a click of the primary mouse button.
#pragma once

#include <QLabel>

namespace velbrisk::ui::qt {

class LinkLabel : public QLabel {
    Q_OBJECT

public:
    explicit LinkLabel(QWidget* parent = nullptr);
    LinkLabel(const QString& text, QWidget* parent);

signals:
    // The primary button went down and came up again on the label.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

}  // namespace velbrisk::ui::qt
