// The main window: its controls and layout, its commands, and the messages that end a job.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "resources/ProductInfo.h"
#include "ui/Messages.h"
#include "ui/chooser/FrmOpen.h"
#include "ui/main/FrmMain.h"

using velbrisk::ui::FrmMain;
using velbrisk::ui::Message;
using velbrisk::ui::MessageIcon;
using velbrisk::ui::MessageRecorder;

namespace {

const QColor kLightYellow(255, 255, 192);
const QColor kLightGreen(192, 255, 192);
const QColor kBlue(0, 0, 255);

const QString kLinkNames[] = {"Label", "Lbl_Com", "Lbl_Exit", "Label3"};

template <typename T>
T* control(const FrmMain& window, const QString& name) {
    return window.findChild<T*>(name, Qt::FindDirectChildrenOnly);
}

void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
}

QString helpText() {
    return QStringLiteral(
        "使用Velbrisk可以压缩掉EXE文件中的多余空白部分，从而使EXE文件体积减小。压缩率根据被压缩文"
        "件所含空白空间的多少决定。\n\n如何压缩：选择要压缩的EXE文件，然后输入压缩文件名，单击“开"
        "始压缩”即可开始压缩。你也可以将要压缩的文件拖动到“将被压缩的文件”下的输入框中。");
}

}  // namespace

class FrmMainTest : public QObject {
    Q_OBJECT

private slots:
    void windowIsFixedWithoutMaximise() {
        FrmMain window;
        QCOMPARE(window.objectName(), "FrmMain");
        QCOMPARE(window.size(), QSize(406, 183));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        const Qt::WindowFlags flags = window.windowFlags();
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QCOMPARE(window.windowTitle(), QStringLiteral("Velbrisk v1.0  软件作者:") +
                                           QString::fromUtf8(velbrisk::product::kAuthor));
        QVERIFY(window.windowIcon().availableSizes().contains(QSize(48, 36)));
    }

