// The chooser's file list: the executables of one folder, one of which the user may select.
#pragma once

#include <QListWidget>
#include <QString>

namespace velbrisk::ui::chooser {

class FileList : public QListWidget {
    Q_OBJECT

public:
    explicit FileList(QWidget* parent);

    // The folder whose files are listed, in Qt's form.
    QString path() const { return path_; }

    // Lists the executables of folder. A folder that cannot be read leaves the listing, and the
    // listing path, as they were and gives false.
    bool setPath(const QString& folder);

    // The selected file's name without its folder; empty when nothing is selected.
    QString fileName() const;

signals:
    // A click on an entry, a move of the selection with the keyboard, or Enter on an entry.
    void fileClicked();
    void fileDoubleClicked();

protected:
    // Enter selects the highlighted file and goes no further, so it never confirms the dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString path_;
};

}  // namespace velbrisk::ui::chooser
