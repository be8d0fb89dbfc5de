// What the chooser's lists show, worked out from the file system apart from any widget.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/chooser/Paths.h"

namespace velbrisk::ui::chooser {

// Paths cross this boundary as UTF-8 text with the platform's own separators ("\" and drive
// roots such as "C:\" on Windows, "/" elsewhere).

// The subfolders of a folder, hidden ones left out (a leading "." on Unix; the hidden or system
// attribute on Windows), sorted by name without regard to case. Nothing when the folder cannot
// be opened (missing, not a folder, no permission).
std::optional<std::vector<std::string>> subfolders(const std::string& folder);

// The names of the files of a folder that match "*.EXE" without regard to case, sorted by name
// without regard to case; folders and hidden files are left out, read-only and unreadable files
// are kept. Nothing when the folder cannot be opened.
std::optional<std::vector<std::string>> exeFiles(const std::string& folder);

// The folders from the root down to folder itself: "/a/b" gives "/", "/a", "/a/b"; "C:\TOOLS"
// gives "C:\", "C:\TOOLS". A trailing separator is dropped first.
std::vector<std::string> folderChain(const std::string& folder);

// A folder list entry's text: the folder's own name, or the whole root ("/", "C:\").
std::string folderEntryText(const std::string& folder);

// The full path of a file picked in the file list. Whether a separator goes between folder and
// name is decided by the folder list's path (a root already ends in one); the folder itself
// comes from the file list's listing path. The two are kept equal.
std::string joinPickedFile(std::string_view folderListPath, std::string_view listingPath,
                           std::string_view fileName);

// A volume that the drive list offers: a mounted file system, or a Windows drive.
struct Volume {
    std::string root;   // mount point, or the drive's root "C:\"
    std::string label;  // UTF-8; empty when the volume has none (or is not ready)
    friend bool operator==(const Volume&, const Volume&) = default;
};

// False for the kernel's and the system's pseudo file systems (proc, sysfs, tmpfs, ...), which
// hold nothing a user would pick an executable from.
bool isRealFileSystem(std::string_view fileSystemType);

// The volumes to offer. Linux: the ready volumes with real file systems, the root volume first
// and the rest by mount point; the volume that holds currentFolder is always offered, whatever
// its type. Windows: every logical drive in letter order, ready or not.
std::vector<Volume> pickableVolumes(const std::string& currentFolder);

#ifndef _WIN32
// A line of /proc/self/mountinfo: where a file system is mounted, its type and its device.
struct Mount {
    std::string point;
    std::string type;
    std::string device;
    friend bool operator==(const Mount&, const Mount&) = default;
};

// The mounts listed in the text of /proc/self/mountinfo, the octal escapes of its paths undone.
std::vector<Mount> parseMountInfo(std::string_view text);

// The mount points that the drive list offers, in its order: the system's root first (offered
// even if the table lacks it), then by mount point; each once. A mount is offered if it is the
// root, or holds currentRoot, or has a real file system that isReady; and only if isFolder.
std::vector<std::string> offeredMountPoints(
    const std::vector<Mount>& mounts, const std::string& currentRoot,
    const std::function<bool(const std::string&)>& isReady,
    const std::function<bool(const std::string&)>& isFolder);
#endif

// The entry's text in the drive list. Linux: the mount point, then the label in brackets if any
// ("/media/usb [STICK]"). Windows: the drive in small letters, as the classic drive list shows
// it ("c: [SYSTEM]", "d:").
std::string volumeText(const Volume& volume);

// The root of the volume that holds folder (the longest mount point above it; the drive root on
// Windows); a folder that has gone counts as on the volume of the nearest folder above it. Empty
// when none is known.
std::string volumeRootOf(const std::string& folder);

// Where the folder list goes when the user picks a volume: the current folder when it lies on
// that volume, else the volume's root.
std::string startFolderOn(const std::string& volumeRoot,
                          const std::string& currentFolder);

}  // namespace velbrisk::ui::chooser
