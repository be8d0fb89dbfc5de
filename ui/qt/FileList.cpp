// The chooser's file list: the executables of one folder, one of which the user may select.
#include "ui/qt/FileList.h"

#include <QKeyEvent>

#include "ui/qt/Listing.h"

namespace velbrisk::ui::chooser {

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    // A click on a new entry both changes the selection and clicks; the selection step runs
    // twice then, which is harmless as it only recomputes the same path. Clicking the entry
    // that is already selected must fill the path again, which only the click signal reports.
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (!fileName().isEmpty()) {
            emit fileClicked();
        }
    });
    connect(this, &QListWidget::itemClicked, this, &FileList::fileClicked);
    connect(this, &QListWidget::itemDoubleClicked, this, &FileList::fileDoubleClicked);
}

bool FileList::setPath(const QString& folder) {
    const std::optional<QStringList> names = exeFiles(folder);
    if (!names) {
        return false;
    }
    clear();
    addItems(*names);
    path_ = folder;
    return true;
}

QString FileList::fileName() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void FileList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (QListWidgetItem* entry = currentItem()) {
            if (entry->isSelected()) {
                emit fileClicked();
            } else {
                entry->setSelected(true);
            }
        }
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

}  // namespace velbrisk::ui::chooser
