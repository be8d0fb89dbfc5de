// The file chooser FrmOpen, driven through its controls as a user drives it.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <memory>

#include "ui/Messages.h"
#include "ui/qt/FileList.h"
#include "ui/qt/FolderList.h"
#include "ui/qt/FrmOpen.h"
#include "ui/qt/Listing.h"

using velbrisk::ui::FrmOpen;

namespace {

QStringList texts(const QListWidget* list) {
    QStringList shown;
    for (int row = 0; row < list->count(); ++row) {
        shown << list->item(row)->text();
    }
    return shown;
}

// Clicks, or double-clicks as a real one comes (press, release, double-click, release), the entry
// that shows text.
void click(QListWidget* list, const QString& text, bool twice) {
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(text));
    list->scrollToItem(found.first());
    const QPoint at = list->visualItemRect(found.first()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice) {
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    }
}

}  // namespace

class FrmOpenTest : public QObject {
    Q_OBJECT

private slots:
    // The process's current folder while a test runs is tree/tools, in which
    //   tree/ROOT.EXE
    //   tree/tools/a.exe B.EXE notes.txt setup.exe.bak .hidden.exe, folders sub/ x.exe/ .cache/
    void init() {
        tree_ = std::make_unique<QTemporaryDir>();
        // The current folder is reported with links resolved, so the tree is named so too.
        treePath_ = QFileInfo(tree_->path()).canonicalFilePath();
        tools_ = treePath_ + "/tools";
        for (const char* folder : {"tools/sub", "tools/x.exe", "tools/.cache"}) {
            QVERIFY(QDir(treePath_).mkpath(folder));
        }
        for (const char* file : {"ROOT.EXE", "tools/a.exe", "tools/B.EXE", "tools/notes.txt",
                                 "tools/setup.exe.bak", "tools/.hidden.exe"}) {
            QVERIFY(QFile(treePath_ + '/' + file).open(QIODevice::WriteOnly));
        }
        savedCurrent_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tools_));
        mainText_.setText("untouched");
    }
    void cleanup() {
        dialog_.reset();
        QDir::setCurrent(savedCurrent_);
        tree_.reset();
        if (!madeAtRoot_.isEmpty()) {
            QFile::remove(madeAtRoot_);
            madeAtRoot_.clear();
        }
    }

    void layoutFocusAndButtons() {
        FrmOpen dialog(&mainText_);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.windowTitle(), "选择要进行压缩的EXE文件");
        QCOMPARE(dialog.size(), QSize(289, 284));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(!dialog.parentWidget());
        QVERIFY((dialog.windowFlags() &
                 (Qt::WindowType_Mask | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)) ==
                (Qt::Tool | Qt::WindowCloseButtonHint));
        QString places;
        for (const QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QDebug(&places).noquote() << control->objectName() << control->geometry();
        }
        QCOMPARE(places,
                 "Drive1 QRect(0,8 289x20) Dir1 QRect(0,29 289x104) File1 QRect(0,133 "
                 "289x90) Text1 QRect(0,232 289x18) Command1 QRect(40,256 81x25) "
                 "Command2 QRect(152,256 81x25) ");
        QCOMPARE(dialog.Command1->text() + ' ' + dialog.Command2->text(), "确定(&O) 取消");
        QVERIFY(dialog.Drive1->currentText().startsWith(QDir::toNativeSeparators(volumeRoot())));
        QCOMPARE(texts(dialog.Dir1).first(), QDir::toNativeSeparators(QDir::rootPath()));

        // Focus starts on Drive1 and Tab follows the dialog's order; a focused auto-default button
        // would make itself the default, so neither may ever be one.
        QStringList visited = {QApplication::focusWidget()->objectName()};
        for (int step = 0; step < 6; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
            QVERIFY(!dialog.Command1->isDefault() && !dialog.Command2->isDefault());
        }
        QCOMPARE(visited.join(' '), "Drive1 Dir1 File1 Command1 Command2 Text1 Drive1");
    }

    // Each row runs steps, separated by "|", in a dialog opened at tree/tools, then compares what
    // the dialog and the main window's box show with the fresh dialog's, as changed by the row. "~"
    // stands for the tree, "{volume}" for the root of its volume. Steps:
    //   click NAME, dclick NAME   click or double-click a file in File1
    //   open NAME                 double-click a folder in Dir1 ("~" the tree, "/" the root)
    //   key CONTROL KEY           focus a control and press Return, Enter, Esc or Down
    //   type TEXT, clear          type into Text1, or empty it
    //   ok, cancel, close         click 确定 or 取消, or the close box
    //   drive ROOT                pick the volume of that root, offered first if need be
    //   touch PATH, mkdir PATH, rm PATH   make a file or folder, or remove one
    //   reopen                    close the dialog and open a new one
    //   gone                      move into tools/sub, remove it, and reopen
    void walk_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("changed");
        const auto row = [](const char* name, const QString& steps, const QString& changed) {
            QTest::newRow(name) << steps << changed;
        };
        const QString picked = "Text1=~/tools/a.exe";
        row("opens fresh at the current folder", "", "");
        row("reopens fresh", "click a.exe|open sub|type x|reopen", "");
        row("click fills Text1", "click a.exe", picked);
        row("click on the selected file fills it again", "click a.exe|clear|click a.exe", picked);
        row("double-click selects like a click", "dclick a.exe", picked);
        row("arrow key selects the next file", "click a.exe|key File1 Down", "Text1=~/tools/B.EXE");
        row("Enter in File1 selects, confirms nothing",
            "click a.exe|key File1 Down|clear|key File1 Return", "Text1=~/tools/B.EXE");
        row("empty path refused", "click a.exe|clear|ok", "said=error 选择: 请选择一个EXE文件！");
        for (const char* path : {"/nowhere/ghost", "  padded.exe  ", " ", "/数据/程序.exe"}) {
            QTest::addRow("typed [%s] passes unchanged", path)
                << QStringLiteral("type %1|ok").arg(path)
                << QStringLiteral("dialog=accepted|Text1=%1|main=%1").arg(path);
        }
        row("cancel after a selection", "click a.exe|cancel", "dialog=rejected|" + picked);
        row("close box after a selection", "click a.exe|close", "dialog=rejected|" + picked);
        for (const char* keys : {"Text1 Return", "Text1 Enter", "Drive1 Return", "Text1 Esc",
                                 "File1 Esc", "Dir1 Esc", "Command1 Esc"}) {
            QTest::addRow("%s does nothing", keys)
                << QStringLiteral("type typed.exe|key %1").arg(keys) << "Text1=typed.exe";
        }
        row("Enter on a focused 取消 cancels", "type typed.exe|key Command2 Return",
            "dialog=rejected|Text1=typed.exe");
        row("Enter on a focused 确定 confirms", "type typed.exe|key Command1 Return",
            "dialog=accepted|Text1=typed.exe|main=typed.exe");
        const QString inSub = "in=~/tools/sub|folders=|files=|" + picked;
        row("into a folder without matches", "click a.exe|open sub", inSub);
        row("into a folder named like a program", "click a.exe|open x.exe",
            "in=~/tools/x.exe|folders=|files=|" + picked);
        row("up the chain", "click a.exe|open ~", "in=~|folders=tools|files=ROOT.EXE|" + picked);
        row("moving the highlight in Dir1 opens nothing", "click a.exe|key Dir1 Down", picked);
        row("Enter on a highlighted folder opens it", "click a.exe|key Dir1 Down|key Dir1 Return",
            inSub);
        row("folder removed after listing keeps the listing", "click a.exe|rm ~/tools/sub|open sub",
            picked);
        row("folder become a file keeps the listing",
            "click a.exe|rm ~/tools/sub|touch ~/tools/sub|open sub", picked);
        row("volume whose root is gone keeps the listing",
            "click a.exe|rm ~/tools/sub|drive ~/tools/sub", picked);
        row("another volume opens at its root", "mkdir ~/other|drive ~/other",
            "in=~/other|folders=|files=");
        row("the current folder's volume opens at the current folder",
            "mkdir ~/other|drive ~/other|drive {volume}", "");
        row("walk leaves the current folder alone",
            "open sub|open /|drive ~/tools/x.exe|drive {volume}|open ~|click ROOT.EXE|ok",
            "dialog=accepted|in=~|folders=tools|files=ROOT.EXE|Text1=~/ROOT.EXE|main=~/ROOT.EXE");
        // Files and folders outside the tree are the machine's own, and not shown.
        row("join at the root adds no second separator",
            "touch /velbrisk-chooser-test.EXE|open /|click velbrisk-chooser-test.EXE",
            "in=/|folders=-|files=-|Text1=/velbrisk-chooser-test.EXE");
        row("current folder gone: opens at its volume's root", "gone",
            "in={volume}|folders=-|files=-|cwd=");
    }
    void walk() {
        QFETCH(QString, steps);
        QFETCH(QString, changed);
        velbrisk::ui::MessageRecorder recorder;
        reopen();
        for (const QString& step : steps.split(u'|', Qt::SkipEmptyParts)) {
            const QString verb = step.section(u' ', 0, 0);
            const QString arg = step.section(u' ', 1);
            const QString path = expand(arg);
            FrmOpen& dialog = *dialog_;
            if (verb == "click" || verb == "dclick") {
                click(dialog.File1, arg, verb == "dclick");
            } else if (verb == "open") {
                click(dialog.Dir1,
                      arg == "~" ? QFileInfo(treePath_).fileName() : QDir::toNativeSeparators(arg),
                      true);
            } else if (verb == "key") {
                auto* control = dialog.findChild<QWidget*>(arg.section(u' ', 0, 0));
                control->setFocus();
                QTest::keyClick(control, QKeySequence(arg.section(u' ', 1))[0].key());
            } else if (verb == "type") {
                dialog.Text1->insert(arg);
            } else if (verb == "clear") {
                dialog.Text1->clear();
            } else if (verb == "ok" || verb == "cancel") {
                QTest::mouseClick(verb == "ok" ? dialog.Command1 : dialog.Command2, Qt::LeftButton);
            } else if (verb == "close") {
                QVERIFY(dialog.close());
            } else if (verb == "drive") {
                if (dialog.Drive1->findData(path) < 0) {
                    dialog.Drive1->addItem(arg, path);
                }
                dialog.Drive1->setCurrentIndex(dialog.Drive1->findData(path));
            } else if (verb == "touch" && !QFile(path).open(QIODevice::WriteOnly)) {
                QSKIP(qPrintable("cannot make " + path));
            } else if (verb == "touch") {
                madeAtRoot_ = path.startsWith(treePath_) ? QString() : path;
            } else if (verb == "mkdir" || verb == "rm") {
                QVERIFY(verb == "rm" ? QDir(path).removeRecursively() : QDir().mkdir(path));
            } else if (verb == "reopen") {
                reopen();
            } else if (verb == "gone") {
                QVERIFY(QDir::setCurrent(tools_ + "/sub"));
                QVERIFY(QDir(tools_ + "/sub").removeRecursively());
                reopen();
            } else {
                QFAIL(qPrintable("no such step: " + step));
            }
        }
        QStringList expected = {
            "dialog=open",    "in=~/tools", "folders=sub x.exe", "files=a.exe B.EXE", "Text1=",
            "main=untouched", "said=",      "cwd=~/tools"};
        for (const QString& change : changed.split(u'|', Qt::SkipEmptyParts)) {
            const QString key = change.section(u'=', 0, 0) + u'=';
            std::replace_if(
                expected.begin(), expected.end(),
                [&](const QString& entry) { return entry.startsWith(key); },
                QString(change).replace("{volume}", volumeRoot()));
        }
        QCOMPARE(state(recorder), expected);
    }

