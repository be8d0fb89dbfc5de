// What the chooser's lists show, worked out from the file system apart from any widget.
#include "ui/qt/Listing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace velbrisk::ui::chooser {

namespace {

constexpr QDir::SortFlags kByName = QDir::Name | QDir::IgnoreCase;

// QDir lists an unreadable folder as an empty one, so the folder is first opened through the
// standard library, which reports why it cannot be.
bool canOpen(const QString& folder) {
    if (folder.isEmpty()) {
        return false;
    }
#ifdef Q_OS_WIN
    const std::filesystem::path path(folder.toStdWString());
#else
    const std::filesystem::path path(QFile::encodeName(folder).toStdString());
#endif
    std::error_code error;
    std::filesystem::directory_iterator opened(path, error);
    return !error;
}

}  // namespace

std::optional<QStringList> subfolders(const QString& folder) {
    if (!canOpen(folder)) {
        return std::nullopt;
    }
    // Without QDir::Hidden and QDir::System, hidden folders (a leading "." on Unix) stay out.
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, kByName);
}

std::optional<QStringList> exeFiles(const QString& folder) {
    if (!canOpen(folder)) {
        return std::nullopt;
    }
    // Name filters match without regard to case unless QDir::CaseSensitive is given, as the
    // Windows file system matches names. QDir::Readable is left out on purpose: a file that
    // cannot be read is still listed, as it would be on Windows.
    return QDir(folder, QStringLiteral("*.exe"), kByName, QDir::Files).entryList();
}

QStringList folderChain(const QString& folder) {
    QStringList chain;
    QString path = QDir::cleanPath(folder);
    for (;;) {
        chain.prepend(path);
        const QString parent = QDir::cleanPath(QFileInfo(path).path());
        if (parent == path || parent.isEmpty() || parent == QStringLiteral(".")) {
            return chain;
        }
        path = parent;
    }
}

QString joinPickedFile(const QString& folderListPath, const QString& listingPath,
                       const QString& fileName) {
    const QString separator = QDir::separator();
    const QString listing = QDir::toNativeSeparators(listingPath);
    if (QDir::toNativeSeparators(folderListPath).endsWith(separator)) {
        return listing + fileName;
    }
    return listing + separator + fileName;
}

bool isRealFileSystem(const QByteArray& fileSystemType) {
    // squashfs is here because on Linux it mostly holds the read-only images that snap and
    // live systems mount by the dozen, none of them a place a user keeps programs.
    static const QList<QByteArray> pseudo = {
        "autofs",      "binfmt_misc", "bpf",        "cgroup",    "cgroup2",  "configfs",
        "debugfs",     "devpts",      "devtmpfs",   "efivarfs",  "fusectl",  "fuse.gvfsd-fuse",
        "fuse.portal", "hugetlbfs",   "mqueue",     "nsfs",      "proc",     "pstore",
        "ramfs",       "rpc_pipefs",  "securityfs", "selinuxfs", "squashfs", "sysfs",
        "tmpfs",       "tracefs",
    };
    return !fileSystemType.isEmpty() && !pseudo.contains(fileSystemType);
}

QString volumeRootOf(const QString& folder) {
    const QStorageInfo storage(folder);
    return storage.isValid() ? storage.rootPath() : QString();
}

QList<Volume> pickableVolumes(const QString& currentFolder) {
    const QString systemRoot = QStorageInfo::root().rootPath();
    const QString currentRoot = volumeRootOf(currentFolder);
    QList<Volume> volumes;
    auto offered = [&volumes](const QString& root) {
        return std::any_of(volumes.cbegin(), volumes.cend(),
                           [&root](const Volume& volume) { return volume.root == root; });
    };
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        const QString root = storage.rootPath();
        const bool wanted =
            root == systemRoot || root == currentRoot ||
            (storage.isValid() && storage.isReady() && isRealFileSystem(storage.fileSystemType()));
        // Containers bind single files (/etc/hosts and the like) as mounts; only folders count.
        if (!wanted || !QFileInfo(root).isDir() || offered(root)) {
            continue;
        }
        volumes.append({root, storage.name()});
    }
    if (!offered(systemRoot)) {
        volumes.append({systemRoot, QStorageInfo::root().name()});
    }
    std::sort(volumes.begin(), volumes.end(), [&systemRoot](const Volume& a, const Volume& b) {
        if ((a.root == systemRoot) != (b.root == systemRoot)) {
            return a.root == systemRoot;
        }
        return a.root < b.root;
    });
    return volumes;
}

QString volumeText(const Volume& volume) {
    const QString root = QDir::toNativeSeparators(volume.root);
    return volume.label.isEmpty() ? root : QStringLiteral("%1 [%2]").arg(root, volume.label);
}

QString startFolderOn(const QString& volumeRoot, const QString& currentFolder) {
    return volumeRootOf(currentFolder) == volumeRoot ? currentFolder : volumeRoot;
}

}  // namespace velbrisk::ui::chooser
