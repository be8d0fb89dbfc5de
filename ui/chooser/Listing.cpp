// What the chooser's lists show, worked out from the file system apart from any widget.
#include "ui/chooser/Listing.h"

#include <algorithm>

#include "ui/chooser/FileSystem.h"

namespace velbrisk::ui::chooser {

namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return lowerAscii(c); });
    return lower;
}

// By name without regard to case; names that differ only in case keep a fixed order.
void sortByName(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string la = lowerAscii(a);
        const std::string lb = lowerAscii(b);
        return la != lb ? la < lb : a < b;
    });
}

// The entries of a folder that are not hidden and pass `wanted`, by name; nothing when the
// folder cannot be opened.
template <typename Wanted>
std::optional<std::vector<std::string>> namesIn(const std::string& folder, Wanted wanted) {
    std::optional<std::vector<FolderItem>> items = folderItems(folder);
    if (!items) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (FolderItem& item : *items) {
        if (!item.hidden && wanted(item)) {
            names.push_back(std::move(item.name));
        }
    }
    sortByName(names);
    return names;
}

bool endsWithExe(const std::string& name) {
    return name.size() >= 4 && lowerAscii(std::string_view(name).substr(name.size() - 4)) == ".exe";
}

}  // namespace

std::optional<std::vector<std::string>> subfolders(const std::string& folder) {
    return namesIn(folder, [](const FolderItem& item) { return item.folder; });
}

std::optional<std::vector<std::string>> exeFiles(const std::string& folder) {
    // A file that cannot be read is still listed, as it would be on Windows.
    return namesIn(folder,
                   [](const FolderItem& item) { return item.file && endsWithExe(item.name); });
}

std::vector<std::string> folderChain(const std::string& folder) {
    std::string path = normalPath(folder);
    std::vector<std::string> chain;
    for (;;) {
        chain.insert(chain.begin(), path);
        std::string parent = parentOf(path);
        if (parent.empty() || parent == path) {
            return chain;
        }
        path = std::move(parent);
    }
}

std::string folderEntryText(const std::string& folder) {
    std::string name = nameOf(folder);
    return name.empty() ? folder : name;
}

std::string joinPickedFile(std::string_view folderListPath, std::string_view listingPath,
                           std::string_view fileName) {
    std::string joined(listingPath);
    if (folderListPath.empty() || folderListPath.back() != kSeparator) {
        joined += kSeparator;
    }
    joined += fileName;
    return joined;
}

bool isRealFileSystem(std::string_view fileSystemType) {
    // squashfs is here because on Linux it mostly holds the read-only images that snap and
    // live systems mount by the dozen, none of them a place a user keeps programs.
    static constexpr std::string_view pseudo[] = {
        "autofs",      "binfmt_misc", "bpf",        "cgroup",    "cgroup2",  "configfs",
        "debugfs",     "devpts",      "devtmpfs",   "efivarfs",  "fusectl",  "fuse.gvfsd-fuse",
        "fuse.portal", "hugetlbfs",   "mqueue",     "nsfs",      "proc",     "pstore",
        "ramfs",       "rpc_pipefs",  "securityfs", "selinuxfs", "squashfs", "sysfs",
        "tmpfs",       "tracefs",
    };
    return !fileSystemType.empty() &&
           std::find(std::begin(pseudo), std::end(pseudo), fileSystemType) == std::end(pseudo);
}

std::string startFolderOn(const std::string& volumeRoot, const std::string& currentFolder) {
    return volumeRootOf(currentFolder) == volumeRoot ? currentFolder : volumeRoot;
}

}  // namespace velbrisk::ui::chooser
