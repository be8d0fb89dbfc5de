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

// Held for the span of the wait. A thread that never ends can be neither joined nor failed
// politely, so past the deadline the whole program ends. A watcher, not the body on a thread of
// its own, as the Qt and Win32 tests must stay on the thread that owns their windows.
class Deadline {
public:
    explicit Deadline(std::string waitingFor, std::chrono::seconds limit = std::chrono::seconds{30})
        : watcher_([this, waitingFor = std::move(waitingFor), limit] {
              std::unique_lock lock(mutex_);
              if (!endedChanged_.wait_for(lock, limit, [this] { return ended_; })) {
                  std::fprintf(stderr, "FAILED: still waiting after %lld s for %s\n",
                               static_cast<long long>(limit.count()), waitingFor.c_str());
                  std::fflush(stderr);
                  std::_Exit(1);
              }
          }) {}
    ~Deadline() {
        {
            const std::lock_guard lock(mutex_);
            ended_ = true;
        }
        endedChanged_.notify_all();
        watcher_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable endedChanged_;
    bool ended_ = false;
    std::thread watcher_;  // last, so that it starts once the rest is in place
};

}  // namespace velbrisk::testing
