// The main window: its look, and what it does as the user types, clicks, moves and drops.
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>
#include <algorithm>

#include "engine/trim.h"
#include "pe_builder.h"
#include "resources/ProductInfo.h"
#include "ui/Messages.h"
#include "ui/qt/FrmOpen.h"
#include "ui/qt/FrmMain.h"

using namespace velbrisk::ui;
using namespace velbrisk::testing;

namespace {

QString fact(const char* value) {
    return QString::fromUtf8(value);
}

// A control in one line: its place in its parent, its size ("fit" for a label sized to its
// text), the colour that its kind is painted in, the hot spot of a drawn cursor, its text.
QString look(const QWidget* widget) {
    const bool label = widget->inherits("QLabel");
    const bool box = widget->inherits("QLineEdit") || widget->inherits("QPlainTextEdit");
    const auto role = label ? QPalette::WindowText : box ? QPalette::Base : QPalette::Window;
    const QColor colour = widget->palette().color(role);
    QStringList parts = {QStringLiteral("%1,%2").arg(widget->x()).arg(widget->y()),
                         label && widget->size() == widget->sizeHint()
                             ? "fit"
                             : QStringLiteral("%1x%2").arg(widget->width()).arg(widget->height()),
                         colour == QApplication::palette().color(role) ? "default" : colour.name()};
    if (widget->cursor().shape() == Qt::BitmapCursor) {
        const QPoint hotSpot = widget->cursor().hotSpot();
        parts << QStringLiteral("cursor %1,%2").arg(hotSpot.x()).arg(hotSpot.y());
    }
    parts << widget->property(box && !widget->inherits("QLineEdit") ? "plainText" : "text")
                 .toString();
    return parts.join(u' ').trimmed();
}

// Messages and questions as the user reads them: icon, title, text. The system's reason that
// ends an error message is its own wording, written "{reason}".
QStringList said(const QList<Message>& messages) {
    QStringList lines;
    for (const Message& message : messages) {
        const char* icons[] = {"information", "warning", "error"};
        QString text = message.text;
        if (message.icon == MessageIcon::Error && text.count(u'\n') == 2 && !text.endsWith('\n')) {
            text = text.section(u'\n', 0, 1) + "\n{reason}";
        }
        lines << QStringLiteral("%1 %2: %3").arg(icons[int(message.icon)], message.title, text);
    }
    return lines;
}

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

// Drags files (or, with none, the text alone) onto a control and drops them there, as a file
// manager that offers copy or move and gives the paths as plain text too, which a box that
// inserted text would take. Says how the drop was answered.
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

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no file)");
}

// Every file of a folder, hidden ones (a temporary output) included, with its size.
QStringList filesIn(const QString& folder) {
    QStringList files;
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
        files << QStringLiteral("%1 %2").arg(file.fileName()).arg(file.size());
    }
    return files;
}

// Fills the two boxes and clicks "开始压缩", as the user does.
void start(FrmMain& window, const QString& source, const QString& outputName) {
    window.findChild<QLineEdit*>("Text")->setText(source);
    window.findChild<QLineEdit*>("SaveText")->setText(outputName);
    QTest::mouseClick(window.findChild<QWidget*>("Lbl_Com"), Qt::LeftButton);
}

// A program with one section at 0x200 of 0x200 raw bytes: `code` bytes of code, then the
// linker's zero padding; a certificate table of 0x100 bytes after it if signed.
QByteArray program(bool pe32Plus, std::uint32_t code, std::uint32_t trailingZeros = 0,
                   bool isSigned = false) {
    PeLayout layout;
    layout.pe32Plus = pe32Plus;
    layout.sections.push_back({".text", 0x200, 0x200, std::vector<std::uint8_t>(code, 0xC3)});
    if (isSigned) {
        layout.certificateTable = PeCertificateTable{0x400, 0x100};
    }
    layout.trailingZeros = trailingZeros;
    const std::vector<std::uint8_t> bytes = buildPe(layout).bytes;
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

}  // namespace

