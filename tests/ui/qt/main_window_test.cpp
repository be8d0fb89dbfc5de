// The main window in Qt: where its controls are and what reaches the logic; the job's dialog.
#include <QDesktopServices>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <fstream>
#include <thread>

#include "app/Module1.h"
#include "app/Startup.h"
#include "pe_builder.h"
#include "qt/widget_probe.h"
#include "tests/deadline.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtTwips.h"

using namespace velbrisk::testing;
using namespace velbrisk::ui::qt;
using namespace std::chrono_literals;

// How the control answers a drop as a file manager makes it: copy or move, the path as text too.
QString drop(QWidget* widget, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    data.setText(path);
    const QPoint point = widget->rect().center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(point, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    QDropEvent drop(point, offered, &data, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(widget, &drop);
    return !drop.isAccepted() ? "ignored" : drop.dropAction() == Qt::CopyAction ? "copy" : "move";
}

class MainWindowTest : public QObject {
    Q_OBJECT

public slots:
    // Stands in for the desktop: records each address that the window asks it to open.
    void open(const QUrl& address) { opened_ << address.toEncoded(); }

private slots:
    void initTestCase() { QApplication::setFont(app::interfaceFont()); }  // taller than a label

    // Every control where the layout puts it, no two sharing a pixel; a label as big as its text
    // unless cut short by the control right below it.
    void controlsWhereTheLayoutSays() {
        MainWindow window({});
        const QSize size(twips(main_window::kClientWidth), twips(main_window::kClientHeight));
        QCOMPARE(window.minimumSize(), size);
        QCOMPARE(window.maximumSize(), size);
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
    // Only Text takes drops, as a copy lest the file manager delete one. The question comes under
    // the busy cursor, the window held; the mail's subject goes out encoded as mail programs read.
    void eventsReachTheLogic() {
        const Deadline deadline("the job, and the question between its phases, to end");
        QTemporaryDir folder;
        const QString source = folder.filePath("程序.exe");
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
                QWidget* box = QApplication::activeModalWidget();
                key ? QTest::keyClick(box, Qt::Key(key)) : boxes.closeQuestion();
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
        QElapsedTimer waited;
        waited.start();
        view.waitForWake(5s);
        QVERIFY(job.joinable() && waited.elapsed() < 4000);
        view.closeProgress();
        QVERIFY(!window.findChild<QProgressDialog*>());
    }

private:
    QStringList opened_;
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
