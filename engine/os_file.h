// A thin layer over the operating system's file calls: the engine's only door to the disk.
//
// One implementation per platform sits behind this header (os_file_posix.cpp, os_file_windows.cpp).
// Paths are UTF-8 text on every platform. Every call that can fail takes a std::error_code, sets it
// on failure (system_category: errno on POSIX, GetLastError() on Windows; a JobError where the
// system gives no number) and clears it on success; none throws. Offsets and lengths are 64-bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace velbrisk::os {

#ifdef _WIN32
using NativeHandle = void*;  // a HANDLE
#else
using NativeHandle = int;  // a file descriptor
#endif

// Owns one open file and closes it when it goes; move-only.
class File {
public:
    File() = default;
    explicit File(NativeHandle handle) : handle_(handle) {}
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    bool isOpen() const;
    NativeHandle native() const { return handle_; }
    // Closes now; a close that fails (a delayed write error) is reported here, not lost.
    void close(std::error_code& ec);

private:
#ifdef _WIN32
    NativeHandle handle_ = nullptr;
#else
    NativeHandle handle_ = -1;
#endif
};

// Which file a path leads to: device and inode on POSIX, volume serial and file index on Windows.
// Two paths name the same file exactly when their identities are equal.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

struct FileInfo {
    bool isDirectory = false;
    // A plain file of bytes: not a folder, device, FIFO, socket or the like.
    bool isRegular = false;
    std::int64_t size = 0;
    FileIdentity identity;
    // POSIX permission bits (0777). Windows maps its read-only attribute to and from 0200.
    std::uint32_t permissions = 0;
    // When the contents last changed, and when anything about the file last changed (a change
    // time no program can set back), in nanoseconds of the system's clock.
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
};

// Opens an existing file for reading only. Never creates, truncates or changes anything; opening a
// FIFO does not wait for a writer, and a terminal does not become the process's own.
File openRead(const std::string& path, std::error_code& ec);

// The facts of an open file.
FileInfo fileInfo(const File& file, std::error_code& ec);

// The facts of whatever a path names, following symbolic links. When nothing is there, ec compares
// equal to std::errc::no_such_file_or_directory.
FileInfo pathInfo(const std::string& path, std::error_code& ec);

// Reads up to `length` bytes at `offset`, without using or moving a shared file position. Returns
// the count read, which is short of `length` only at the end of the file; 0 on failure.
std::size_t readAt(const File& file, std::int64_t offset, void* buffer, std::size_t length,
                   std::error_code& ec);

// Writes all `length` bytes at `offset`; false on failure (a full disk included).
bool writeAt(const File& file, std::int64_t offset, const void* data, std::size_t length,
             std::error_code& ec);

// The first offset at or after `from` that holds data, skipping holes (runs that the file system
// knows to be zeros without storing them); -1 when only holes lie between `from` and the end.
// Where the file system cannot tell, every byte counts as data and `from` comes back.
std::int64_t nextData(const File& file, std::int64_t from, std::error_code& ec);

// The first offset at or after `from` where a hole starts; the end of the file counts as one.
// Where the file system cannot tell, that is the end of the file.
std::int64_t nextHole(const File& file, std::int64_t from, std::error_code& ec);

// A stretch [start, end) of a file that may hold data.
struct DataRun {
    std::int64_t start = 0;
    std::int64_t end = 0;
};

// The first run of [at, to) that may hold data, as nextData and nextHole tell it; nothing when
// only holes are left, or on failure (ec says which). Every run starts at or after `at` and ends
// after its start, whatever the file system answers, so a loop over the runs always moves on: an
// answer that makes no sense counts the rest of the range as data, which is right whatever the
// truth.
inline std::optional<DataRun> nextDataRun(const File& file, std::int64_t at, std::int64_t to,
                                          std::error_code& ec) {
    const std::int64_t dataAt = nextData(file, at, ec);
    if (ec || dataAt < 0 || dataAt >= to) {
        return std::nullopt;
    }
    const std::int64_t start = dataAt > at ? dataAt : at;
    const std::int64_t holeAt = nextHole(file, start, ec);
    if (ec) {
        return std::nullopt;
    }
    return DataRun{start, holeAt > start && holeAt < to ? holeAt : to};
}

// Whether a new file could be put at `path` as far as its name goes: its folder is there and is a
// folder, the name fits the file system (on Windows: holds no colon), and no folder has the name.
// Creates nothing. A file already at `path` is no obstacle: it would be replaced.
bool checkNewFilePath(const std::string& path, std::error_code& ec);

// A new file that no one can see under the name it is meant for until putInPlace, so that a
// process killed before that leaves nothing behind: unnamed where the file system allows
// (O_TMPFILE on Linux); on Windows a temporary name that the system removes when the handle
// closes, which includes the process's death; as the last resort a temporary name (tempName in
// path_rules.h) that discardNew removes, or, after a kill, the next job in the folder. Its writer
// holds it locked (an exclusive lock on POSIX, no sharing on Windows), which tells that job to
// leave it alone.
struct NewFile {
    File file;
    std::string tempPath;  // the name it has meanwhile; empty while it has none
    bool deletedOnClose = false;
    std::uint32_t permissions = 0;
    // After replaceInPlace has exchanged names: where the file it replaced now lies, until
    // keepReplacement lets that file go or undoReplace puts it back.
    std::string replacedPath;
};

