// Scratch folders and whole-file reads and writes for the engine's tests.
#pragma once

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
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
using Names = std::set<std::string>;

// A UTF-8 path as the file system library takes it.
inline fs::path utf8Path(const std::string& path) {
    return fs::path(std::u8string(path.begin(), path.end()));
}

// A fresh folder under the system's temporary folder, removed with all in it; UTF-8 names.
class ScratchFolder {
public:
    explicit ScratchFolder(const fs::path& parent = fs::temp_directory_path()) {
        // A name taken by a parallel run is retried.
        std::random_device random;
        do {
            path_ = parent / ("velbrisk-engine-" + std::to_string(random()));
        } while (!fs::create_directory(path_));
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
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

using Runs = std::vector<std::pair<std::int64_t, std::string>>;

#ifndef _WIN32
// A file of `length` bytes that stores only its runs, each at its offset: the rest are holes.
inline void writeSparse(const std::string& path, std::int64_t length, const Runs& runs) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_EQ(::ftruncate(fd, length), 0) << path;
    for (const auto& [offset, run] : runs) {
        ASSERT_EQ(::pwrite(fd, run.data(), run.size(), offset), ssize_t(run.size()));
    }
    const off_t firstHole = ::lseek(fd, 0, SEEK_HOLE);
    ::close(fd);
    ASSERT_LT(firstHole, length) << "this file system keeps no holes";
}
#endif

inline std::string readFile(const std::string& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(utf8Path(path), std::ios::binary).rdbuf();
    return bytes.str();
}

// Whether two files' bytes are the same, and where they first differ: not megabytes of them.
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

}  // namespace velbrisk::testing
