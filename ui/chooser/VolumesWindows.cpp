// The chooser's volumes on Windows: the logical drives and their labels.
#include <windows.h>

#include <algorithm>
#include <cctype>

#include "engine/os_file.h"
#include "engine/path_rules.h"
#include "engine/utf16.h"
#include "ui/chooser/Listing.h"
#include "ui/chooser/Paths.h"

namespace velbrisk::ui::chooser {

namespace {

// A drive without a medium must not bring up the system's "insert a disk" box; it simply has
// no label, and opening it fails later, quietly.
class QuietDriveErrors {
public:
    QuietDriveErrors() : old_(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
    ~QuietDriveErrors() { SetErrorMode(old_); }
    QuietDriveErrors(const QuietDriveErrors&) = delete;
    QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

private:
    UINT old_;
};

std::string labelOf(const std::wstring& root) {
    wchar_t label[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                               nullptr, 0)) {
        return {};
    }
    return narrow(label).value_or(std::string{});
}

}  // namespace

std::string volumeRootOf(const std::string& folder) {
    std::string root = rootOf(absolutePath(folder, os::currentFolder()));
    // Only a drive or a share is a volume; so is not a path that could not be made absolute.
    if (root.size() < 2 || (root[1] != ':' && root[1] != '\\')) {
        return {};
    }
    // The drive list names drives in capitals ("C:\"); a path may have been typed in small ones.
    if (root[1] == ':' && root[0] >= 'a' && root[0] <= 'z') {
        root[0] = char(root[0] - 'a' + 'A');
    }
    return root;
}

std::vector<Volume> pickableVolumes(const std::string& currentFolder) {
    const QuietDriveErrors quiet;
    std::vector<Volume> volumes;
    const DWORD length = GetLogicalDriveStringsW(0, nullptr);
    std::wstring roots(length, L'\0');
    const DWORD written = GetLogicalDriveStringsW(length, roots.data());
    // The list is "A:\", "C:\", ... each ended by a null, in letter order.
    for (std::size_t at = 0; written != 0 && written < length && at < written;) {
        const std::wstring root(roots.c_str() + at);
        if (root.empty()) {
            break;
        }
        volumes.push_back({narrow(root).value_or(std::string{}), labelOf(root)});
        at += root.size() + 1;
    }
    // A folder on a network share, which has no drive letter, still gets its entry.
    const std::string currentRoot = volumeRootOf(currentFolder);
    if (!currentRoot.empty() &&
        std::none_of(volumes.begin(), volumes.end(),
                     [&](const Volume& volume) { return volume.root == currentRoot; })) {
        volumes.push_back({currentRoot, labelOf(widen(currentRoot).value_or(std::wstring{}))});
    }
    return volumes;
}

std::string volumeText(const Volume& volume) {
    std::string root = volume.root;
    // "C:\" is shown as the classic drive list shows it: "c:".
    if (root.size() == 3 && root[1] == ':') {
        root = std::string(1, char(std::tolower(static_cast<unsigned char>(root[0])))) + ":";
    }
    return volume.label.empty() ? root : root + " [" + volume.label + "]";
}

}  // namespace velbrisk::ui::chooser
