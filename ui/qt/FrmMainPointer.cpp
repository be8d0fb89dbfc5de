// FrmMain under the mouse: the hover colours of the link labels, and files dropped on `Text`.
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <algorithm>

#include "ui/qt/FrmMain.h"
#include "ui/qt/LinkLabel.h"

namespace velbrisk::ui {

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove: {
            const auto& move = *static_cast<QMouseEvent*>(event);
            if (watched == Label) {
                Label_MouseMove(move);
            } else if (watched == Lbl_Com) {
                Lbl_Com_MouseMove(move);
            } else if (watched == Lbl_Exit) {
                Lbl_Exit_MouseMove(move);
            } else if (watched == Label3) {
                Label3_MouseMove(move);
            } else if (watched == Text) {
                Text_MouseMove(move);
            }
            // The control still gets the move: the source box selects text while dragged over.
            return false;
        }
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

void FrmMain::mouseMoveEvent(QMouseEvent* event) {
    Form_MouseMove(*event);
}

void FrmMain::Form_MouseMove(const QMouseEvent&) {
    colourLinks({kLinkRest, kLinkRest, kLinkRest, kLinkRest});
}

void FrmMain::Label_MouseMove(const QMouseEvent&) {
    colourLinks({kLinkHover, kLinkRest, kLinkRest, kLinkRest});
}

void FrmMain::Lbl_Com_MouseMove(const QMouseEvent&) {
    colourLinks({kLinkRest, kLinkHover, kLinkRest, kLinkRest});
}

void FrmMain::Lbl_Exit_MouseMove(const QMouseEvent&) {
    colourLinks({kLinkRest, kLinkRest, kLinkHover, kLinkRest});
}

void FrmMain::Label3_MouseMove(const QMouseEvent&) {
    colourLinks({kLinkRest, kLinkRest, kLinkRest, kLinkHover});
}

// The help label is left as it is: moving from it straight onto the source box keeps it red.
void FrmMain::Text_MouseMove(const QMouseEvent&) {
    colourLinks({kLinkRest, kLinkRest, kLinkRest, std::nullopt});
}

void FrmMain::colourLinks(const std::array<std::optional<QColor>, 4>& colours) {
    const std::array<QLabel*, 4> links = {Label, Lbl_Com, Lbl_Exit, Label3};
    for (std::size_t i = 0; i < links.size(); ++i) {
        if (!colours[i] || links[i]->palette().color(QPalette::WindowText) == *colours[i]) {
            continue;
        }
        QPalette palette = links[i]->palette();
        palette.setColor(QPalette::WindowText, *colours[i]);
        links[i]->setPalette(palette);
    }
}

bool FrmMain::Text_DragEvent(QEvent* event) {
    // A drop is always taken as a copy: accepting a move would let the file manager delete the
    // file that the user only meant to name.
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (drop->possibleActions() & Qt::CopyAction) {
            Text_OLEDragDrop(*drop->mimeData());
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

void FrmMain::Text_OLEDragDrop(const QMimeData& data) {
    // The dropped local files stand in for the shell's file list; text alone is no file.
    const QList<QUrl> urls = data.urls();
    const auto firstFile =
        std::find_if(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
    if (firstFile == urls.end()) {
        return;
    }
    // A folder may come with a trailing separator, which would hide the letters it ends in.
    const QString path = QDir::toNativeSeparators(QDir::cleanPath(firstFile->toLocalFile()));
    const QString ending = path.right(3);
    if (ending == QLatin1String("EXE") || ending == QLatin1String("exe")) {
        Text->setText(path);
    }
}

}  // namespace velbrisk::ui
