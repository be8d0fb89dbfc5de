// The yardsticks: a plain read of the tail, cp run as a child process, and the original probe loop.
#include "references.h"

#include "measure.h"

#include "engine/path_rules.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <memory>
#include <utility>

extern char** environ;

namespace velbrisk::bench {

namespace {

constexpr std::size_t kBlock = 1 << 20;

// Runs a program with its arguments and waits; true when it exits with 0.
bool runProgram(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    if (::posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
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

// pread until `length` bytes or the end of the file.
std::int64_t readAt(int fd, unsigned char* buffer, std::int64_t length, std::int64_t offset) {
    std::int64_t got = 0;
    while (got < length) {
        ssize_t n = ::pread(fd, buffer + got, static_cast<std::size_t>(length - got), offset + got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += n;
    }
    return got;
}

}  // namespace

std::int64_t readTail(const std::string& path, std::int64_t length) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    ::fstat(fd, &st);
    const std::int64_t offset = std::max<std::int64_t>(0, st.st_size - length);
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[kBlock]);
    std::int64_t total = 0;
    while (total < length) {
        std::int64_t want = std::min<std::int64_t>(length - total, kBlock);
        std::int64_t got = readAt(fd, buffer.get(), want, offset + total);
        total += got;
        if (got < want) {
            break;
        }
    }
    ::close(fd);
    return total;
}

bool runCp(const std::string& from, const std::string& to) {
    return runProgram({"/bin/cp", from, to});
}

bool syncToDisk(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool synced = ::fsync(fd) == 0;
    ::close(fd);
    const std::string folder = folderOf(path, PathRules::Posix);
    int folderFd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return synced;
}

std::string cpVersion() {
    std::string text;
    if (FILE* pipe = ::popen("/bin/cp --version 2>/dev/null", "r")) {
        char line[256];
        if (std::fgets(line, sizeof line, pipe)) {
            text = line;
        }
        ::pclose(pipe);
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text.empty() ? "cp (version unknown)" : text;
}

ProbeLoopResult probeLoop(const std::string& path, std::chrono::steady_clock::time_point deadline) {
    ProbeLoopResult result;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return result;
    }
    struct stat st {};
    ::fstat(fd, &st);
    const std::int64_t length = st.st_size;  // L, read once when the loop starts
    std::vector<unsigned char> probe;
    result.finished = true;
    for (std::int64_t i = 10; i <= length; i += 10) {
        result.scanPosition = i;
        std::int64_t position = length - i;  // p, 1-based
        if (position < 1) {
            break;  // p = 0 names no byte: ends as when nothing was found
        }
        // A re-dimensioned array starts out zeroed, and so does this one.
        probe.assign(static_cast<std::size_t>(i + 1), 0);
        readAt(fd, probe.data(), i + 1, position - 1);
        // The text-box test: the probe reads back empty exactly when its first 16-bit character,
        // its first two bytes, is NUL.
        if (probe[0] != 0 || probe[1] != 0) {
            result.found = true;
            result.cutAmount = i - 10;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline || interrupted()) {
            result.finished = false;
            break;
        }
    }
    ::close(fd);
    return result;
}

}  // namespace velbrisk::bench
