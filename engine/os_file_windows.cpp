// The OS file layer on Windows: UTF-8 paths handed to the wide-character Win32 calls.
#include "engine/os_file.h"

#include "engine/job_error.h"
#include "engine/path_rules.h"
#include "engine/utf16.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

namespace velbrisk::os {
namespace {

std::error_code lastError() {
    return {static_cast<int>(::GetLastError()), std::system_category()};
}

std::wstring widen(const std::string& text, std::error_code& ec) {
    std::optional<std::wstring> wide = velbrisk::widen(text);
    if (!wide) {
        ec = {ERROR_NO_UNICODE_TRANSLATION, std::system_category()};
        return {};
    }
    return std::move(*wide);
}

// The path as the wide-character calls take it. Past MAX_PATH they take only the long form, which
// the system does not resolve, so the path is made full first; a shorter path goes as it is, so
// that device names and the like mean what they always have.
std::wstring nativePath(const std::string& path, std::error_code& ec) {
    std::wstring wide = widen(path, ec);
    // Folders stop at 248 characters, which leaves room for an 8.3 name inside.
    if (ec || wide.size() < MAX_PATH - 12) {
        return wide;
    }
    const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        ec = lastError();
        return {};
    }
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        ec = lastError();
        return {};
    }
    full.resize(length);
    return longPathForm(std::wstring_view{full});
}

// Opens whatever `path` names, folders included (they need FILE_FLAG_BACKUP_SEMANTICS). Other
// processes may go on reading, writing, renaming or deleting the file meanwhile, as they may on
// POSIX: the job must never be the reason that a user cannot delete the source.
File openPath(const std::string& path, DWORD access, std::error_code& ec) {
    ec.clear();
    std::wstring widePath = nativePath(path, ec);
    if (ec) {
        return File{};
    }
    HANDLE handle = ::CreateFileW(widePath.c_str(), access,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        ec = lastError();
        return File{};
    }
    return File{handle};
}

FileInfo infoFromHandle(HANDLE handle, std::error_code& ec) {
    ec.clear();
    BY_HANDLE_FILE_INFORMATION facts{};
    if (!::GetFileInformationByHandle(handle, &facts)) {
        ec = lastError();
        return {};
    }
    FileInfo info;
    info.isDirectory = (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.isRegular = !info.isDirectory && ::GetFileType(handle) == FILE_TYPE_DISK;
    const auto ticks = [](LARGE_INTEGER time) { return static_cast<std::int64_t>(time.QuadPart); };
    FILE_BASIC_INFO basic{};
    if (::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) {
        // 100-nanosecond ticks; only compared with each other.
        info.modifiedNs = ticks(basic.LastWriteTime) * 100;
        info.changedNs = ticks(basic.ChangeTime) * 100;
    } else {
        LARGE_INTEGER written{};
        written.LowPart = facts.ftLastWriteTime.dwLowDateTime;
        written.HighPart = static_cast<LONG>(facts.ftLastWriteTime.dwHighDateTime);
        info.modifiedNs = info.changedNs = ticks(written) * 100;
    }
    info.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(facts.nFileSizeHigh) << 32) |
                                          facts.nFileSizeLow);
    info.identity.device = facts.dwVolumeSerialNumber;
    info.identity.inode =
        (static_cast<std::uint64_t>(facts.nFileIndexHigh) << 32) | facts.nFileIndexLow;
    // Windows has one permission bit of its own, the read-only attribute: it stands for the
    // missing owner write bit.
    const bool readOnly = (facts.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    info.permissions = readOnly ? 0444u : 0666u;
    if (info.isDirectory) {
        info.permissions |= 0111u;
    }
    return info;
}

// ReadFile and WriteFile take a 32-bit count; larger requests go in slices of this size.
constexpr std::size_t kMaxSlice = 1u << 30;

OVERLAPPED at(std::int64_t offset) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    return where;
}

// The folder of `path`; a drive-relative path such as C:small.exe keeps its drive ("C:").
std::string folderWithDrive(const std::string& path) {
    std::string folder = folderOf(path, PathRules::Windows);
    if (folder.empty() && path.size() >= 2 && path[1] == ':') {
        folder = path.substr(0, 2);
    }
    return folder;
}

