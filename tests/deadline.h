// A deadline for a test that waits on another thread: a hang ends the test program in seconds,
// saying what it waited for, not when the test runner's limit runs out minutes later.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>

namespace velbrisk::testing {

// Held for the span of the wait; its end stops the watcher. A thread that never ends can be neither
// joined nor failed politely, so past the deadline the whole program ends. A watcher, not the body
// on a thread of its own, as the Qt and Win32 tests must stay on the thread that owns their windows.
class Deadline {
public:
    explicit Deadline(std::string waitingFor, std::chrono::seconds limit = std::chrono::seconds{30})
        : watcher_([waitingFor = std::move(waitingFor), limit](std::stop_token ended) {
              std::mutex mutex;
              std::condition_variable_any never;
              std::unique_lock lock(mutex);
              if (!never.wait_for(lock, ended, limit, [&] { return ended.stop_requested(); })) {
                  std::fprintf(stderr, "FAILED: still waiting after %lld s for %s\n",
                               static_cast<long long>(limit.count()), waitingFor.c_str());
                  std::fflush(stderr);
                  std::_Exit(1);
              }
          }) {}

private:
    std::jthread watcher_;
};

}  // namespace velbrisk::testing
