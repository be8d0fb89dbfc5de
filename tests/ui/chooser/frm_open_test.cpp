// Tests of the file chooser FrmOpen, driven through its controls on the offscreen platform.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "ui/Messages.h"
#include "ui/chooser/FileList.h"
#include "ui/chooser/FolderList.h"
#include "ui/chooser/FrmOpen.h"
#include "ui/chooser/Listing.h"

using velbrisk::ui::FrmOpen;
using velbrisk::ui::Message;
using velbrisk::ui::MessageIcon;
using velbrisk::ui::MessageRecorder;
using velbrisk::ui::chooser::volumeRootOf;

namespace {

const QString kMainText = QStringLiteral("main box text");
const QStringList kToolsFiles = {"A.EXE", "b.exe"};

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QStringList texts(const QListWidget* list) {
    QStringList shown;
    for (int row = 0; row < list->count(); ++row) {
        shown.append(list->item(row)->text());
    }
    return shown;
}

// The centre of the entry that shows text, scrolled into view; a null point when none does.
QPoint entryAt(QListWidget* list, const QString& text) {
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    if (found.size() != 1) {
        return {};
    }
    list->scrollToItem(found.first());
    return list->visualItemRect(found.first()).center();
}

bool click(QListWidget* list, const QString& text) {
    const QPoint at = entryAt(list, text);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    return !at.isNull();
}

bool doubleClick(QListWidget* list, const QString& text) {
    // Qt Test sends a lone double-click event; a real one follows a press and a release.
    const QPoint at = entryAt(list, text);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    return !at.isNull();
}

// The user picks the drive list's entry for root.
void pickDrive(FrmOpen& dialog, const QString& root) {
    const int index = dialog.Drive1->findData(root);
    QVERIFY2(index >= 0, qPrintable(root));
    dialog.Drive1->setCurrentIndex(index);
}

// Types as a user would: Latin letters as key presses, Chinese as an input method commits it.
void type(QLineEdit* box, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(box, c.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(box, &commit);
        }
    }
}

bool makeFile(const QString& path) {
    return QFile(path).open(QIODevice::WriteOnly);
}

}  // namespace

class FrmOpenTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controlGeometry_data();
    void controlGeometry();
    void windowButtonsAndFocus();
    void opensFreshAtCurrentFolder();
    void currentFolderGoneOpensAtRoot();
    void clickDoubleClickAndKeysSelectAlike();
    void joinAtRoot();
    void emptyPathShowsMessage();
    void typedPathPassesUnchanged_data();
    void typedPathPassesUnchanged();
    void cancelAndCloseBoxTouchNothing_data();
    void cancelAndCloseBoxTouchNothing();
    void keysThatDoNothing_data();
    void keysThatDoNothing();
    void enterOnAFocusedButton_data();
    void enterOnAFocusedButton();
    void folderChangeAfterSelection_data();
    void folderChangeAfterSelection();
    void unreadableFolderKeepsListing_data();
    void unreadableFolderKeepsListing();
    void pickingAVolume();
    void walkLeavesCurrentFolderAlone();

private:
    // tree/tools is the process's current folder while a test runs:
    //   tree/ROOT.EXE
    //   tree/tools/A.EXE b.exe notes.txt .hidden.exe, folders sub/ x.exe/ .cache/
    std::unique_ptr<QTemporaryDir> tree_;
    QString treePath_;
    QString tools_;
    QString savedCurrent_;
    QLineEdit mainText_;
};

void FrmOpenTest::init() {
    tree_ = std::make_unique<QTemporaryDir>();
    QVERIFY(tree_->isValid());
    // The process's current folder is reported with links resolved, so the tree is named so too.
    treePath_ = QFileInfo(tree_->path()).canonicalFilePath();
    QDir tree(treePath_);
    for (const char* folder : {"tools/sub", "tools/x.exe", "tools/.cache"}) {
        QVERIFY(tree.mkpath(QString::fromLatin1(folder)));
    }
    for (const char* file :
         {"ROOT.EXE", "tools/A.EXE", "tools/b.exe", "tools/notes.txt", "tools/.hidden.exe"}) {
        QVERIFY(makeFile(tree.filePath(QString::fromLatin1(file))));
    }
    tools_ = tree.filePath("tools");
    savedCurrent_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(tools_));
    mainText_.setText(kMainText);
}

