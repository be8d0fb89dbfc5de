// The chooser's file-system questions on Windows, asked of the system directly: the standard
// library's filesystem would bring its locale machinery, most of the program's size, with it.
#include <windows.h>

#include "ui/chooser/FileSystem.h"
#include "ui/chooser/Paths.h"

namespace velbrisk::ui::chooser {

std::wstring wideFromUtf8(std::string_view text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(std::size_t(length > 0 ? length : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

std::string utf8FromWide(std::wstring_view wide) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string text(std::size_t(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), text.data(), length, nullptr,
                        nullptr);
    return text;
}

std::optional<std::vector<FolderItem>> folderItems(const std::string& folder) {
    if (folder.empty()) {
        return std::nullopt;
    }
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileExW(wideFromUtf8(joinPath(folder, "*")).c_str(),
                                           FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                           0);
    std::vector<FolderItem> items;
    if (search == INVALID_HANDLE_VALUE) {
        // An empty drive root has not even "." to show, yet it is a folder that can be opened.
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(wideFromUtf8(folder).c_str());
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
        const DWORD attributes = found.dwFileAttributes;
        FolderItem item;
        item.name = utf8FromWide(name);
        item.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        item.file = !item.folder && (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
        item.hidden = (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
        items.push_back(std::move(item));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return items;
}

std::string currentFolder() {
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    std::wstring wide(length, L'\0');
    wide.resize(GetCurrentDirectoryW(length, wide.data()));
    return utf8FromWide(wide);
}

std::string absolutePath(const std::string& path) {
    if (path.empty()) {
        return path;
    }
    const std::wstring wide = wideFromUtf8(path);
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) {
        return path;
    }
    std::wstring full(length, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), length, full.data(), nullptr));
    return normalPath(utf8FromWide(full));
}

}  // namespace velbrisk::ui::chooser
