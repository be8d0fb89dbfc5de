// The main window: its look, its commands, and the messages and files with which a job ends.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "engine/trim.h"
#include "pe_builder.h"
#include "resources/ProductInfo.h"
#include "ui/Messages.h"
#include "ui/chooser/FrmOpen.h"
#include "ui/main/FrmMain.h"

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

// Messages and questions as the user reads them: icon, title, text.
QStringList said(const QList<Message>& messages) {
    QStringList lines;
    for (const Message& message : messages) {
        const char* icons[] = {"information", "warning", "error"};
        lines << QStringLiteral("%1 %2: %3")
                     .arg(icons[int(message.icon)], message.title, message.text);
    }
    return lines;
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

private slots:
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

    void helpShowsTwoParagraphs() {
        FrmMain window;
        MessageRecorder recorder;
        QTest::mouseClick(window.findChild<QWidget*>("Label3"), Qt::LeftButton);
        QCOMPARE(said(recorder.shown),
                 QStringList{"information 使用帮助: 使用Velbrisk可以压缩掉EXE文件中的多余空白部"
                             "分，从而使EXE文件体积减小。压缩率根据被压缩文件所含空白空间的多少决"
                             "定。\n\n如何压缩：选择要压缩的EXE文件，然后输入压缩文件名，单击“开"
                             "始压缩”即可开始压缩。你也可以将要压缩的文件拖动到“将被压缩的文件”"
                             "下的输入框中。"});
    }

    // Every ending of the start command: its one message, and the files of the source's folder
    // afterwards. "{dir}" is that folder (named in Chinese), where prog.exe holds 100 bytes of
    // data and 200 blank ones, and blank.exe 300 blank bytes; "{reason}" is the system's reason.
    void startEndsWithItsMessage_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("outputName");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("files");
        const auto row = [](const char* name, const QString& source, const QString& outputName,
                            const QString& shown, const QString& output = {}) {
            QStringList files = {"blank.exe 300", "prog.exe 300"};
            if (!output.isEmpty()) {
                files << output;
                files.sort();
            }
            QTest::newRow(name) << source << outputName << shown << files;
        };
        row("both empty: source refused first", "", "", "error Velbrisk: 请先选择要压缩的文件！");
        row("output name only", "", "small", "error Velbrisk: 请先选择要压缩的文件！");
        row("source only", "{dir}prog.exe", "", "error Velbrisk: 请输入压缩文件名！");
        // Only emptiness is checked: blanks go to the job, which finds no such file.
        row("source of blanks passes", "   ", "small", "error Velbrisk: 找不到要压缩的文件！\n   ");
        // The first probe holding data is 200 bytes from the end: 300 - 190 + 1 bytes.
        row("trimmed copy written", "{dir}prog.exe", "small", "information Velbrisk: 压缩完毕！",
            "small.exe 111");
        row("output name of blanks passes", "{dir}prog.exe", "  ",
            "information Velbrisk: 压缩完毕！", "  .exe 111");
        row("all blank: nothing written", "{dir}blank.exe", "small",
            "information Velbrisk: 该文件没有可以去掉的空白部分，未生成压缩文件。");
        row("missing source", "{dir}gone.exe", "small",
            "error Velbrisk: 找不到要压缩的文件！\n{dir}gone.exe");
        row("source names the folder", "{dir}", "small",
            "error Velbrisk: 找不到要压缩的文件！\n{dir}");
        row("source name too long to open", "{dir}" + QString(300, 'n'), "small",
            "error Velbrisk: 无法读取被压缩文件！\n{dir}" + QString(300, 'n') + "\n{reason}");
        row("output folder missing", "{dir}prog.exe", "nowhere/small",
            "error Velbrisk: 无法写入压缩文件！\n{dir}nowhere/small.exe\n{reason}");
        row("output is the source", "{dir}prog.exe", "prog",
            "error Velbrisk: 压缩文件不能与被压缩文件相同！");
    }
    void startEndsWithItsMessage() {
        QFETCH(QString, source);
        QFETCH(QString, outputName);
        QFETCH(QString, shown);
        QFETCH(QStringList, files);
        QTemporaryDir temporary;
        const QString dir = temporary.filePath("测试/");
        QVERIFY(QDir().mkdir(dir));
        writeFile(dir + "prog.exe", QByteArray(100, 'A') + QByteArray(200, '\0'));
        writeFile(dir + "blank.exe", QByteArray(300, '\0'));
        source.replace("{dir}", dir);
        shown.replace("{dir}", dir);

        FrmMain window;
        auto* text = window.findChild<QLineEdit*>("Text");
        const auto busy = [&] {
            return QStringLiteral("cursor %1, Text %2")
                .arg(window.cursor().shape() == Qt::ArrowCursor ? "arrow" : "busy",
                     text->isEnabled() ? "on" : "off");
        };
        MessageRecorder recorder;
        QString busyAtMessage;
        recorder.onShown = [&] { busyAtMessage = busy(); };
        start(window, source, outputName);

        QStringList shownText = said(recorder.shown);
        const qsizetype reason = shown.indexOf("{reason}");
        if (reason > 0 && shownText.size() == 1 && shownText[0].size() > reason &&
            shownText[0].startsWith(shown.left(reason))) {
            shownText[0] = shown;
        }
        QCOMPARE(shownText, QStringList{shown});
        // A job that ran puts the cursor back before its message, and Text only after it.
        const bool refused = source.isEmpty() || outputName.isEmpty();
        QCOMPARE(busyAtMessage, refused ? "cursor arrow, Text on" : "cursor arrow, Text off");
        QCOMPARE(busy(), "cursor arrow, Text on");
        QCOMPARE(text->text(), source);
        QCOMPARE(filesIn(dir), files);
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
};

QTEST_MAIN(FrmMainTest)
#include "frm_main_test.moc"