std::string tempPathBeside(const std::string& targetPath) {
    const std::string folder = folderWithDrive(targetPath);
    return folder + tempName(targetPath.substr(folder.size()));
}

// Removes from the folder of `targetPath` the temporaries that killed jobs left: a temporary's
// name, and no handle open on it. A job holds its temporary without sharing, so opening one
// without sharing fails while any job has it open.
void reclaimLeftovers(const std::string& targetPath) {
    std::error_code ec;
    const std::string folder = folderWithDrive(targetPath);
    const std::wstring pattern = nativePath(folder + "*" + std::string{kTempSuffix}, ec);
    if (ec) {
        return;
    }
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::optional<std::string> name = narrow(found.cFileName);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !name || !isTempName(*name)) {
            continue;
        }
        const std::wstring path = nativePath(folder + *name, ec);
        HANDLE handle = ec ? INVALID_HANDLE_VALUE
                           : ::CreateFileW(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            FILE_DISPOSITION_INFO gone{TRUE};
            ::SetFileInformationByHandle(handle, FileDispositionInfo, &gone, sizeof gone);
            ::CloseHandle(handle);
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

// Moves a file to a name that must be free.
bool moveTo(const std::string& from, const std::string& to, std::error_code& ec) {
    const std::wstring wideFrom = nativePath(from, ec);
    const std::wstring wideTo = ec ? std::wstring{} : nativePath(to, ec);
    if (ec) {
        return false;
    }
    if (!::MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_WRITE_THROUGH)) {
        ec = lastError();
        return false;
    }
    return true;
}

// Windows refuses to replace a read-only file: said in the engine's words, which name the cause.
std::error_code replaceError(DWORD error, const std::wstring& target) {
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_READONLY) && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return make_error_code(JobError::ReadOnly);
    }
    return {static_cast<int>(error), std::system_category()};
}

bool setAttributes(HANDLE handle, DWORD attributes, std::error_code& ec) {
    FILE_BASIC_INFO basic{};
    // Zero times leave the times as they are; zero attributes would too, hence NORMAL.
    basic.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    if (!::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic)) {
        ec = lastError();
        return false;
    }
    return true;
}

}  // namespace

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        std::error_code ignored;
        close(ignored);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

File::~File() {
    std::error_code ignored;
    close(ignored);
}

bool File::isOpen() const {
    return handle_ != nullptr;
}

void File::close(std::error_code& ec) {
    ec.clear();
    if (handle_ == nullptr) {
        return;
    }
    if (!::CloseHandle(std::exchange(handle_, nullptr))) {
        ec = lastError();
    }
}

File openRead(const std::string& path, std::error_code& ec) {
    return openPath(path, GENERIC_READ, ec);
}

FileInfo fileInfo(const File& file, std::error_code& ec) {
    return infoFromHandle(file.native(), ec);
}

FileInfo pathInfo(const std::string& path, std::error_code& ec) {
    // Asking only for the attributes opens even a file that another process holds exclusively.
    File file = openPath(path, FILE_READ_ATTRIBUTES, ec);
    if (ec) {
        return {};
    }
    return infoFromHandle(file.native(), ec);
}

// A synchronous handle moves its file pointer on every positioned call; nothing here relies on
// that pointer, so it does no harm.
std::size_t readAt(const File& file, std::int64_t offset, void* buffer, std::size_t length,
                   std::error_code& ec) {
    ec.clear();
    auto* out = static_cast<char*>(buffer);
    std::size_t total = 0;
    while (total < length) {
        const DWORD slice = static_cast<DWORD>(std::min(length - total, kMaxSlice));
        OVERLAPPED where = at(offset + static_cast<std::int64_t>(total));
        DWORD got = 0;
        if (!::ReadFile(file.native(), out + total, slice, &got, &where)) {
            if (::GetLastError() == ERROR_HANDLE_EOF) {
                break;
            }
            ec = lastError();
            return 0;
        }
        if (got == 0) {
            break;
        }
        total += got;
    }
    return total;
}

