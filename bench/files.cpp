// The bench's input files, what it asks about files, and its yardsticks: a plain read of the tail,
// cp, and the original probe loop. Reads and writes go through the engine's own file layer.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "bench.h"
#include "engine/os_file.h"

extern char** environ;

namespace velbrisk::bench {
namespace {

constexpr std::size_t kBlock = 1 << 20;

void check(bool ok, const std::string& what, const std::string& path, std::error_code ec) {
    if (!ok) {
        throw std::runtime_error(what + " " + path + ": " + os::errorText(ec));
    }
}

os::File create(const std::string& path) {
    os::File file(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    check(file.isOpen(), "cannot create", path, {errno, std::system_category()});
    return file;
}

// Writes the first `length` bytes of the file, which `fill` makes block by block, and flushes
// them to the disk, so that later timings do not pay for writing them back.
template <class Fill>
void writeBlocks(const os::File& file, const std::string& path, std::int64_t length, Fill fill) {
    std::vector<unsigned char> block(kBlock);
    std::error_code ec;
    for (std::int64_t at = 0; at < length; at += kBlock) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(length - at, kBlock));
        fill(at, block.data(), n);
        check(os::writeAt(file, at, block.data(), n, ec), "cannot write", path, ec);
    }
    check(os::syncFile(file, ec), "cannot flush", path, ec);
}

// xorshift64*: fast, and the same stream on every run. A zero byte would end the scan early, so
// zero bytes become 0xA5.
void fillData(std::uint64_t& state, unsigned char* out, std::size_t length) {
    for (std::size_t i = 0; i < length; i += 8) {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        const std::uint64_t word = state * 0x2545F4914F6CDD1DULL;
        std::memcpy(out + i, &word, std::min<std::size_t>(8, length - i));
    }
    std::replace(out, out + length, 0, 0xA5);
}

}  // namespace

void writeInput(const std::string& path, const InputShape& shape) {
    const os::File out = create(path);
    const std::int64_t length = shape.dataBytes + shape.tailBytes;
    std::error_code ec;
    check(os::setLength(out, length, ec), "cannot extend", path, ec);  // a sparse tail stays a hole
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    writeBlocks(out, path, shape.sparseTail ? shape.dataBytes : length,
                [&](std::int64_t at, unsigned char* block, std::size_t n) {
                    const auto data = static_cast<std::size_t>(std::clamp<std::int64_t>(
                        shape.dataBytes - at, 0, static_cast<std::int64_t>(n)));
                    fillData(state, block, data);
                    std::memset(block + data, 0, n - data);
                });
}

void writePrefix(const std::string& source, const std::string& path, std::int64_t length) {
    std::error_code ec;
    const os::File in = os::openRead(source, ec);
    check(!ec, "cannot open", source, ec);
    const os::File out = create(path);
    writeBlocks(out, path, length, [&](std::int64_t at, unsigned char* block, std::size_t n) {
        const std::size_t got = os::readAt(in, at, block, n, ec);
        check(!ec, "cannot read", source, ec);
        std::memset(block + got, 0, n - got);
    });
}

bool sameBytes(const std::string& a, const std::string& b) {
    std::error_code ec;
    const os::File fa = os::openRead(a, ec);
    const os::File fb = ec ? os::File() : os::openRead(b, ec);
    std::vector<unsigned char> ba(kBlock), bb(kBlock);
    for (std::int64_t at = 0;; at += kBlock) {
        const std::size_t na = os::readAt(fa, at, ba.data(), kBlock, ec);
        const std::size_t nb = ec ? 0 : os::readAt(fb, at, bb.data(), kBlock, ec);
        if (ec || na != nb || std::memcmp(ba.data(), bb.data(), na) != 0) {
            return false;
        }
        if (na == 0) {
            return true;
        }
    }
}

void removeIfThere(const std::string& path) {
    std::error_code ignored;
    os::removeFile(path, ignored);
}

