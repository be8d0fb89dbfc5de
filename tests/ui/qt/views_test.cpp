// The Qt views: where their controls are, what reaches the logic, what they carry out.
#include <QApplication>
#include <QDesktopServices>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <thread>

#include "app/Module1.h"
#include "app/Startup.h"
#include "message_recorder.h"
#include "pe_builder.h"
#include "step_text.h"
#include "tests/deadline.h"
#include "ui/qt/ChooserDialog.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtTwips.h"

using namespace velbrisk;
using namespace velbrisk::testing;
using namespace velbrisk::ui;
using namespace velbrisk::ui::qt;
using namespace std::chrono_literals;

// Each pair of `parent`'s children that share a pixel, as "A over B".
QString overlaps(const QWidget& parent) {
    QStringList found;
    const QList<QWidget*> children = parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const QWidget* child : children) {
        for (const QWidget* other : children) {
            if (child != other && child->geometry().intersects(other->geometry())) {
                found << child->objectName() + " over " + other->objectName();
            }
        }
    }
    return found.join(", ");
}

// How the control answers a drop as a file manager makes it: copy or move, the path as text too.
QString drop(QWidget* widget, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    data.setText(path);
    const QPoint at = widget->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(widget, &enter);
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    drop.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(widget, &drop);
    return !drop.isAccepted() ? "ignored" : drop.dropAction() == Qt::CopyAction ? "copy" : "move";
}

class ViewsTest : public QObject {
    Q_OBJECT

public slots:
    void open(const QUrl& address) { opened_ << address.toEncoded(); }  // stands in for the desktop

private slots:
    // In the program's font, taller than a label; the chooser at tree/tools: a.exe, B.EXE, sub/.
    void initTestCase() {
        QApplication::setFont(app::interfaceFont());
        QVERIFY(QDir(tree_.path()).mkpath("tools/sub"));
        for (const char* file : {"tools/a.exe", "tools/B.EXE"}) {
            QVERIFY(QFile(tree_.filePath(file)).open(QIODevice::WriteOnly));
        }
    }

    // Every control where the layout puts it, no two sharing a pixel; a label as big as its text
    // unless cut short by the control right below it.
    void controlsWhereTheLayoutSays() {
        MainWindow window({});
        const QSize size(twips(main_window::kClientWidth), twips(main_window::kClientHeight));
        QVERIFY(window.minimumSize() == size && window.maximumSize() == size);
        for (const main_window::Control& control : main_window::kControls) {
            auto* widget = window.findChild<QWidget*>(QString::fromUtf8(control.name.data()));
            QVERIFY2(widget, control.name.data());
            const QRect place = qt::qtRect(control.place), drawn = widget->geometry();
            const QSize hint = widget->sizeHint();
            const bool label = widget->inherits("QLabel");
            QCOMPARE(drawn.topLeft(), place.topLeft());
            QCOMPARE(drawn.width(), label ? hint.width() : place.width());
            if (!label) {
                QCOMPARE(drawn.height(), place.height());
            } else if (drawn.height() != hint.height()) {
                QVERIFY(drawn.height() < hint.height());
                widget->resize(drawn.width(), drawn.height() + 1);
                QVERIFY(!overlaps(window).isEmpty());
                widget->resize(drawn.size());
            }
        }
        QCOMPARE(overlaps(window), QString());
        QCOMPARE(overlaps(*window.findChild<QWidget*>("Frame1")), QString());
    }

