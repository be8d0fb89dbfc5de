// The OS file layer on Linux and other POSIX systems.
#include "engine/os_file.h"

#include "engine/job_error.h"
#include "engine/path_rules.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#ifdef __linux__
#include <sys/xattr.h>
#endif

#ifdef __linux__
#include <linux/fs.h>
#endif

namespace velbrisk::os {
namespace {

std::error_code lastError() {
    return {errno, std::system_category()};
}

// Calls `call` again for as long as a signal interrupts it before it has done anything.
template <typename Call>
auto retryInterrupted(Call call) {
    auto result = call();
    while (result < 0 && errno == EINTR) {
        result = call();
    }
    return result;
}

// Reads until `length` bytes are in or the file ends: the count read, or -1 with errno set.
ssize_t fullRead(int fd, std::int64_t offset, char* out, std::size_t length) {
    std::size_t total = 0;
    while (total < length) {
        const ssize_t got = retryInterrupted([&] {
            return ::pread(fd, out + total, length - total,
                           static_cast<off_t>(offset + static_cast<std::int64_t>(total)));
        });
        if (got <= 0) {
            return got < 0 ? -1 : static_cast<ssize_t>(total);
        }
        total += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(total);
}

// Writes until all `length` bytes are out: the count written, short only when the system took
// none of a write's bytes and gave no reason, or -1 with errno set.
ssize_t fullWrite(int fd, std::int64_t offset, const char* in, std::size_t length) {
    std::size_t total = 0;
    while (total < length) {
        const ssize_t put = retryInterrupted([&] {
            return ::pwrite(fd, in + total, length - total,
                            static_cast<off_t>(offset + static_cast<std::int64_t>(total)));
        });
        if (put <= 0) {
            return put < 0 ? -1 : static_cast<ssize_t>(total);
        }
        total += static_cast<std::size_t>(put);
    }
    return static_cast<ssize_t>(total);
}

std::int64_t nanoseconds(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

FileInfo infoFromStat(const struct stat& st) {
    FileInfo info;
    info.isDirectory = S_ISDIR(st.st_mode);
    info.isRegular = S_ISREG(st.st_mode);
    info.size = static_cast<std::int64_t>(st.st_size);
    info.identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    info.permissions = static_cast<std::uint32_t>(st.st_mode & 0777);
    info.modifiedNs = nanoseconds(st.st_mtim);
    info.changedNs = nanoseconds(st.st_ctim);
    return info;
}

std::string folderOrDot(const std::string& path) {
    const std::string folder = folderOf(path, PathRules::Posix);
    return folder.empty() ? std::string{"."} : folder;
}

// Makes the names in a folder durable. A folder that cannot be synced (some network and FUSE file
// systems refuse) leaves the names in place all the same, so that is no failure.
void syncFolder(const std::string& path) {
    int dirFd = ::open(folderOrDot(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

// A fresh hidden name beside `targetPath`; each call gives another.
std::string tempNameBeside(const std::string& targetPath) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    const std::string folder = folderOf(targetPath, PathRules::Posix);
    std::string name = folder + "." + tempNameStem(targetPath.substr(folder.size())) + ".";
    for (int k = 0; k < 6; ++k) {
        name += kLetters[pick(random)];
    }
    return name;
}

// Gives the open, unnamed file the name `path`, which must be free.
bool linkUnnamed(int fd, const std::string& path) {
#ifdef __linux__
    if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) {
        return true;
    }
    // Before Linux 6.10 only a privileged process may link by descriptor; anyone may through /proc.
    if (errno != EPERM && errno != ENOENT && errno != EINVAL) {
        return false;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
#else
    (void)fd;
    (void)path;
    errno = ENOTSUP;
    return false;
#endif
}

// Gives the open, unnamed file a fresh hidden name beside `targetPath`.
bool linkUnderTempName(int fd, const std::string& targetPath, std::string& tempPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = tempNameBeside(targetPath);
        if (linkUnnamed(fd, candidate)) {
            tempPath = std::move(candidate);
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
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
    // O_NONBLOCK: a path naming a FIFO must not hang the job waiting for a writer. The caller
    // still refuses anything but a regular file, and looks at the path's type before opening.
    const int fd = retryInterrupted(
        [&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK); });
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
    const ssize_t got = fullRead(file.native(), offset, static_cast<char*>(buffer), length);
    if (got < 0) {
        ec = lastError();
        return 0;
    }
    return static_cast<std::size_t>(got);
}

bool writeAt(const File& file, std::int64_t offset, const void* data, std::size_t length,
             std::error_code& ec) {
    ec.clear();
    const ssize_t put = fullWrite(file.native(), offset, static_cast<const char*>(data), length);
    if (put < 0) {
        ec = lastError();
        return false;
    }
    if (static_cast<std::size_t>(put) < length) {
        ec = make_error_code(JobError::WriteMadeNoProgress);
        return false;
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

bool checkNewFilePath(const std::string& path, std::error_code& ec) {
    ec.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            ec = std::make_error_code(std::errc::is_a_directory);
            return false;
        }
        return true;
    }
    if (errno != ENOENT) {
        ec = lastError();
        return false;
    }
    const std::string folder = folderOrDot(path);
    if (::stat(folder.c_str(), &st) != 0) {
        ec = lastError();
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        ec = std::make_error_code(std::errc::not_a_directory);
        return false;
    }
    // Most file systems already refuse a long name when it is looked up above; some only when
    // the file is created, which here comes after the copy.
    const long nameMax = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    const std::size_t nameLength = path.size() - folderOf(path, PathRules::Posix).size();
    if (nameMax > 0 && nameLength > static_cast<std::size_t>(nameMax)) {
        ec = std::make_error_code(std::errc::filename_too_long);
        return false;
    }
    return true;
}

NewFile createNewBeside(const std::string& targetPath, std::uint32_t permissions, bool allowUnnamed,
                        std::error_code& ec) {
    ec.clear();
    NewFile created;
    created.permissions = permissions & 0777;
    const auto mode = static_cast<mode_t>(created.permissions);
#ifdef O_TMPFILE
    if (allowUnnamed) {
        const int fd = retryInterrupted([&] {
            return ::open(folderOrDot(targetPath).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        });
        if (fd >= 0) {
            created.file = File{fd};
            return created;
        }
        // A file system or kernel without unnamed files says so in one of these ways; any other
        // error is the folder's, which a named file would meet as well.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOSYS) {
            ec = lastError();
            return created;
        }
    }
#else
    (void)allowUnnamed;
#endif
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = tempNameBeside(targetPath);
        // O_EXCL: never take over an existing file.
        const int fd =
            ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (fd >= 0) {
            created.file = File{fd};
            created.tempPath = std::move(candidate);
            return created;
        }
        if (errno != EEXIST && errno != EINTR) {
            break;
        }
    }
    ec = lastError();
    return created;
}

bool putInPlace(NewFile& file, const std::string& targetPath, bool durable, std::error_code& ec) {
    ec.clear();
    if (durable && !syncFile(file.file, ec)) {
        return false;
    }
    if (file.tempPath.empty()) {
        const int fd = file.file.native();
        // A new output gets its name in one step, so that no moment leaves a temporary name. A
        // name that is taken needs a replace, which only a rename does whole: the file first gets
        // a temporary name of its own.
        if (linkUnnamed(fd, targetPath)) {
            file.file.close(ec);
            if (ec) {
                // The data may not have reached the file: the name is taken back.
                ::unlink(targetPath.c_str());
                return false;
            }
            if (durable) {
                syncFolder(targetPath);
            }
            return true;
        }
        if (errno != EEXIST || !linkUnderTempName(fd, targetPath, file.tempPath)) {
            ec = lastError();
            return false;
        }
    }
    file.file.close(ec);
    if (ec) {
        return false;
    }
    if (::rename(file.tempPath.c_str(), targetPath.c_str()) != 0) {
        ec = lastError();
        return false;
    }
    file.tempPath.clear();
    if (durable) {
        syncFolder(targetPath);
    }
    return true;
}

void discardNew(NewFile& file) {
    std::error_code ignored;
    file.file.close(ignored);
    if (!file.tempPath.empty()) {
        ::unlink(file.tempPath.c_str());
        file.tempPath.clear();
    }
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
    const ssize_t copied = retryInterrupted([&] {
        return ::copy_file_range(source.native(), &in, target.native(), &out,
                                 static_cast<std::size_t>(length), 0);
    });
    if (copied < 0) {
        ec = lastError();
        return 0;
    }
    return static_cast<std::int64_t>(copied);
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
    if (retryInterrupted([&] { return ::ftruncate(file.native(), static_cast<off_t>(length)); }) !=
        0) {
        ec = lastError();
        return false;
    }
    return true;
}

bool syncFile(const File& file, std::error_code& ec) {
    ec.clear();
    if (retryInterrupted([&] { return ::fsync(file.native()); }) != 0) {
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

void copyOwnership(const File& source, const File& target) {
    struct stat st {};
    if (::fstat(source.native(), &st) != 0) {
        return;
    }
    // Only a privileged process may give a file away; anyone may pass it to a group of their own.
    if (::fchown(target.native(), st.st_uid, st.st_gid) != 0) {
        (void)::fchown(target.native(), static_cast<uid_t>(-1), st.st_gid);
    }
#ifdef __linux__
    const char* const kAccessList = "system.posix_acl_access";
    std::vector<char> list(1024);
    ssize_t size = ::fgetxattr(source.native(), kAccessList, list.data(), list.size());
    if (size < 0 && errno == ERANGE) {
        size = ::fgetxattr(source.native(), kAccessList, nullptr, 0);
        list.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
        size = ::fgetxattr(source.native(), kAccessList, list.data(), list.size());
    }
    if (size > 0) {
        (void)::fsetxattr(target.native(), kAccessList, list.data(), static_cast<std::size_t>(size),
                          0);
    }
#endif
}

std::uint32_t grantedPermissions(const File& file, const FileInfo& info) {
    std::uint32_t permissions = info.permissions & 0777;
#ifdef __linux__
    // The list as the kernel stores it: a 4-byte version, then entries of a 2-byte tag, 2-byte
    // permissions and a 4-byte id, all little-endian.
    constexpr std::uint16_t kGroupObject = 0x04;
    unsigned char list[4 + 8 * 64];
    const ssize_t size = ::fgetxattr(file.native(), "system.posix_acl_access", list, sizeof list);
    if (size < 0 && errno == ERANGE) {
        // Too long a list to read here: the owning group gets no more than reading.
        return permissions & ~std::uint32_t{0020};
    }
    for (ssize_t at = 4; size > 0 && at + 8 <= size; at += 8) {
        const auto tag = static_cast<std::uint16_t>(list[at] | list[at + 1] << 8);
        const auto perm = static_cast<std::uint32_t>(list[at + 2] & 07);
        if (tag == kGroupObject) {
            permissions &= ~std::uint32_t{0070} | (perm << 3);
        }
    }
#else
    (void)file;
#endif
    return permissions;
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

std::string currentFolder() {
    std::vector<char> folder(PATH_MAX);
    while (::getcwd(folder.data(), folder.size()) == nullptr) {
        if (errno != ERANGE) {
            return {};
        }
        folder.resize(folder.size() * 2);
    }
    return folder.data();
}

}  // namespace velbrisk::os