class FrmMainTest : public QObject {
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

    void windowIsFixedYellowAndTitled() {
        FrmMain window;
        QCOMPARE(window.size(), QSize(406, 183));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(
            (window.windowFlags() & (Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)) ==
            (Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint));
        QCOMPARE(window.windowTitle(),
                 "Velbrisk v1.0  软件作者:" + fact(velbrisk::product::kAuthor));
        QVERIFY(window.windowIcon().availableSizes().contains(QSize(48, 36)));
        QVERIFY(window.autoFillBackground());
        QCOMPARE(window.palette().color(QPalette::Window), QColor(255, 255, 192));
    }

    // Rows are named by the control; places in pixels at 96 dpi. Link blue is RGB(0, 0, 255),
    // the boxes' green RGB(192, 255, 192), the yellow RGB(255, 255, 192).
    void controlsLook_data() {
        using namespace velbrisk::product;
        QTest::addColumn<QString>("look");
        QTest::newRow("Label1") << "8,8 fit default 将被压缩的文件：(可拖动到下面)";
        QTest::newRow("Text") << "8,24 337x18 #c0ffc0";
        QTest::newRow("Label2") << "8,48 fit default 压缩文件名：(注意:不能与被压缩文件名相同！)";
        QTest::newRow("SaveText") << "8,64 337x18 #c0ffc0";
        QTest::newRow("Label") << "352,24 fit #0000ff cursor 12,1 选择文件";
        QTest::newRow("Lbl_Com") << "352,40 fit #0000ff cursor 12,1 开始压缩";
        QTest::newRow("Lbl_Exit") << "352,56 fit #0000ff cursor 12,1 退出程序";
        QTest::newRow("Label3") << "352,72 fit #0000ff cursor 12,1 使用帮助";
        QTest::newRow("Frame1") << "8,88 393x89 #ffffc0";
        QTest::newRow("Text1") << "8,240 393x18 default";  // below the client area
        QTest::newRow("Lbl_About_0") << "16,16 fit default 软件名称:Velbrisk";
        QTest::newRow("Lbl_About_1") << "16,32 fit default 软件作者:" + fact(kAuthor);
        QTest::newRow("Lbl_About_2") << "16,48 fit default 软件版本:v1.0";
        QTest::newRow("Lbl_About_3") << "16,64 fit default 软件授权:" + fact(kLicense);
        QTest::newRow("Lbl_About_4") << "176,16 fit default cursor 12,1 作者邮箱:" + fact(kMail);
        QTest::newRow("Lbl_About_5")
            << "176,32 fit default " + fact(kMailProvider) + "邮箱:" + fact(kSecondMail);
        QTest::newRow("Lbl_About_6")
            << "176,48 fit default cursor 12,1 作者主页:" + fact(kHomePage);
    }
    void controlsLook() {
        QFETCH(QString, look);
        FrmMain window;
        const auto* widget = window.findChild<QWidget*>(QTest::currentDataTag());
        QVERIFY(widget);
        QCOMPARE(::look(widget), look);
    }

    void tabGoesThroughTheProbeBox() {
        FrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.findChild<QWidget*>("Text")->setFocus();
        QStringList visited;
        for (int step = 0; step < 2; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, (QStringList{"Text1", "SaveText"}));
        QVERIFY2(window.findChild<QPlainTextEdit*>("Text1")->toPlainText().isEmpty(),
                 "Tab must move on, not be typed");
    }

