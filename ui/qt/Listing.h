// What the chooser's lists show, worked out from the file system apart from any widget.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace velbrisk::ui::chooser {

// Folder paths here are absolute and in Qt's form ("/" separators, "C:/" at a Windows drive root);
// they become native only where they are shown.

// The subfolders of a folder, hidden ones left out, sorted by name without regard to case.
// Nothing when the folder cannot be opened (missing, not a folder, no permission).
std::optional<QStringList> subfolders(const QString& folder);

// The names of the files of a folder that match "*.EXE" without regard to case, sorted by name;
// folders and hidden files are left out, read-only files are kept. Nothing when the folder
// cannot be opened.
std::optional<QStringList> exeFiles(const QString& folder);

// The folders from the root down to folder itself: "/a/b" gives "/", "/a", "/a/b".
QStringList folderChain(const QString& folder);

// The full path of a file picked in the file list, with native separators. Whether a separator
// goes between folder and name is decided by the folder list's path (a root already ends in
// one); the folder itself comes from the file list's listing path. The two are kept equal.
QString joinPickedFile(const QString& folderListPath, const QString& listingPath,
                       const QString& fileName);

// A mounted volume that the drive list offers.
struct Volume {
    QString root;   // mount point, Qt form
    QString label;  // empty when the volume has none
    friend bool operator==(const Volume&, const Volume&) = default;
};

// False for the kernel's and the system's pseudo file systems (proc, sysfs, tmpfs, ...), which
// hold nothing a user would pick an executable from.
bool isRealFileSystem(const QByteArray& fileSystemType);

// The ready volumes with real file systems, the root volume first and the rest by mount point.
// The volume that holds currentFolder is always offered, whatever its type.
QList<Volume> pickableVolumes(const QString& currentFolder);

// The entry's text in the drive list: the mount point, then the label in brackets if any.
QString volumeText(const Volume& volume);

// Where the folder list goes when the user picks a volume: the current folder when it lies on
// that volume, else the volume's root.
QString startFolderOn(const QString& volumeRoot, const QString& currentFolder);

// The root of the volume that holds folder.
QString volumeRootOf(const QString& folder);

}  // namespace velbrisk::ui::chooser
