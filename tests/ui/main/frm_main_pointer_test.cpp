// The main window under the mouse: clicks, hover colours, drops, and the about panel's links.
#include <QApplication>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>
#include <QUrlQuery>

#include "resources/ProductInfo.h"
#include "ui/Messages.h"
#include "ui/main/FrmMain.h"

using velbrisk::ui::FrmMain;

namespace {

// A button-less move as the window system delivers it: to the control under the pointer, "form"
// being a bare corner of the window. "leave" is the pointer leaving the window, which is no move.
void moveOver(FrmMain& window, const QString& place) {
    if (place == "leave") {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&window, &leave);
        return;
    }
    const auto* named = window.findChild<QWidget*>(place);
    const QPoint point =
        place == "form" ? QPoint(2, 2) : named->mapTo(&window, named->rect().center());
    QWidget* target = window.childAt(point) ? window.childAt(point) : &window;
    const QPointF local = target->mapFrom(&window, point);
    QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
}

// The four link labels' colours as letters, in the order Label, Lbl_Com, Lbl_Exit, Label3: B for
// blue, R for red, ? for anything else.
QString linkColours(const FrmMain& window) {
    QString colours;
    for (const char* name : {"Label", "Lbl_Com", "Lbl_Exit", "Label3"}) {
        const QColor colour =
            window.findChild<QWidget*>(name)->palette().color(QPalette::WindowText);
        colours += colour == QColor(0, 0, 255) ? u'B' : colour == QColor(255, 0, 0) ? u'R' : u'?';
    }
    return colours;
}