    // Each row runs steps, separated by "|", on a window whose source folder "{dir}" (named in
    // Chinese) holds prog.exe, 100 bytes of data and 200 blank ones, and blank.exe, 300 blank
    // bytes; then it compares all that the user can see with the untouched window's, as changed
    // by the row. A message shown while Text is still disabled is marked "[Text off]". Steps:
    //   Text=TEXT, SaveText=TEXT   type into a box (the box is then expected to keep it)
    //   click NAME                 click a control with the primary button
    //   move PLACE...              move over controls, "form" (a bare corner) or "leave"
    //   drop NAME PATH...          drop files on a control; drop-text NAME TEXT drops text only
    void use_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("changed");
        const auto row = [](const char* name, const QString& steps, const QString& changed) {
            QTest::newRow(name) << steps << changed;
        };
        const auto start = [](const QString& source, const QString& outputName) {
            return "Text=" + source + "|SaveText=" + outputName + "|click Lbl_Com";
        };
        const QString error = "said=error Velbrisk: ";
        const QString done = "said=information Velbrisk: 压缩完毕！ [Text off]";

        row("help shows two paragraphs", "click Label3",
            "said=information 使用帮助: 使用Velbrisk可以压缩掉EXE文件中的多余空白部分，从而使EXE"
            "文件体积减小。压缩率根据被压缩文件所含空白空间的多少决定。\n\n如何压缩：选择要压缩的"
            "EXE文件，然后输入压缩文件名，单击“开始压缩”即可开始压缩。你也可以将要压缩的文件拖动到"
            "“将被压缩的文件”下的输入框中。");

        row("both empty: source refused first", start("", ""), error + "请先选择要压缩的文件！");
        row("output name only", start("", "small"), error + "请先选择要压缩的文件！");
        row("source only", start("{dir}prog.exe", ""), error + "请输入压缩文件名！");
        // Only emptiness is checked: blanks go to the job, which finds no such file.
        row("source of blanks passes", start("   ", "small"),
            error + "找不到要压缩的文件！\n    [Text off]");
        // The first probe holding data is 200 bytes from the end: 300 - 190 + 1 bytes.
        row("trimmed copy written", start("{dir}prog.exe", "small"),
            done + "|files=blank.exe 300, prog.exe 300, small.exe 111");
        row("output name of blanks passes", start("{dir}prog.exe", "  "),
            done + "|files=  .exe 111, blank.exe 300, prog.exe 300");
        row("all blank: nothing written", start("{dir}blank.exe", "small"),
            "said=information Velbrisk: 该文件没有可以去掉的空白部分，未生成压缩文件。 [Text off]");
        row("missing source", start("{dir}gone.exe", "small"),
            error + "找不到要压缩的文件！\n{dir}gone.exe [Text off]");
        row("source names the folder", start("{dir}", "small"),
            error + "找不到要压缩的文件！\n{dir} [Text off]");
        const QString longName = QString(300, 'n');
        row("source name too long to open", start("{dir}" + longName, "small"),
            error + "无法读取被压缩文件！\n{dir}" + longName + "\n{reason} [Text off]");
        row("output folder missing", start("{dir}prog.exe", "nowhere/small"),
            error + "无法写入压缩文件！\n{dir}nowhere/small.exe\n{reason} [Text off]");
        row("output is the source", start("{dir}prog.exe", "prog"),
            error + "压缩文件不能与被压缩文件相同！ [Text off]");

        // Hover colours of Label, Lbl_Com, Lbl_Exit and Label3: B for blue, R for red.
        row("over Label", "move Label", "links=RBBB");
        row("over Lbl_Com", "move Lbl_Com", "links=BRBB");
        row("over Lbl_Exit", "move Lbl_Exit", "links=BBRB");
        row("over Label3", "move Label3", "links=BBBR");
        row("form surface after a link", "move Label form", "links=BBBB");
        row("link to link, no form between", "move Label Lbl_Exit", "links=BBRB");
        row("Text turns Label blue", "move Label Text", "links=BBBB");
        row("Text leaves Label3 red", "move Label3 Text", "links=BBBR");
        row("Text then form turns Label3 blue", "move Label3 Text form", "links=BBBB");
        row("SaveText changes nothing", "move Label SaveText", "links=RBBB");
        row("Label1 changes nothing", "move Lbl_Com Label1", "links=BRBB");
        row("Label2 changes nothing", "move Lbl_Exit Label2", "links=BBRB");
        row("Frame1 changes nothing", "move Label3 Frame1", "links=BBBR");
        row("about label changes nothing", "move Label Lbl_About_6", "links=RBBB");
        row("about link changes nothing", "move Lbl_Com Lbl_About_4", "links=BRBB");
        row("left red after leaving the window", "move Lbl_Exit leave", "links=BBRB");

