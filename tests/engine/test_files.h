// Scratch folders and whole-file reads and writes for the engine's tests.
#pragma once

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <string>

#include "table_rows.h"

namespace velbrisk::testing {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
#ifdef _WIN32
        // No mkdtemp on Windows: create_directory refuses a name that exists, so retry.
        std::random_device random;
        do {
            path_ = fs::temp_directory_path() / ("velbrisk-engine-" + std::to_string(random()));
        } while (!fs::create_directory(path_));
#else
        std::string pattern = (fs::temp_directory_path() / "velbrisk-engine-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "cannot make a scratch folder: " << std::strerror(errno);
        }
        path_ = pattern;
#endif
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }

    const fs::path& path() const {
        return path_;
    }
    std::string operator/(const std::string& name) const {
        return (path_ / name).string();
    }

    // Every name in the folder, dot files (temporary outputs) included.
    std::set<std::string> names() const {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(path_)) {
            found.insert(entry.path().filename().string());
        }
        return found;
    }

private:
    fs::path path_;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(0, in.tellg())), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// `length` bytes: zero, except at [from, to) of each range, which hold bytes that are never zero.
inline std::string bytesWithData(
    std::int64_t length, std::initializer_list<std::pair<std::int64_t, std::int64_t>> data) {
    std::string bytes(static_cast<std::size_t>(length), '\0');
    for (auto [from, to] : data) {
        for (std::int64_t k = from; k < to; ++k) {
            bytes[static_cast<std::size_t>(k)] = static_cast<char>(1 + k % 251);
        }
    }
    return bytes;
}

#ifndef _WIN32
// Runs `body` in a child process and returns its exit code (or 128 + a signal), so a test can
// change limits and users without touching the test process itself.
inline int runInChild(const std::function<int()>& body) {
    pid_t pid = ::fork();
    if (pid < 0) {
        ADD_FAILURE() << "fork failed: " << std::strerror(errno);
        return -1;
    }
    if (pid == 0) {
        ::_exit(body());
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return 128 + WTERMSIG(status);
}
#endif

}  // namespace velbrisk::testing
