// A deadline for a test that waits on another thread: a hang ends the test program in seconds,
// saying what it waited for, not when the test runner's limit runs out minutes later.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace velbrisk::testing {

// Held for the span of the wait. A thread that never ends cannot be joined or failed politely,
// so past the deadline the whole program ends: a watcher thread rather than running the body on
// one, as the Qt and Win32 tests must stay on the thread that owns their windows.
class Deadline {
public:
    explicit Deadline(std::string waitingFor, std::chrono::seconds limit = std::chrono::seconds{30})
        : waitingFor_(std::move(waitingFor)), limit_(limit), watcher_([this] { watch(); }) {}
    ~Deadline() {
        {
            const std::lock_guard lock(mutex_);
            ended_ = true;
        }
        endedChanged_.notify_all();
        watcher_.join();
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

private:
    void watch() {
        std::unique_lock lock(mutex_);
        if (!endedChanged_.wait_for(lock, limit_, [this] { return ended_; })) {
            std::fprintf(stderr, "FAILED: still waiting after %lld s for %s\n",
                         static_cast<long long>(limit_.count()), waitingFor_.c_str());
            std::fflush(stderr);
            std::_Exit(1);
        }
    }

    const std::string waitingFor_;
    const std::chrono::seconds limit_;
    std::mutex mutex_;
    std::condition_variable endedChanged_;
    bool ended_ = false;
    std::thread watcher_;  // last, so that it starts once the rest is in place
};

}  // namespace velbrisk::testing