bool writeAt(const File& file, std::int64_t offset, const void* data, std::size_t length,
             std::error_code& ec) {
    ec.clear();
    const auto* in = static_cast<const char*>(data);
    std::size_t total = 0;
    while (total < length) {
        const DWORD slice = static_cast<DWORD>(std::min(length - total, kMaxSlice));
        OVERLAPPED where = at(offset + static_cast<std::int64_t>(total));
        DWORD put = 0;
        if (!::WriteFile(file.native(), in + total, slice, &put, &where)) {
            ec = lastError();
            return false;
        }
        if (put == 0) {
            ec = make_error_code(JobError::WriteMadeNoProgress);
            return false;
        }
        total += put;
    }
    return true;
}

// Windows tells holes only for files marked sparse, through a device control that not every file
// system answers; executables are not sparse, so every byte counts as data here.
std::int64_t nextData(const File& file, std::int64_t from, std::error_code& ec) {
    FileInfo info = fileInfo(file, ec);
    if (ec) {
        return -1;
    }
    return from < info.size ? from : -1;
}

std::int64_t nextHole(const File& file, std::int64_t from, std::error_code& ec) {
    FileInfo info = fileInfo(file, ec);
    if (ec) {
        return -1;
    }
    return from < info.size ? info.size : from;
}

bool checkNewFilePath(const std::string& path, std::error_code& ec) {
    // A colon in the name never names the file: "a:b.exe" is the stream "b.exe" of a file "a",
    // or, with no folder before it, "b.exe" on drive A. Asked first, as such a stream may exist.
    const std::string folder = folderOf(path, PathRules::Windows);
    if (path.find(':', folder.size()) != std::string::npos) {
        ec = JobError::ColonInName;
        return false;
    }
    const FileInfo there = pathInfo(path, ec);
    if (!ec) {
        if (there.isDirectory) {
            ec = JobError::IsAFolder;
            return false;
        }
        return true;
    }
    if (ec != std::errc::no_such_file_or_directory) {
        return false;
    }
    const FileInfo folderInfo = pathInfo(folder.empty() ? std::string{"."} : folder, ec);
    if (ec) {
        return false;
    }
    if (!folderInfo.isDirectory) {
        ec = JobError::NotAFolder;
        return false;
    }
    const std::wstring name = widen(path.substr(folder.size()), ec);
    if (ec) {
        return false;
    }
    if (name.size() > 255) {
        ec = {ERROR_FILENAME_EXCED_RANGE, std::system_category()};
        return false;
    }
    return true;
}

NewFile createNewBeside(const std::string& targetPath, std::uint32_t permissions, bool allowUnnamed,
                        std::error_code& ec) {
    ec.clear();
    NewFile created;
    created.permissions = permissions & 0777;
    reclaimLeftovers(targetPath);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = tempPathBeside(targetPath);
        const std::wstring native = nativePath(candidate, ec);
        if (ec) {
            return created;
        }
        // CREATE_NEW never takes over a file that exists, as O_EXCL does on POSIX. No sharing:
        // while the job holds it, no other job takes it for a leftover.
        HANDLE handle = ::CreateFileW(native.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            created.file = File{handle};
            created.tempPath = std::move(candidate);
            // Marked for deletion until it is put in place: the system removes it when the last
            // handle closes, however the process ends. A file system that cannot mark it leaves
            // the named file, which discardNew removes.
            FILE_DISPOSITION_INFO gone{TRUE};
            created.deletedOnClose =
                allowUnnamed &&
                ::SetFileInformationByHandle(handle, FileDispositionInfo, &gone, sizeof gone);
            return created;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            ec = {static_cast<int>(error), std::system_category()};
            return created;
        }
    }
    ec = {ERROR_FILE_EXISTS, std::system_category()};
    return created;
}

// Block cloning exists only on ReFS and Dev Drives; the caller's plain copy serves everywhere.
bool cloneFile(const File&, const File&, std::error_code& ec) {
    ec = {ERROR_NOT_SUPPORTED, std::system_category()};
    return false;
}

// Windows has no kernel copy between two open handles at chosen offsets.
std::int64_t copyRange(const File&, std::int64_t, const File&, std::int64_t, std::int64_t,
                       std::error_code& ec) {
    ec = {ERROR_NOT_SUPPORTED, std::system_category()};
    return 0;
}

