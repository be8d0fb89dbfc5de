// FrmOpen: the modal dialog in which the user walks volumes and folders to pick the source file.
#include "ui/qt/FrmOpen.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include "ui/Messages.h"
#include "ui/qt/QtTwips.h"
#include "ui/qt/FileList.h"
#include "ui/qt/FolderList.h"
#include "ui/qt/Listing.h"

namespace velbrisk::ui {

namespace {

constexpr Qt::WindowFlags kToolWindow =
    Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// A window without an icon of its own would take the application's; a transparent one shows none.
QIcon noIcon() {
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

}  // namespace

FrmOpen::FrmOpen(QLineEdit* mainSourceBox)
    : QDialog(nullptr, kToolWindow),
      Drive1(new QComboBox(this)),
      Dir1(new chooser::FolderList(this)),
      File1(new chooser::FileList(this)),
      Text1(new QLineEdit(this)),
      Command1(new QPushButton(QStringLiteral("确定(&O)"), this)),
      Command2(new QPushButton(QStringLiteral("取消"), this)),
      mainSourceBox_(mainSourceBox) {
    setWindowTitle(QStringLiteral("选择要进行压缩的EXE文件"));
    setWindowIcon(noIcon());
    setFixedSize(twips(4335), twips(4260));

    Drive1->setObjectName(QStringLiteral("Drive1"));
    Dir1->setObjectName(QStringLiteral("Dir1"));
    File1->setObjectName(QStringLiteral("File1"));
    Text1->setObjectName(QStringLiteral("Text1"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2->setObjectName(QStringLiteral("Command2"));

    Drive1->setGeometry(twipsRect(0, 120, 4335, 300));
    Dir1->setGeometry(twipsRect(0, 440, 4335, 1560));
    File1->setGeometry(twipsRect(0, 2000, 4335, 1350));
    Text1->setGeometry(twipsRect(0, 3480, 4335, 270));
    Command1->setGeometry(twipsRect(600, 3840, 1215, 375));
    Command2->setGeometry(twipsRect(2280, 3840, 1215, 375));

    // A QDialog would otherwise make a push button its default, and Enter anywhere would press it.
    for (QPushButton* button : {Command1, Command2}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, File1);
    setTabOrder(File1, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Text1);

    connect(Dir1, &chooser::FolderList::changed, this, &FrmOpen::Dir1_Change);
    connect(File1, &chooser::FileList::fileClicked, this, &FrmOpen::File1_Click);
    connect(File1, &chooser::FileList::fileDoubleClicked, this, &FrmOpen::File1_DblClick);
    connect(Command1, &QPushButton::clicked, this, &FrmOpen::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmOpen::Command2_Click);

    const QString currentFolder = QDir::currentPath();
    fillDrives(currentFolder);
    // Connected once the list is filled, so that only a change of volume runs the step: picking
    // the volume already shown leaves the folder list where the user walked to.
    connect(Drive1, &QComboBox::currentIndexChanged, this, &FrmOpen::Drive1_Change);

    // The current folder may have gone or become unreadable since the process moved there; the
    // list then opens at the root of its volume, or at the system's root.
    if (!Dir1->setPath(currentFolder) && !Dir1->setPath(Drive1->currentData().toString())) {
        Dir1->setPath(QDir::rootPath());
    }
    Drive1->setFocus();
}

void FrmOpen::fillDrives(const QString& currentFolder) {
    const QString currentRoot = chooser::volumeRootOf(currentFolder);
    for (const chooser::Volume& volume : chooser::pickableVolumes(currentFolder)) {
        Drive1->addItem(chooser::volumeText(volume), volume.root);
        if (volume.root == currentRoot) {
            Drive1->setCurrentIndex(Drive1->count() - 1);
        }
    }
}

void FrmOpen::Drive1_Change() {
    // A volume that cannot be read leaves both lists where they were, with no message; the drive
    // list keeps showing the volume just picked.
    const QString root = Drive1->currentData().toString();
    Dir1->setPath(chooser::startFolderOn(root, QDir::currentPath()));
}

void FrmOpen::Dir1_Change() {
    // If the files cannot be read although the folders could, the file list keeps its listing
    // and its own path, so a selection in it still names a file that it shows.
    File1->setPath(Dir1->path());
}

void FrmOpen::File1_Click() {
    const QString name = File1->fileName();
    if (name.isEmpty()) {
        return;
    }
    Text1->setText(chooser::joinPickedFile(Dir1->path(), File1->path(), name));
}

void FrmOpen::File1_DblClick() {
    File1_Click();
}

void FrmOpen::Command1_Click() {
    if (Text1->text().isEmpty()) {
        showMessage(this, {MessageIcon::Error, QStringLiteral("选择"),
                           QStringLiteral("请选择一个EXE文件！")});
        return;
    }
    if (mainSourceBox_) {
        mainSourceBox_->setText(Text1->text());
    }
    done(QDialog::Accepted);
}

void FrmOpen::Command2_Click() {
    done(QDialog::Rejected);
}

void FrmOpen::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    // A button that has the focus takes Enter as a click; from any other control Enter is
    // swallowed here so that it confirms nothing.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FrmOpen::closeEvent(QCloseEvent* event) {
    // QDialog would turn the close box into reject(); going straight to done() keeps the close
    // box working whatever reject() and the key handling do.
    done(QDialog::Rejected);
    event->accept();
}

}  // namespace velbrisk::ui