    // Boxes and the frame take the size that the layout gives; labels are placed by their
    // corner and fit their text.
    void controlsSitAtTheirPlaces_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("place");
        QTest::addColumn<bool>("fitsText");
        QTest::newRow("Label1") << "Label1" << QRect(8, 8, 180, 12) << true;
        QTest::newRow("Text") << "Text" << QRect(8, 24, 337, 18) << false;
        QTest::newRow("Label2") << "Label2" << QRect(8, 48, 258, 12) << true;
        QTest::newRow("SaveText") << "SaveText" << QRect(8, 64, 337, 18) << false;
        QTest::newRow("Label") << "Label" << QRect(352, 24, 48, 12) << true;
        QTest::newRow("Lbl_Com") << "Lbl_Com" << QRect(352, 40, 48, 12) << true;
        QTest::newRow("Lbl_Exit") << "Lbl_Exit" << QRect(352, 56, 48, 12) << true;
        QTest::newRow("Label3") << "Label3" << QRect(352, 72, 48, 12) << true;
        QTest::newRow("Frame1") << "Frame1" << QRect(8, 88, 393, 89) << false;
        QTest::newRow("Text1 below the client area") << "Text1" << QRect(8, 240, 393, 18) << false;
    }
    void controlsSitAtTheirPlaces() {
        QFETCH(QString, name);
        QFETCH(QRect, place);
        QFETCH(bool, fitsText);
        FrmMain window;
        auto* widget = control<QWidget>(window, name);
        QVERIFY(widget);
        QCOMPARE(widget->pos(), place.topLeft());
        QCOMPARE(widget->size(), fitsText ? widget->sizeHint() : place.size());
    }

    void textsAreExact() {
        FrmMain window;
        QCOMPARE(control<QLabel>(window, "Label1")->text(), "将被压缩的文件：(可拖动到下面)");
        QCOMPARE(control<QLabel>(window, "Label2")->text(),
                 "压缩文件名：(注意:不能与被压缩文件名相同！)");
        const QStringList links = {"选择文件", "开始压缩", "退出程序", "使用帮助"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(control<QLabel>(window, kLinkNames[i])->text(), links[i]);
        }
        for (const char* box : {"Text", "SaveText"}) {
            QVERIFY(control<QLineEdit>(window, box)->text().isEmpty());
        }
        QVERIFY(control<QPlainTextEdit>(window, "Text1")->toPlainText().isEmpty());
    }

    void coloursAndCursors() {
        FrmMain window;
        const QColor defaultText = QApplication::palette().color(QPalette::WindowText);
        QCOMPARE(window.palette().color(QPalette::Window), kLightYellow);
        QVERIFY(window.autoFillBackground());
        auto* frame = control<QFrame>(window, "Frame1");
        QCOMPARE(frame->palette().color(QPalette::Window), kLightYellow);
        for (const char* box : {"Text", "SaveText"}) {
            QCOMPARE(control<QLineEdit>(window, box)->palette().color(QPalette::Base), kLightGreen);
        }
        QCOMPARE(control<QPlainTextEdit>(window, "Text1")->palette().color(QPalette::Base),
                 QApplication::palette().color(QPalette::Base));
        for (const char* caption : {"Label1", "Label2"}) {
            auto* label = control<QLabel>(window, caption);
            QCOMPARE(label->palette().color(QPalette::WindowText), defaultText);
            QVERIFY(!label->autoFillBackground());
            QVERIFY(!label->testAttribute(Qt::WA_SetCursor));
        }
        for (const QString& name : kLinkNames) {
            auto* link = control<QLabel>(window, name);
            QCOMPARE(link->palette().color(QPalette::WindowText), kBlue);
            QVERIFY(!link->autoFillBackground());
            QCOMPARE(link->cursor().shape(), Qt::BitmapCursor);
            QCOMPARE(link->cursor().hotSpot(), QPoint(12, 1));
            QCOMPARE(link->cursor().pixmap().size(), QSize(32, 32));
        }
    }

    void tabGoesThroughTheProbeBox() {
        FrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* text = control<QLineEdit>(window, "Text");
        auto* probe = control<QPlainTextEdit>(window, "Text1");
        auto* saveText = control<QLineEdit>(window, "SaveText");
        text->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), probe);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), saveText);
        QVERIFY2(probe->toPlainText().isEmpty(), "Tab must move on, not be typed");
        for (const char* label : {"Label1", "Label2", "Frame1"}) {
            QCOMPARE(control<QWidget>(window, label)->focusPolicy(), Qt::NoFocus);
        }
    }

    // The start command checks the boxes in order and only for emptiness.
    void startRefusesEmptyBoxes_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("outputName");
        QTest::addColumn<QString>("shown");
        QTest::newRow("both empty: source first") << ""
                                                  << ""
                                                  << "请先选择要压缩的文件！";
        QTest::newRow("output name only") << ""
                                          << "out"
                                          << "请先选择要压缩的文件！";
        QTest::newRow("source only") << "/tmp/a.exe"
                                     << ""
                                     << "请输入压缩文件名！";
        // Blanks are text: the job runs and looks for a file named by three blanks.
        QTest::newRow("source of blanks passes") << "   "
                                                 << "out"
                                                 << "找不到要压缩的文件！\n   ";
    }
    void startRefusesEmptyBoxes() {
        QFETCH(QString, source);
        QFETCH(QString, outputName);
        QFETCH(QString, shown);
        FrmMain window;
        control<QLineEdit>(window, "Text")->setText(source);
        control<QLineEdit>(window, "SaveText")->setText(outputName);
        MessageRecorder recorder;
        click(control<QWidget>(window, "Lbl_Com"));
        QCOMPARE(recorder.shown.size(), 1);
        QCOMPARE(recorder.shown[0], (Message{MessageIcon::Error, "Velbrisk", shown}));
        QCOMPARE(control<QLineEdit>(window, "Text")->text(), source);
    }

    void helpShowsTwoParagraphs() {
        FrmMain window;
        MessageRecorder recorder;
        click(control<QWidget>(window, "Label3"));
        QCOMPARE(recorder.shown.size(), 1);
        QCOMPARE(recorder.shown[0], (Message{MessageIcon::Information, "使用帮助", helpText()}));
        QVERIFY(!recorder.shown[0].text.contains(u'\r'));
        QCOMPARE(recorder.shown[0].text.split("\n\n").size(), 2);
    }

    // Every ending of a job: the message, the busy state put back, and what is left on disk.
    // "{dir}" stands for the folder of the source; a reason follows the text where marked.
    void jobEndsWithItsMessage_data() {
        QTest::addColumn<QByteArray>("contents");  // null: no file is made
        QTest::addColumn<QString>("sourceName");
        QTest::addColumn<QString>("outputName");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("reasonFollows");
        QTest::addColumn<QString>("outputFile");
        QTest::addColumn<int>("outputLength");  // -1: no output file

        const QByteArray dataThenBlank = QByteArray(100, 'A') + QByteArray(200, '\0');
        const int info = int(MessageIcon::Information);
        const int error = int(MessageIcon::Error);
        // The probe at 200 bytes from the end is the first to hold data: 300 - 190 + 1 bytes.
        QTest::newRow("trimmed copy written")
            << dataThenBlank << "prog.exe"
            << "small" << info << "压缩完毕！" << false << "small.exe" << 111;
        QTest::newRow("output name of blanks passes")
            << dataThenBlank << "prog.exe"
            << "  " << info << "压缩完毕！" << false << "  .exe" << 111;
        QTest::newRow("all blank: nothing written")
            << QByteArray(300, '\0') << "prog.exe"
            << "small" << info << "该文件没有可以去掉的空白部分，未生成压缩文件。" << false
            << "small.exe" << -1;
        QTest::newRow("missing source") << QByteArray() << "gone.exe"
                                        << "small" << error << "找不到要压缩的文件！\n{dir}gone.exe"
                                        << false << "gone.exe" << -1;
        QTest::newRow("source names the folder")
            << QByteArray() << ""
            << "small" << error << "找不到要压缩的文件！\n{dir}" << false << "small.exe" << -1;
        QTest::newRow("source name too long to open")
            << QByteArray() << QString(300, 'n') << "small" << error
            << "无法读取被压缩文件！\n{dir}" + QString(300, 'n') << true << "small.exe" << -1;
        QTest::newRow("output folder missing")
            << dataThenBlank << "prog.exe"
            << "nowhere/small" << error << "无法写入压缩文件！\n{dir}nowhere/small.exe" << true
            << "nowhere/small.exe" << -1;
        QTest::newRow("output is the source")
            << dataThenBlank << "prog.exe"
            << "prog" << error << "压缩文件不能与被压缩文件相同！" << false << "prog.exe" << 300;
    }
    void jobEndsWithItsMessage() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, sourceName);
        QFETCH(QString, outputName);
        QFETCH(int, icon);
        QFETCH(QString, text);
        QFETCH(bool, reasonFollows);
        QFETCH(QString, outputFile);
        QFETCH(int, outputLength);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.path() + u'/';
        const QString source = folder + sourceName;
        if (!contents.isNull()) {
            QFile file(source);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        text.replace("{dir}", folder);

        FrmMain window;
        auto* textBox = control<QLineEdit>(window, "Text");
        textBox->setText(source);
        control<QLineEdit>(window, "SaveText")->setText(outputName);

        MessageRecorder recorder;
        bool busyCursorAtMessage = true;
        bool textEnabledAtMessage = true;
        recorder.onShown = [&] {
            busyCursorAtMessage = window.cursor().shape() == Qt::WaitCursor;
            textEnabledAtMessage = textBox->isEnabled();
        };
        click(control<QWidget>(window, "Lbl_Com"));

        QCOMPARE(recorder.shown.size(), 1);
        const Message& shown = recorder.shown[0];
        QCOMPARE(int(shown.icon), icon);
        QCOMPARE(shown.title, "Velbrisk");
        if (reasonFollows) {
            QVERIFY2(shown.text.startsWith(text + u'\n'), qPrintable(shown.text));
            QVERIFY2(shown.text.size() > text.size() + 1, "the system's reason is missing");
        } else {
            QCOMPARE(shown.text, text);
        }
        QVERIFY2(!busyCursorAtMessage, "the cursor is put back before the message");
        QVERIFY2(!textEnabledAtMessage, "Text is enabled only once the message is closed");
        QVERIFY(textBox->isEnabled());
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(textBox->text(), source);

        const QFileInfo output(folder + outputFile);
        QCOMPARE(output.exists() && output.isFile(), outputLength >= 0);
        if (outputLength >= 0) {
            QCOMPARE(output.size(), outputLength);
        }
        // Nothing else is left behind: no temporary file, no source created by the job.
        const qsizetype expectedFiles = qsizetype(!contents.isNull()) +
                                        qsizetype(outputLength >= 0 && outputFile != sourceName);
        const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(left.size() == expectedFiles, qPrintable(left.join(", ")));
    }

    void trimmedCopyKeepsTheData() {
        QTemporaryDir dir;
        QFile source(dir.filePath("prog.exe"));
        QVERIFY(source.open(QIODevice::WriteOnly));
        const QByteArray data = "MZ" + QByteArray(57, '\x90');
        source.write(data + QByteArray(41, '\0'));
        source.close();
        FrmMain window;
        control<QLineEdit>(window, "Text")->setText(source.fileName());
        control<QLineEdit>(window, "SaveText")->setText("copy");
        MessageRecorder recorder;
        click(control<QWidget>(window, "Lbl_Com"));
        QFile output(dir.filePath("copy.exe"));
        QVERIFY(output.open(QIODevice::ReadOnly));
        // 100 bytes, data ends at offset 58: the probe 50 from the end holds it, so 100 - 40 + 1.
        QCOMPARE(output.readAll(), data + QByteArray(2, '\0'));
    }

    void sourceFolderIsThePathUpToItsLastSlash() {
        FrmMain window;
        control<QLineEdit>(window, "Text")->setText("/home/用户/测试/prog.exe");
        QCOMPARE(window.SourceFolder(), "/home/用户/测试/");
        control<QLineEdit>(window, "Text")->setText("prog.exe");
        QCOMPARE(window.SourceFolder(), "");
    }

    void chooseFileOpensTheChooserWithoutOwner() {
        FrmMain window;
        window.show();
        bool sawChooser = false;
        bool ownerless = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible()) {
                return;
            }
            poll.stop();
            sawChooser = qobject_cast<velbrisk::ui::FrmOpen*>(dialog) != nullptr;
            ownerless = dialog->parentWidget() == nullptr;
            dialog->reject();
        });
        poll.start(20);
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                dialog->reject();
            }
        });
        guard.start(5000);
        click(control<QWidget>(window, "Label"));
        QVERIFY(sawChooser);
        QVERIFY(ownerless);
    }

    void exitEndsTheProgramAtOnce() {
        FrmMain window;
        window.show();
        QTimer::singleShot(0, [&] { click(control<QWidget>(window, "Lbl_Exit")); });
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        guard.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
    }
};

QTEST_MAIN(FrmMainTest)
#include "frm_main_test.moc"
