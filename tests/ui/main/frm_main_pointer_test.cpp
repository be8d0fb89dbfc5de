// The main window under the mouse: hover colours of the link labels, and drops on the source box.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>

#include "ui/main/FrmMain.h"

using velbrisk::ui::FrmMain;

namespace {

const QStringList kLinks = {"Label", "Lbl_Com", "Lbl_Exit", "Label3"};

// The centre of a named control, or a corner of the bare form, in window coordinates.
QPoint placeOf(const FrmMain& window, const QString& place) {
    if (place == "form") {
        return QPoint(2, 2);
    }
    auto* widget = window.findChild<QWidget*>(place);
    Q_ASSERT(widget);
    return widget->mapTo(&window, widget->rect().center());
}

// A button-less move, delivered as the window system does: to the control under the pointer.
void moveOver(FrmMain& window, const QString& place) {
    const QPoint point = placeOf(window, place);
    QWidget* target = window.childAt(point);
    if (!target) {
        target = &window;
    }
    const QPointF local = target->mapFrom(&window, point);
    QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
}

// The four link labels' colours as letters: B for blue, R for red, ? for anything else.
QString linkColours(const FrmMain& window) {
    QString colours;
    for (const QString& name : kLinks) {
        const QColor colour =
            window.findChild<QLabel*>(name)->palette().color(QPalette::WindowText);
        colours += colour == QColor(0, 0, 255) ? u'B' : colour == QColor(255, 0, 0) ? u'R' : u'?';
    }
    return colours;
}

QMimeData* fileDrop(const QStringList& paths, const QString& text = {}) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls.append(QUrl::fromLocalFile(path));
    }
    if (!urls.isEmpty()) {
        data->setUrls(urls);
    }
    // File managers offer the paths as plain text too; a box that inserted text would take it.
    data->setText(text.isEmpty() ? paths.join(u'\n') : text);
    return data;
}

