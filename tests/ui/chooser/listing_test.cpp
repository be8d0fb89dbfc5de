// Tests of what the chooser's lists show, worked out without any widget.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/chooser/Listing.h"

using namespace velbrisk::ui::chooser;

namespace {

void makeFile(const QString& path) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
}

}  // namespace

class ListingTest : public QObject {
    Q_OBJECT

private slots:
    void joinPickedFile_data();
    void joinPickedFile();
    void folderChain_data();
    void folderChain();
    void exeFilesFilter_data();
    void exeFilesFilter();
    void exeFilesSortedByNameIgnoringCase();
    void subfoldersLeaveHiddenOut();
    void unreadableFolderGivesNothing_data();
    void unreadableFolderGivesNothing();
    void fileSystemTypes_data();
    void fileSystemTypes();
    void volumesOfferRootFirstAndTheCurrentVolume();
    void startFolderOnAVolume();
};

void ListingTest::joinPickedFile_data() {
    QTest::addColumn<QString>("folderListPath");
    QTest::addColumn<QString>("listingPath");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("expected");

    QTest::newRow("root ends in the separator") << "/"
                                                << "/"
                                                << "SETUP.EXE"
                                                << "/SETUP.EXE";
    QTest::newRow("subfolder") << "/tools"
                               << "/tools"
                               << "A.EXE"
                               << "/tools/A.EXE";
    QTest::newRow("deep subfolder") << "/a/b/c"
                                    << "/a/b/c"
                                    << "x.exe"
                                    << "/a/b/c/x.exe";
    QTest::newRow("name with spaces") << "/my tools"
                                      << "/my tools"
                                      << "a b.exe"
                                      << "/my tools/a b.exe";
    // The test reads the folder list while the join takes the file list's path.
    QTest::newRow("test on folder list, join on listing") << "/"
                                                          << "/tools"
                                                          << "A.EXE"
                                                          << "/toolsA.EXE";
#ifdef Q_OS_WIN
    QTest::newRow("drive root") << "C:/"
                                << "C:/"
                                << "SETUP.EXE"
                                << "C:\\SETUP.EXE";
    QTest::newRow("folder on a drive") << "C:/TOOLS"
                                       << "C:/TOOLS"
                                       << "A.EXE"
                                       << "C:\\TOOLS\\A.EXE";
#endif
}

void ListingTest::joinPickedFile() {
    QFETCH(QString, folderListPath);
    QFETCH(QString, listingPath);
    QFETCH(QString, fileName);
    QFETCH(QString, expected);
    QCOMPARE(velbrisk::ui::chooser::joinPickedFile(folderListPath, listingPath, fileName),
             QDir::toNativeSeparators(expected));
}

void ListingTest::folderChain_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("root alone") << "/" << QStringList{"/"};
    QTest::newRow("one below root") << "/tmp" << QStringList{"/", "/tmp"};
    QTest::newRow("three deep") << "/a/b/c" << QStringList{"/", "/a", "/a/b", "/a/b/c"};
    QTest::newRow("trailing separator") << "/a/b/" << QStringList{"/", "/a", "/a/b"};
#ifdef Q_OS_WIN
    QTest::newRow("drive root") << "C:/" << QStringList{"C:/"};
    QTest::newRow("folder on a drive") << "C:/TOOLS" << QStringList{"C:/", "C:/TOOLS"};
#endif
}

void ListingTest::folderChain() {
    QFETCH(QString, folder);
    QFETCH(QStringList, expected);
    QCOMPARE(velbrisk::ui::chooser::folderChain(folder), expected);
}

void ListingTest::exeFilesFilter_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isFolder");
    QTest::addColumn<bool>("listed");

    QTest::newRow("capital extension") << "SETUP.EXE" << false << true;
    QTest::newRow("small extension") << "setup.exe" << false << true;
    QTest::newRow("mixed case extension") << "Tool.ExE" << false << true;
    QTest::newRow("two dots") << "a.b.exe" << false << true;
    QTest::newRow("spaces in name") << "my tool.exe" << false << true;
    QTest::newRow("other extension") << "readme.txt" << false << false;
    QTest::newRow("exe not last") << "setup.exe.bak" << false << false;
    QTest::newRow("exe without dot") << "notexe" << false << false;
    QTest::newRow("hidden file") << ".secret.exe" << false << false;
    QTest::newRow("folder named like a program") << "x.exe" << true << false;
    QTest::newRow("capital folder named like a program") << "Y.EXE" << true << false;
}

