// What the chooser's lists show, worked out without any widget: the join, the chain, the volumes.
#include <QDir>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/qt/Listing.h"

using namespace velbrisk::ui::chooser;

class ListingTest : public QObject {
    Q_OBJECT

private slots:
    // The folder list's path decides whether a separator goes in; the file list's path is the
    // folder that the name is joined to.
    void joinPickedFile_data() {
        QTest::addColumn<QString>("folderListPath");
        QTest::addColumn<QString>("listingPath");
        QTest::addColumn<QString>("joined");
        QTest::newRow("root already ends in the separator") << "/"
                                                            << "/"
                                                            << "/SETUP.EXE";
        QTest::newRow("subfolder") << "/tools"
                                   << "/tools"
                                   << "/tools/SETUP.EXE";
        QTest::newRow("test on folder list, join on listing") << "/"
                                                              << "/tools"
                                                              << "/toolsSETUP.EXE";
#ifdef Q_OS_WIN
        QTest::newRow("drive root") << "C:/"
                                    << "C:/"
                                    << "C:/SETUP.EXE";
        QTest::newRow("folder on a drive") << "C:/TOOLS"
                                           << "C:/TOOLS"
                                           << "C:/TOOLS/SETUP.EXE";
#endif
    }
    void joinPickedFile() {
        QFETCH(QString, folderListPath);
        QFETCH(QString, listingPath);
        QFETCH(QString, joined);
        QCOMPARE(velbrisk::ui::chooser::joinPickedFile(folderListPath, listingPath, "SETUP.EXE"),
                 QDir::toNativeSeparators(joined));
    }

    void folderChain_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("chain");
        QTest::newRow("root alone") << "/" << QStringList{"/"};
        QTest::newRow("three deep") << "/a/b/c" << QStringList{"/", "/a", "/a/b", "/a/b/c"};
        QTest::newRow("trailing separator") << "/a/b/" << QStringList{"/", "/a", "/a/b"};
#ifdef Q_OS_WIN
        QTest::newRow("folder on a drive") << "C:/TOOLS" << QStringList{"C:/", "C:/TOOLS"};
#endif
    }
    void folderChain() {
        QFETCH(QString, folder);
        QFETCH(QStringList, chain);
        QCOMPARE(velbrisk::ui::chooser::folderChain(folder), chain);
    }

    // The root first, each volume once, the current folder's among them, no pseudo file system.
    void volumesOfferRootFirstAndTheCurrentVolume() {
        QTemporaryDir here;
        QStringList roots;
        for (const Volume& volume : pickableVolumes(here.path())) {
            QVERIFY2(!roots.contains(volume.root) && QFileInfo(volume.root).isDir(),
                     qPrintable(volume.root));
            roots << volume.root;
        }
        QVERIFY(!roots.isEmpty());
        QCOMPARE(roots.first(), QStorageInfo::root().rootPath());
        QVERIFY(roots.contains(volumeRootOf(here.path())));
        QVERIFY(!roots.contains("/proc") && !roots.contains("/sys"));
    }
};

QTEST_GUILESS_MAIN(ListingTest)
#include "listing_test.moc"
