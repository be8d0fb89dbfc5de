// The chooser's folder list: the chain of folders down to the open one, then its subfolders.
#pragma once

#include <QListWidget>
#include <QString>

namespace velbrisk::ui::chooser {

class FolderList : public QListWidget {
    Q_OBJECT

public:
    explicit FolderList(QWidget* parent);

    // The open folder, in Qt's form; empty until a folder has been opened.
    QString path() const { return path_; }

    // Opens folder and emits changed(). A folder that cannot be read leaves the list as it was
    // and gives false; opening the folder already open changes nothing.
    bool setPath(const QString& folder);

signals:
    void changed();

protected:
    // Enter opens the highlighted folder and goes no further, so it never reaches the dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void open(const QListWidgetItem* item);

    QString path_;
};

}  // namespace velbrisk::ui::chooser
