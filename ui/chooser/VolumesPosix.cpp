// The chooser's volumes on Linux: the mounts of /proc/self/mountinfo and their labels.
#include <sys/statvfs.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <system_error>

#include "ui/chooser/Listing.h"

namespace velbrisk::ui::chooser {

namespace fs = std::filesystem;

namespace {

struct Mount {
    fs::path point;
    std::string type;
    std::string device;
};

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
    std::vector<Mount> found;
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers, root, point, field;
        if (!(fields >> id >> parent >> numbers >> root >> point)) {
            continue;
        }
        // Optional fields up to the lone "-", then the type and the device.
        while (fields >> field && field != "-") {
        }
        Mount mount;
        if (!(fields >> mount.type)) {
            continue;
        }
        fields >> mount.device;
        mount.point = unescapeOctal(point);
        mount.device = unescapeOctal(mount.device);
        found.push_back(std::move(mount));
    }
    return found;
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

bool isReady(const fs::path& point) {
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

fs::path volumeRootOf(const fs::path& folder) {
    std::error_code error;
    const fs::path real = fs::canonical(folder, error);
    if (error) {
        return {};
    }
    fs::path best;
    for (const Mount& mount : mounts()) {
        if (isUnder(real, mount.point) &&
            std::distance(mount.point.begin(), mount.point.end()) >=
                std::distance(best.begin(), best.end())) {
            best = mount.point;
        }
    }
    return best;
}

std::vector<Volume> pickableVolumes(const fs::path& currentFolder) {
    const fs::path systemRoot = "/";
    const fs::path currentRoot = volumeRootOf(currentFolder);
    std::vector<Volume> volumes;
    const auto offered = [&volumes](const fs::path& root) {
        return std::any_of(volumes.begin(), volumes.end(),
                           [&root](const Volume& volume) { return volume.root == root; });
    };
    for (const Mount& mount : mounts()) {
        const bool wanted = mount.point == systemRoot || mount.point == currentRoot ||
                            (isRealFileSystem(mount.type) && isReady(mount.point));
        // Containers bind single files (/etc/hosts and the like) as mounts; only folders count.
        std::error_code error;
        if (!wanted || !fs::is_directory(mount.point, error) || offered(mount.point)) {
            continue;
        }
        volumes.push_back({mount.point, labelOf(mount.device)});
    }
    if (!offered(systemRoot)) {
        volumes.push_back({systemRoot, {}});
    }
    std::sort(volumes.begin(), volumes.end(), [&systemRoot](const Volume& a, const Volume& b) {
        if ((a.root == systemRoot) != (b.root == systemRoot)) {
            return a.root == systemRoot;
        }
        return a.root < b.root;
    });
    return volumes;
}

std::string volumeText(const Volume& volume) {
    const std::string root = utf8FromPath(volume.root);
    return volume.label.empty() ? root : root + " [" + volume.label + "]";
}

}  // namespace velbrisk::ui::chooser
