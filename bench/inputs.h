// The bench's input files: non-zero pseudo-random data followed by a blank tail, and its scratch
// folder.
#pragma once

#include <cstdint>
#include <string>

namespace velbrisk::bench {

inline constexpr std::int64_t kKiB = 1024;
inline constexpr std::int64_t kMiB = 1024 * kKiB;
inline constexpr std::int64_t kGiB = 1024 * kMiB;

struct InputShape {
    std::string name;  // the label in the tables, "(a)", "(c) 1M"
    std::int64_t dataBytes = 0;
    std::int64_t tailBytes = 0;
    bool sparseTail = false;  // the tail is a hole left by extending the file, not written zeros
};

// Writes the data (the same byte stream for every input, so that equal data lengths hold equal
// bytes), then the tail, and flushes it all to the disk so that later timings do not pay for
// writing it back. Throws std::runtime_error on failure.
void writeInput(const std::string& path, const InputShape& shape);

// Writes the first `length` bytes of `source` to `path`, padded with zero bytes where the source is
// shorter: exactly what a trimmed copy of that length must hold.
void writePrefix(const std::string& source, const std::string& path, std::int64_t length);

// Whether two files hold the same bytes.
bool sameBytes(const std::string& a, const std::string& b);

// "256 MiB", "4 GiB", "11 B"
std::string sizeText(std::int64_t bytes);

// Deletes a file if there is one; a missing file is no error.
void removeIfThere(const std::string& path);

std::int64_t fileSize(const std::string& path);        // -1 when there is no such file
std::int64_t allocatedBytes(const std::string& path);  // what the file occupies on the disk
std::int64_t freeBytes(const std::string& folder);

// "ext4 on /dev/vda (mounted at /)", from findmnt, or the file system's magic number without it.
std::string describeFileSystem(const std::string& path);

// Whether the file system of `folder` can clone a file's blocks (FICLONE), and if not, the error.
std::string cloneSupport(const std::string& folder);

// A fresh folder inside `parent`, removed with everything in it when the object goes.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& parent);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace velbrisk::bench
