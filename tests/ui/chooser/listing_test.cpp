// Tests of what the chooser's lists show, worked out without any widget.
#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/chooser/Listing.h"

using namespace velbrisk::ui::chooser;

class ListingTest : public QObject {
    Q_OBJECT

private slots:
    void joinPickedFile_data();
    void joinPickedFile();
    void folderChain_data();
    void folderChain();
    void exeFilesFilter();
    void subfoldersLeaveHiddenOut();
    void unreadableFolderGivesNothing();
    void volumesOfferRootFirstAndTheCurrentVolume();
};

void ListingTest::joinPickedFile_data() {
    QTest::addColumn<QString>("folderListPath");
    QTest::addColumn<QString>("listingPath");
    QTest::addColumn<QString>("expected");

    QTest::newRow("root ends in the separator") << "/"
                                                << "/"
                                                << "/SETUP.EXE";
    QTest::newRow("subfolder") << "/tools"
                               << "/tools"
                               << "/tools/SETUP.EXE";
    // The test reads the folder list while the join takes the file list's path.
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

void ListingTest::joinPickedFile() {
    QFETCH(QString, folderListPath);
    QFETCH(QString, listingPath);
    QFETCH(QString, expected);
    QCOMPARE(velbrisk::ui::chooser::joinPickedFile(folderListPath, listingPath, "SETUP.EXE"),
             QDir::toNativeSeparators(expected));
}

void ListingTest::folderChain_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("root alone") << "/" << QStringList{"/"};
    QTest::newRow("three deep") << "/a/b/c" << QStringList{"/", "/a", "/a/b", "/a/b/c"};
    QTest::newRow("trailing separator") << "/a/b/" << QStringList{"/", "/a", "/a/b"};
#ifdef Q_OS_WIN
    QTest::newRow("folder on a drive") << "C:/TOOLS" << QStringList{"C:/", "C:/TOOLS"};
#endif
}

void ListingTest::folderChain() {
    QFETCH(QString, folder);
    QFETCH(QStringList, expected);
    QCOMPARE(velbrisk::ui::chooser::folderChain(folder), expected);
}

void ListingTest::exeFilesFilter() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    // Listed: any letter case of the extension, extra dots, a read-only file.
    // Left out: other extensions, "exe" not last, hidden files, folders named like programs.
    for (const char* name : {"setup.exe", "B.EXE", "Tool.ExE", "a.b.exe", "read-only.exe",
                             "readme.txt", "setup.exe.bak", "notexe", ".secret.exe"}) {
        QFile file(root.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QFile::setPermissions(root.filePath("read-only.exe"), QFile::ReadOwner));
    QVERIFY(QDir(root.path()).mkdir("x.exe"));
    QVERIFY(QDir(root.path()).mkdir("Y.EXE"));

    const std::optional<QStringList> files = exeFiles(root.path());
    QVERIFY(files);
    QCOMPARE(*files, (QStringList{"a.b.exe", "B.EXE", "read-only.exe", "setup.exe", "Tool.ExE"}));
}

void ListingTest::subfoldersLeaveHiddenOut() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    for (const char* name : {"zeta", ".cache", "Alpha", "beta", "x.exe"}) {
        QVERIFY(QDir(root.path()).mkdir(QString::fromLatin1(name)));
    }
    QFile file(root.filePath("file.exe"));
    QVERIFY(file.open(QIODevice::WriteOnly));

    const std::optional<QStringList> folders = subfolders(root.path());
    QVERIFY(folders);
    QCOMPARE(*folders, (QStringList{"Alpha", "beta", "x.exe", "zeta"}));
}

void ListingTest::unreadableFolderGivesNothing() {
    // Tests run as root, for whom a folder without permissions still reads, so the folders that
    // cannot be read here are ones that are gone or are not folders at all.
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString gone = root.filePath("gone");
    const QString file = root.filePath("plain.exe");
    QFile plain(file);
    QVERIFY(plain.open(QIODevice::WriteOnly));

    for (const QString& path : {gone, file, QString()}) {
        QVERIFY2(!exeFiles(path), qPrintable(path));
        QVERIFY2(!subfolders(path), qPrintable(path));
    }
}

void ListingTest::volumesOfferRootFirstAndTheCurrentVolume() {
    QTemporaryDir here;
    QVERIFY(here.isValid());
    const QList<Volume> volumes = pickableVolumes(here.path());
    QVERIFY(!volumes.isEmpty());
    QCOMPARE(volumes.first().root, QStorageInfo::root().rootPath());

    QStringList roots;
    for (const Volume& volume : volumes) {
        QVERIFY2(!roots.contains(volume.root), qPrintable(volume.root));
        QVERIFY2(QFileInfo(volume.root).isDir(), qPrintable(volume.root));
        roots.append(volume.root);
    }
    QVERIFY(roots.contains(volumeRootOf(here.path())));
    QVERIFY(!roots.contains("/proc"));
    QVERIFY(!roots.contains("/sys"));
}

QTEST_GUILESS_MAIN(ListingTest)
#include "listing_test.moc"
