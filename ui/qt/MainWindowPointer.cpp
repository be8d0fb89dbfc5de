// The Qt main window under the mouse: moves handed to the hover logic, and drops on `Text`.
#include <QDir>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>

#include <optional>

#include "engine/utf16.h"
#include "ui/qt/LinkLabel.h"
#include "ui/qt/MainWindow.h"

namespace velbrisk::ui::qt {

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove:
            if (watched == links_[main_window::kLinkLabel]) {
                logic_.Label_MouseMove();
            } else if (watched == links_[main_window::kLinkLbl_Com]) {
                logic_.Lbl_Com_MouseMove();
            } else if (watched == links_[main_window::kLinkLbl_Exit]) {
                logic_.Lbl_Exit_MouseMove();
            } else if (watched == links_[main_window::kLinkLabel3]) {
                logic_.Label3_MouseMove();
            } else if (watched == Text) {
                logic_.Text_MouseMove();
            }
            // The control still gets the move: the source box selects text while dragged over.
            return false;
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            if (watched == Text) {
                return Text_DragEvent(event);
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::mouseMoveEvent(QMouseEvent*) {
    logic_.Form_MouseMove();
}

bool MainWindow::Text_DragEvent(QEvent* event) {
    // A drop is always taken as a copy: accepting a move would let the file manager delete the
    // file that the user only meant to name.
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (drop->possibleActions() & Qt::CopyAction) {
            // The dropped local files stand in for the shell's file list; text alone is no file.
            std::vector<std::optional<std::string>> files;
            for (const QUrl& url : drop->mimeData()->urls()) {
                if (url.isLocalFile()) {
                    const QString path = QDir::toNativeSeparators(url.toLocalFile());
                    const QStringView wide(path);
                    files.push_back(narrow({wide.utf16(), std::size_t(wide.size())}));
                }
            }
            logic_.Text_OLEDragDrop(files);
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
        } else {
            drop->ignore();
        }
        return true;
    }
    auto* drag = static_cast<QDragMoveEvent*>(event);
    if (drag->mimeData()->hasUrls() && (drag->possibleActions() & Qt::CopyAction)) {
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
    } else {
        drag->ignore();
    }
    return true;
}

}  // namespace velbrisk::ui::qt
