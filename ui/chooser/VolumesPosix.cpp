// The chooser's volumes on Linux: the mounts of /proc/self/mountinfo and their labels.
#include <sys/statvfs.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "ui/chooser/Listing.h"

namespace velbrisk::ui::chooser {

namespace fs = std::filesystem;

namespace {

// mountinfo writes a blank, tab, newline and backslash in a path as three octal digits.
std::string unescapeOctal(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::all_of(field.begin() + long(i) + 1, field.begin() + long(i) + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            text += char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// udev writes a character that is unsafe in a file name as \xHH in the label's link.
std::string unescapeHex(const std::string& name) {
    std::string text;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name.compare(i, 2, "\\x") == 0 && i + 3 < name.size() &&
            std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
            text += char(std::stoi(name.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            text += name[i];
        }
    }
    return text;
}

std::vector<Mount> mounts() {
    std::ifstream table("/proc/self/mountinfo");
    std::ostringstream text;
    text << table.rdbuf();
    return parseMountInfo(text.str());
}

std::string labelOf(const std::string& device) {
    std::error_code error;
    const fs::path real = fs::canonical(device, error);
    if (error) {
        return {};
    }
    for (fs::directory_iterator links("/dev/disk/by-label", error), end; !error && links != end;
         links.increment(error)) {
        std::error_code linkError;
        if (fs::canonical(links->path(), linkError) == real && !linkError) {
            return unescapeHex(links->path().filename().string());
        }
    }
    return {};
}

bool isReady(const std::string& point) {
    struct statvfs info {};
    return ::statvfs(point.c_str(), &info) == 0;
}

// Whether `folder` lies on or under `point`, component by component.
bool isUnder(const fs::path& folder, const fs::path& point) {
    auto f = folder.begin();
    for (auto p = point.begin(); p != point.end(); ++p, ++f) {
        if (p->empty()) {
            continue;  // the empty name after a trailing separator
        }
        if (f == folder.end() || *f != *p) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<Mount> parseMountInfo(std::string_view text) {
    std::vector<Mount> found;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers, root, point, field;
        if (!(fields >> id >> parent >> numbers >> root >> point)) {
            continue;
        }
        // Optional fields up to the lone "-", then the type and the device.
        while (fields >> field && field != "-") {
        }
        Mount mount;
        if (field != "-" || !(fields >> mount.type)) {
            continue;
        }
        fields >> mount.device;
        mount.point = unescapeOctal(point);
        mount.device = unescapeOctal(mount.device);
        found.push_back(std::move(mount));
    }
    return found;
}

std::vector<std::string> offeredMountPoints(
    const std::vector<Mount>& mounts, const std::string& currentRoot,
    const std::function<bool(const std::string&)>& isReady,
    const std::function<bool(const std::string&)>& isFolder) {
    const std::string systemRoot = "/";
    std::vector<std::string> points;
    for (const Mount& mount : mounts) {
        const bool wanted = mount.point == systemRoot || mount.point == currentRoot ||
                            (isRealFileSystem(mount.type) && isReady(mount.point));
        // Containers bind single files (/etc/hosts and the like) as mounts; only folders count.
        if (!wanted || std::find(points.begin(), points.end(), mount.point) != points.end() ||
            !isFolder(mount.point)) {
            continue;
        }
        points.push_back(mount.point);
    }
    if (std::find(points.begin(), points.end(), systemRoot) == points.end()) {
        points.push_back(systemRoot);
    }
    std::sort(points.begin(), points.end(), [&systemRoot](const std::string& a, const std::string& b) {
        if ((a == systemRoot) != (b == systemRoot)) {
            return a == systemRoot;
        }
        // Name by name, so "/media/a/b" comes before "/media/a b".
        return fs::path(a) < fs::path(b);
    });
    return points;
}

std::string volumeRootOf(const std::string& folder) {
    // A folder that has gone still lies on the volume of the nearest folder above it that is
    // still there.
    std::error_code error;
    fs::path real;
    for (fs::path above(folder);; above = above.parent_path()) {
        real = fs::canonical(above, error);
        if (!error || above.empty() || above == above.parent_path()) {
            break;
        }
    }
    if (error) {
        return {};
    }
    fs::path best;
    for (const Mount& mount : mounts()) {
        const fs::path point(mount.point);
        if (isUnder(real, point) &&
            std::distance(point.begin(), point.end()) >= std::distance(best.begin(), best.end())) {
            best = point;
        }
    }
    return best.string();
}

std::vector<Volume> pickableVolumes(const std::string& currentFolder) {
    const std::vector<Mount> table = mounts();
    const auto isFolder = [](const std::string& point) {
        std::error_code error;
        return fs::is_directory(point, error);
    };
    std::vector<Volume> volumes;
    for (const std::string& point :
         offeredMountPoints(table, volumeRootOf(currentFolder), isReady, isFolder)) {
        const auto mount = std::find_if(table.begin(), table.end(),
                                        [&point](const Mount& m) { return m.point == point; });
        volumes.push_back({point, mount == table.end() ? std::string() : labelOf(mount->device)});
    }
    return volumes;
}

std::string volumeText(const Volume& volume) {
    return volume.label.empty() ? volume.root : volume.root + " [" + volume.label + "]";
}

}  // namespace velbrisk::ui::chooser
