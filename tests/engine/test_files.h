// Scratch folders and whole-file reads and writes for the engine's tests.
#pragma once

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "table_rows.h"

namespace velbrisk::testing {

namespace fs = std::filesystem;

inline constexpr std::int64_t kKiB = std::int64_t{1} << 10;
inline constexpr std::int64_t kMiB = std::int64_t{1} << 20;
inline constexpr std::int64_t kGiB = std::int64_t{1} << 30;
inline constexpr std::int64_t kTiB = std::int64_t{1} << 40;

// A UTF-8 path as the file system library takes it.
inline fs::path utf8Path(const std::string& path) {
    return fs::path(std::u8string(path.begin(), path.end()));
}

// A fresh folder under the system's temporary folder, removed with everything in it. Names and
// paths are UTF-8, as the engine takes them.
class ScratchFolder {
public:
    ScratchFolder() {
        // A name taken by a parallel run is retried.
        std::random_device random;
        do {
            path_ = fs::temp_directory_path() / ("velbrisk-engine-" + std::to_string(random()));
        } while (!fs::create_directory(path_));
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        // Tests take permissions away, which would stop the removal.
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        for (const auto& entry : fs::recursive_directory_iterator(path_, ignored)) {
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
        fs::remove_all(path_, ignored);
    }

    // The path of `name` in the folder; "" names the folder itself.
    std::string operator/(const std::string& name) const {
        const std::u8string path = (path_ / utf8Path(name)).u8string();
        return {path.begin(), path.end()};
    }
    void makeFolder(const std::string& name) const { fs::create_directory(utf8Path(*this / name)); }

    // Every name in the folder or one below it, dot files (temporary outputs) included.
    std::set<std::string> names(const std::string& below = "") const {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(utf8Path(*this / below))) {
            const std::u8string name = entry.path().filename().u8string();
            found.emplace(name.begin(), name.end());
        }
        return found;
    }

private:
    fs::path path_;
};

// A table's test, and a single test, with a scratch folder of its own.
template <typename Row>
struct ScratchTable : ::testing::TestWithParam<Row> {
    ScratchFolder folder;
};
struct InScratchFolder : ::testing::Test {
    ScratchFolder folder;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(utf8Path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

inline std::string readFile(const std::string& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(utf8Path(path), std::ios::binary).rdbuf();
    return bytes.str();
}

// Whether two files' bytes are the same, and where they first differ when not: a failure that
// prints megabytes helps no one.
inline ::testing::AssertionResult sameBytes(const std::string& actual,
                                            const std::string& expected) {
    if (actual == expected) {
        return ::testing::AssertionSuccess();
    }
    const auto differs =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    return ::testing::AssertionFailure()
           << actual.size() << " bytes where " << expected.size()
           << " were expected, the first difference at offset " << (differs.first - actual.begin());
}

using Ranges = std::vector<std::pair<std::int64_t, std::int64_t>>;

// `length` bytes: zero, except at [from, to) of each range, which hold bytes that are never zero.
inline std::string bytesWithData(std::int64_t length, const Ranges& data) {
    std::string bytes(static_cast<std::size_t>(length), '\0');
    for (auto [from, to] : data) {
        for (std::int64_t k = from; k < to; ++k) {
            bytes[static_cast<std::size_t>(k)] = static_cast<char>(1 + k % 251);
        }
    }
    return bytes;
}

// What a trimmed copy of `outputLength` bytes holds: the source's first bytes, past its end zeros.
inline std::string keptBytes(std::string source, std::int64_t outputLength) {
    source.resize(static_cast<std::size_t>(outputLength), '\0');
    return source;
}

#ifndef _WIN32
// Writes a file of `length` bytes whose only stored parts are `pieces`; the rest is left to the
// file system, which keeps it as holes where it can. Says whether it has holes.
using Pieces = std::vector<std::pair<std::int64_t, std::string>>;
inline bool writePieces(const std::string& path, std::int64_t length, const Pieces& pieces) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_GE(fd, 0) << path;
    EXPECT_EQ(::ftruncate(fd, length), 0);
    for (const auto& [offset, bytes] : pieces) {
        EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), offset), ssize_t(bytes.size()));
    }
    struct stat st {};
    EXPECT_EQ(::fstat(fd, &st), 0);
    ::close(fd);
    return st.st_blocks * 512 < st.st_size / 2;
}

// Writes bytesWithData(length, data), as holes but for the data when `sparse`, and returns it.
inline std::string writeSource(const std::string& path, std::int64_t length, const Ranges& data,
                               bool sparse = false) {
    const std::string bytes = bytesWithData(length, data);
    Pieces pieces;
    for (auto [from, to] : data) {
        pieces.emplace_back(from, bytes.substr(std::size_t(from), std::size_t(to - from)));
    }
    if (!sparse) {
        writeFile(path, bytes);
    } else if (!writePieces(path, length, pieces)) {
        ADD_FAILURE() << "this file system keeps no holes";
    }
    return bytes;
}

// Runs `body` in a child process and returns its exit code (or 128 + a signal), so a test can
// change limits and the umask without touching the test process itself.
inline int runInChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body());
    }
    int status = 0;
    while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return pid < 0 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
#endif

}  // namespace velbrisk::testing
