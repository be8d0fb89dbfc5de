// The OS file layer on Linux and other POSIX systems.
#include "engine/os_file.h"

#include "engine/job_error.h"
#include "engine/path_rules.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
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

// Moves `length` bytes at `offset` with `call` (pread or pwrite, given how many are done) until all
// are moved or a call moves none: the count moved, or -1 with errno set. A read is short only at
// the end of the file; a write only when the system took none of a write's bytes and gave no reason.
template <typename Call>
ssize_t fullTransfer(std::size_t length, Call call) {
    std::size_t total = 0;
    while (total < length) {
        const ssize_t moved = retryInterrupted([&] { return call(total); });
        if (moved <= 0) {
            return moved < 0 ? -1 : static_cast<ssize_t>(total);
        }
        total += static_cast<std::size_t>(moved);
    }
    return static_cast<ssize_t>(total);
}

off_t at(std::int64_t offset, std::size_t done) {
    return static_cast<off_t>(offset + static_cast<std::int64_t>(done));
}

ssize_t fullRead(int fd, std::int64_t offset, char* out, std::size_t length) {
    return fullTransfer(length, [&](std::size_t done) {
        return ::pread(fd, out + done, length - done, at(offset, done));
    });
}

ssize_t fullWrite(int fd, std::int64_t offset, const char* in, std::size_t length) {
    return fullTransfer(length, [&](std::size_t done) {
        return ::pwrite(fd, in + done, length - done, at(offset, done));
    });
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
    const std::string folder = folderOf(targetPath, PathRules::Posix);
    return folder + tempName(targetPath.substr(folder.size()));
}

// Swaps the files that two names lead to, in one step; errno says why not.
bool exchangeNames(const std::string& a, const std::string& b) {
#ifdef RENAME_EXCHANGE
    return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
#else
    (void)a;
    (void)b;
    errno = ENOSYS;
    return false;
#endif
}

