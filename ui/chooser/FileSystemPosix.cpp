// The chooser's file-system questions on Unix.
#include <filesystem>
#include <system_error>

#include "ui/chooser/FileSystem.h"

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

}  // namespace velbrisk::ui::chooser