bool setLength(const File& file, std::int64_t length, std::error_code& ec) {
    ec.clear();
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = length;
    if (!::SetFileInformationByHandle(file.native(), FileEndOfFileInfo, &end, sizeof end)) {
        ec = lastError();
        return false;
    }
    return true;
}

bool syncFile(const File& file, std::error_code& ec) {
    ec.clear();
    if (!::FlushFileBuffers(file.native())) {
        ec = lastError();
        return false;
    }
    return true;
}

bool setPermissions(const File& file, std::uint32_t permissions, std::error_code& ec) {
    ec.clear();
    FILE_BASIC_INFO basic{};
    if (!::GetFileInformationByHandleEx(file.native(), FileBasicInfo, &basic, sizeof basic)) {
        ec = lastError();
        return false;
    }
    DWORD attributes = basic.FileAttributes;
    if (permissions & 0200u) {
        attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    } else {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    return setAttributes(file.native(), attributes, ec);
}

namespace {

// The file, kept from deletion and given its permissions, closed: ready to be moved.
bool closeForMove(NewFile& file, std::error_code& ec) {
    ec.clear();
    if (file.deletedOnClose) {
        FILE_DISPOSITION_INFO keep{FALSE};
        if (!::SetFileInformationByHandle(file.file.native(), FileDispositionInfo, &keep,
                                          sizeof keep)) {
            ec = lastError();
            return false;
        }
        file.deletedOnClose = false;
    }
    // A file system without the attribute refuses it; the copy is no less right for that.
    std::error_code ignored;
    setPermissions(file.file, file.permissions, ignored);
    file.file.close(ec);
    return !ec;
}

}  // namespace

bool putInPlace(NewFile& file, const std::string& targetPath, bool durable, std::error_code& ec) {
    if (!closeForMove(file, ec)) {
        return false;
    }
    const std::wstring from = nativePath(file.tempPath, ec);
    if (ec) {
        return false;
    }
    const std::wstring to = nativePath(targetPath, ec);
    if (ec) {
        return false;
    }
    // A rename within one volume replaces the old file in one step. A scanner that has just
    // opened the freshly closed file (virus checkers do) blocks the rename for a moment, so a
    // sharing violation is tried again a few times before it counts. A read-only file is not
    // replaced: the user marked it to be kept.
    for (int attempt = 0;; ++attempt) {
        const DWORD flags =
            MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : DWORD{0});
        if (::MoveFileExW(from.c_str(), to.c_str(), flags)) {
            file.tempPath.clear();
            return true;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_SHARING_VIOLATION || attempt == 10) {
            ec = replaceError(error, to);
            return false;
        }
        ::Sleep(50);
    }
}

bool replaceInPlace(NewFile& file, const std::string& targetPath, const File&,
                    std::error_code& ec) {
    if (!closeForMove(file, ec)) {
        return false;
    }
    const std::wstring from = nativePath(file.tempPath, ec);
    const std::wstring to = ec ? std::wstring{} : nativePath(targetPath, ec);
    // The replaced file goes to a temporary's name of its own, which the held source handle keeps
    // from other jobs' reclaiming: it shares reading, writing and deleting, not opening unshared.
    const std::string backup = tempPathBeside(targetPath);
    const std::wstring wideBackup = ec ? std::wstring{} : nativePath(backup, ec);
    if (ec) {
        return false;
    }
    if (::ReplaceFileW(to.c_str(), from.c_str(), wideBackup.c_str(),
                       REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        file.tempPath.clear();
        file.replacedPath = backup;
        return true;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
        // The replaced file went to the backup name and the new one did not take its place.
        std::error_code ignored;
        moveTo(backup, targetPath, ignored);
    }
    if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION) {
        return putInPlace(file, targetPath, true,
                          ec);  // replaced unseen, as POSIX without exchange
    }
    ec = replaceError(error, to);
    return false;
}

bool keepReplacement(NewFile& file, const std::string&, const File&, std::error_code& ec) {
    ec.clear();
    std::error_code ignored;
    // Gone once the caller's handle on it closes.
    removeFile(file.replacedPath, ignored);
    file.replacedPath.clear();
    return true;
}