void ListingTest::exeFilesFilter() {
    QFETCH(QString, name);
    QFETCH(bool, isFolder);
    QFETCH(bool, listed);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    if (isFolder) {
        QVERIFY(QDir(root.path()).mkdir(name));
    } else {
        makeFile(root.filePath(name));
    }
    makeFile(root.filePath(QStringLiteral("anchor.exe")));

    const std::optional<QStringList> files = exeFiles(root.path());
    QVERIFY(files);
    QCOMPARE(files->contains(name), listed);
    QVERIFY(files->contains(QStringLiteral("anchor.exe")));
}

void ListingTest::exeFilesSortedByNameIgnoringCase() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    for (const char* name : {"c.exe", "B.EXE", "a.Exe", "read-only.exe"}) {
        makeFile(root.filePath(QString::fromLatin1(name)));
    }
    QVERIFY(QFile::setPermissions(root.filePath(QStringLiteral("read-only.exe")),
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    const std::optional<QStringList> files = exeFiles(root.path());
    QVERIFY(files);
    QCOMPARE(*files, (QStringList{"a.Exe", "B.EXE", "c.exe", "read-only.exe"}));
}

void ListingTest::subfoldersLeaveHiddenOut() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QDir dir(root.path());
    for (const char* name : {"zeta", ".cache", "Alpha", "beta", "x.exe"}) {
        QVERIFY(dir.mkdir(QString::fromLatin1(name)));
    }
    makeFile(root.filePath(QStringLiteral("file.exe")));

    const std::optional<QStringList> folders = subfolders(root.path());
    QVERIFY(folders);
    QCOMPARE(*folders, (QStringList{"Alpha", "beta", "x.exe", "zeta"}));
}

void ListingTest::unreadableFolderGivesNothing_data() {
    QTest::addColumn<QString>("what");
    // Tests run as root, for whom a folder without permissions still reads, so the folders that
    // cannot be read here are ones that are gone or are not folders at all.
    QTest::newRow("folder that is gone") << "gone";
    QTest::newRow("a file, not a folder") << "file";
    QTest::newRow("empty path") << "empty";
}

void ListingTest::unreadableFolderGivesNothing() {
    QFETCH(QString, what);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QString path;
    if (what == QLatin1String("gone")) {
        path = root.filePath(QStringLiteral("gone"));
        QVERIFY(QDir(root.path()).mkdir(QStringLiteral("gone")));
        QVERIFY(QDir(path).removeRecursively());
    } else if (what == QLatin1String("file")) {
        path = root.filePath(QStringLiteral("plain.exe"));
        makeFile(path);
    }
    QVERIFY(!exeFiles(path));
    QVERIFY(!subfolders(path));
}

void ListingTest::fileSystemTypes_data() {
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<bool>("real");

    QTest::newRow("ext4") << QByteArray("ext4") << true;
    QTest::newRow("btrfs") << QByteArray("btrfs") << true;
    QTest::newRow("usb stick") << QByteArray("vfat") << true;
    QTest::newRow("windows disk") << QByteArray("ntfs3") << true;
    QTest::newRow("container root") << QByteArray("overlay") << true;
    QTest::newRow("proc") << QByteArray("proc") << false;
    QTest::newRow("sysfs") << QByteArray("sysfs") << false;
    QTest::newRow("tmpfs") << QByteArray("tmpfs") << false;
    QTest::newRow("cgroup2") << QByteArray("cgroup2") << false;
    QTest::newRow("snap image") << QByteArray("squashfs") << false;
    QTest::newRow("no type") << QByteArray() << false;
}

void ListingTest::fileSystemTypes() {
    QFETCH(QByteArray, type);
    QFETCH(bool, real);
    QCOMPARE(isRealFileSystem(type), real);
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
    QVERIFY(!roots.contains(QStringLiteral("/proc")));
    QVERIFY(!roots.contains(QStringLiteral("/sys")));
}

void ListingTest::startFolderOnAVolume() {
    QTemporaryDir here;
    QVERIFY(here.isValid());
    const QString ownVolume = volumeRootOf(here.path());
    QCOMPARE(startFolderOn(ownVolume, here.path()), here.path());

#ifdef Q_OS_LINUX
    // /proc is a volume of its own on every Linux system.
    QCOMPARE(startFolderOn(QStringLiteral("/proc"), here.path()), QStringLiteral("/proc"));
#endif
}

QTEST_GUILESS_MAIN(ListingTest)
#include "listing_test.moc"
