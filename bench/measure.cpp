// Medians, the kernel's count of bytes read, and peak memory measured in a forked child.
#include "measure.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace velbrisk::bench {

namespace {

volatile sig_atomic_t signalled = 0;

void noteSignal(int) {
    signalled = 1;
}

}  // namespace

void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

bool interrupted() {
    return signalled != 0;
}

void stopIfInterrupted() {
    if (interrupted()) {
        throw std::runtime_error("interrupted; the scratch folder is removed");
    }
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double fastest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

std::int64_t bytesReadSoFar() {
    // Every read of /proc/self/io counts towards rchar itself (after it has shown the count), so
    // the bytes of all earlier reads of it are taken off.
    static std::int64_t ownBytes = 0;
    int fd = ::open("/proc/self/io", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    char text[1024];
    ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0) {
        return -1;
    }
    text[n] = '\0';
    const char* field = std::strstr(text, "rchar:");
    if (field == nullptr) {
        return -1;
    }
    std::int64_t count = std::strtoll(field + 6, nullptr, 10) - ownBytes;
    ownBytes += n;
    return count;
}

Peak peakInChild(const std::function<bool()>& job, double limitSeconds) {
    Peak peak;
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return peak;
    }
    pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return peak;
    }
    if (child == 0) {
        ::close(pipeFds[0]);
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        long startKiB = usage.ru_maxrss;
        ssize_t ignored = ::write(pipeFds[1], &startKiB, sizeof startKiB);
        (void)ignored;
        ::_exit(job() ? 0 : 1);
    }
    ::close(pipeFds[1]);
    long startKiB = 0;
    bool reported = ::read(pipeFds[0], &startKiB, sizeof startKiB) == sizeof startKiB;
    ::close(pipeFds[0]);
    // A job that hangs must not hang the bench: it is polled, and killed at the limit.
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(limitSeconds));
    int status = 0;
    rusage usage{};
    for (;;) {
        pid_t done = ::wait4(child, &status, WNOHANG, &usage);
        if (done == child) {
            break;
        }
        if (done < 0 && errno != EINTR) {
            return peak;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::wait4(child, &status, 0, &usage);
            peak.timedOut = true;
            return peak;
        }
        ::usleep(2000);
    }
    peak.ok = reported && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    peak.startKiB = startKiB;
    peak.peakKiB = usage.ru_maxrss;
    return peak;
}

}  // namespace velbrisk::bench
