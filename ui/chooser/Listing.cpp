// What the chooser's lists show, worked out from the file system apart from any widget.
#include "ui/chooser/Listing.h"

#include <algorithm>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace velbrisk::ui::chooser {

namespace fs = std::filesystem;

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

bool isHidden(const fs::directory_entry& entry) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(entry.path().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
#else
    const std::string name = utf8FromPath(entry.path().filename());
    return !name.empty() && name.front() == '.';
#endif
}

// The entries of a folder that pass `wanted`, by name; nothing when the folder cannot be opened.
// Entries that vanish or cannot be looked at while the folder is read are left out.
template <typename Wanted>
std::optional<std::vector<std::string>> namesIn(const fs::path& folder, Wanted wanted) {
    if (folder.empty()) {
        return std::nullopt;
    }
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (; entries != fs::directory_iterator(); entries.increment(error)) {
        if (error) {
            break;
        }
        if (!isHidden(*entries) && wanted(*entries)) {
            names.push_back(utf8FromPath(entries->path().filename()));
        }
    }
    sortByName(names);
    return names;
}

bool endsWithExe(const std::string& name) {
    return name.size() >= 4 && lowerAscii(std::string_view(name).substr(name.size() - 4)) == ".exe";
}

}  // namespace

// On Windows a path is UTF-16 inside. The library's own conversion there goes through
// std::locale, which would bring half a megabyte of locale tables into the program for this one
// job: the system's converter does it instead.
#ifdef _WIN32
fs::path pathFromUtf8(std::string_view text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(std::size_t(std::max(length, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), length);
    return fs::path(std::move(wide));
}

std::string utf8FromPath(const fs::path& path) {
    const std::wstring& wide = path.native();
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string text(std::size_t(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), text.data(), length, nullptr,
                        nullptr);
    return text;
}
#else
fs::path pathFromUtf8(std::string_view text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string utf8FromPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
#endif

std::optional<std::vector<std::string>> subfolders(const fs::path& folder) {
    return namesIn(folder, [](const fs::directory_entry& entry) {
        std::error_code error;
        return entry.is_directory(error);
    });
}

std::optional<std::vector<std::string>> exeFiles(const fs::path& folder) {
    // A file that cannot be read is still listed, as it would be on Windows.
    return namesIn(folder, [](const fs::directory_entry& entry) {
        std::error_code error;
        return entry.is_regular_file(error) && endsWithExe(utf8FromPath(entry.path().filename()));
    });
}

std::vector<fs::path> folderChain(const fs::path& folder) {
    fs::path path = folder.lexically_normal();
    if (!path.has_filename() && path.has_relative_path()) {
        path = path.parent_path();
    }
    std::vector<fs::path> chain;
    for (;;) {
        chain.insert(chain.begin(), path);
        const fs::path parent = path.parent_path();
        if (parent.empty() || parent == path) {
            return chain;
        }
        path = parent;
    }
}

std::string folderEntryText(const fs::path& folder) {
    const fs::path name = folder.filename();
    return name.empty() ? utf8FromPath(folder) : utf8FromPath(name);
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

fs::path startFolderOn(const fs::path& volumeRoot, const fs::path& currentFolder) {
    return volumeRootOf(currentFolder) == volumeRoot ? currentFolder : volumeRoot;
}

}  // namespace velbrisk::ui::chooser
