// The chooser in Qt, driven through its controls: focus, keys, clicks and the close box.
#include <QListWidget>

#include "qt/widget_probe.h"
#include "step_text.h"
#include "ui/qt/ChooserDialog.h"

using velbrisk::ui::qt::ChooserDialog;

class ChooserDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {  // tree/tools: a.exe, B.EXE and the folder sub/
        QVERIFY(QDir(tree_.path()).mkpath("tools/sub"));
        for (const char* file : {"tools/a.exe", "tools/B.EXE"}) {
            QVERIFY(QFile(tree_.filePath(file)).open(QIODevice::WriteOnly));
        }
    }

    void placesAndTabOrder() {
        MessageRecorder recorder;
        ChooserDialog dialog(recorder, nullptr, tools_);
        QCOMPARE(testing::overlaps(dialog), QString());
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        for (const char* name :
             {"Drive1", "Dir1", "File1", "Command1", "Command2", "Text1", "Drive1"}) {
            QCOMPARE(QApplication::focusWidget()->objectName(), name);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
    }

    // Each row's steps in a dialog at tree/tools, then what it and the main window's box show:
    // click or dclick NAME (of File1, or "Dir1/NAME"), key CONTROL KEY, type TEXT, close (its box).
    void walk_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("changed");
        const auto row = [](const char* name, const char* steps, const char* changed) {
            QTest::newRow(name) << QString(steps) << QString(changed);
        };
        row("a click fills Text1, a second one again; close box",
            "click a.exe|type x|click a.exe|close", "dialog=rejected|Text1=a.exe");
        row("Enter in the lists: the highlighted file, then the highlighted folder",
            "click a.exe|key File1 Down|type x|key File1 Return|key Dir1 Down|key Dir1 Return",
            "in=sub|files=|Text1=B.EXE");
        row("Enter and Esc elsewhere do nothing",
            "type t|key Text1 Enter|key Drive1 Return|key Text1 Esc|key Dir1 Esc", "Text1=t");
        row("Enter on 确定", "type t|key Command1 Return", "dialog=accepted|Text1=t|main=t");
        row("Enter on 取消", "key Command2 Return", "dialog=rejected");
        row("a click on a folder highlights it, a double-click on a file selects, on it opens it",
            "click Dir1/sub|dclick B.EXE|dclick Dir1/sub", "in=sub|files=|Text1=B.EXE");
    }
    void walk() {
        QFETCH(QString, steps);
        QFETCH(QString, changed);
        MessageRecorder recorder;
        QString result = "open", main = "untouched";
        ChooserDialog dialog(
            recorder, [&](const std::string& path) { main = path.c_str(); }, tools_);
        connect(&dialog, &QDialog::finished, this,
                [&](int code) { result = code == QDialog::Accepted ? "accepted" : "rejected"; });
        dialog.show();
        auto* Dir1 = dialog.findChild<QListWidget*>("Dir1");
        auto* File1 = dialog.findChild<QListWidget*>("File1");
        auto* Text1 = dialog.findChild<QLineEdit*>("Text1");
        for (const QString& step : steps.split(u'|')) {
            const QString verb = step.section(u' ', 0, 0), arg = step.section(u' ', -1);
            if (verb == "click" || verb == "dclick") {
                QListWidget* list = arg.startsWith("Dir1/") ? Dir1 : File1;
                const auto found = list->findItems(arg.section(u'/', -1), Qt::MatchExactly);
                QVERIFY2(found.size() == 1, qPrintable(arg));
                const QPoint at = list->visualItemRect(found.first()).center();
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
                if (verb == "dclick") {  // a double-click as a real one comes
                    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
                }
            } else if (verb == "key") {
                auto* control = dialog.findChild<QWidget*>(step.section(u' ', 1, 1));
                control->setFocus();
                QTest::keyClick(control, QKeySequence(arg)[0].key());
            } else if (verb == "type") {
                Text1->insert(arg);
            } else {
                QVERIFY(dialog.close());
            }
        }
        QStringList files;
        for (int row = 0; row < File1->count(); ++row) {
            files << File1->item(row)->text();
        }
        const QStringList shown = {"dialog=" + result, "in=" + Dir1->currentItem()->text(),
                                   "files=" + files.join(u' '), "Text1=" + Text1->text(),
                                   "main=" + main};
        const std::vector<std::string> expected = testing::withChanges(
            {"dialog=open", "in=tools", "files=a.exe B.EXE", "Text1=", "main=untouched"},
            changed.toStdString());
        QCOMPARE(shown.join(u'|').remove(QString::fromStdString(tools_) + '/'),
                 QString::fromStdString(testing::joined(expected, "|")));
    }

private:
    QTemporaryDir tree_;
    const std::string tools_ = tree_.filePath("tools").toStdString();
};

QTEST_MAIN(ChooserDialogTest)
#include "chooser_dialog_test.moc"
