// The chooser's file-system questions on Windows, asked of the system directly: the standard
// library's filesystem would bring its locale machinery, most of the program's size, with it.
#include <windows.h>

#include "engine/utf16.h"
#include "ui/chooser/FileSystem.h"
#include "ui/chooser/Paths.h"

namespace velbrisk::ui::chooser {

std::optional<std::vector<FolderItem>> folderItems(const std::string& folder) {
    if (folder.empty()) {
        return std::nullopt;
    }
    const std::optional<std::wstring> wideFolder = widen(folder);
    if (!wideFolder) {
        return std::nullopt;
    }
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileExW(widen(joinPath(folder, "*"))->c_str(), FindExInfoBasic,
                                           &found, FindExSearchNameMatch, nullptr, 0);
    std::vector<FolderItem> items;
    if (search == INVALID_HANDLE_VALUE) {
        // An empty drive root has not even "." to show, yet it is a folder that can be opened.
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(wideFolder->c_str());
        if (error != ERROR_FILE_NOT_FOUND || attributes == INVALID_FILE_ATTRIBUTES ||
            (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return std::nullopt;
        }
        return items;
    }
    do {
        const std::wstring_view name(found.cFileName);
        if (name == L"." || name == L"..") {
            continue;
        }
        std::optional<std::string> utf8Name = narrow(name);
        if (!utf8Name) {
            continue;
        }
        const DWORD attributes = found.dwFileAttributes;
        FolderItem item;
        item.name = std::move(*utf8Name);
        item.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        item.file = !item.folder && (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
        item.hidden = (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
        items.push_back(std::move(item));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return items;
}

}  // namespace velbrisk::ui::chooser
