// A label that serves as a command button: it reports a click of the primary mouse button.
#pragma once

#include <QLabel>

namespace velbrisk::ui {

class LinkLabel : public QLabel {
    Q_OBJECT

public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    // The primary button went down and came up again on the label.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

}  // namespace velbrisk::ui
