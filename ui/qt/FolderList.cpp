// The chooser's folder list: the chain of folders down to the open one, then its subfolders.
#include "ui/qt/FolderList.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

#include "ui/qt/Listing.h"

namespace velbrisk::ui::chooser {

namespace {

constexpr int kFolderRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndentPixels = 8;

// Draws each entry shifted right by its depth, so the chain reads as a staircase down to the
// open folder with the subfolders one step further in.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + indent(index));
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
    }

private:
    static int indent(const QModelIndex& index) {
        return index.data(kDepthRole).toInt() * kIndentPixels;
    }
};

QString entryFolder(const QListWidgetItem* item) {
    return item ? item->data(kFolderRole).toString() : QString();
}

QString entryText(const QString& folder) {
    const QString name = QFileInfo(folder).fileName();
    return name.isEmpty() ? QDir::toNativeSeparators(folder) : name;
}

}  // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new IndentDelegate(this));
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::open);
}

bool FolderList::setPath(const QString& folder) {
    const QString target = QDir::cleanPath(QDir(folder).absolutePath());
    if (target == path_ && !path_.isEmpty()) {
        return true;
    }
    const std::optional<QStringList> children = subfolders(target);
    if (!children) {
        return false;
    }
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QStringList chain = folderChain(target);

    clear();
    for (int depth = 0; depth < chain.size(); ++depth) {
        auto* entry = new QListWidgetItem(openIcon, entryText(chain[depth]), this);
        entry->setData(kFolderRole, chain[depth]);
        entry->setData(kDepthRole, depth);
    }
    const QDir parent(target);
    for (const QString& name : *children) {
        auto* entry = new QListWidgetItem(closedIcon, name, this);
        entry->setData(kFolderRole, QDir::cleanPath(parent.filePath(name)));
        entry->setData(kDepthRole, chain.size());
    }
    setCurrentRow(chain.size() - 1);
    path_ = target;
    emit changed();
    return true;
}

void FolderList::open(const QListWidgetItem* item) {
    if (item) {
        setPath(entryFolder(item));
    }
}

void FolderList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        open(currentItem());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

}  // namespace velbrisk::ui::chooser
