// The clickable label: which presses and releases of the mouse make a click.
#include <QSignalSpy>
#include <QTest>

#include "ui/main/LinkLabel.h"

using velbrisk::ui::LinkLabel;

class LinkLabelTest : public QObject {
    Q_OBJECT

private slots:
    void clicks_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QPoint>("releaseAt");
        QTest::addColumn<int>("clicks");
        QTest::newRow("primary, released on the label") << int(Qt::LeftButton) << QPoint(5, 5) << 1;
        QTest::newRow("primary, dragged off before release")
            << int(Qt::LeftButton) << QPoint(500, 5) << 0;
        QTest::newRow("secondary button") << int(Qt::RightButton) << QPoint(5, 5) << 0;
        QTest::newRow("middle button") << int(Qt::MiddleButton) << QPoint(5, 5) << 0;
    }
    void clicks() {
        QFETCH(int, button);
        QFETCH(QPoint, releaseAt);
        QFETCH(int, clicks);
        LinkLabel label("开始压缩");
        label.resize(60, 16);
        QSignalSpy spy(&label, &LinkLabel::clicked);
        QTest::mousePress(&label, Qt::MouseButton(button), {}, QPoint(5, 5));
        QTest::mouseRelease(&label, Qt::MouseButton(button), {}, releaseAt);
        QCOMPARE(spy.size(), clicks);
    }

    void releaseWithoutPressIsNoClick() {
        LinkLabel label("开始压缩");
        label.resize(60, 16);
        QSignalSpy spy(&label, &LinkLabel::clicked);
        QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(spy.size(), 1);
    }
};

QTEST_MAIN(LinkLabelTest)
#include "link_label_test.moc"