void FrmOpenTest::cleanup() {
    QDir::setCurrent(savedCurrent_);
    tree_.reset();
}

void FrmOpenTest::controlGeometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("pixels");

    QTest::newRow("Drive1") << "Drive1" << QRect(0, 8, 289, 20);
    QTest::newRow("Dir1") << "Dir1" << QRect(0, 29, 289, 104);
    QTest::newRow("File1") << "File1" << QRect(0, 133, 289, 90);
    QTest::newRow("Text1") << "Text1" << QRect(0, 232, 289, 18);
    QTest::newRow("Command1") << "Command1" << QRect(40, 256, 81, 25);
    QTest::newRow("Command2") << "Command2" << QRect(152, 256, 81, 25);
}

void FrmOpenTest::controlGeometry() {
    QFETCH(QString, name);
    QFETCH(QRect, pixels);
    FrmOpen dialog(&mainText_);
    dialog.show();
    const auto* control = dialog.findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), pixels);
}

void FrmOpenTest::windowButtonsAndFocus() {
    FrmOpen dialog(&mainText_);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    QCOMPARE(dialog.windowTitle(), QStringLiteral("选择要进行压缩的EXE文件"));
    QCOMPARE(dialog.size(), QSize(289, 284));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(!dialog.parentWidget());
    const Qt::WindowFlags flags = dialog.windowFlags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(dialog.Command1->text(), QStringLiteral("确定(&O)"));
    QCOMPARE(dialog.Command2->text(), QStringLiteral("取消"));
    QVERIFY(dialog.Drive1->currentText().startsWith(native(volumeRootOf(tools_))));

    QCOMPARE(QApplication::focusWidget(), dialog.Drive1);
    const QList<QWidget*> tabOrder = {dialog.Dir1,     dialog.File1, dialog.Command1,
                                      dialog.Command2, dialog.Text1, dialog.Drive1};
    for (QWidget* next : tabOrder) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
        // A focused auto-default button would make itself the default.
        for (QPushButton* button : {dialog.Command1, dialog.Command2}) {
            QVERIFY2(!button->isDefault(), qPrintable(button->objectName()));
        }
    }
}

void FrmOpenTest::opensFreshAtCurrentFolder() {
    for (int opening = 1; opening <= 2; ++opening) {
        FrmOpen dialog(&mainText_);
        dialog.show();
        QVERIFY(dialog.Text1->text().isEmpty());
        QCOMPARE(dialog.Dir1->path(), tools_);
        QCOMPARE(dialog.File1->path(), tools_);
        QCOMPARE(texts(dialog.File1), kToolsFiles);
        QVERIFY(dialog.File1->selectedItems().isEmpty());
        // The chain from the root down to tools, then its subfolders, the hidden one left out.
        const QStringList folders = texts(dialog.Dir1);
        QCOMPARE(folders.first(), native(QDir::rootPath()));
        QCOMPARE(dialog.Dir1->currentItem()->text(), QStringLiteral("tools"));
        QCOMPARE(folders.mid(folders.indexOf("tools") + 1), (QStringList{"sub", "x.exe"}));

        // Leave the first opening somewhere else, with a path chosen.
        QVERIFY(click(dialog.File1, "A.EXE"));
        QVERIFY(doubleClick(dialog.Dir1, "sub"));
        QTest::mouseClick(dialog.Command2, Qt::LeftButton);
    }
}

void FrmOpenTest::currentFolderGoneOpensAtRoot() {
    QVERIFY(QDir::setCurrent(tools_ + "/sub"));
    QVERIFY(QDir(tools_ + "/sub").removeRecursively());
    FrmOpen dialog(&mainText_);
    dialog.show();
    QCOMPARE(dialog.Dir1->path(), dialog.Drive1->currentData().toString());
    QVERIFY(dialog.Dir1->count() > 0);
    QCOMPARE(dialog.File1->path(), dialog.Dir1->path());
}