        // Only Text takes drops, always as a copy, so that a file manager never deletes the file.
        row("upper-case EXE", "drop Text /srv/apps/SETUP.EXE",
            "dropped=copy|Text=/srv/apps/SETUP.EXE");
        row("lower-case exe", "drop Text /home/用户/测试/程序.exe",
            "dropped=copy|Text=/home/用户/测试/程序.exe");
        row("mixed case Exe refused", "Text=typed|drop Text /srv/Setup.Exe", "dropped=copy");
        row("eXE refused", "Text=typed|drop Text /srv/setup.eXE", "dropped=copy");
        row("other ending refused", "Text=typed|drop Text /srv/readme.txt", "dropped=copy");
        row("folder ending in exe, no dot", "drop Text /srv/tools_exe",
            "dropped=copy|Text=/srv/tools_exe");
        row("same folder, trailing slash", "drop Text /srv/tools_exe/",
            "dropped=copy|Text=/srv/tools_exe");
        row("first exe decides, later ignored", "drop Text /srv/setup.exe /srv/other.exe",
            "dropped=copy|Text=/srv/setup.exe");
        row("first refused, later exe ignored", "Text=typed|drop Text /srv/readme.txt /srv/a.exe",
            "dropped=copy");
        row("dropped text is no file", "Text=typed|drop-text Text /srv/setup.exe",
            "dropped=ignored");
        for (const char* other : {"SaveText", "Label1", "Label", "Frame1", "Lbl_About_4"}) {
            QTest::addRow("drop on %s ignored", other)
                << QStringLiteral("SaveText=typed|drop %1 /srv/setup.exe").arg(other)
                << "dropped=ignored";
        }

