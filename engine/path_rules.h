// Which characters end a folder in a path, on this platform and on the other.
#pragma once

#include <string>
#include <string_view>

namespace velbrisk {

enum class PathRules {
    Posix,    // "/" ends a folder; "\" is an ordinary character of a name
    Windows,  // "\" and "/" both end a folder
};

#ifdef _WIN32
inline constexpr PathRules kNativePathRules = PathRules::Windows;
#else
inline constexpr PathRules kNativePathRules = PathRules::Posix;
#endif

// Everything up to and including the last separator of `path`, or empty when it has none.
// Separators are ASCII, and no byte of a multi-byte UTF-8 character is ASCII, so a byte-wise search
// is right for every UTF-8 path.
inline std::string folderOf(std::string_view path, PathRules rules) {
    const std::string_view separators = rules == PathRules::Windows ? "\\/" : "/";
    const std::size_t last = path.find_last_of(separators);
    if (last == std::string_view::npos) {
        return {};
    }
    return std::string{path.substr(0, last + 1)};
}

// The leading part of a file name that a temporary file's name is made from: at most 200 bytes,
// so that the dot and the random suffix still fit within the 255 that file systems allow one
// name (bytes on POSIX, UTF-16 units on Windows, of which a UTF-8 name never has more than
// bytes). The cut never falls inside a UTF-8 sequence, whose continuation bytes are 10xxxxxx.
inline std::string tempNameStem(std::string_view name) {
    constexpr std::size_t kMostKept = 200;
    if (name.size() <= kMostKept) {
        return std::string{name};
    }
    std::size_t end = kMostKept;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) {
        --end;
    }
    return std::string{name.substr(0, end)};
}

}  // namespace velbrisk
