// The question before a cut that reaches into a Windows program's own bytes, and its two answers.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "engine/trim.h"
#include "pe_builder.h"
#include "ui/Messages.h"
#include "ui/main/FrmMain.h"

using velbrisk::testing::buildPe;
using velbrisk::testing::PeCertificateTable;
using velbrisk::testing::PeLayout;
using velbrisk::testing::PeSection;
using velbrisk::ui::FrmMain;
using velbrisk::ui::Message;
using velbrisk::ui::MessageIcon;
using velbrisk::ui::MessageRecorder;

namespace {

QString question(int bytes) {
    return QStringLiteral(
               "此文件是Windows程序，要去掉的空白中有%1字节属于程序自身的数据（节或数字签名）。这样"
               "生成的文件可能无法运行，或签名失效。是否仍要压缩？")
        .arg(bytes);
}

QByteArray toBytes(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// One section at 0x200 of 0x200 raw bytes whose first `dataBytes` hold code, the rest the
// linker's zero padding.
PeLayout oneSection(bool pe32Plus, std::uint32_t dataBytes, std::uint32_t trailingZeros) {
    PeLayout layout;
    layout.pe32Plus = pe32Plus;
    layout.sections.push_back(
        PeSection{".text", 0x200, 0x200, std::vector<std::uint8_t>(dataBytes, 0xC3)});
    layout.trailingZeros = trailingZeros;
    return layout;
}

// A signed program: a full section, then a certificate table whose last 16 bytes are the zero
// padding that rounds a signature up to its alignment.
QByteArray signedProgram() {
    PeLayout layout = oneSection(true, 0x200, 0);
    layout.certificateTable = PeCertificateTable{0x400, 0x100};
    QByteArray bytes = toBytes(buildPe(layout).bytes);
    bytes.replace(0x4F0, 16, QByteArray(16, '\0'));
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void startJob(FrmMain& window, const QString& source, const QString& outputName) {
    window.findChild<QLineEdit*>("Text")->setText(source);
    window.findChild<QLineEdit*>("SaveText")->setText(outputName);
    QTest::mouseClick(window.findChild<QWidget*>("Lbl_Com"), Qt::LeftButton);
}

}  // namespace

class FrmMainImageTest : public QObject {
    Q_OBJECT

private slots:
    // Each row: the source's bytes, and the count of the program's own bytes that the cut would
    // lose (0: no question). The arithmetic of each cut is in the row's comment.
    void questionBeforeCuttingIntoTheProgram_data() {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<int>("lostBytes");

        // L = 1024, last data at 767: the first probe holding data is i = 260, a = 250, so the
        // copy keeps 775 of the 1024 bytes that the section declares.
        QTest::newRow("PE32 cut into the section's padding")
            << toBytes(buildPe(oneSection(false, 0x100, 0)).bytes) << 249;
        QTest::newRow("PE32+ cut into the section's padding")
            << toBytes(buildPe(oneSection(true, 0x100, 0)).bytes) << 249;
        // L = 1280, last data at 1263: i = 20, a = 10, the copy keeps 1271 bytes of 1280.
        QTest::newRow("cut into the signature's padding") << signedProgram() << 9;
        // L = 1324, last data at 1023: i = 300, a = 290, the copy keeps 1035 bytes, all 1024
        // declared ones among them.
        QTest::newRow("cut after all declared data")
            << toBytes(buildPe(oneSection(false, 0x200, 300)).bytes) << 0;
        QTest::newRow("not a program")
            << QByteArray("MZ but nothing more") + QByteArray(300, '\0') << 0;
        // The last data byte is the file's last: nothing is cut, the copy is L + 1 bytes.
        QTest::newRow("nothing cut") << toBytes(buildPe(oneSection(false, 0x200, 0)).bytes) << 0;
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
        const QByteArray unasked = readFile(dir.filePath("plain.exe"));

        FrmMain window;
        {
            MessageRecorder answeringNo(false);
            startJob(window, sourcePath, "no");
            if (lostBytes == 0) {
                QVERIFY(answeringNo.asked.isEmpty());
                QCOMPARE(readFile(dir.filePath("no.exe")), unasked);
            } else {
                const QList<Message> asked = {
                    {MessageIcon::Warning, "Velbrisk", question(lostBytes)}};
                QCOMPARE(answeringNo.asked, asked);
                QVERIFY2(answeringNo.shown.isEmpty(), "no answer shows nothing more");
                QVERIFY(!QFile::exists(dir.filePath("no.exe")));
            }
        }
        QVERIFY(window.findChild<QLineEdit*>("Text")->isEnabled());
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);

        MessageRecorder answeringYes(true);
        startJob(window, sourcePath, "yes");
        QCOMPARE(answeringYes.asked.size(), lostBytes == 0 ? 0 : 1);
        const QList<Message> finished = {{MessageIcon::Information, "Velbrisk", "压缩完毕！"}};
        QCOMPARE(answeringYes.shown, finished);
        QCOMPARE(readFile(dir.filePath("yes.exe")), unasked);
        QCOMPARE(readFile(sourcePath), source);

        // Nothing but the source and the finished copies is left in the folder.
        QStringList expected = {"plain.exe", "prog.exe", "yes.exe"};
        if (lostBytes == 0) {
            expected.append("no.exe");
        }
        expected.sort();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    }
};

QTEST_MAIN(FrmMainImageTest)
#include "frm_main_image_test.moc"
