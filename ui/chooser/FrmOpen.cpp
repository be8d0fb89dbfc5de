// FrmOpen: the modal dialog in which the user walks volumes and folders to pick the source file.
#include "ui/chooser/FrmOpen.h"

#include <QLineEdit>

namespace velbrisk::ui {

FrmOpen::FrmOpen(QLineEdit* mainSourceBox) : QDialog(nullptr), mainSourceBox_(mainSourceBox) {
    setWindowTitle(QStringLiteral("选择要进行压缩的EXE文件"));
}

}  // namespace velbrisk::ui
