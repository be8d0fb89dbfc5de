// The about panel: its labels, their places and cursors, and the addresses its links open.
#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QTest>
#include <QUrlQuery>

#include "resources/ProductInfo.h"
#include "ui/main/FrmMain.h"

using velbrisk::ui::FrmMain;
namespace product = velbrisk::product;

// Stands in for the desktop: records each address that the program asks it to open.
class AddressRecorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& address) { opened.append(address); }
};

namespace {

QLabel* aboutLabel(const FrmMain& window, int index) {
    return window.findChild<QLabel*>(QStringLiteral("Lbl_About_%1").arg(index));
}

}  // namespace

class FrmMainAboutTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        for (const char* scheme : {"mailto", "http", "https"}) {
            QDesktopServices::setUrlHandler(scheme, &recorder_, "open");
        }
        recorder_.opened.clear();
    }
    // The handlers go before the recorder does, whatever the test did.
    void cleanup() {
        for (const char* scheme : {"mailto", "http", "https"}) {
            QDesktopServices::unsetUrlHandler(scheme);
        }
    }

    void labelsShowTheirTexts_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QPoint>("place");  // in the frame, pixels
        QTest::addColumn<bool>("hand");
        const auto fact = [](const char* value) { return QString::fromUtf8(value); };
        const QString author = fact(product::kAuthor);
        QTest::newRow("0 name") << 0 << "软件名称:Velbrisk" << QPoint(16, 16) << false;
        QTest::newRow("1 author") << 1 << "软件作者:" + author << QPoint(16, 32) << false;
        QTest::newRow("2 version") << 2 << "软件版本:v1.0" << QPoint(16, 48) << false;
        QTest::newRow("3 licence")
            << 3 << "软件授权:" + fact(product::kLicense) << QPoint(16, 64) << false;
        QTest::newRow("4 mail") << 4 << "作者邮箱:" + fact(product::kMail) << QPoint(176, 16)
                                << true;
        QTest::newRow("5 second mail, no link")
            << 5 << fact(product::kMailProvider) + "邮箱:" + fact(product::kSecondMail)
            << QPoint(176, 32) << false;
        QTest::newRow("6 home page")
            << 6 << "作者主页:" + fact(product::kHomePage) << QPoint(176, 48) << true;
    }
    void labelsShowTheirTexts() {
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(QPoint, place);
        QFETCH(bool, hand);
        FrmMain window;
        QLabel* label = aboutLabel(window, index);
        QVERIFY(label);
        QCOMPARE(label->text(), text);
        QCOMPARE(label->parentWidget(), window.findChild<QFrame*>("Frame1"));
        QCOMPARE(label->property("index").toInt(), index);
        QCOMPARE(label->pos(), place);
        QCOMPARE(label->size(), label->sizeHint());
        QVERIFY(!label->autoFillBackground());
        QCOMPARE(label->palette().color(QPalette::WindowText),
                 QApplication::palette().color(QPalette::WindowText));
        QCOMPARE(label->testAttribute(Qt::WA_SetCursor), hand);
        if (hand) {
            QCOMPARE(label->cursor().shape(), Qt::BitmapCursor);
            QCOMPARE(label->cursor().hotSpot(), QPoint(12, 1));
        }
    }

    void panelHasSevenLabels() {
        FrmMain window;
        QCOMPARE(window.findChild<QFrame*>("Frame1")->findChildren<QLabel*>().size(), 7);
        QVERIFY(!aboutLabel(window, 7));
    }

    void clicksOpenTheirAddress_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("address");  // empty: nothing opens
        QTest::newRow("0") << 0 << QByteArray();
        QTest::newRow("1") << 1 << QByteArray();
        QTest::newRow("2") << 2 << QByteArray();
        QTest::newRow("3") << 3 << QByteArray();
        QTest::newRow("4 mail with its subject")
            << 4
            << QByteArray("mailto:") + product::kMail +
                   "?subject=Velbrisk%E7%94%A8%E6%88%B7%E6%9D%A5%E4%BF%A1";
        QTest::newRow("5 shows a mail address but is no link") << 5 << QByteArray();
        QTest::newRow("6 home page") << 6 << QByteArray(product::kHomePage);
    }
    void clicksOpenTheirAddress() {
        QFETCH(int, index);
        QFETCH(QByteArray, address);
        FrmMain window;
        QTest::mouseClick(aboutLabel(window, index), Qt::LeftButton);
        if (address.isEmpty()) {
            QVERIFY(recorder_.opened.isEmpty());
            return;
        }
        QCOMPARE(recorder_.opened.size(), 1);
        QCOMPARE(recorder_.opened[0].toEncoded(), address);
    }

    void mailSubjectDecodesExactly() {
        FrmMain window;
        QTest::mouseClick(aboutLabel(window, 4), Qt::LeftButton);
        QCOMPARE(recorder_.opened.size(), 1);
        const QUrl mail = QUrl::fromEncoded(recorder_.opened[0].toEncoded());
        QCOMPARE(mail.scheme(), "mailto");
        QCOMPARE(mail.path(), QString::fromUtf8(product::kMail));
        QCOMPARE(QUrlQuery(mail).queryItemValue("subject", QUrl::FullyDecoded), "Velbrisk用户来信");
    }

    void everyClickOpensAgain() {
        FrmMain window;
        for (int round = 0; round < 2; ++round) {
            QTest::mouseClick(aboutLabel(window, 4), Qt::LeftButton);
            QTest::mouseClick(aboutLabel(window, 6), Qt::LeftButton);
        }
        QCOMPARE(recorder_.opened.size(), 4);
        QCOMPARE(recorder_.opened[2], recorder_.opened[0]);
        QCOMPARE(recorder_.opened[3], recorder_.opened[1]);
    }

private:
    AddressRecorder recorder_;
};

QTEST_MAIN(FrmMainAboutTest)
#include "frm_main_about_test.moc"