bool hasHole(const std::string& path, std::int64_t length) {
    std::error_code ec;
    const os::File file = os::openRead(path, ec);
    const auto run = ec ? std::nullopt : os::nextDataRun(file, 0, length, ec);
    return !ec && (!run || run->start > 0 || run->end < length);
}

std::string sizeText(std::int64_t bytes) {
    for (auto [unit, name] : {std::pair{kGiB, "GiB"}, {kMiB, "MiB"}, {kKiB, "KiB"}}) {
        if (bytes >= unit && bytes % unit == 0) {
            return std::to_string(bytes / unit) + " " + name;
        }
    }
    return std::to_string(bytes) + " B";
}

std::string firstLineOf(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char line[512];
        if (std::fgets(line, sizeof line, pipe)) {
            text = line;
        }
        ::pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

std::string cloneSupport(const std::string& folder) {
    const std::string from = folder + "/.clone-probe-source", to = folder + "/.clone-probe-target";
    const os::File source = create(from), target = create(to);
    removeIfThere(from);  // the open files outlive their names
    removeIfThere(to);
    const std::vector<unsigned char> page(4096, 0x5A);
    std::error_code ec;
    const bool cloned =
        os::writeAt(source, 0, page.data(), page.size(), ec) && os::cloneFile(source, target, ec);
    return cloned ? "yes" : "no (FICLONE: " + os::errorText(ec) + ")";
}

std::int64_t readTail(const std::string& path, std::int64_t length) {
    std::error_code ec;
    const os::File file = os::openRead(path, ec);
    if (ec) {
        return -1;
    }
    const std::int64_t offset = std::max<std::int64_t>(0, os::fileInfo(file, ec).size - length);
    std::vector<unsigned char> buffer(kBlock);
    std::int64_t total = 0;
    while (total < length) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(length - total, kBlock));
        const std::size_t got = os::readAt(file, offset + total, buffer.data(), want, ec);
        total += static_cast<std::int64_t>(got);
        if (got < want) {
            break;
        }
    }
    return total;
}

bool runCp(const std::string& from, const std::string& to) {
    const char* argv[] = {"/bin/cp", from.c_str(), to.c_str(), nullptr};
    pid_t child = 0;
    if (::posix_spawn(&child, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        return false;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool syncToDisk(const std::string& path) {
    std::error_code ec;
    const os::File file = os::openRead(path, ec);
    const bool synced = !ec && os::syncFile(file, ec);
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const os::File folderFile(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFile.isOpen()) {
        os::syncFile(folderFile, ec);
    }
    return synced;
}

ProbeLoopResult probeLoop(const std::string& path, std::chrono::steady_clock::time_point deadline) {
    ProbeLoopResult result;
    std::error_code ec;
    const os::File file = os::openRead(path, ec);
    if (ec) {
        return result;
    }
    const std::int64_t length = os::fileInfo(file, ec).size;  // L, read once when the loop starts
    std::vector<unsigned char> probe;
    result.finished = true;
    for (std::int64_t i = 10; i <= length; i += 10) {
        result.scanPosition = i;
        const std::int64_t position = length - i;  // p, 1-based
        if (position < 1) {
            break;  // p = 0 names no byte: ends as when nothing was found
        }
        // A re-dimensioned array starts out zeroed, and so does this one.
        probe.assign(static_cast<std::size_t>(i + 1), 0);
        os::readAt(file, position - 1, probe.data(), probe.size(), ec);
        // The text-box test: the probe reads back empty exactly when its first 16-bit character,
        // its first two bytes, is NUL.
        if (probe[0] != 0 || probe[1] != 0) {
            result.cutAmount = i - 10;
            break;
        }
        stopIfInterrupted();
        if (std::chrono::steady_clock::now() > deadline) {
            result.finished = false;
            break;
        }
    }
    return result;
}

}  // namespace velbrisk::bench
