// The main window in Qt: where its controls are and what reaches the logic; the job's dialog.
#include <QApplication>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <thread>

#include "app/Module1.h"
#include "app/Startup.h"
#include "message_recorder.h"
#include "pe_builder.h"
#include "qt/widget_probe.h"
#include "tests/deadline.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtTwips.h"

using namespace velbrisk;
using namespace velbrisk::testing;
using namespace velbrisk::ui;
using namespace velbrisk::ui::qt;
using namespace std::chrono_literals;

namespace {

// A drop as a file manager makes it, offering copy or move and giving the text of a path too;
// how the control answers it.
QString drop(MainWindow& window, const char* control, const QList<QUrl>& urls) {
    QWidget* widget = window.findChild<QWidget*>(control);
    QMimeData data;
    if (!urls.isEmpty()) {
        data.setUrls(urls);
    }
    data.setText("/srv/setup.exe");
    const QPoint point = widget->rect().center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(point, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    QDropEvent drop(QPointF(point), offered, &data, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(widget, &drop);
    return !drop.isAccepted() ? "ignored" : drop.dropAction() == Qt::CopyAction ? "copy" : "other";
}

// A Windows program whose cut reaches into its own declared bytes, so that the user is asked.
QByteArray program() {
    testing::PeLayout layout;
    layout.sections.push_back({".text", 0x200, 0x200, std::vector<std::uint8_t>(0x100, 0xC3)});
    const std::vector<std::uint8_t> bytes = testing::buildPe(layout).bytes;
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

public slots:
    // Stands in for the desktop: records each address that the window asks it to open.
    void open(const QUrl& address) { opened_ << address.toEncoded(); }

private slots:
    // In the font the program sets, whose line is taller than a label's row.
    void initTestCase() { QApplication::setFont(app::interfaceFont()); }

    // Every control where the layout puts it; labels size themselves to their text, but a label
    // cut shorter than its text reaches right down to the control below it. No two controls
    // share a pixel, in the window or in the about frame.
    void controlsWhereTheLayoutSays() {
        MainWindow window({});
        QCOMPARE(window.minimumSize(), QSize(twips(main_window::kClientWidth), twips(main_window::kClientHeight)));
        QCOMPARE(window.maximumSize(), window.minimumSize());
        for (const main_window::Control& control : main_window::kControls) {
            const auto* widget = window.findChild<QWidget*>(QString::fromUtf8(control.name.data()));
            QVERIFY2(widget, control.name.data());
            const QRect place = qt::qtRect(control.place);
            if (!widget->inherits("QLabel")) {
                QCOMPARE(widget->geometry(), place);
                continue;
            }
            const QRect label = widget->geometry();
            QCOMPARE(label.topLeft(), place.topLeft());
            QCOMPARE(label.width(), widget->sizeHint().width());
            if (label.height() != widget->sizeHint().height()) {
                QVERIFY(label.height() < widget->sizeHint().height());
                QVERIFY2(!childrenMeeting(window, label.translated(0, 1), widget).isEmpty(), control.name.data());
            }
        }
        QCOMPARE(overlaps(window).join(", "), QString());
        QCOMPARE(overlaps(*window.findChild<QWidget*>("Frame1")).join(", "), QString());
    }

    // Moves over each place in turn, and the links' colours after each (B blue, R red: Label,
    // Lbl_Com, Lbl_Exit, Label3); the controls that colour nothing keep their moves to themselves.
    void hover() {
        MainWindow window({});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QStringList seen;
        for (const char* place : {"Label", "Text", "Lbl_Com", "Lbl_Exit", "Label3", "FrmMain", "Label",
                                  "SaveText", "Label1", "Label2", "Frame1", "Lbl_About_6"}) {
            // A button-less move as the window system delivers it, to the control under the pointer.
            QWidget* target = place == std::string("FrmMain") ? &window : window.findChild<QWidget*>(place);
            QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), target->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(target, &move);
            seen << "";
            for (const char* name : {"Label", "Lbl_Com", "Lbl_Exit", "Label3"}) {
                const QColor colour = window.findChild<QWidget*>(name)->palette().color(QPalette::WindowText);
                seen.back() += colour == Qt::blue ? u'B' : colour == Qt::red ? u'R' : u'?';
            }
        }
        QCOMPARE(seen.join(u' '), "RBBB BBBB BRBB BBRB BBBR BBBB RBBB RBBB RBBB RBBB RBBB RBBB");
    }

    // The file of the command line is in Text from the start. Only Text takes files, always as a
    // copy, so that the file manager never deletes one.
    void commandLineFileAndDrops() {
        MainWindow window({}, "/srv/起始.exe");
        QCOMPARE(window.findChild<QLineEdit*>("Text")->text(), "/srv/起始.exe");
        QCOMPARE(drop(window, "SaveText", {QUrl::fromLocalFile("/a.exe")}), "ignored");
        QCOMPARE(drop(window, "Text", {}), "ignored");
        QCOMPARE(drop(window, "Text", {QUrl::fromLocalFile("/srv/数据/SETUP.EXE")}), "copy");
        QCOMPARE(window.findChild<QLineEdit*>("Text")->text(), "/srv/数据/SETUP.EXE");
    }

    // The question between the job's phases comes under the busy cursor, which the job's end
    // takes away again.
    void busyCursorDuringTheJob() {
        const testing::Deadline deadline("the job, and the question between its phases, to end");
        QTemporaryDir folder;
        QFile source(folder.filePath("程序.exe"));
        QVERIFY(source.open(QIODevice::WriteOnly) && source.write(program()) > 0);
        source.close();
        MessageRecorder recorder;
        MainWindow window({.boxes = &recorder});
        Qt::CursorShape asked = Qt::BlankCursor;
        recorder.onAsked = [&] { asked = window.cursor().shape(); };
        window.findChild<QLineEdit*>("Text")->setText(source.fileName());
        window.findChild<QLineEdit*>("SaveText")->setText("小");
        QTest::mouseClick(window.findChild<QWidget*>("Lbl_Com"), Qt::LeftButton);
        QCOMPARE(asked, Qt::WaitCursor);
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }

    // A press dragged off a link before its release is no click.
    void onlyAPressAndReleaseOnALinkClicks() {
        MessageRecorder recorder;
        MainWindow window({.boxes = &recorder});
        auto* help = window.findChild<QWidget*>("Label3");
        QTest::mousePress(help, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(help, Qt::LeftButton, {}, QPoint(500, 5));
        QCOMPARE(recorder.shown.size(), 0);
        QTest::mouseClick(help, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(recorder.shown.size(), 1);
    }

    // The about panel's links reach the desktop; the mail's Chinese subject goes out encoded as
    // mail programs decode it.
    void aboutLinksReachTheDesktop() {
        QDesktopServices::setUrlHandler("mailto", this, "open");
        QDesktopServices::setUrlHandler("https", this, "open");
        MainWindow window({.openAddress = &Module1::openAddress});
        for (const char* name : {"Lbl_About_4", "Lbl_About_6"}) {
            QTest::mouseClick(window.findChild<QWidget*>(name), Qt::LeftButton);
        }
        QDesktopServices::unsetUrlHandler("mailto");
        QDesktopServices::unsetUrlHandler("https");
        QCOMPARE(opened_, QStringList({"mailto:" + QString::fromUtf8(product::kMail) +
                                           "?subject=Velbrisk%E7%94%A8%E6%88%B7%E6%9D%A5%E4%BF%A1",
                                       QString::fromUtf8(product::kHomePage)}));
    }

    // Enter takes the question's default answer, which need not be its first; Esc and
    // closeQuestion, as the program ends, take the one for doing nothing; a button is its answer.
    void aQuestionEndsWithTheAnswerEachWayGives() {
        QtMessageBoxes boxes;
        const Question question{{MessageIcon::Warning, "Velbrisk", "?"}, {"甲", "乙", "丙"}, 1, 2};
        QStringList answers;
        for (const QString& way : QStringList{"Enter", "Esc", "closeQuestion", "甲"}) {
            QObject round;  // a box that nothing closed is answered after a while, and fails
            for (const int delay : {50, 3000}) {
                QTimer::singleShot(delay, &round, [&, delay] {
                    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    if (delay > 50 || way == "甲") {
                        box->buttons().at(0)->click();
                    } else if (way == "Enter") {
                        QTest::keyClick(box, Qt::Key_Return);
                    } else if (way == "Esc") {
                        QTest::keyClick(box, Qt::Key_Escape);
                    } else {
                        boxes.closeQuestion();
                    }
                });
            }
            answers << way + " " + QString::number(boxes.ask(question));
        }
        QCOMPARE(answers.join(", "), "Enter 1, Esc 2, closeQuestion 2, 甲 0");
    }

    // While a job runs the window takes no click and no close, and after a while its progress
    // dialog comes up as the user sees it; "取消" stops the job, and the window is itself again.
    void jobHoldsTheWindowAndShowsItsProgress() {
        const testing::Deadline deadline("the job to end once its progress dialog is cancelled");
        QWidget window;
        auto* button = new QPushButton("x", &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int clicks = 0;
        connect(button, &QPushButton::clicked, [&] { ++clicks; });
        QtJobView view(&window);
        QString seen;
        QTimer presser;
        presser.callOnTimeout([&] {
            auto* dialog = window.findChild<QProgressDialog*>("ProgressDialog");
            if (!dialog) {  // the modal dialog would hold the clicks off by itself
                QTest::mouseClick(button, Qt::LeftButton);
                window.close();
            } else if (dialog->value() > 0) {
                seen = QStringLiteral("%1 %2 %3 %4").arg(dialog->windowTitle(), dialog->labelText())
                           .arg(dialog->isVisible() && dialog->windowModality() == Qt::WindowModal)
                           .arg(dialog->maximum());
                dialog->findChild<QPushButton*>()->click();
            }
        });
        presser.start(5);
        const JobResult result = JobRunner(view, 200ms).run([](const JobControl& control) {
            for (int step = 1; step < 5000 && !control.stop.stop_requested(); ++step) {
                std::this_thread::sleep_for(1ms);
                control.progress(1, 2);
            }
            return JobResult{control.stop.stop_requested() ? JobStatus::Cancelled : JobStatus::Done, {}, {}};
        });
        QCOMPARE(result.status, JobStatus::Cancelled);
        QCOMPARE(seen, "Velbrisk 正在压缩… 1 10000");
        QVERIFY(!window.findChild<QProgressDialog*>());
        QCOMPARE(clicks, 0);
        QVERIFY(window.isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicks, 1);
    }

private:
    QStringList opened_;
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
