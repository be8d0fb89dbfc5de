// The chooser's file-system questions on Unix.
#include <filesystem>
#include <system_error>

#include "ui/chooser/FileSystem.h"
#include "ui/chooser/Paths.h"

namespace velbrisk::ui::chooser {

namespace fs = std::filesystem;

std::optional<std::vector<FolderItem>> folderItems(const std::string& folder) {
    if (folder.empty()) {
        return std::nullopt;
    }
    std::error_code error;
    fs::directory_iterator entries(fs::path(folder), error);
    if (error) {
        return std::nullopt;
    }
    std::vector<FolderItem> items;
    for (; entries != fs::directory_iterator(); entries.increment(error)) {
        if (error) {
            break;
        }
        FolderItem item;
        item.name = entries->path().filename().string();
        std::error_code kindError;
        item.folder = entries->is_directory(kindError);
        item.file = entries->is_regular_file(kindError);
        item.hidden = !item.name.empty() && item.name.front() == '.';
        items.push_back(std::move(item));
    }
    return items;
}

std::string currentFolder() {
    std::error_code error;
    const fs::path folder = fs::current_path(error);
    return error ? std::string() : folder.string();
}

std::string absolutePath(const std::string& path) {
    if (path.empty() || !rootOf(path).empty()) {
        return path.empty() ? path : normalPath(path);
    }
    const std::string here = currentFolder();
    return here.empty() ? path : normalPath(joinPath(here, path));
}

}  // namespace velbrisk::ui::chooser
