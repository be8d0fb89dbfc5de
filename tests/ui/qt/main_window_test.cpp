// The main window in Qt: where its controls are, what reaches the logic as the user types,
// clicks, moves and drops, and the job's progress dialog; what the logic decides is tested on the
// logic.
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <thread>

#include "message_recorder.h"
#include "pe_builder.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtTwips.h"

using namespace velbrisk::ui;
using namespace velbrisk::testing;
using namespace std::chrono_literals;
using velbrisk::JobControl;
using velbrisk::JobResult;
using velbrisk::JobStatus;
using velbrisk::ui::qt::QtJobView;
using velbrisk::ui::qt::MainWindow;

namespace {

// A button-less move as the window system delivers it: to the control under the pointer, at a
// point where no other control lies ("form" is a bare corner). "leave" leaves the window.
void moveOver(MainWindow& window, const QString& place) {
    QWidget* target = place == "form" ? &window : window.findChild<QWidget*>(place);
    QPoint point(2, 2);
    if (place == "leave") {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&window, &leave);
        return;
    }
    for (int y = 1; target != &window && window.childAt(target->mapTo(&window, point)) != target; ++y) {
        QVERIFY2(y < target->height(), qPrintable("no bare point on " + place));
        point = QPoint(target->width() - 2, y);
    }
    QMouseEvent move(QEvent::MouseMove, point, target->mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(target, &move);
}

// Drops files (or, with none, the text alone) on a control, as a file manager that offers copy
// or move and gives the paths as plain text too. Says how the drop was answered.
QString drop(QWidget* widget, const QStringList& files, const QString& text) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : files) {
        urls << QUrl::fromLocalFile(path);
    }
    if (!urls.isEmpty()) {
        data.setUrls(urls);
    }
    data.setText(files.isEmpty() ? text : files.join(u'\n'));
    const QPoint point = widget->rect().center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(point, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    QDropEvent drop(QPointF(point), offered, &data, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(widget, &drop);
    return !drop.isAccepted() ? "ignored" : drop.dropAction() == Qt::CopyAction ? "copy" : "other";
}

QByteArray program() {
    PeLayout layout;
    layout.sections.push_back({".text", 0x200, 0x200, std::vector<std::uint8_t>(0x100, 0xC3)});
    const std::vector<std::uint8_t> bytes = buildPe(layout).bytes;
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

public slots:
    // Stands in for the desktop: records each address that the window asks it to open.
    void open(const QUrl& address) { opened_ << address.toEncoded(); }

private slots:
    void initTestCase() {
        for (const char* scheme : {"mailto", "https"}) {
            QDesktopServices::setUrlHandler(scheme, this, "open");
        }
    }
    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler("mailto");
        QDesktopServices::unsetUrlHandler("https");
    }

    // Every control where the layout puts it; labels size themselves to their text.
    void controlsWhereTheLayoutSays() {
        MainWindow window;
        QCOMPARE(window.minimumSize(), QSize(qt::twips(main_window::kClientWidth),
                                             qt::twips(main_window::kClientHeight)));
        QCOMPARE(window.maximumSize(), window.minimumSize());
        std::vector<std::pair<QString, TwipsRect>> places;
        for (const main_window::Control& control : main_window::kControls) {
            places.emplace_back(QString::fromUtf8(control.name.data(), qsizetype(control.name.size())),
                                control.place);
        }
        for (int index = 0; index < main_window::kAboutCount; ++index) {
            places.emplace_back(QStringLiteral("Lbl_About_%1").arg(index),
                                main_window::aboutEntries()[std::size_t(index)].place);
        }
        for (const auto& [name, place] : places) {
            const auto* widget = window.findChild<QWidget*>(name);
            QVERIFY2(widget, qPrintable(name));
            const QRect drawn = widget->inherits("QLabel") ? QRect(qt::qtRect(place).topLeft(), widget->sizeHint())
                                                           : qt::qtRect(place);
            QCOMPARE(widget->geometry(), drawn);
        }
    }

    // Each row runs steps, separated by "|", on a window whose folder "{dir}" holds prog.exe,
    // 100 bytes of data and 200 blank ones, and pe.exe, a Windows program whose cut reaches its
    // own bytes; then it compares what the user sees with the untouched window's, as changed by
    // the row. A message or question that comes under the busy cursor is marked "[busy]". Steps:
    //   Text=TEXT, SaveText=TEXT   type into a box
    //   click NAME                 click a control with the primary button
    //   move PLACE...              move over controls, "form" or "leave"; the links' colours
    //                              after each (B blue, R red: Label, Lbl_Com, Lbl_Exit, Label3)
    //   drop NAME PATH...          drop files on a control; drop-text NAME TEXT drops text only
    void use_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("changed");
        const auto row = [](const char* name, const QString& steps, const QString& changed) {
            QTest::newRow(name) << steps << changed;
        };
        row("boxes' texts reach the job", "Text={dir}prog.exe|SaveText=小|click Lbl_Com",
            "Text={dir}prog.exe|said=Velbrisk: 压缩完毕！|files=pe.exe 1024, prog.exe 300, 小.exe 111");
        row("the question comes under the busy cursor", "Text={dir}pe.exe|SaveText=x|click Lbl_Com",
            "Text={dir}pe.exe|said=Velbrisk? [busy]");
        row("each link's moves", "move Label Lbl_Com Lbl_Exit Label3", "links=RBBB BRBB BBRB BBBR");
        row("Text and the form", "move Label Text Label3 Text form", "links=RBBB BBBB BBBR BBBR BBBB");
        row("the other controls change nothing",
            "move Label SaveText Label1 Label2 Frame1 Lbl_About_6 leave",
            "links=RBBB RBBB RBBB RBBB RBBB RBBB RBBB");
        // Only Text takes drops, always as a copy, so that a file manager never deletes the file.
        row("a file dropped on Text", "drop Text /srv/数据/SETUP.EXE", "dropped=copy|Text=/srv/数据/SETUP.EXE");
        row("a refused name is still a copy", "drop Text /srv/readme.txt", "dropped=copy");
        row("text is no file", "drop-text Text /srv/setup.exe", "dropped=ignored");
        row("the other controls take no drop",
            "drop SaveText /a.exe|drop Label1 /a.exe|drop Label /a.exe|drop Frame1 /a.exe",
            "dropped=ignored ignored ignored ignored");
        // The mail's Chinese subject goes out encoded as the mail program decodes it.
        row("about links", "click Lbl_About_5|click Lbl_About_4|click Lbl_About_6",
            "opened=mailto:" + QString::fromUtf8(velbrisk::product::kMail) +
                "?subject=Velbrisk%E7%94%A8%E6%88%B7%E6%9D%A5%E4%BF%A1 " +
                QString::fromUtf8(velbrisk::product::kHomePage));
    }
    void use() {
        QFETCH(QString, steps);
        QFETCH(QString, changed);
        QTemporaryDir temporary;
        const QString dir = temporary.filePath("测试/");
        QVERIFY(QDir().mkdir(dir));
        for (const auto& [name, bytes] : {std::pair{"prog.exe", QByteArray(100, 'A') + QByteArray(200, '\0')},
                                          std::pair{"pe.exe", program()}}) {
            QFile file(dir + name);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
        MessageRecorder recorder;
        MainWindow window(recorder);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QStringList said, links, dropped;
        const auto record = [&](const Message& message, const QString& how) {
            said << QString::fromStdString(message.title) + how +
                        (window.cursor().shape() == Qt::WaitCursor ? " [busy]" : "");
        };
        recorder.onShown = [&] {
            record(recorder.shown.back(), ": " + QString::fromStdString(recorder.shown.back().text));
        };
        recorder.onAsked = [&] { record(recorder.asked.back(), "?"); };
        opened_.clear();
        for (QString step : steps.split(u'|')) {
            step.replace("{dir}", dir);
            const QString verb = step.section(u' ', 0, 0);
            const QStringList args = step.section(u' ', 1).split(u' ', Qt::SkipEmptyParts);
            if (step.contains(u'=')) {
                window.findChild<QLineEdit*>(step.section(u'=', 0, 0))->setText(step.section(u'=', 1));
            } else if (verb == "click") {
                QTest::mouseClick(window.findChild<QWidget*>(args[0]), Qt::LeftButton);
            } else if (verb == "move") {
                for (const QString& place : args) {
                    moveOver(window, place);
                    QString colours;
                    for (const char* name : {"Label", "Lbl_Com", "Lbl_Exit", "Label3"}) {
                        const QColor colour = window.findChild<QWidget*>(name)->palette().color(QPalette::WindowText);
                        colours += colour == QColor(0, 0, 255) ? u'B' : colour == QColor(255, 0, 0) ? u'R' : u'?';
                    }
                    links << colours;
                }
            } else {
                dropped << drop(window.findChild<QWidget*>(args[0]), verb == "drop" ? args.mid(1) : QStringList(),
                                args.value(1));
            }
        }
        QStringList expected = {"said=", "busy=no", "Text=", "links=", "dropped=", "opened=",
                                "files=pe.exe 1024, prog.exe 300"};
        for (const QString& change : changed.split(u'|', Qt::SkipEmptyParts)) {
            expected.replaceInStrings(QRegularExpression("^" + change.section(u'=', 0, 0) + "=.*"), change);
        }
        QStringList files;
        for (const QFileInfo& file : QDir(dir).entryInfoList(QDir::Files | QDir::Hidden)) {
            files << QStringLiteral("%1 %2").arg(file.fileName()).arg(file.size());
        }
        const auto* text = window.findChild<QLineEdit*>("Text");
        const bool busy = window.cursor().shape() != Qt::ArrowCursor || !text->isEnabled();
        QStringList shown = {"said=" + said.join(" / "), QString("busy=") + (busy ? "yes" : "no"),
                             "Text=" + text->text(), "links=" + links.join(u' '),
                             "dropped=" + dropped.join(u' '), "opened=" + opened_.join(u' '),
                             "files=" + files.join(", ")};
        shown.replaceInStrings(dir, "{dir}");
        QCOMPARE(shown, expected);
    }

    // Only the primary button, pressed and released on a link, clicks it.
    void onlyAPrimaryPressAndReleaseOnALinkClicks() {
        MessageRecorder recorder;
        MainWindow window(recorder);
        auto* help = window.findChild<QWidget*>("Label3");
        QTest::mouseRelease(help, Qt::LeftButton, {}, QPoint(5, 5));  // no press before it
        QTest::mousePress(help, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(help, Qt::LeftButton, {}, QPoint(500, 5));  // dragged off
        QTest::mouseClick(help, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(recorder.shown.size(), 0);
        QTest::mouseClick(help, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(recorder.shown.size(), 1);
    }

    // The dialog as the user sees it in a long job, whose "取消" stops it; gone with the runner.
    void progressDialogAndItsCancel() {
        QWidget window;
        window.show();
        QtJobView view(&window);
        QString seen;
        {
            JobRunner runner(view, 20ms);
            QTimer presser;
            presser.callOnTimeout([&] {
                auto* dialog = window.findChild<QProgressDialog*>("ProgressDialog");
                if (dialog && dialog->value() > 0) {
                    seen = QStringLiteral("%1 %2 %3 %4").arg(dialog->windowTitle(), dialog->labelText())
                               .arg(dialog->isVisible() && dialog->windowModality() == Qt::WindowModal)
                               .arg(dialog->maximum());
                    dialog->findChild<QPushButton*>()->click();
                    presser.stop();
                }
            });
            presser.start(5);
            const JobResult result = runner.run([](const JobControl& control) {
                for (std::uint64_t step = 1; step < 100000 && !control.stop.stop_requested(); ++step) {
                    std::this_thread::sleep_for(1ms);
                    control.progress(step, 100000);
                }
                return JobResult{control.stop.stop_requested() ? JobStatus::Cancelled : JobStatus::Done, {}, {}};
            });
            QCOMPARE(result.status, JobStatus::Cancelled);
        }
        QCOMPARE(seen, "Velbrisk 正在压缩… 1 10000");
        QVERIFY(!window.findChild<QProgressDialog*>());
    }

    // A click and the close box while the job runs reach nothing; once it has ended they do.
    void windowTakesNoInputWhileTheJobRuns() {
        QWidget window;
        auto* button = new QPushButton("x", &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int clicks = 0;
        connect(button, &QPushButton::clicked, [&] { ++clicks; });
        QtJobView view(&window);
        JobRunner(view).run([&](const JobControl&) {
            QMetaObject::invokeMethod(&window, [&] {
                QTest::mouseClick(button, Qt::LeftButton);
                window.close();
            }, Qt::BlockingQueuedConnection);
            return JobResult{};
        });
        QCOMPARE(clicks, 0);
        QVERIFY(window.isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicks, 1);
    }

    // The worker's wake ends the wait at once, long before its timeout.
    void wakeFromAnotherThreadEndsTheWait() {
        QWidget window;
        QtJobView view(&window);
        std::jthread waker([&] {
            std::this_thread::sleep_for(20ms);
            view.wake();
        });
        const auto start = std::chrono::steady_clock::now();
        view.waitForWake(10s);
        QVERIFY(std::chrono::steady_clock::now() - start < 5s);
    }

    // Last, as it ends the application's event loop.
    void exitEndsTheProgramAtOnce() {
        MainWindow window;
        QTimer::singleShot(0, &window, [&] {
            QTest::mouseClick(window.findChild<QWidget*>("Lbl_Exit"), Qt::LeftButton);
        });
        QTimer::singleShot(5000, &window, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);
    }

private:
    QStringList opened_;
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
