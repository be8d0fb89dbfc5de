// FrmOpen: the modal dialog in which the user walks volumes and folders to pick the source file.
#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace velbrisk::ui {

namespace chooser {
class FileList;
class FolderList;
}  // namespace chooser

class FrmOpen : public QDialog {
    Q_OBJECT

public:
    // The dialog writes the confirmed path into mainSourceBox and touches nothing else. It has
    // no owner window, so exec() makes it modal to the whole application. Every instance starts
    // fresh at the process's current folder.
    explicit FrmOpen(QLineEdit* mainSourceBox);

    QComboBox* const Drive1;
    chooser::FolderList* const Dir1;
    chooser::FileList* const File1;
    QLineEdit* const Text1;
    QPushButton* const Command1;
    QPushButton* const Command2;

protected:
    // QDialog centres itself when first shown; this one takes the window system's placement
    // for a new window, as any other top-level window does.
    void showEvent(QShowEvent* event) override { QWidget::showEvent(event); }
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void File1_DblClick();
    void Command1_Click();
    void Command2_Click();

    void fillDrives(const QString& currentFolder);

    QLineEdit* const mainSourceBox_;
};

}  // namespace velbrisk::ui
