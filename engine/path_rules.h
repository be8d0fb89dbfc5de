// Paths as text, by the rules of this platform or of the other: which characters end a folder,
// and a path made absolute without asking the disk.
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

// Separators are ASCII, and no byte of a multi-byte UTF-8 character is ASCII, so a byte-wise test
// is right for every UTF-8 path.
constexpr bool isSeparator(char c, PathRules rules = kNativePathRules) {
    return c == '/' || (rules == PathRules::Windows && c == '\\');
}

// Everything up to and including the last separator of `path`, or empty when it has none.
inline std::string folderOf(std::string_view path, PathRules rules) {
    std::size_t end = path.size();
    while (end > 0 && !isSeparator(path[end - 1], rules)) {
        --end;
    }
    return std::string{path.substr(0, end)};
}

// `path` against `currentFolder`, without looking at the disk: "." steps and doubled separators
// go, ".." stays (through a symbolic link it need not mean the folder above).
std::string absolutePath(std::string_view path, std::string_view currentFolder,
                         PathRules rules = kNativePathRules);

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

// The form of a full Windows path that the wide-character calls take at any length: "\\?\"
// before a drive path, "\\?\UNC\" in place of the two backslashes of a share's path. The
// system then takes the path as it stands, with no ".", ".." or "/" resolved, so `fullPath` must
// already be a full path in its normal form, with backslashes. A path already in a device form
// ("\\?\", "\\.\") and a path that is not full come back as they are.
// For UTF-8 and for UTF-16 text alike: every character looked at is ASCII.
template <typename Char>
std::basic_string<Char> longPathForm(std::basic_string_view<Char> fullPath) {
    const auto at = [&](std::size_t k) { return k < fullPath.size() ? fullPath[k] : Char{0}; };
    const auto is = [&](std::size_t k, char c) { return at(k) == static_cast<Char>(c); };
    const auto text = [](std::string_view ascii) {
        return std::basic_string<Char>(ascii.begin(), ascii.end());
    };
    const bool letter = (at(0) >= Char{'A'} && at(0) <= Char{'Z'}) ||
                        (at(0) >= Char{'a'} && at(0) <= Char{'z'});
    if (letter && is(1, ':') && is(2, '\\')) {
        return text("\\\\?\\") + std::basic_string<Char>{fullPath};
    }
    if (is(0, '\\') && is(1, '\\') && !is(2, '?') && !is(2, '.') && !is(2, '\\') &&
        at(2) != Char{0}) {
        return text("\\\\?\\UNC\\") + std::basic_string<Char>{fullPath.substr(2)};
    }
    return std::basic_string<Char>{fullPath};
}

}  // namespace velbrisk