// Drags files onto a control and drops them there, as a file manager that offers copy or move and
// gives the paths as plain text too (a box that inserted text would take that). Returns the action
// the drop was answered with.
Qt::DropAction drop(QWidget* widget, const QStringList& files, const QString& text) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : files) {
        urls << QUrl::fromLocalFile(path);
    }
    if (!urls.isEmpty()) {
        data.setUrls(urls);
    }
    data.setText(text.isEmpty() ? files.join(u'\n') : text);
    const QPoint point = widget->rect().center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(point, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    QDropEvent drop(QPointF(point), offered, &data, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(widget, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

}  // namespace

class FrmMainPointerTest : public QObject {
    Q_OBJECT

public slots:
    // Stands in for the desktop: records each address that the window asks it to open.
    void open(const QUrl& address) { opened_ << address; }

private slots:
    void initTestCase() {
        for (const char* scheme : {"mailto", "http", "https"}) {
            QDesktopServices::setUrlHandler(scheme, this, "open");
        }
    }
    void cleanupTestCase() {
        for (const char* scheme : {"mailto", "http", "https"}) {
            QDesktopServices::unsetUrlHandler(scheme);
        }
    }

    // Only the primary button, pressed and released on a link, clicks it; the help label's
    // messages count the clicks.
    void onlyAPrimaryPressAndReleaseOnALinkClicks() {
        FrmMain window;
        auto* help = window.findChild<QWidget*>("Label3");
        velbrisk::ui::MessageRecorder recorder;
        QTest::mouseRelease(help, Qt::LeftButton, {}, QPoint(5, 5));  // no press before it
        QTest::mousePress(help, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(help, Qt::LeftButton, {}, QPoint(500, 5));  // dragged off
        QTest::mouseClick(help, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(recorder.shown.size(), 0);
        QTest::mouseClick(help, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(recorder.shown.size(), 1);
    }

    // Each row moves the pointer over the places in turn and reads the links after the last move.
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
        QTest::newRow("about link changes nothing")
            << QStringList{"Lbl_Com", "Lbl_About_4"} << "BRBB";
        QTest::newRow("left red after leaving the window")
            << QStringList{"Lbl_Exit", "leave"} << "BBRB";
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

    // Both boxes hold "typed" before the drop; the drop is answered with a copy or ignored.
    void drops_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("text");  // plain text of the drop, when not the paths
        QTest::addColumn<QString>("sourceBox");
        QTest::addColumn<int>("action");
        const auto row = [](const char* name, const char* target, const QStringList& files,
                            const QString& sourceBox, Qt::DropAction action,
                            const QString& text = {}) {
            QTest::newRow(name) << QString(target) << files << text << sourceBox << int(action);
        };
        const Qt::DropAction copy = Qt::CopyAction;
        row("upper-case EXE", "Text", {"/srv/apps/SETUP.EXE"}, "/srv/apps/SETUP.EXE", copy);
        row("lower-case exe", "Text", {"/home/用户/测试/程序.exe"}, "/home/用户/测试/程序.exe",
            copy);
        row("mixed case Exe refused", "Text", {"/srv/apps/Setup.Exe"}, "typed", copy);
        row("eXE refused", "Text", {"/srv/apps/setup.eXE"}, "typed", copy);
        row("other ending", "Text", {"/srv/readme.txt"}, "typed", copy);
        row("folder ending in exe, no dot", "Text", {"/srv/tools_exe"}, "/srv/tools_exe", copy);
        row("same folder with trailing slash", "Text", {"/srv/tools_exe/"}, "/srv/tools_exe", copy);
        row("first exe decides, later ignored", "Text", {"/srv/setup.exe", "/srv/other.exe"},
            "/srv/setup.exe", copy);
        row("first refused, later exe ignored", "Text", {"/srv/readme.txt", "/srv/setup.exe"},
            "typed", copy);
        row("dropped text is no file", "Text", {}, "typed", Qt::IgnoreAction, "/srv/setup.exe");
        for (const char* other : {"SaveText", "Label1", "Label", "Frame1", "Lbl_About_4"}) {
            row(other, other, {"/srv/setup.exe"}, "typed", Qt::IgnoreAction);
        }
    }
    void drops() {
        QFETCH(QString, target);
        QFETCH(QStringList, files);
        QFETCH(QString, text);
        QFETCH(QString, sourceBox);
        QFETCH(int, action);
        FrmMain window;
        auto* source = window.findChild<QLineEdit*>("Text");
        auto* output = window.findChild<QLineEdit*>("SaveText");
        source->setText("typed");
        output->setText("typed");
        QCOMPARE(int(drop(window.findChild<QWidget*>(target), files, text)), action);
        QCOMPARE(source->text(), sourceBox);
        QCOMPARE(output->text(), "typed");
    }

    // Each label clicked twice; every click opens its address again.
    void aboutLinks_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("address");  // empty: nothing opens
        QTest::addColumn<QString>("subject");     // as the mail program decodes it
        for (int index : {0, 1, 2, 3, 5}) {
            QTest::addRow("%d opens nothing", index) << index << QByteArray() << QString();
        }
        QTest::newRow("4 mail with its subject")
            << 4
            << QByteArray("mailto:") + velbrisk::product::kMail +
                   "?subject=Velbrisk%E7%94%A8%E6%88%B7%E6%9D%A5%E4%BF%A1"
            << "Velbrisk用户来信";
        QTest::newRow("6 home page") << 6 << QByteArray(velbrisk::product::kHomePage) << "";
    }
    void aboutLinks() {
        QFETCH(int, index);
        QFETCH(QByteArray, address);
        QFETCH(QString, subject);
        FrmMain window;
        opened_.clear();
        auto* label = window.findChild<QWidget*>(QStringLiteral("Lbl_About_%1").arg(index));
        QTest::mouseClick(label, Qt::LeftButton);
        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(opened_.size(), address.isEmpty() ? 0 : 2);
        for (const QUrl& url : opened_) {
            QCOMPARE(url.toEncoded(), address);
            QCOMPARE(QUrlQuery(url).queryItemValue("subject", QUrl::FullyDecoded), subject);
        }
    }

private:
    QList<QUrl> opened_;
};

QTEST_MAIN(FrmMainPointerTest)
#include "frm_main_pointer_test.moc"