void FrmOpenTest::clickDoubleClickAndKeysSelectAlike() {
    FrmOpen dialog(&mainText_);
    dialog.show();
    QSignalSpy finished(&dialog, &QDialog::finished);
    const QString aPath = native(tools_ + "/A.EXE");

    QVERIFY(click(dialog.File1, "A.EXE"));
    QCOMPARE(dialog.Text1->text(), aPath);

    dialog.Text1->clear();  // a click on the entry already selected fills the box again
    QVERIFY(click(dialog.File1, "A.EXE"));
    QCOMPARE(dialog.Text1->text(), aPath);

    dialog.Text1->clear();
    QVERIFY(doubleClick(dialog.File1, "A.EXE"));
    QCOMPARE(dialog.Text1->text(), aPath);

    QTest::keyClick(dialog.File1, Qt::Key_Down);
    QCOMPARE(dialog.Text1->text(), native(tools_ + "/b.exe"));

    dialog.Text1->clear();
    QTest::keyClick(dialog.File1, Qt::Key_Return);
    QCOMPARE(dialog.Text1->text(), native(tools_ + "/b.exe"));

    QVERIFY(dialog.isVisible());
    QCOMPARE(finished.count(), 0);
    QCOMPARE(mainText_.text(), kMainText);
}

void FrmOpenTest::joinAtRoot() {
    // The root's path already ends in the separator; a program placed there for the test shows
    // whether the join adds a second one.
    const QString name =
        QStringLiteral("velbrisk-chooser-test-%1.EXE").arg(QCoreApplication::applicationPid());
    const QString atRoot = QDir::root().filePath(name);
    if (!makeFile(atRoot)) {
        QSKIP("the root folder is not writable here");
    }
    const auto removeIt = qScopeGuard([&atRoot] { QFile::remove(atRoot); });

    FrmOpen dialog(&mainText_);
    dialog.show();
    QVERIFY(doubleClick(dialog.Dir1, native(QDir::rootPath())));
    QCOMPARE(dialog.Dir1->path(), QDir::rootPath());
    QVERIFY(click(dialog.File1, name));
    QCOMPARE(dialog.Text1->text(), native(QDir::rootPath()) + name);
}

void FrmOpenTest::emptyPathShowsMessage() {
    MessageRecorder recorder;
    FrmOpen dialog(&mainText_);
    dialog.show();
    QVERIFY(click(dialog.File1, "A.EXE"));
    dialog.Text1->clear();  // the user erased the chosen path

    QTest::mouseClick(dialog.Command1, Qt::LeftButton);

    const Message expected{MessageIcon::Error, QStringLiteral("选择"),
                           QStringLiteral("请选择一个EXE文件！")};
    QCOMPARE(recorder.shown, QList<Message>{expected});
    QVERIFY(dialog.isVisible());
    QCOMPARE(mainText_.text(), kMainText);
    QVERIFY(dialog.Text1->text().isEmpty());
    QCOMPARE(dialog.Dir1->path(), tools_);
}

void FrmOpenTest::typedPathPassesUnchanged_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("name that does not exist, no extension") << "/nowhere/ghost";
    QTest::newRow("spaces around") << "  padded.exe  ";
    QTest::newRow("a single space") << " ";
    QTest::newRow("chinese name") << "/数据/程序.exe";
}

void FrmOpenTest::typedPathPassesUnchanged() {
    QFETCH(QString, typed);
    MessageRecorder recorder;
    FrmOpen dialog(&mainText_);
    dialog.show();
    QVERIFY(click(dialog.File1, "A.EXE"));
    dialog.Text1->clear();
    type(dialog.Text1, typed);

    QTest::mouseClick(dialog.Command1, Qt::LeftButton);

    QCOMPARE(mainText_.text(), typed);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(recorder.shown.isEmpty());
}

void FrmOpenTest::cancelAndCloseBoxTouchNothing_data() {
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("cancel button") << false;
    QTest::newRow("close box") << true;
}

void FrmOpenTest::cancelAndCloseBoxTouchNothing() {
    QFETCH(bool, closeBox);
    FrmOpen dialog(&mainText_);
    dialog.show();
    QSignalSpy finished(&dialog, &QDialog::finished);
    QVERIFY(click(dialog.File1, "A.EXE"));

    if (closeBox) {
        QVERIFY(dialog.close());
    } else {
        QTest::mouseClick(dialog.Command2, Qt::LeftButton);
    }

    QVERIFY(!dialog.isVisible());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(mainText_.text(), kMainText);
}