    // Each event reaches the logic; controls that colour nothing keep their moves from the form.
    // Only Text takes drops, as a copy lest the file manager delete one; the subject goes encoded.
    void eventsReachTheLogic() {
        const Deadline deadline("the job, and the question between its phases, to end");
        const QString source = tree_.filePath("程序.exe");
        PeLayout pe;  // a program whose cut reaches into its own declared bytes: the user is asked
        pe.sections = {{".text", 512, 512, std::vector<std::uint8_t>(256, 1)}};
        std::ofstream(source.toStdString(), std::ios::binary)
            .write(reinterpret_cast<const char*>(buildPe(pe).bytes.data()), 1024);
        MessageRecorder recorder;
        MainWindow window({.boxes = &recorder, .openAddress = &Module1::openAddress},
                          "/srv/起.exe");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QStringList seen;
        for (const QString place : {"Label", "Text", "Lbl_Com", "Lbl_Exit", "Label3", "FrmMain",
                                    "Label", "SaveText", "Label1", "Frame1", "Lbl_About_6"}) {
            QWidget* target = place == "FrmMain" ? &window : window.findChild<QWidget*>(place);
            QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), target->mapToGlobal(QPointF(2, 2)),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(target, &move);
            seen << "";  // the links' colours, B blue, R red
            for (const char* name : {"Label", "Lbl_Com", "Lbl_Exit", "Label3"}) {
                const QColor colour =
                    window.findChild<QWidget*>(name)->palette().windowText().color();
                seen.back() += colour == Qt::blue ? u'B' : colour == Qt::red ? u'R' : u'?';
            }
        }
        QCOMPARE(seen.join(u' '), "RBBB BBBB BRBB BBRB BBBR BBBB RBBB RBBB RBBB RBBB RBBB");
        auto* Text = window.findChild<QLineEdit*>("Text");
        QCOMPARE(Text->text(), "/srv/起.exe");
        QCOMPARE(drop(window.findChild<QWidget*>("SaveText"), source), "ignored");
        QCOMPARE(drop(Text, source), "copy");
        QCOMPARE(Text->text(), source);
        window.findChild<QLineEdit*>("SaveText")->setText("小");
        auto* help = window.findChild<QWidget*>("Label3");
        Qt::CursorShape asked = Qt::BlankCursor;
        recorder.onAsked = [&] {
            asked = window.cursor().shape();
            QTest::mouseClick(help, Qt::LeftButton);  // the job holds the window's input off
            window.close();
        };
        QTest::mouseClick(window.findChild<QWidget*>("Lbl_Com"), Qt::LeftButton);
        QCOMPARE(asked, Qt::WaitCursor);
        QVERIFY(window.cursor().shape() == Qt::ArrowCursor && window.isVisible());
        QTest::mousePress(help, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(help, Qt::LeftButton, {}, QPoint(500, 5));
        QTest::mouseClick(help, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(recorder.shown.size(), 1);
        QDesktopServices::setUrlHandler("mailto", this, "open");
        QTest::mouseClick(window.findChild<QWidget*>("Lbl_About_4"), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler("mailto");
        QCOMPARE(opened_, QStringList("mailto:" + QString::fromUtf8(product::kMail) +
                                      "?subject=Velbrisk%E7%94%A8%E6%88%B7%E6%9D%A5%E4%BF%A1"));
    }

    // Each request is carried out: Enter takes the default answer, Esc and closeQuestion the one
    // for doing nothing; the window waits in a loop whose "取消" reaches the job, till a wake.
    void requestsAreCarriedOut() {
        const Deadline deadline("the questions, and the window's loop, to end");
        QtMessageBoxes boxes;
        const Question question{{MessageIcon::Warning, "Velbrisk", "?"}, {"甲", "乙", "丙"}, 1, 2};
        QStringList answers;
        for (const int key : {int(Qt::Key_Return), int(Qt::Key_Escape), 0}) {
            QTimer::singleShot(50, [&] {
                key ? QTest::keyClick(QApplication::activeModalWidget(), Qt::Key(key))
                    : boxes.closeQuestion();
            });
            answers << QString::number(boxes.ask(question));
        }
        QCOMPARE(answers.join(' '), "1 2 2");
        QWidget window;
        QtJobView view(&window);
        std::jthread job;
        view.showProgress([&] { job = std::jthread([&view] { view.wake(); }); });
        view.setProgress(5000);
        auto* dialog = window.findChild<QProgressDialog*>("ProgressDialog");
        QVERIFY(dialog->isVisible() && dialog->windowModality() == Qt::WindowModal);
        QCOMPARE(dialog->value() * 2, dialog->maximum());
        QTimer::singleShot(10, dialog->findChild<QPushButton*>(), &QPushButton::click);
        const auto started = std::chrono::steady_clock::now();
        view.waitForWake(5s);
        QVERIFY(job.joinable() && std::chrono::steady_clock::now() - started < 4s);
        view.closeProgress();
        QVERIFY(!window.findChild<QProgressDialog*>());
    }

    void placesAndTabOrder() {
        MessageRecorder recorder;
        ChooserDialog dialog(recorder, nullptr, tools_);
        QCOMPARE(overlaps(dialog), QString());
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        for (const char* name :
             {"Drive1", "Dir1", "File1", "Command1", "Command2", "Text1", "Drive1"}) {
            QCOMPARE(QApplication::focusWidget()->objectName(), name);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
    }

    // The chooser: each row's steps in a dialog at tree/tools, then what it and the main box show.
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
    QStringList opened_;
    QTemporaryDir tree_;
    const std::string tools_ = tree_.filePath("tools").toStdString();
};

QTEST_MAIN(ViewsTest)
#include "views_test.moc"
