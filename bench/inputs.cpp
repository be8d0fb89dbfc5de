// Writes the bench's input files and answers questions about files and file systems.
#include "inputs.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

namespace velbrisk::bench {

namespace {

constexpr std::size_t kBlock = 1 << 20;

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd;
    explicit Fd(int value) : fd(value) {}
    ~Fd() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

void writeAll(int fd, const unsigned char* data, std::size_t length, const std::string& path) {
    while (length > 0) {
        ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("cannot write", path);
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
}

std::size_t readFull(int fd, unsigned char* buffer, std::size_t length, const std::string& path) {
    std::size_t got = 0;
    while (got < length) {
        ssize_t n = ::read(fd, buffer + got, length - got);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("cannot read", path);
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return got;
}

// xorshift64*: fast, and the same stream on every run. A zero byte would end the scan early, so
// zero bytes become 0xA5.
class DataStream {
public:
    void fill(unsigned char* out, std::size_t length) {
        for (std::size_t i = 0; i + 8 <= length; i += 8) {
            state_ ^= state_ >> 12;
            state_ ^= state_ << 25;
            state_ ^= state_ >> 27;
            std::uint64_t word = state_ * 0x2545F4914F6CDD1DULL;
            std::memcpy(out + i, &word, 8);
        }
        for (std::size_t i = length & ~std::size_t{7}; i < length; ++i) {
            out[i] = 0x5A;
        }
        for (std::size_t i = 0; i < length; ++i) {
            out[i] = out[i] != 0 ? out[i] : 0xA5;
        }
    }

private:
    std::uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

}  // namespace

void writeInput(const std::string& path, const InputShape& shape) {
    Fd out(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (out.fd < 0) {
        fail("cannot create", path);
    }
    std::vector<unsigned char> block(kBlock);
    DataStream stream;
    for (std::int64_t left = shape.dataBytes; left > 0;) {
        std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, kBlock));
        stream.fill(block.data(), n);
        writeAll(out.fd, block.data(), n, path);
        left -= static_cast<std::int64_t>(n);
    }
    if (shape.sparseTail) {
        if (::ftruncate(out.fd, shape.dataBytes + shape.tailBytes) != 0) {
            fail("cannot extend", path);
        }
    } else {
        std::fill(block.begin(), block.end(), 0);
        for (std::int64_t left = shape.tailBytes; left > 0;) {
            std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, kBlock));
            writeAll(out.fd, block.data(), n, path);
            left -= static_cast<std::int64_t>(n);
        }
    }
    if (::fsync(out.fd) != 0) {
        fail("cannot flush", path);
    }
}

void writePrefix(const std::string& source, const std::string& path, std::int64_t length) {
    Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.fd < 0) {
        fail("cannot open", source);
    }
    Fd out(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (out.fd < 0) {
        fail("cannot create", path);
    }
    std::vector<unsigned char> block(kBlock);
    for (std::int64_t left = length; left > 0;) {
        std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, kBlock));
        std::size_t got = readFull(in.fd, block.data(), want, source);
        std::memset(block.data() + got, 0, want - got);
        writeAll(out.fd, block.data(), want, path);
        left -= static_cast<std::int64_t>(want);
    }
    if (::fsync(out.fd) != 0) {
        fail("cannot flush", path);
    }
}

bool sameBytes(const std::string& a, const std::string& b) {
    if (fileSize(a) != fileSize(b)) {
        return false;
    }
    Fd fa(::open(a.c_str(), O_RDONLY | O_CLOEXEC));
    Fd fb(::open(b.c_str(), O_RDONLY | O_CLOEXEC));
    if (fa.fd < 0 || fb.fd < 0) {
        return false;
    }
    std::vector<unsigned char> ba(kBlock);
    std::vector<unsigned char> bb(kBlock);
    for (;;) {
        std::size_t na = readFull(fa.fd, ba.data(), kBlock, a);
        std::size_t nb = readFull(fb.fd, bb.data(), kBlock, b);
        if (na != nb || std::memcmp(ba.data(), bb.data(), na) != 0) {
            return false;
        }
        if (na == 0) {
            return true;
        }
    }
}

std::string sizeText(std::int64_t bytes) {
    char text[32];
    if (bytes >= kGiB && bytes % kGiB == 0) {
        std::snprintf(text, sizeof text, "%lld GiB", static_cast<long long>(bytes / kGiB));
    } else if (bytes >= kMiB && bytes % kMiB == 0) {
        std::snprintf(text, sizeof text, "%lld MiB", static_cast<long long>(bytes / kMiB));
    } else if (bytes >= kKiB && bytes % kKiB == 0) {
        std::snprintf(text, sizeof text, "%lld KiB", static_cast<long long>(bytes / kKiB));
    } else {
        std::snprintf(text, sizeof text, "%lld B", static_cast<long long>(bytes));
    }
    return text;
}

void removeIfThere(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

std::int64_t fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

std::int64_t allocatedBytes(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_blocks) * 512 : -1;
}

std::int64_t freeBytes(const std::string& folder) {
    struct statvfs vfs {};
    if (::statvfs(folder.c_str(), &vfs) != 0) {
        return -1;
    }
    return static_cast<std::int64_t>(vfs.f_bavail) * static_cast<std::int64_t>(vfs.f_frsize);
}

std::string describeFileSystem(const std::string& path) {
    std::string command = "findmnt -n -o FSTYPE,SOURCE,TARGET -T '" + path + "' 2>/dev/null";
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, pipe)) {
            text += line;
        }
        ::pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        struct statfs fs {};
        char magic[32] = "?";
        if (::statfs(path.c_str(), &fs) == 0) {
            std::snprintf(magic, sizeof magic, "0x%lx", static_cast<unsigned long>(fs.f_type));
        }
        return std::string("file system magic ") + magic;
    }
    // "ext4   /dev/vda /" -> "ext4 on /dev/vda (mounted at /)"
    char type[64] = "";
    char source[256] = "";
    char target[256] = "";
    if (std::sscanf(text.c_str(), "%63s %255s %255s", type, source, target) == 3) {
        return std::string(type) + " on " + source + " (mounted at " + target + ")";
    }
    return text;
}

std::string cloneSupport(const std::string& folder) {
    std::string from = folder + "/.clone-probe-source";
    std::string to = folder + "/.clone-probe-target";
    std::string answer;
    {
        Fd src(::open(from.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        Fd dst(::open(to.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        std::vector<unsigned char> page(4096, 0x5A);
        if (src.fd < 0 || dst.fd < 0) {
            answer = "unknown (cannot create a probe file)";
        } else {
            writeAll(src.fd, page.data(), page.size(), from);
            answer = ::ioctl(dst.fd, FICLONE, src.fd) == 0
                         ? std::string("yes")
                         : std::string("no (FICLONE: ") + std::strerror(errno) + ")";
        }
    }
    ::unlink(from.c_str());
    ::unlink(to.c_str());
    return answer;
}

ScratchFolder::ScratchFolder(const std::string& parent) {
    std::string pattern = parent + "/velbrisk-bench.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) {
        fail("cannot make a folder in", parent);
    }
    path_ = name.data();
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace velbrisk::bench
