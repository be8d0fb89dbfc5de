// FrmOpen: the modal dialog in which the user walks volumes and folders to pick the source file.
#pragma once

#include <QDialog>

class QLineEdit;

namespace velbrisk::ui {

class FrmOpen : public QDialog {
    Q_OBJECT

public:
    // The dialog writes the confirmed path into mainSourceBox and touches nothing else. It has
    // no owner window: it is application-modal while exec() runs.
    explicit FrmOpen(QLineEdit* mainSourceBox);

private:
    QLineEdit* mainSourceBox_;
};

}  // namespace velbrisk::ui
