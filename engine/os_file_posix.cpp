// The OS file layer on Linux and other POSIX systems.
#include "engine/os_file.h"

#include "engine/path_rules.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#ifdef __linux__
#include <linux/fs.h>
#endif

namespace velbrisk::os {
namespace {

std::error_code lastError() {
    return {errno, std::system_category()};
}

FileInfo infoFromStat(const struct stat& st) {
    FileInfo info;
    info.isDirectory = S_ISDIR(st.st_mode);
    info.size = static_cast<std::int64_t>(st.st_size);
    info.identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    info.permissions = static_cast<std::uint32_t>(st.st_mode & 0777);
    return info;
}

}  // namespace

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        std::error_code ignored;
        close(ignored);
        handle_ = std::exchange(other.handle_, -1);
    }
    return *this;
}

File::~File() {
    std::error_code ignored;
    close(ignored);
}

bool File::isOpen() const {
    return handle_ >= 0;
}

void File::close(std::error_code& ec) {
    ec.clear();
    if (handle_ < 0) {
        return;
    }
    // Linux releases the descriptor even when close fails, so it is never retried.
    if (::close(std::exchange(handle_, -1)) != 0 && errno != EINTR) {
        ec = lastError();
    }
}

File openRead(const std::string& path, std::error_code& ec) {
    ec.clear();
    // O_NONBLOCK: a path naming a FIFO must not hang the job waiting for a writer.
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        ec = lastError();
        return File{};
    }
    return File{fd};
}

FileInfo fileInfo(const File& file, std::error_code& ec) {
    ec.clear();
    struct stat st {};
    if (::fstat(file.native(), &st) != 0) {
        ec = lastError();
        return {};
    }
    return infoFromStat(st);
}

FileInfo pathInfo(const std::string& path, std::error_code& ec) {
    ec.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        ec = lastError();
        return {};
    }
    return infoFromStat(st);
}

std::size_t readAt(const File& file, std::int64_t offset, void* buffer, std::size_t length,
                   std::error_code& ec) {
    ec.clear();
    auto* out = static_cast<char*>(buffer);
    std::size_t total = 0;
    while (total < length) {
        ssize_t got = ::pread(file.native(), out + total, length - total,
                              static_cast<off_t>(offset + static_cast<std::int64_t>(total)));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ec = lastError();
            return 0;
        }
        if (got == 0) {
            break;
        }
        total += static_cast<std::size_t>(got);
    }
    return total;
}

bool writeAt(const File& file, std::int64_t offset, const void* data, std::size_t length,
             std::error_code& ec) {
    ec.clear();
    const auto* in = static_cast<const char*>(data);
    std::size_t total = 0;
    while (total < length) {
        ssize_t put = ::pwrite(file.native(), in + total, length - total,
                               static_cast<off_t>(offset + static_cast<std::int64_t>(total)));
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            ec = lastError();
            return false;
        }
        if (put == 0) {
            ec = std::make_error_code(std::errc::no_space_on_device);
            return false;
        }
        total += static_cast<std::size_t>(put);
    }
    return true;
}

std::int64_t nextData(const File& file, std::int64_t from, std::error_code& ec) {
    ec.clear();
#ifdef SEEK_DATA
    off_t at = ::lseek(file.native(), static_cast<off_t>(from), SEEK_DATA);
    if (at >= 0) {
        return static_cast<std::int64_t>(at);
    }
    if (errno == ENXIO) {
        return -1;
    }
    if (errno != EINVAL && errno != ENOTSUP) {
        ec = lastError();
        return -1;
    }
#endif
    // No word from the file system: all of the file is data, and nothing lies past its end.
    FileInfo info = fileInfo(file, ec);
    if (ec) {
        return -1;
    }
    return from < info.size ? from : -1;
}

std::int64_t nextHole(const File& file, std::int64_t from, std::error_code& ec) {
    ec.clear();
#ifdef SEEK_HOLE
    off_t at = ::lseek(file.native(), static_cast<off_t>(from), SEEK_HOLE);
    if (at >= 0) {
        return static_cast<std::int64_t>(at);
    }
    if (errno == ENXIO) {
        return from;
    }
    if (errno != EINVAL && errno != ENOTSUP) {
        ec = lastError();
        return -1;
    }
#endif
    FileInfo info = fileInfo(file, ec);
    if (ec) {
        return -1;
    }
    return from < info.size ? info.size : from;
}

File createTempBeside(const std::string& targetPath, std::string& tempPath, std::error_code& ec) {
    ec.clear();
    const std::string folder = folderOf(targetPath, PathRules::Posix);
    const std::string name = targetPath.substr(folder.size());
    std::string pattern = folder + "." + tempNameStem(name) + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    // mkostemp opens with O_CREAT | O_EXCL and mode 0600, so it never takes over an existing file.
    int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) {
        ec = lastError();
        tempPath.clear();
        return File{};
    }
    tempPath.assign(buffer.data());
    return File{fd};
}

bool cloneFile(const File& source, const File& target, std::error_code& ec) {
    ec.clear();
#ifdef FICLONE
    if (::ioctl(target.native(), FICLONE, source.native()) == 0) {
        return true;
    }
    ec = lastError();
#else
    (void)source;
    (void)target;
    ec = std::make_error_code(std::errc::operation_not_supported);
#endif
    return false;
}

std::int64_t copyRange(const File& source, std::int64_t sourceOffset, const File& target,
                       std::int64_t targetOffset, std::int64_t length, std::error_code& ec) {
    ec.clear();
#ifdef __linux__
    loff_t in = sourceOffset;
    loff_t out = targetOffset;
    for (;;) {
        ssize_t copied = ::copy_file_range(source.native(), &in, target.native(), &out,
                                           static_cast<std::size_t>(length), 0);
        if (copied >= 0) {
            return static_cast<std::int64_t>(copied);
        }
        if (errno != EINTR) {
            ec = lastError();
            return 0;
        }
    }
#else
    (void)source;
    (void)sourceOffset;
    (void)target;
    (void)targetOffset;
    (void)length;
    ec = std::make_error_code(std::errc::function_not_supported);
    return 0;
#endif
}

bool setLength(const File& file, std::int64_t length, std::error_code& ec) {
    ec.clear();
    int rc;
    do {
        rc = ::ftruncate(file.native(), static_cast<off_t>(length));
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ec = lastError();
        return false;
    }
    return true;
}

bool syncFile(const File& file, std::error_code& ec) {
    ec.clear();
    int rc;
    do {
        rc = ::fsync(file.native());
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ec = lastError();
        return false;
    }
    return true;
}

bool setPermissions(const File& file, std::uint32_t permissions, std::error_code& ec) {
    ec.clear();
    if (::fchmod(file.native(), static_cast<mode_t>(permissions & 0777)) != 0) {
        ec = lastError();
        return false;
    }
    return true;
}

bool replaceFile(const std::string& fromPath, const std::string& toPath, bool durable,
                 std::error_code& ec) {
    ec.clear();
    if (::rename(fromPath.c_str(), toPath.c_str()) != 0) {
        ec = lastError();
        return false;
    }
    if (!durable) {
        return true;
    }
    // Make the new name itself durable. A folder that cannot be synced (some network and FUSE
    // file systems refuse) leaves the rename done all the same, so that is no failure.
    const std::string folder = folderOf(toPath, PathRules::Posix);
    int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool removeFile(const std::string& path, std::error_code& ec) {
    ec.clear();
    if (::unlink(path.c_str()) != 0) {
        ec = lastError();
        return false;
    }
    return true;
}

std::string errorText(const std::error_code& ec) {
    return ec.message();
}

}  // namespace velbrisk::os