bool undoReplace(NewFile& file, const std::string& targetPath, const File&, std::error_code& ec) {
    // The copy moves aside first, so that no replace is needed: its name is then free for the
    // replaced file, and the copy is left for discardNew.
    const std::string aside = tempPathBeside(targetPath);
    if (!moveTo(targetPath, aside, ec)) {
        return false;
    }
    if (!moveTo(file.replacedPath, targetPath, ec)) {
        std::error_code ignored;
        moveTo(aside, targetPath, ignored);
        const std::string kept =
            file.replacedPath.substr(0, file.replacedPath.size() - kTempSuffix.size());
        if (moveTo(file.replacedPath, kept, ignored)) {
            file.replacedPath = kept;
        }
        return false;
    }
    file.tempPath = aside;
    file.replacedPath.clear();
    return true;
}

void discardNew(NewFile& file) {
    std::error_code ignored;
    file.file.close(ignored);
    if (!file.tempPath.empty()) {
        // Already gone where it was marked for deletion; this finds nothing then.
        removeFile(file.tempPath, ignored);
        file.tempPath.clear();
    }
}

// Windows keeps owners and access lists of its own, which a new file takes from its folder.
void copyOwnership(const File&, const File&) {}

bool copyAccessList(const File&, const File&, bool, std::error_code& ec) {
    ec.clear();
    return true;
}

// A symbolic link or junction on the last part of the path: the final path of the file it leads
// to, as the system resolves it, without the long-path prefix where the plain form means the same.
std::string resolveLinks(const std::string& path, std::error_code& ec) {
    const std::wstring wide = nativePath(path, ec);
    if (ec) {
        return {};
    }
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return path;
    }
    File file = openPath(path, FILE_READ_ATTRIBUTES, ec);
    if (ec) {
        return {};
    }
    std::wstring final(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            file.native(), final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
        if (length == 0) {
            ec = lastError();
            return {};
        }
        if (length < final.size()) {
            final.resize(length);
            break;
        }
        final.resize(length);
    }
    if (final.starts_with(L"\\\\?\\UNC\\")) {
        final = L"\\" + final.substr(8);
    } else if (final.starts_with(L"\\\\?\\") && final.size() < MAX_PATH - 12 + 4) {
        final = final.substr(4);
    }
    std::optional<std::string> text = narrow(final);
    if (!text) {
        ec = {ERROR_NO_UNICODE_TRANSLATION, std::system_category()};
        return {};
    }
    return *text;
}

std::uint32_t grantedPermissions(const File&, const FileInfo& info) {
    return info.permissions;
}

bool removeFile(const std::string& path, std::error_code& ec) {
    ec.clear();
    std::wstring widePath = nativePath(path, ec);
    if (ec) {
        return false;
    }
    if (::DeleteFileW(widePath.c_str())) {
        return true;
    }
    // Windows refuses to delete a read-only file, which a temporary file becomes when it takes
    // over the permissions of a read-only source; clear the attribute and try once more.
    DWORD error = ::GetLastError();
    if (error == ERROR_ACCESS_DENIED) {
        DWORD attributes = ::GetFileAttributesW(widePath.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
            ::SetFileAttributesW(widePath.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
            if (::DeleteFileW(widePath.c_str())) {
                return true;
            }
            error = ::GetLastError();
            ::SetFileAttributesW(widePath.c_str(), attributes);
        }
    }
    ec = {static_cast<int>(error), std::system_category()};
    return false;
}

// The system's message in the user's own language, where Windows has one for the code.
std::string errorText(const std::error_code& ec) {
    if (ec.category() != std::system_category()) {
        return ec.message();
    }
    wchar_t* message = nullptr;
    DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(ec.value()), 0, reinterpret_cast<wchar_t*>(&message), 0,
        nullptr);
    if (length == 0 || message == nullptr) {
        return ec.message();
    }
    std::wstring text(message, length);
    ::LocalFree(message);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return narrow(text).value_or(ec.message());
}

std::string currentFolder() {
    const DWORD length = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(length, L'\0');
    folder.resize(::GetCurrentDirectoryW(length, folder.data()));
    return narrow(folder).value_or(std::string{});
}

}  // namespace velbrisk::os
