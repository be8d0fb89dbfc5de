// The few questions the chooser asks of the file system, answered by each platform's own calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velbrisk::ui::chooser {

// An entry of a folder as the lists need it.
struct FolderItem {
    std::string name;     // UTF-8
    bool folder = false;  // a folder (or a link to one)
    bool file = false;    // a plain file (or a link to one)
    bool hidden = false;  // a leading "." on Unix; the hidden or system attribute on Windows
};

// The entries of a folder, "." and ".." left out, in no order. Nothing when the folder cannot be
// opened (missing, not a folder, no permission); entries that vanish while it is read are left
// out.
std::optional<std::vector<FolderItem>> folderItems(const std::string& folder);

// The process's current folder; empty if it cannot be told.
std::string currentFolder();

// path made absolute against the current folder and normal; path itself if that fails.
std::string absolutePath(const std::string& path);

#ifdef _WIN32
std::wstring wideFromUtf8(std::string_view text);
std::string utf8FromWide(std::wstring_view text);
#endif

}  // namespace velbrisk::ui::chooser