// Creates an empty NewFile in the folder of `targetPath`, open for reading and writing, never
// taking over anything that exists. First removes the temporaries of killed jobs from the folder:
// those with a temporary's name that are this user's and that no one holds. It gets `permissions` (0777) as any new file does: masked by
// the process's umask, or by the folder's default access-control list on POSIX; on Windows the
// read-only attribute, when the owner write bit is clear, comes with putInPlace. `allowUnnamed`
// false takes the named way even where the unnamed one would work.
NewFile createNewBeside(const std::string& targetPath, std::uint32_t permissions,
                        bool allowUnnamed, std::error_code& ec);

// Closes the file and puts it in the place of `targetPath` in one step: a file already there is
// replaced whole, and no reader ever sees neither or half of one. `durable` makes the new name
// reach the disk before the call returns; the caller has flushed the data. On failure nothing is
// in place, and the caller discards the file.
bool putInPlace(NewFile& file, const std::string& targetPath, bool durable, std::error_code& ec);

// Puts the (flushed) file in the place of the existing file `targetPath` so that the file it
// replaced can still be looked at, and put back: where the system exchanges two names in one step
// (Linux's renameat2), or moves the old file to a backup name as it puts the new one in place
// (Windows's ReplaceFileW), the replaced file then lies at `replacedPath` and the caller ends with
// keepReplacement or undoReplace. Where neither is offered, a plain rename replaces it unseen and
// `replacedPath` stays empty. `held`, the caller's open handle on the file it means to replace,
// is locked meanwhile, so that no other job takes it for a killed job's temporary.
bool replaceInPlace(NewFile& file, const std::string& targetPath, const File& held,
                    std::error_code& ec);

// Lets the replaced file go and makes the names durable. Both end the lock on `held`.
bool keepReplacement(NewFile& file, const std::string& targetPath, const File& held,
                     std::error_code& ec);

// Puts the replaced file back at `targetPath`; the new file gets its temporary name again, for
// discardNew. On failure the replaced file stays beside it, under `replacedPath`: its temporary
// name without the suffix that would let a later job take it for a leftover.
bool undoReplace(NewFile& file, const std::string& targetPath, const File& held,
                 std::error_code& ec);

// Closes the file and removes whatever name it has. Never fails: there is nothing left to tell.
void discardNew(NewFile& file);

// Makes `target` share every block of `source` (a clone or reflink), so that it reads the same
// without a copy. Fails where the file system cannot (ENOTSUP, EXDEV, ...); `target` is then
// unchanged and the caller copies instead.
bool cloneFile(const File& source, const File& target, std::error_code& ec);

// Copies up to `length` bytes from `source` at `sourceOffset` to `target` at `targetOffset` inside
// the kernel, without passing them through this process. Returns the count copied, which may be
// short (0 at the end of the source). Fails where the kernel cannot copy between these two files
// (EXDEV, ENOSYS, EINVAL, EOPNOTSUPP, ...); the caller then copies by reading and writing, which
// also tells a real failure's side (source or target) that this call cannot.
std::int64_t copyRange(const File& source, std::int64_t sourceOffset, const File& target,
                       std::int64_t targetOffset, std::int64_t length, std::error_code& ec);

// Sets the file's length, cutting it or extending it with zeros.
bool setLength(const File& file, std::int64_t length, std::error_code& ec);

// Flushes the file's data to the disk.
bool syncFile(const File& file, std::error_code& ec);

// Sets the permission bits (0777) of an open file.
bool setPermissions(const File& file, std::uint32_t permissions, std::error_code& ec);

// Gives `target` the owner and group of `source`, as far as this process may. What cannot be given
// is left as it is; the caller sets the permission bits afterwards.
void copyOwnership(const File& source, const File& target);

// Gives `target` the access-control list of `source` (POSIX's access ACL; nothing on Windows,
// where a new file takes its folder's), so that the copy grants no one more than the source did.
// `underUmask`: the owner's, the group class's and others' entries are cut to what the process's
// umask allows, as a new file's mode is. Nothing to do for a source without a list; fails where
// the list cannot be given, and the caller must then not put the copy in place.
bool copyAccessList(const File& source, const File& target, bool underUmask, std::error_code& ec);

// The path of the file that `path` names: when its last part is a symbolic link, the path the link
// leads to, followed to the end (a relative link read from the link's folder); `path` otherwise.
std::string resolveLinks(const std::string& path, std::error_code& ec);

// The permission bits (0777) that `info`'s file grants through its mode and its access-control
// list together. Where a POSIX access-control list gives named users or groups rights, the mode's
// group bits show the list's mask, which the owning group itself may not have: they are cut to the
// owning group's own entry, so that a copy with these bits grants no one more than the source did.
std::uint32_t grantedPermissions(const File& file, const FileInfo& info);

// Deletes a (closed) file.
bool removeFile(const std::string& path, std::error_code& ec);

// The system's own words for an error, in UTF-8.
std::string errorText(const std::error_code& ec);

// The process's current folder, UTF-8; empty when the system cannot say (it was removed, or on
// Windows its name does not convert).
std::string currentFolder();

}  // namespace velbrisk::os
