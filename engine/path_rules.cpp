// Paths made absolute as text, by the rules of POSIX or of Windows, without asking the disk.
#include "engine/path_rules.h"

#include <cctype>
#include <vector>

namespace velbrisk {

namespace {

bool isDriveLetter(std::string_view path) {
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// A path split into the part that names where it starts ("/", "C:\", "\\server\share\", or
// nothing for a relative path) and the rest.
struct RootedPath {
    std::string root;
    std::string_view rest;
    bool driveRelative = false;  // "C:name": relative to that drive's current folder
};

RootedPath splitRoot(std::string_view path, PathRules rules) {
    if (rules == PathRules::Posix) {
        if (!path.empty() && path[0] == '/') {
            return {"/", path.substr(1)};
        }
        return {"", path};
    }
    if (path.size() >= 2 && isSeparator(path[0], rules) && isSeparator(path[1], rules)) {
        // "\\server\share\rest": the server and the share are the root.
        std::size_t end = 2;
        for (int part = 0; part < 2 && end < path.size(); ++part) {
            while (end < path.size() && !isSeparator(path[end], rules)) {
                ++end;
            }
            if (part == 0 && end < path.size()) {
                ++end;
            }
        }
        std::string root{path.substr(0, end)};
        for (char& c : root) {
            if (c == '/') {
                c = '\\';
            }
        }
        return {root + '\\', path.substr(end)};
    }
    if (isDriveLetter(path)) {
        std::string drive{path.substr(0, 2)};
        if (path.size() >= 3 && isSeparator(path[2], rules)) {
            return {drive + '\\', path.substr(3)};
        }
        return {drive + '\\', path.substr(2), true};
    }
    if (!path.empty() && isSeparator(path[0], rules)) {
        // Rooted on the current drive: the caller puts the drive in front.
        return {"\\", path.substr(1)};
    }
    return {"", path};
}

bool sameDrive(std::string_view a, std::string_view b) {
    return std::toupper(static_cast<unsigned char>(a[0])) ==
           std::toupper(static_cast<unsigned char>(b[0]));
}

// Appends the steps of `rest` to `steps`, leaving out empty and "." steps.
void appendSteps(std::string_view rest, PathRules rules, std::vector<std::string_view>& steps) {
    std::size_t at = 0;
    while (at <= rest.size()) {
        std::size_t end = at;
        while (end < rest.size() && !isSeparator(rest[end], rules)) {
            ++end;
        }
        const std::string_view step = rest.substr(at, end - at);
        if (!step.empty() && step != ".") {
            steps.push_back(step);
        }
        at = end + 1;
    }
}

std::string joinSteps(std::string root, const std::vector<std::string_view>& steps,
                      PathRules rules) {
    const char separator = rules == PathRules::Windows ? '\\' : '/';
    for (std::size_t k = 0; k < steps.size(); ++k) {
        if (k > 0) {
            root += separator;
        }
        root += steps[k];
    }
    return root;
}

}  // namespace

std::string absolutePath(std::string_view path, std::string_view currentFolder, PathRules rules) {
    // A verbatim Windows path ("\\?\C:\a") is used as given: the system does not clean it either.
    if (rules == PathRules::Windows && path.starts_with("\\\\?\\")) {
        return std::string{path};
    }
    const RootedPath given = splitRoot(path, rules);
    const RootedPath current = splitRoot(currentFolder, rules);
    std::vector<std::string_view> steps;
    std::string root;
    if (given.root.empty() || given.root == "\\") {
        // Relative to the current folder, or (Windows, "\name") to the root of its drive.
        root = current.root;
        if (given.root.empty()) {
            appendSteps(current.rest, rules, steps);
        }
    } else if (given.driveRelative && !current.root.empty() && isDriveLetter(current.root) &&
               sameDrive(given.root, current.root)) {
        root = current.root;
        appendSteps(current.rest, rules, steps);
    } else {
        // Fully rooted; a drive-relative path on another drive is taken from that drive's root,
        // whose own current folder only the system knows.
        root = given.root;
    }
    appendSteps(given.rest, rules, steps);
    return joinSteps(root, steps, rules);
}

}  // namespace velbrisk
