// The chooser in Qt, driven through its controls: its layout, keys, clicks and close box.
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

#include "ui/Message.h"
#include "ui/chooser/Listing.h"
#include "ui/qt/ChooserDialog.h"

using velbrisk::ui::MessageRecorder;
using velbrisk::ui::qt::ChooserDialog;

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

class ChooserDialogTest : public QObject {
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
        mainText_ = "untouched";
    }
    void cleanup() {
        QDir::setCurrent(savedCurrent_);
        tree_.reset();
    }

    void layoutFocusAndButtons() {
        MessageRecorder recorder;
        ChooserDialog dialog(recorder, [](const std::string&) {});
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
        QCOMPARE(dialog.findChild<QPushButton*>("Command1")->text() + ' ' +
                     dialog.findChild<QPushButton*>("Command2")->text(),
                 "确定(&O) 取消");
        QVERIFY(dialog.findChild<QComboBox*>("Drive1")->currentText().startsWith(volumeRoot()));
        QCOMPARE(texts(dialog.findChild<QListWidget*>("Dir1")).first(), "/");

        // Focus starts on Drive1 and Tab follows the dialog's order; a focused auto-default button
        // would make itself the default, so neither may ever be one.
        QStringList visited = {QApplication::focusWidget()->objectName()};
        for (int step = 0; step < 6; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
            for (const auto* button : dialog.findChildren<QPushButton*>()) {
                QVERIFY(!button->isDefault());
            }
        }
        QCOMPARE(visited.join(' '), "Drive1 Dir1 File1 Command1 Command2 Text1 Drive1");
    }

    // Each row runs steps, separated by "|", in a dialog opened at tree/tools, then compares what
    // the dialog and the main window's box show with the fresh dialog's, as changed by the row.
    // Where the lists go is the logic's, tested there; these rows are about the controls' events.
    // "~" stands for the tree. Steps:
    //   click NAME, dclick NAME   click or double-click a file in File1
    //   open NAME                 double-click a folder in Dir1 ("~" the tree)
    //   key CONTROL KEY           focus a control and press Return, Enter, Esc or Down
    //   type TEXT, clear          type into Text1, or empty it
    //   ok, cancel, close         click 确定 or 取消, or the close box
    //   drive ROOT                pick the entry of Drive1 that shows ROOT
    void walk_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("changed");
        const auto row = [](const char* name, const QString& steps, const QString& changed) {
            QTest::newRow(name) << steps << changed;
        };
        const QString picked = "Text1=~/tools/a.exe";
        row("opens fresh at the current folder", "", "");
        row("click fills Text1", "click a.exe", picked);
        row("click on the selected file fills it again", "click a.exe|clear|click a.exe", picked);
        row("double-click selects like a click", "dclick a.exe", picked);
        row("arrow key selects the next file", "click a.exe|key File1 Down", "Text1=~/tools/B.EXE");
        row("Enter in File1 selects, confirms nothing",
            "click a.exe|key File1 Down|clear|key File1 Return", "Text1=~/tools/B.EXE");
        row("empty path refused", "click a.exe|clear|ok", "said=error 选择: 请选择一个EXE文件！");
        for (const char* path : {"/数据/程序.exe", "  padded.exe  "}) {
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
        row("into a folder", "click a.exe|open sub", "in=sub|folders=|files=|" + picked);
        row("up the chain", "click a.exe|open ~", "in=~|folders=tools|files=ROOT.EXE|" + picked);
        row("moving the highlight in Dir1 opens nothing", "click a.exe|key Dir1 Down",
            "in=sub|" + picked);
        row("Enter on a highlighted folder opens it", "click a.exe|key Dir1 Down|key Dir1 Return",
            "in=sub|folders=|files=|" + picked);
        row("the same drive again leaves the folder", "open sub|drive {volume}",
            "in=sub|folders=|files=");
    }
    void walk() {
        QFETCH(QString, steps);
        QFETCH(QString, changed);
        MessageRecorder recorder;
        QString result = "open";
        ChooserDialog dialog(recorder, [this](const std::string& path) {
            mainText_ = QString::fromStdString(path);
        });
        connect(&dialog, &QDialog::finished, this, [&](int code) {
            result = code == QDialog::Accepted ? "accepted" : "rejected";
        });
        dialog.show();
        auto* Dir1 = dialog.findChild<QListWidget*>("Dir1");
        auto* File1 = dialog.findChild<QListWidget*>("File1");
        auto* Text1 = dialog.findChild<QLineEdit*>("Text1");
        auto* Drive1 = dialog.findChild<QComboBox*>("Drive1");
        for (const QString& step : steps.split(u'|', Qt::SkipEmptyParts)) {
            const QString verb = step.section(u' ', 0, 0);
            const QString arg = step.section(u' ', 1);
            if (verb == "click" || verb == "dclick") {
                click(File1, arg, verb == "dclick");
            } else if (verb == "open") {
                click(Dir1, arg == "~" ? QFileInfo(treePath_).fileName() : arg, true);
            } else if (verb == "key") {
                auto* control = dialog.findChild<QWidget*>(arg.section(u' ', 0, 0));
                control->setFocus();
                QTest::keyClick(control, QKeySequence(arg.section(u' ', 1))[0].key());
            } else if (verb == "type") {
                Text1->insert(arg);
            } else if (verb == "clear") {
                Text1->clear();
            } else if (verb == "ok" || verb == "cancel") {
                QTest::mouseClick(dialog.findChild<QPushButton*>(verb == "ok" ? "Command1" : "Command2"),
                                  Qt::LeftButton);
            } else if (verb == "close") {
                QVERIFY(dialog.close());
            } else if (verb == "drive") {
                const int index = Drive1->findText(QString(arg).replace("{volume}", volumeRoot()),
                                                   Qt::MatchStartsWith);
                QVERIFY(index >= 0);
                Drive1->setCurrentIndex(index);
            } else {
                QFAIL(qPrintable("no such step: " + step));
            }
        }
        QStringList expected = {"dialog=open",  "in=tools",      "folders=sub x.exe",
                                "files=a.exe B.EXE", "Text1=", "main=untouched", "said="};
        for (const QString& change : changed.split(u'|', Qt::SkipEmptyParts)) {
            const QString key = change.section(u'=', 0, 0) + u'=';
            std::replace_if(
                expected.begin(), expected.end(),
                [&](const QString& entry) { return entry.startsWith(key); }, change);
        }
        // The open folder is the last of the chain: the entries after it are its subfolders.
        const QStringList entries = texts(Dir1);
        int open = 0;
        for (int row = 0; row < Dir1->count(); ++row) {
            if (!Dir1->item(row)->data(Qt::UserRole + 1).isNull() &&
                Dir1->item(row)->icon().cacheKey() == Dir1->item(0)->icon().cacheKey()) {
                open = row;
            }
        }
        QStringList said;
        for (const velbrisk::ui::Message& message : recorder.shown) {
            const char* icons[] = {"information", "warning", "error"};
            said << QStringLiteral("%1 %2: %3")
                        .arg(icons[int(message.icon)], QString::fromStdString(message.title),
                             QString::fromStdString(message.text));
        }
        QStringList shown = {"dialog=" + result,
                             "in=" + (Dir1->currentItem() ? Dir1->currentItem()->text() : "-"),
                             "folders=" + entries.mid(open + 1).join(u' '),
                             "files=" + texts(File1).join(u' '),
                             "Text1=" + Text1->text(),
                             "main=" + mainText_,
                             "said=" + said.join(" / ")};
        shown.replaceInStrings(treePath_, "~");
        shown.replaceInStrings("in=" + QFileInfo(treePath_).fileName(), "in=~");
        QCOMPARE(shown, expected);
    }

private:
    QString volumeRoot() const {
        return QString::fromStdString(velbrisk::ui::chooser::volumeRootOf(tools_.toStdString()));
    }

    std::unique_ptr<QTemporaryDir> tree_;
    QString treePath_;
    QString tools_;
    QString savedCurrent_;
    QString mainText_;
};

QTEST_MAIN(ChooserDialogTest)
#include "chooser_dialog_test.moc"