// Takes the exclusive lock that marks a file as held by a running job. False only when someone
// else holds it; a file system without locks (some FUSE ones) leaves every file unlocked, and
// then no job takes another's temporary for a leftover, since it cannot lock it either.
bool lockHeld(int fd) {
    return retryInterrupted([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) == 0 ||
           errno != EWOULDBLOCK;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes from the folder of `targetPath` the temporaries that killed jobs left: a temporary's
// name, a regular file of this user's, and a lock that no one holds. The lock is held while the
// name is removed, and the name must still lead to the file locked.
void reclaimLeftovers(const std::string& targetPath) {
    DIR* folder = ::opendir(folderOrDot(targetPath).c_str());
    if (folder == nullptr) {
        return;
    }
    const int folderFd = ::dirfd(folder);
    while (const dirent* entry = ::readdir(folder)) {
        if (!isTempName(entry->d_name)) {
            continue;
        }
        const int fd = ::openat(folderFd, entry->d_name,
                                O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(folderFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            sameFile(held, named)) {
            ::unlinkat(folderFd, entry->d_name, 0);
        }
        ::close(fd);
    }
    ::closedir(folder);
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

// The process's umask, read where it cannot be changed by the reading: Linux shows it in the
// process's status. Where it does not, the strictest umask stands in for it.
std::uint32_t processUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Umask:")) {
            return static_cast<std::uint32_t>(std::stoul(line.substr(6), nullptr, 8)) & 0777;
        }
    }
    return 0077;
}

// An access-control list as the kernel stores it: a 4-byte version, then entries of a 2-byte tag,
// 2-byte permissions and a 4-byte id, all little-endian.
constexpr std::size_t kListHeader = 4;
constexpr std::size_t kListEntry = 8;
enum ListTag : std::uint16_t {
    kUserObject = 0x01,
    kGroupObject = 0x04,
    kMask = 0x10,
    kOther = 0x20,
};

std::uint16_t entryTag(const unsigned char* entry) {
    return static_cast<std::uint16_t>(entry[0] | entry[1] << 8);
}

// Cuts the list's entries to the permission bits (0777) `allowed`, as a mode is cut: the owner's
// entry to the owner's bits, the mask (which bounds every named entry and the owning group) to the
// group's, others' to others'; without a mask, the owning group's entry itself.
void cutAccessList(unsigned char* list, std::size_t size, std::uint32_t allowed) {
    bool hasMask = false;
    for (std::size_t at = kListHeader; at + kListEntry <= size; at += kListEntry) {
        hasMask = hasMask || entryTag(list + at) == kMask;
    }
    for (std::size_t at = kListHeader; at + kListEntry <= size; at += kListEntry) {
        const std::uint16_t tag = entryTag(list + at);
        const int shift = tag == kUserObject                                  ? 6
                          : tag == kMask || (tag == kGroupObject && !hasMask) ? 3
                          : tag == kOther                                     ? 0
                                                                              : -1;
        if (shift >= 0) {
            list[at + 2] &= static_cast<unsigned char>((allowed >> shift) & 07);
        }
    }
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

#ifdef SEEK_DATA
namespace {
// Where lseek(whence) lands from `from`: `pastEnd` when `from` is at or past the file's end, and
// nothing when the file system keeps no map (ec clear) or the call fails (ec set).
std::optional<std::int64_t> seekExtent(const File& file, std::int64_t from, int whence,
                                       std::int64_t pastEnd, std::error_code& ec) {
    const off_t at = ::lseek(file.native(), static_cast<off_t>(from), whence);
    if (at >= 0) {
        return static_cast<std::int64_t>(at);
    }
    if (errno == ENXIO) {
        return pastEnd;
    }
    if (errno != EINVAL && errno != ENOTSUP) {
        ec = lastError();
    }
    return std::nullopt;
}
}  // namespace
#endif

// Without a map from the file system, all of the file is data and nothing lies past its end.
std::int64_t nextData(const File& file, std::int64_t from, std::error_code& ec) {
    ec.clear();
#ifdef SEEK_DATA
    if (const auto at = seekExtent(file, from, SEEK_DATA, -1, ec); at || ec) {
        return ec ? -1 : *at;
    }
#endif
    const FileInfo info = fileInfo(file, ec);
    return ec ? -1 : from < info.size ? from : -1;
}

std::int64_t nextHole(const File& file, std::int64_t from, std::error_code& ec) {
    ec.clear();
#ifdef SEEK_HOLE
    if (const auto at = seekExtent(file, from, SEEK_HOLE, from, ec); at || ec) {
        return ec ? -1 : *at;
    }
#endif
    const FileInfo info = fileInfo(file, ec);
    return ec ? -1 : from < info.size ? info.size : from;
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
    reclaimLeftovers(targetPath);
#ifdef O_TMPFILE
    if (allowUnnamed) {
        const int fd = retryInterrupted([&] {
            return ::open(folderOrDot(targetPath).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        });
        if (fd >= 0) {
            // Locked now, for the temporary name that a replace may give it later.
            lockHeld(fd);
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
            // Another job's reclaiming may have taken the new file for a leftover before it was
            // locked: then its name is gone, or going, and another name is tried.
            struct stat held {};
            struct stat named {};
            if (lockHeld(fd) && ::fstat(fd, &held) == 0 &&
                ::lstat(candidate.c_str(), &named) == 0 && sameFile(held, named)) {
                created.file = File{fd};
                created.tempPath = std::move(candidate);
                return created;
            }
            ::close(fd);
            continue;
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

bool replaceInPlace(NewFile& file, const std::string& targetPath, const File& held,
                    std::error_code& ec) {
    ec.clear();
    if (file.tempPath.empty() &&
        !linkUnderTempName(file.file.native(), targetPath, file.tempPath)) {
        ec = lastError();
        return false;
    }
    // The replaced file lies under a temporary's name for a moment: locked, no other job's
    // reclaiming takes it. A lock that someone else holds on it does the same.
    (void)::flock(held.native(), LOCK_EX | LOCK_NB);
    if (exchangeNames(file.tempPath, targetPath)) {
        file.replacedPath = std::exchange(file.tempPath, {});
        return true;
    }
    (void)::flock(held.native(), LOCK_UN);
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        ec = lastError();
        return false;
    }
    // No exchange on this file system (or kernel): the rename replaces what it finds.
    return putInPlace(file, targetPath, true, ec);
}

bool keepReplacement(NewFile& file, const std::string& targetPath, const File& held,
                     std::error_code& ec) {
    ec.clear();
    // A close that fails is a write that may not have happened: the old file goes back.
    file.file.close(ec);
    if (ec) {
        std::error_code ignored;
        undoReplace(file, targetPath, held, ignored);
        return false;
    }
    (void)::flock(held.native(), LOCK_UN);
    ::unlink(file.replacedPath.c_str());
    file.replacedPath.clear();
    syncFolder(targetPath);
    return true;
}

bool undoReplace(NewFile& file, const std::string& targetPath, const File& held,
                 std::error_code& ec) {
    ec.clear();
    if (!exchangeNames(file.replacedPath, targetPath)) {
        ec = lastError();
        const std::string kept =
            file.replacedPath.substr(0, file.replacedPath.size() - kTempSuffix.size());
        if (::rename(file.replacedPath.c_str(), kept.c_str()) == 0) {
            file.replacedPath = kept;
        }
        return false;
    }
    (void)::flock(held.native(), LOCK_UN);
    file.tempPath = std::exchange(file.replacedPath, {});
    syncFolder(targetPath);
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
    // Where neither is allowed the copy stays the caller's, as any new file of theirs would.
    if (::fchown(target.native(), st.st_uid, st.st_gid) != 0 &&
        ::fchown(target.native(), static_cast<uid_t>(-1), st.st_gid) != 0) {
        return;
    }
}

bool copyAccessList(const File& source, const File& target, bool underUmask, std::error_code& ec) {
    ec.clear();
#ifdef __linux__
    const char* const kAccessList = "system.posix_acl_access";
    std::vector<unsigned char> list(1024);
    ssize_t size = ::fgetxattr(source.native(), kAccessList, list.data(), list.size());
    while (size < 0 && errno == ERANGE) {
        size = ::fgetxattr(source.native(), kAccessList, nullptr, 0);
        list.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
        size = ::fgetxattr(source.native(), kAccessList, list.data(), list.size());
    }
    if (size < 0) {
        // No list, or a file system that keeps none: the mode says everything.
        if (errno == ENODATA || errno == ENOTSUP) {
            return true;
        }
        ec = lastError();
        return false;
    }
    if (underUmask) {
        const std::uint32_t allowed = ~processUmask() & 0777;
        cutAccessList(list.data(), static_cast<std::size_t>(size), allowed);
    }
    if (::fsetxattr(target.native(), kAccessList, list.data(), static_cast<std::size_t>(size), 0) !=
        0) {
        ec = lastError();
        return false;
    }
#else
    (void)source;
    (void)target;
    (void)underUmask;
#endif
    return true;
}

std::string resolveLinks(const std::string& path, std::error_code& ec) {
    ec.clear();
    std::string resolved = path;
    // As many links as the system itself follows before it gives up with ELOOP.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(resolved.c_str(), &st) != 0) {
            ec = lastError();
            return {};
        }
        if (!S_ISLNK(st.st_mode)) {
            return resolved;
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(resolved.c_str(), target.data(), target.size());
        if (length < 0) {
            ec = lastError();
            return {};
        }
        target.resize(static_cast<std::size_t>(length));
        resolved = target.starts_with('/') ? target : folderOf(resolved, PathRules::Posix) + target;
    }
    ec = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    return {};
}

std::uint32_t grantedPermissions(const File& file, const FileInfo& info) {
    std::uint32_t permissions = info.permissions & 0777;
#ifdef __linux__
    unsigned char list[kListHeader + kListEntry * 64];
    const ssize_t size = ::fgetxattr(file.native(), "system.posix_acl_access", list, sizeof list);
    if (size < 0 && errno == ERANGE) {
        // Too long a list to read here: the owning group gets no more than reading.
        return permissions & ~std::uint32_t{0020};
    }
    for (ssize_t at = kListHeader; size > 0 && at + ssize_t{kListEntry} <= size; at += kListEntry) {
        const auto perm = static_cast<std::uint32_t>(list[at + 2] & 07);
        if (entryTag(list + at) == kGroupObject) {
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
