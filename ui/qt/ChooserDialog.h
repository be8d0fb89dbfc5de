// The file chooser in Qt: draws FrmOpen's layout and turns the dialog's events into its handlers.
#pragma once

#include <QDialog>

#include "ui/chooser/FrmOpen.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace velbrisk::ui::qt {

class ChooserDialog : public QDialog, private ChooserView {
    Q_OBJECT

public:
    // No owner window, so exec() makes it modal to the whole application. `chosen` receives the
    // path on OK; messages go to `boxes`. The lists start at currentFolder.
    ChooserDialog(MessageBoxes& boxes, std::function<void(const std::string&)> chosen,
                  const std::string& currentFolder = os::currentFolder());
    ~ChooserDialog() override;

    // The close box's close(), apart from the logic's close(bool).
    using QDialog::close;

protected:
    // QDialog centres itself when first shown; this one takes the window system's placement
    // for a new window, as any other top-level window does.
    void showEvent(QShowEvent* event) override { QWidget::showEvent(event); }
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // ChooserView
    void showDrives(const std::vector<std::string>& entries, int current) override;
    void showFolders(const std::vector<FolderEntry>& entries, int current) override;
    void showFiles(const std::vector<std::string>& names) override;
    std::string pathText() const override;
    void setPathText(const std::string& text) override;
    void close(bool accepted) override;

    QComboBox* const Drive1;
    QListWidget* const Dir1;
    QListWidget* const File1;
    QLineEdit* const Text1;
    QPushButton* const Command1;
    QPushButton* const Command2;
    FrmOpen logic_;
};

}  // namespace velbrisk::ui::qt