void FrmOpenTest::keysThatDoNothing_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("key");

    QTest::newRow("Enter in Text1") << "Text1" << int(Qt::Key_Return);
    QTest::newRow("keypad Enter in Text1") << "Text1" << int(Qt::Key_Enter);
    QTest::newRow("Enter in Drive1") << "Drive1" << int(Qt::Key_Return);
    QTest::newRow("Esc in Text1") << "Text1" << int(Qt::Key_Escape);
    QTest::newRow("Esc in File1") << "File1" << int(Qt::Key_Escape);
    QTest::newRow("Esc in Dir1") << "Dir1" << int(Qt::Key_Escape);
    QTest::newRow("Esc on Command1") << "Command1" << int(Qt::Key_Escape);
}

void FrmOpenTest::keysThatDoNothing() {
    QFETCH(QString, control);
    QFETCH(int, key);
    MessageRecorder recorder;
    FrmOpen dialog(&mainText_);
    dialog.show();
    QSignalSpy finished(&dialog, &QDialog::finished);
    type(dialog.Text1, "typed.exe");
    auto* target = dialog.findChild<QWidget*>(control);
    QVERIFY(target);
    target->setFocus();

    QTest::keyClick(target, Qt::Key(key));

    QVERIFY(dialog.isVisible());
    QCOMPARE(finished.count(), 0);
    QCOMPARE(mainText_.text(), kMainText);
    QCOMPARE(dialog.Text1->text(), QStringLiteral("typed.exe"));
    QVERIFY(recorder.shown.isEmpty());
}

void FrmOpenTest::enterOnAFocusedButton_data() {
    QTest::addColumn<QString>("focused");
    QTest::addColumn<bool>("confirms");

    QTest::newRow("Enter on a focused 取消") << "Command2" << false;
    QTest::newRow("Enter on a focused 确定") << "Command1" << true;
}

void FrmOpenTest::enterOnAFocusedButton() {
    QFETCH(QString, focused);
    QFETCH(bool, confirms);
    FrmOpen dialog(&mainText_);
    dialog.show();
    type(dialog.Text1, "typed.exe");
    auto* target = dialog.findChild<QWidget*>(focused);
    QVERIFY(target);
    target->setFocus();

    QTest::keyClick(target, Qt::Key_Return);

    QVERIFY(!dialog.isVisible());
    QCOMPARE(mainText_.text(), confirms ? QStringLiteral("typed.exe") : kMainText);
}

void FrmOpenTest::folderChangeAfterSelection_data() {
    QTest::addColumn<QString>("move");    // "Enter on sub", or the entry double-clicked in Dir1
    QTest::addColumn<QString>("folder");  // relative to the tree
    QTest::addColumn<QStringList>("files");

    QTest::newRow("into a folder without matches") << "sub"
                                                   << "tools/sub" << QStringList{};
    QTest::newRow("into a folder named like a program") << "x.exe"
                                                        << "tools/x.exe" << QStringList{};
    QTest::newRow("up the chain") << "tree"
                                  << "" << QStringList{"ROOT.EXE"};
    QTest::newRow("Enter on a highlighted folder") << "Enter on sub"
                                                   << "tools/sub" << QStringList{};
}

void FrmOpenTest::folderChangeAfterSelection() {
    QFETCH(QString, move);
    QFETCH(QString, folder);
    QFETCH(QStringList, files);
    FrmOpen dialog(&mainText_);
    dialog.show();
    QSignalSpy finished(&dialog, &QDialog::finished);
    QVERIFY(click(dialog.File1, "A.EXE"));
    const QString chosen = dialog.Text1->text();

    if (move == QLatin1String("Enter on sub")) {
        dialog.Dir1->setFocus();
        QTest::keyClick(dialog.Dir1, Qt::Key_Down);  // from tools to its first subfolder
        QCOMPARE(dialog.Dir1->path(), tools_);       // moving the highlight opens nothing
        QTest::keyClick(dialog.Dir1, Qt::Key_Return);
    } else {
        QVERIFY(doubleClick(
            dialog.Dir1, move == QLatin1String("tree") ? QFileInfo(treePath_).fileName() : move));
    }

    const QString expectedFolder = QDir::cleanPath(treePath_ + '/' + folder);
    QCOMPARE(dialog.Dir1->path(), expectedFolder);
    QCOMPARE(dialog.File1->path(), expectedFolder);
    QCOMPARE(texts(dialog.File1), files);
    QCOMPARE(dialog.Text1->text(), chosen);
    QVERIFY(dialog.isVisible());
    QCOMPARE(finished.count(), 0);
}