private:
    void reopen() {
        dialog_.reset();
        dialog_ = std::make_unique<FrmOpen>(&mainText_);
        dialog_->show();
    }

    QString volumeRoot() const { return velbrisk::ui::chooser::volumeRootOf(tools_); }

    QString expand(QString text) const {
        return text.replace("{volume}", volumeRoot()).replace(u'~', treePath_);
    }

    // What the dialog and the main window's box show, and the process's current folder, with the
    // tree written "~".
    QStringList state(const velbrisk::ui::MessageRecorder& recorder) const {
        const FrmOpen& dialog = *dialog_;
        const QString folder = dialog.Dir1->path();
        const QStringList entries = texts(dialog.Dir1);
        const bool inTree = folder.startsWith(treePath_);
        QStringList said;
        for (const velbrisk::ui::Message& message : recorder.shown) {
            const char* icons[] = {"information", "warning", "error"};
            said << QStringLiteral("%1 %2: %3")
                        .arg(icons[int(message.icon)], message.title, message.text);
        }
        QStringList shown = {
            "dialog=" + QString(dialog.isVisible()                     ? "open"
                                : dialog.result() == QDialog::Accepted ? "accepted"
                                                                       : "rejected"),
            "in=" + folder +
                (dialog.File1->path() == folder ? "" : ", files of " + dialog.File1->path()),
            "folders=" +
                (inTree ? entries.mid(entries.indexOf(QFileInfo(folder).fileName()) + 1).join(u' ')
                        : "-"),
            "files=" + (inTree ? texts(dialog.File1).join(u' ') : "-"),
            "Text1=" + dialog.Text1->text(),
            "main=" + mainText_.text(),
            "said=" + said.join(" / "),
            "cwd=" + QDir::currentPath()};
        shown.replaceInStrings(treePath_, "~");
        return shown;
    }

    std::unique_ptr<QTemporaryDir> tree_;
    QString treePath_;
    QString tools_;
    QString savedCurrent_;
    QString madeAtRoot_;
    QLineEdit mainText_;
    std::unique_ptr<FrmOpen> dialog_;
};

QTEST_MAIN(FrmOpenTest)
#include "frm_open_test.moc"
