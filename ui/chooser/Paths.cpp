// Paths taken apart and put together by the platform's rules, as text.
#include "ui/chooser/Paths.h"

#include <algorithm>
#include <vector>

#include "engine/path_rules.h"

namespace velbrisk::ui::chooser {

namespace {

// The end of the name that starts at `at`.
std::size_t nameEnd(std::string_view path, std::size_t at) {
    while (at < path.size() && !isSeparator(path[at])) {
        ++at;
    }
    return at;
}

}  // namespace

std::string rootOf(std::string_view path) {
    std::string root;
#ifdef _WIN32
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        // "\\server\share\": the share is the volume, so it belongs to the root.
        const std::size_t server = nameEnd(path, 2);
        const std::size_t share = server < path.size() ? nameEnd(path, server + 1) : server;
        root = std::string(path.substr(0, share));
        root += '\\';
    } else if (path.size() >= 2 && path[1] == ':') {
        root = std::string(path.substr(0, 2));
        if (path.size() >= 3 && isSeparator(path[2])) {
            root += '\\';
        }
    } else if (!path.empty() && isSeparator(path[0])) {
        root = "\\";
    }
    for (char& c : root) {
        c = c == '/' ? '\\' : c;
    }
#else
    if (!path.empty() && path[0] == '/') {
        root = "/";
    }
#endif
    return root;
}

std::string normalPath(std::string_view path) {
    const std::string root = rootOf(path);
    // A root's text is as long in path as it is normalised, bar the separator that
    // "\\server\share" lacks at its end.
    std::size_t at = std::min(root.size(), path.size());
    std::vector<std::string_view> names;
    while (at < path.size()) {
        const std::size_t end = nameEnd(path, at);
        const std::string_view name = path.substr(at, end - at);
        if (name == "..") {
            if (!names.empty() && names.back() != "..") {
                names.pop_back();
            } else if (root.empty()) {
                names.push_back(name);
            }
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        at = end + 1;
    }
    std::string normal = root;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            normal += kSeparator;
        }
        normal += names[i];
    }
    if (normal.empty() && !path.empty()) {
        normal = ".";
    }
    return normal;
}

std::string parentOf(std::string_view path) {
    const std::size_t rootSize = rootOf(path).size();
    if (path.size() <= rootSize) {
        return std::string(path);
    }
    std::size_t cut = path.size();
    while (cut > rootSize && !isSeparator(path[cut - 1])) {
        --cut;
    }
    // "C:\a" gives "C:\", "/a/b" gives "/a": the separator stays only as part of a root.
    if (cut > rootSize) {
        --cut;
    }
    return std::string(path.substr(0, cut));
}

std::string nameOf(std::string_view path) {
    const std::size_t rootSize = rootOf(path).size();
    std::size_t start = path.size();
    while (start > rootSize && !isSeparator(path[start - 1])) {
        --start;
    }
    return std::string(path.substr(std::max(start, rootSize)));
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    if (!joined.empty() && joined.back() != kSeparator) {
        joined += kSeparator;
    }
    joined += name;
    return joined;
}

}  // namespace velbrisk::ui::chooser
