// velbrisk-trim: the trimming job for scripts and batches, with no window and no display.
#include <cstdio>
#include <iostream>
#include <optional>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "cli/ProgressBar.h"
#include "cli/TrimBatch.h"
#include "cli/TrimCommand.h"
#include "engine/utf16.h"
#include "resources/ProductInfo.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <streambuf>
#else
#include <atomic>
#include <csignal>
#include <thread>

#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

std::stop_source stopSource;

#ifdef _WIN32

BOOL WINAPI onConsoleControl(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        stopSource.request_stop();
        return TRUE;
    }
    return FALSE;
}

// Ctrl-C and Ctrl-Break ask the running job to stop, which removes what it was writing.
void watchForStop() {
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

// The stream's console, or null where it goes elsewhere. A console answers for its mode; NUL,
// which _isatty counts as a terminal, does not.
HANDLE consoleOf(std::FILE* stream) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0 ? handle : nullptr;
}

bool isTerminal(std::FILE* stream) {
    return consoleOf(stream) != nullptr;
}

// Text for a console goes to it in UTF-16 through WriteConsoleW, which shows Chinese whatever
// the console's code page; bytes would be read in that code page. It takes the stream's place
// for its lifetime. The program hands over whole strings and flushes at each line's end, so no
// character is split between two flushes.
class ConsoleBuffer : public std::streambuf {
public:
    ConsoleBuffer(std::ostream& stream, HANDLE console)
        : stream_(stream), console_(console), previous_(stream.rdbuf(this)) {}
    ConsoleBuffer(const ConsoleBuffer&) = delete;
    ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;
    ~ConsoleBuffer() override {
        sync();
        stream_.rdbuf(previous_);
    }

protected:
    int_type overflow(int_type character) override {
        if (!traits_type::eq_int_type(character, traits_type::eof())) {
            pending_.push_back(traits_type::to_char_type(character));
        }
        return traits_type::not_eof(character);
    }

    std::streamsize xsputn(const char* text, std::streamsize count) override {
        pending_.append(text, static_cast<std::size_t>(count));
        return count;
    }

    // The program writes only its own texts and names that came in as UTF-16, so text that does
    // not convert is a fault of the stream's, not something to show.
    int sync() override {
        const std::optional<velbrisk::Utf16> wide = velbrisk::widen(pending_);
        pending_.clear();
        if (!wide) {
            return -1;
        }
        DWORD written = 0;
        for (std::size_t done = 0; done < wide->size(); done += written) {
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide->size() - done, 4096));
            if (!WriteConsoleW(console_, wide->data() + done, chunk, &written, nullptr) ||
                written == 0) {
                return -1;
            }
        }
        return 0;
    }

private:
    std::ostream& stream_;
    HANDLE console_;
    std::streambuf* previous_;
    std::string pending_;
};

std::size_t terminalColumns(std::FILE* stream) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(handle, &info)) {
        return 0;
    }
    return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

#else

std::atomic<int> caughtSignal{0};  // the first stop signal, set before the stop is asked for

// SIGINT, SIGTERM, SIGHUP (the terminal went away) and SIGQUIT are taken by a thread of their own,
// blocked in sigwait, rather than by a handler: a stop request is not safe to make from a handler.
// The mask is set before any other thread starts, so every thread of the engine inherits it.
void watchForStop() {
    // A file-size limit must make the write fail with EFBIG, not kill the process.
    std::signal(SIGXFSZ, SIG_IGN);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    sigaddset(&stopSignals, SIGQUIT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::thread([stopSignals] {
        for (;;) {
            int signal = 0;
            if (sigwait(&stopSignals, &signal) == 0) {
                int none = 0;
                caughtSignal.compare_exchange_strong(none, signal);
                stopSource.request_stop();
            }
        }
    }).detach();
}

bool isTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

std::size_t terminalColumns(std::FILE* stream) {
    winsize size{};
    return ::ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

#endif

int run(const std::vector<std::string>& arguments) {
    using namespace velbrisk::cli;
    watchForStop();
    std::optional<ProgressBar> bar;
    if (isTerminal(stderr)) {
        bar.emplace(std::cerr, std::chrono::steady_clock::now, std::chrono::milliseconds(500),
                    std::chrono::milliseconds(100), [] { return terminalColumns(stderr); });
    }
    const int status = runTrimCommand(arguments, velbrisk::product::kVersion, std::cout, std::cerr,
                                      stopSource.get_token(), bar ? &*bar : nullptr);
#ifndef _WIN32
    // A stop by another signal than Ctrl-C's ends with the status the shell gives for it.
    if (status == kStatusCancelled && caughtSignal != SIGINT && caughtSignal != 0) {
        return 128 + caughtSignal;
    }
#endif
    return status;
}

}  // namespace

#ifdef _WIN32
// Arguments arrive as UTF-16 and are passed on as UTF-8, so that Chinese names survive whatever
// the system's code page. What is written goes out as UTF-8 where it is redirected, and to a
// console as text.
int wmain(int argc, wchar_t* argv[]) {
    std::optional<ConsoleBuffer> consoleOut;
    std::optional<ConsoleBuffer> consoleErr;
    if (const HANDLE console = consoleOf(stdout)) {
        consoleOut.emplace(std::cout, console);
    }
    if (const HANDLE console = consoleOf(stderr)) {
        consoleErr.emplace(std::cerr, console);
    }
    std::vector<std::string> arguments;
    bool converted = true;
    for (int k = 1; k < argc && converted; ++k) {
        std::optional<std::string> argument = velbrisk::narrow(argv[k]);
        converted = argument.has_value();
        arguments.push_back(std::move(argument).value_or(std::string{}));
    }
    int status = velbrisk::cli::kStatusUsage;
    if (converted) {
        status = run(arguments);
    } else {
        std::cerr << "velbrisk-trim：参数" << velbrisk::kNotUnicodeText << '\n'
                  << velbrisk::cli::trimUsageHint() << std::endl;
    }
    return status;
}
#else
int main(int argc, char* argv[]) {
    return run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