void FrmOpenTest::unreadableFolderKeepsListing_data() {
    // Tests run as root, whom a folder without permissions does not stop, so the folders that
    // cannot be read here are ones removed after they were listed, or that became a file.
    QTest::addColumn<QString>("how");
    QTest::newRow("folder removed after listing") << "removed";
    QTest::newRow("folder replaced by a file") << "file";
    QTest::newRow("volume whose root is gone") << "volume";
}

void FrmOpenTest::unreadableFolderKeepsListing() {
    QFETCH(QString, how);
    MessageRecorder recorder;
    FrmOpen dialog(&mainText_);
    dialog.show();
    QVERIFY(click(dialog.File1, "A.EXE"));
    const QStringList folders = texts(dialog.Dir1);
    const QString sub = tools_ + "/sub";
    QVERIFY(QDir(sub).removeRecursively());

    if (how == QLatin1String("volume")) {
        dialog.Drive1->addItem("gone", sub);
        pickDrive(dialog, sub);
        QCOMPARE(dialog.Drive1->currentText(), QStringLiteral("gone"));
    } else {
        if (how == QLatin1String("file")) {
            QVERIFY(makeFile(sub));
        }
        QVERIFY(doubleClick(dialog.Dir1, "sub"));
    }

    QCOMPARE(dialog.Dir1->path(), tools_);
    QCOMPARE(texts(dialog.Dir1), folders);
    QCOMPARE(dialog.File1->path(), tools_);
    QCOMPARE(texts(dialog.File1), kToolsFiles);
    QCOMPARE(dialog.Text1->text(), native(tools_ + "/A.EXE"));
    QVERIFY(recorder.shown.isEmpty());
}

void FrmOpenTest::pickingAVolume() {
    FrmOpen dialog(&mainText_);
    dialog.show();
    QVERIFY(doubleClick(dialog.Dir1, native(QDir::rootPath())));
    QCOMPARE(dialog.Dir1->path(), QDir::rootPath());

    // Another volume opens at its root. A folder stands in for it where the test machine has
    // no second volume; a volume opens at its root unless the current folder lies on it.
    const QString other = treePath_ + "/other-volume";
    QVERIFY(QDir().mkdir(other));
    dialog.Drive1->addItem("other", other);
    pickDrive(dialog, other);
    QCOMPARE(dialog.Dir1->path(), other);
    QCOMPARE(dialog.File1->path(), other);

    // The volume that holds the current folder opens at the current folder.
    pickDrive(dialog, volumeRootOf(tools_));
    QCOMPARE(dialog.Dir1->path(), tools_);
    QCOMPARE(texts(dialog.File1), kToolsFiles);
}

void FrmOpenTest::walkLeavesCurrentFolderAlone() {
    FrmOpen dialog(&mainText_);
    dialog.show();
    QVERIFY(doubleClick(dialog.Dir1, "sub"));
    QVERIFY(doubleClick(dialog.Dir1, native(QDir::rootPath())));
    dialog.Drive1->addItem("other", tools_ + "/x.exe");
    pickDrive(dialog, tools_ + "/x.exe");
    pickDrive(dialog, volumeRootOf(tools_));
    QVERIFY(doubleClick(dialog.Dir1, QFileInfo(treePath_).fileName()));
    QVERIFY(click(dialog.File1, "ROOT.EXE"));
    QCOMPARE(QDir::currentPath(), tools_);

    QTest::mouseClick(dialog.Command1, Qt::LeftButton);

    QCOMPARE(mainText_.text(), native(treePath_ + "/ROOT.EXE"));
    QCOMPARE(QDir::currentPath(), tools_);
}

QTEST_MAIN(FrmOpenTest)
#include "frm_open_test.moc"
