// What the chooser's lists show, worked out from the file system apart from any widget.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velbrisk::ui::chooser {

// Paths cross this boundary as UTF-8 text with the platform's own separators ("\" and drive
// roots such as "C:\" on Windows, "/" elsewhere); inside, they are std::filesystem paths.
std::filesystem::path pathFromUtf8(std::string_view text);
std::string utf8FromPath(const std::filesystem::path& path);

// The platform's separator, the one the step-3 join puts in.
#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

// The subfolders of a folder, hidden ones left out (a leading "." on Unix; the hidden or system
// attribute on Windows), sorted by name without regard to case. Nothing when the folder cannot
// be opened (missing, not a folder, no permission).
std::optional<std::vector<std::string>> subfolders(const std::filesystem::path& folder);

// The names of the files of a folder that match "*.EXE" without regard to case, sorted by name
// without regard to case; folders and hidden files are left out, read-only and unreadable files
// are kept. Nothing when the folder cannot be opened.
std::optional<std::vector<std::string>> exeFiles(const std::filesystem::path& folder);

// The folders from the root down to folder itself: "/a/b" gives "/", "/a", "/a/b"; "C:\TOOLS"
// gives "C:\", "C:\TOOLS". A trailing separator is dropped first.
std::vector<std::filesystem::path> folderChain(const std::filesystem::path& folder);

// A folder list entry's text: the folder's own name, or the whole root ("/", "C:\").
std::string folderEntryText(const std::filesystem::path& folder);

// The full path of a file picked in the file list. Whether a separator goes between folder and
// name is decided by the folder list's path (a root already ends in one); the folder itself
// comes from the file list's listing path. The two are kept equal.
std::string joinPickedFile(std::string_view folderListPath, std::string_view listingPath,
                           std::string_view fileName);

// A volume that the drive list offers: a mounted file system, or a Windows drive.
struct Volume {
    std::filesystem::path root;  // mount point, or the drive's root "C:\"
    std::string label;           // UTF-8; empty when the volume has none (or is not ready)
    friend bool operator==(const Volume&, const Volume&) = default;
};

// False for the kernel's and the system's pseudo file systems (proc, sysfs, tmpfs, ...), which
// hold nothing a user would pick an executable from.
bool isRealFileSystem(std::string_view fileSystemType);

// The volumes to offer. Linux: the ready volumes with real file systems, the root volume first
// and the rest by mount point; the volume that holds currentFolder is always offered, whatever
// its type. Windows: every logical drive in letter order, ready or not.
std::vector<Volume> pickableVolumes(const std::filesystem::path& currentFolder);

// The entry's text in the drive list. Linux: the mount point, then the label in brackets if any
// ("/media/usb [STICK]"). Windows: the drive in small letters, as the classic drive list shows
// it ("c: [SYSTEM]", "d:").
std::string volumeText(const Volume& volume);

// The root of the volume that holds folder (the longest mount point above it; the drive root on
// Windows). Empty when none is known.
std::filesystem::path volumeRootOf(const std::filesystem::path& folder);

// Where the folder list goes when the user picks a volume: the current folder when it lies on
// that volume, else the volume's root.
std::filesystem::path startFolderOn(const std::filesystem::path& volumeRoot,
                                    const std::filesystem::path& currentFolder);

}  // namespace velbrisk::ui::chooser