// Drags the data onto the widget and drops it there, as a file manager offering copy or move.
// Returns the action that the drop was answered with, or IgnoreAction.
Qt::DropAction dropOn(QWidget* widget, QMimeData* data) {
    const QPoint point = widget->rect().center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(point, offered, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    QDropEvent drop(QPointF(point), offered, data, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(widget, &drop);
    delete data;
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

}  // namespace

class FrmMainPointerTest : public QObject {
    Q_OBJECT

private slots:
    // Each row moves the pointer over the places in turn and reads the four links after the last
    // move, in the order Label, Lbl_Com, Lbl_Exit, Label3.
    void hoverColours_data() {
        QTest::addColumn<QStringList>("moves");
        QTest::addColumn<QString>("colours");
        QTest::newRow("at start all blue") << QStringList{} << "BBBB";
        QTest::newRow("over Label") << QStringList{"Label"} << "RBBB";
        QTest::newRow("over Lbl_Com") << QStringList{"Lbl_Com"} << "BRBB";
        QTest::newRow("over Lbl_Exit") << QStringList{"Lbl_Exit"} << "BBRB";
        QTest::newRow("over Label3") << QStringList{"Label3"} << "BBBR";
        QTest::newRow("form surface after a link") << QStringList{"Label", "form"} << "BBBB";
        QTest::newRow("link to link, no form between")
            << QStringList{"Label", "Lbl_Exit"} << "BBRB";
        QTest::newRow("staying on one link") << QStringList{"Lbl_Com", "Lbl_Com"} << "BRBB";
        QTest::newRow("Text turns Label blue") << QStringList{"Label", "Text"} << "BBBB";
        QTest::newRow("Text leaves Label3 red") << QStringList{"Label3", "Text"} << "BBBR";
        QTest::newRow("Text then form turns Label3 blue")
            << QStringList{"Label3", "Text", "form"} << "BBBB";
        QTest::newRow("SaveText changes nothing") << QStringList{"Label", "SaveText"} << "RBBB";
        QTest::newRow("Label1 changes nothing") << QStringList{"Lbl_Com", "Label1"} << "BRBB";
        QTest::newRow("Label2 changes nothing") << QStringList{"Lbl_Exit", "Label2"} << "BBRB";
        QTest::newRow("Frame1 changes nothing") << QStringList{"Label3", "Frame1"} << "BBBR";
        QTest::newRow("about label changes nothing")
            << QStringList{"Label", "Lbl_About_6"} << "RBBB";
        QTest::newRow("about link label changes nothing")
            << QStringList{"Lbl_Com", "Lbl_About_4"} << "BRBB";
    }
    void hoverColours() {
        QFETCH(QStringList, moves);
        QFETCH(QString, colours);
        FrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const QString& place : moves) {
            moveOver(window, place);
        }
        QCOMPARE(linkColours(window), colours);
    }

    // Leaving the window is no mouse move: the last link stays red until the next one.
    void linkStaysRedAfterLeavingTheWindow() {
        FrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        moveOver(window, "Lbl_Exit");
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(window.findChild<QWidget*>("Lbl_Exit"), &leave);
        QApplication::sendEvent(&window, &leave);
        QCOMPARE(linkColours(window), "BBRB");
        moveOver(window, "form");
        QCOMPARE(linkColours(window), "BBBB");
    }

    void dropsOnTheSourceBox_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        const QString typed = "typed by hand";
        QTest::newRow("upper-case EXE") << QStringList{"/srv/apps/SETUP.EXE"} << ""
                                        << "/srv/apps/SETUP.EXE";
        QTest::newRow("lower-case exe") << QStringList{"/home/用户/测试/程序.exe"} << ""
                                        << "/home/用户/测试/程序.exe";
        QTest::newRow("mixed case Exe refused")
            << QStringList{"/srv/apps/Setup.Exe"} << "" << typed;
        QTest::newRow("eXE refused") << QStringList{"/srv/apps/setup.eXE"} << "" << typed;
        QTest::newRow("no dot before exe") << QStringList{"/srv/tools_exe"} << ""
                                           << "/srv/tools_exe";
        QTest::newRow("folder with trailing slash") << QStringList{"/srv/tools_exe/"} << ""
                                                    << "/srv/tools_exe";
        QTest::newRow("other ending") << QStringList{"/srv/readme.txt"} << "" << typed;
        QTest::newRow("first refused, later exe ignored")
            << QStringList{"/srv/readme.txt", "/srv/setup.exe"} << "" << typed;
        QTest::newRow("first exe taken, later ignored")
            << QStringList{"/srv/setup.exe", "/srv/other.exe"} << ""
            << "/srv/setup.exe";
        QTest::newRow("dropped text is no file") << QStringList{} << "/srv/setup.exe" << typed;
    }
    void dropsOnTheSourceBox() {
        QFETCH(QStringList, files);
        QFETCH(QString, text);
        QFETCH(QString, result);
        FrmMain window;
        auto* box = window.findChild<QLineEdit*>("Text");
        box->setText("typed by hand");
        dropOn(box, fileDrop(files, text));
        QCOMPARE(box->text(), result);
    }

    // A file manager deletes what was moved: the source box only ever takes a copy.
    void dropIsTakenAsCopy() {
        FrmMain window;
        auto* box = window.findChild<QLineEdit*>("Text");
        QCOMPARE(dropOn(box, fileDrop({"/srv/setup.exe"})), Qt::CopyAction);
        QCOMPARE(box->text(), "/srv/setup.exe");
    }

    void onlyTheSourceBoxTakesDrops() {
        FrmMain window;
        auto* source = window.findChild<QLineEdit*>("Text");
        auto* output = window.findChild<QLineEdit*>("SaveText");
        output->setText("small");
        QVERIFY(!output->acceptDrops());
        QCOMPARE(dropOn(output, fileDrop({"/srv/setup.exe"})), Qt::IgnoreAction);
        for (const char* name : {"Label1", "Label", "Frame1", "Lbl_About_4"}) {
            QCOMPARE(dropOn(window.findChild<QWidget*>(name), fileDrop({"/srv/setup.exe"})),
                     Qt::IgnoreAction);
        }
        QCOMPARE(output->text(), "small");
        QVERIFY(source->text().isEmpty());
    }
};

QTEST_MAIN(FrmMainPointerTest)
#include "frm_main_pointer_test.moc"