        // Every click on a link of the about panel opens its address again; the mail's subject
        // is shown as the mail program decodes it.
        for (const char* label : {"0", "1", "2", "3", "5"}) {
            QTest::addRow("about %s opens nothing", label)
                << QStringLiteral("click Lbl_About_%1|click Lbl_About_%1").arg(label) << "";
        }
        const QString mail =
            "mailto:" + fact(velbrisk::product::kMail) +
            "?subject=Velbrisk%E7%94%A8%E6%88%B7%E6%9D%A5%E4%BF%A1 [Velbrisk用户来信]";
        row("about 4 opens the mail with its subject", "click Lbl_About_4|click Lbl_About_4",
            "opened=" + mail + " " + mail);
        const QString home = fact(velbrisk::product::kHomePage);
        row("about 6 opens the home page", "click Lbl_About_6|click Lbl_About_6",
            "opened=" + home + " " + home);
    }
    void use() {
        QFETCH(QString, steps);
        QFETCH(QString, changed);
        QTemporaryDir temporary;
        const QString dir = temporary.filePath("测试/");
        QVERIFY(QDir().mkdir(dir));
        writeFile(dir + "prog.exe", QByteArray(100, 'A') + QByteArray(200, '\0'));
        writeFile(dir + "blank.exe", QByteArray(300, '\0'));
        QStringList expected = {"said=",      "busy=cursor arrow, Text on",
                                "Text=",      "SaveText=",
                                "links=BBBB", "dropped=",
                                "opened=",    "files=blank.exe 300, prog.exe 300"};
        const auto expect = [&](const QString& entry) {
            const QString key = entry.section(u'=', 0, 0) + u'=';
            std::replace_if(
                expected.begin(), expected.end(),
                [&](const QString& old) { return old.startsWith(key); }, entry);
        };

        FrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* text = window.findChild<QLineEdit*>("Text");
        const auto busy = [&] {
            return QStringLiteral("cursor %1, Text %2")
                .arg(window.cursor().shape() == Qt::ArrowCursor ? "arrow" : "busy",
                     text->isEnabled() ? "on" : "off");
        };
        MessageRecorder recorder;
        QStringList textOff;
        recorder.onShown = [&] { textOff << (text->isEnabled() ? "" : " [Text off]"); };
        QString dropped;
        opened_.clear();
        for (QString step : steps.split(u'|', Qt::SkipEmptyParts)) {
            step.replace("{dir}", dir);
            const QString verb = step.section(u' ', 0, 0);
            const QStringList args = step.section(u' ', 1).split(u' ', Qt::SkipEmptyParts);
            if (step.startsWith("Text=") || step.startsWith("SaveText=")) {
                window.findChild<QLineEdit*>(step.section(u'=', 0, 0))
                    ->setText(step.section(u'=', 1));
                expect(step);
            } else if (verb == "click") {
                QTest::mouseClick(window.findChild<QWidget*>(args[0]), Qt::LeftButton);
            } else if (verb == "move") {
                for (const QString& place : args) {
                    moveOver(window, place);
                }
            } else if (verb == "drop" || verb == "drop-text") {
                const QStringList files = verb == "drop" ? args.mid(1) : QStringList();
                dropped = drop(window.findChild<QWidget*>(args[0]), files, args.value(1));
            } else {
                QFAIL(qPrintable("no such step: " + step));
            }
        }
        for (const QString& change : changed.split(u'|', Qt::SkipEmptyParts)) {
            expect(QString(change).replace("{dir}", dir));
        }

        QStringList messages = said(recorder.shown);
        for (qsizetype i = 0; i < messages.size(); ++i) {
            messages[i] += textOff.value(i);
        }
        QStringList addresses;
        for (const QUrl& url : opened_) {
            const QString subject = QUrlQuery(url).queryItemValue("subject", QUrl::FullyDecoded);
            addresses << url.toEncoded() + (subject.isEmpty() ? "" : " [" + subject + "]");
        }
        QString colours;
        for (const char* name : {"Label", "Lbl_Com", "Lbl_Exit", "Label3"}) {
            const QColor colour =
                window.findChild<QWidget*>(name)->palette().color(QPalette::WindowText);
            colours += colour == QColor(0, 0, 255)   ? u'B'
                       : colour == QColor(255, 0, 0) ? u'R'
                                                     : u'?';
        }
        const QStringList shown = {"said=" + messages.join(" / "),
                                   "busy=" + busy(),
                                   "Text=" + text->text(),
                                   "SaveText=" + window.findChild<QLineEdit*>("SaveText")->text(),
                                   "links=" + colours,
                                   "dropped=" + dropped,
                                   "opened=" + addresses.join(u' '),
                                   "files=" + filesIn(dir).join(", ")};
        QCOMPARE(shown, expected);
    }

    // Only the primary button, pressed and released on a link, clicks it; the help label's
    // messages count the clicks.
    void onlyAPrimaryPressAndReleaseOnALinkClicks() {
        FrmMain window;
        auto* help = window.findChild<QWidget*>("Label3");
        MessageRecorder recorder;
        QTest::mouseRelease(help, Qt::LeftButton, {}, QPoint(5, 5));  // no press before it
        QTest::mousePress(help, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(help, Qt::LeftButton, {}, QPoint(500, 5));  // dragged off
        QTest::mouseClick(help, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(recorder.shown.size(), 0);
        QTest::mouseClick(help, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(recorder.shown.size(), 1);
    }

    // A cut that reaches into the bytes that a Windows program's headers declare asks first;
    // lostBytes is the count that the question names (0: no question). L is the file's length.
    void questionBeforeCuttingIntoTheProgram_data() {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<int>("lostBytes");
        // L = 1024, last data at 767: the first probe holding data is i = 260, a = 250, so the
        // copy keeps 775 of the 1024 bytes that the section declares.
        QTest::newRow("PE32 cut into the section's padding") << program(false, 0x100) << 249;
        QTest::newRow("PE32+ cut into the section's padding") << program(true, 0x100) << 249;
        // The signature's last 16 bytes are the padding that rounds it up to its alignment:
        // L = 1280, last data at 1263: i = 20, a = 10, the copy keeps 1271 bytes of 1280.
        QByteArray signedProgram = program(true, 0x200, 0, true);
        signedProgram.replace(0x4F0, 16, QByteArray(16, '\0'));
        QTest::newRow("cut into the signature's padding") << signedProgram << 9;
        // L = 1324, last data at 1023: i = 300, a = 290, the copy keeps all 1024 declared bytes.
        QTest::newRow("cut after all declared data") << program(false, 0x200, 300) << 0;
        QTest::newRow("not a program") << QByteArray("MZ, no more") + QByteArray(300, '\0') << 0;
        // The last data byte is the file's last: nothing is cut, the copy is L + 1 bytes.
        QTest::newRow("nothing cut") << program(false, 0x200) << 0;
    }
    void questionBeforeCuttingIntoTheProgram() {
        QFETCH(QByteArray, source);
        QFETCH(int, lostBytes);
        QTemporaryDir dir;
        const QString sourcePath = dir.filePath("prog.exe");
        writeFile(sourcePath, source);
        // What the engine writes when nobody asks: the yes answer must give exactly this.
        QCOMPARE(velbrisk::trimFile(sourcePath.toStdString(), "plain").status,
                 velbrisk::JobStatus::Done);
        const QString question = QStringLiteral(
            "warning Velbrisk: 此文件是Windows程序，要去掉的空白中有%1字节属于程序自身的数据（节"
            "或数字签名）。这样生成的文件可能无法运行，或签名失效。是否仍要压缩？");
        FrmMain window;
        for (const bool yes : {false, true}) {
            MessageRecorder answer(yes);
            start(window, sourcePath, yes ? "yes" : "no");
            QCOMPARE(said(answer.asked),
                     lostBytes ? QStringList{question.arg(lostBytes)} : QStringList());
            // No writes nothing and says nothing more.
            const bool written = yes || !lostBytes;
            QCOMPARE(said(answer.shown),
                     written ? QStringList{"information Velbrisk: 压缩完毕！"} : QStringList());
            QCOMPARE(readFile(dir.filePath(yes ? "yes.exe" : "no.exe")),
                     written ? readFile(dir.filePath("plain.exe")) : "(no file)");
            QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
            QVERIFY(window.findChild<QLineEdit*>("Text")->isEnabled());
        }
        QCOMPARE(readFile(sourcePath), source);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), lostBytes ? 3 : 4);
    }

    void chooseFileOpensTheChooserWithoutOwner() {
        FrmMain window;
        QString opened = "nothing";
        QTimer::singleShot(0, &window, [&] {
            if (auto* dialog = qobject_cast<FrmOpen*>(QApplication::activeModalWidget())) {
                opened = dialog->parentWidget() ? "the chooser with an owner" : "the chooser";
                dialog->reject();
            }
        });
        QTest::mouseClick(window.findChild<QWidget*>("Label"), Qt::LeftButton);
        QCOMPARE(opened, "the chooser");
    }

    // Last, as it ends the application's event loop.
    void exitEndsTheProgramAtOnce() {
        FrmMain window;
        QTimer::singleShot(0, &window, [&] {
            QTest::mouseClick(window.findChild<QWidget*>("Lbl_Exit"), Qt::LeftButton);
        });
        QTimer guard;
        guard.callOnTimeout([] { QCoreApplication::exit(99); });
        guard.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
    }

private:
    QList<QUrl> opened_;
};

QTEST_MAIN(FrmMainTest)
#include "frm_main_test.moc"
