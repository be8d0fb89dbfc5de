// The few questions the chooser asks of the file system, answered by each platform's own calls.
#pragma once

#include <optional>
#include <string>
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
// opened (missing, not a folder, no permission, a name that does not convert); entries that
// vanish while it is read, or whose names do not convert to UTF-8, are left out.
std::optional<std::vector<FolderItem>> folderItems(const std::string& folder);

}  // namespace velbrisk::ui::chooser
