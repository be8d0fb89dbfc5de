// velbrisk-trim as a process: its exit statuses, a stop by signal in the middle of a batch, and a
// file-size limit, which must give an error and not a death.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "test_files.h"

extern char** environ;

namespace velbrisk::cli {
namespace {

using namespace std::chrono_literals;
using velbrisk::testing::bytesWithData;
using velbrisk::testing::PrintTo;
using velbrisk::testing::readFile;
using velbrisk::testing::rowName;
using velbrisk::testing::ScratchFolder;
using velbrisk::testing::writeFile;

// Starts the program with standard output and error going to files.
pid_t start(const std::vector<std::string>& arguments, const std::string& out,
            const std::string& err) {
    std::vector<char*> argv{const_cast<char*>(VELBRISK_TRIM_PROGRAM)};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    EXPECT_EQ(failed, 0) << VELBRISK_TRIM_PROGRAM;
    return failed == 0 ? pid : -1;
}

// The exit status, or 1000 + the signal that ended the process.
int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

struct StatusRow {
    const char* name;
    std::vector<std::string> arguments;
    int status;
    std::string errStart;  // what standard error starts with
};

const StatusRow kStatusRows[] = {
    {"version", {"--version"}, 0, ""},
    {"unknown_option", {"--bogus", "a.exe"}, 2, "velbrisk-trim：无法识别的选项“--bogus”\n"},
    {"output_name_with_two_sources",
     {"-o", "x", "a.exe", "b.exe"},
     2,
     "velbrisk-trim：选项“-o”只能用于一个文件\n"},
    {"missing_file", {"/nonexistent/a.exe"}, 1, "velbrisk-trim：找不到要压缩的文件！"},
};

class TrimProgramStatus : public ::testing::TestWithParam<StatusRow> {
protected:
    ScratchFolder folder;
};

TEST_P(TrimProgramStatus, EndsWith) {
    const pid_t pid = start(GetParam().arguments, folder / "out", folder / "err");
    ASSERT_GT(pid, 0);
    EXPECT_EQ(waitFor(pid), GetParam().status);
    EXPECT_TRUE(readFile(folder / "err").starts_with(GetParam().errStart))
        << readFile(folder / "err");
}

INSTANTIATE_TEST_SUITE_P(Rows, TrimProgramStatus, ::testing::ValuesIn(kStatusRows), rowName);

struct SignalRow {
    const char* name;
    int signal;
    int status;
};

const SignalRow kSignalRows[] = {
    {"interrupt", SIGINT, 130},
    {"terminate", SIGTERM, 143},
};

class TrimProgramStop : public ::testing::TestWithParam<SignalRow> {
protected:
    ScratchFolder folder;
};

// Thousands of small files, so that the signal surely comes while the batch runs: it stops at
// once, every copy it made is whole, and nothing hidden or partial is left.
TEST_P(TrimProgramStop, StopsTheBatchCleanly) {
    constexpr int kFiles = 3000;
    const std::string source = bytesWithData(6000, {{0, 3000}});
    folder.makeFolder("in");
    std::vector<std::string> arguments;
    for (int k = 0; k < kFiles; ++k) {
        arguments.push_back(folder / ("in/" + std::to_string(k) + ".exe"));
        writeFile(arguments.back(), source);
    }
    const pid_t pid = start(arguments, folder / "out", folder / "err");
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!std::filesystem::exists(folder / "in/0.trimmed.exe") &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    ::kill(pid, GetParam().signal);

    EXPECT_EQ(waitFor(pid), GetParam().status);
    EXPECT_TRUE(readFile(folder / "err").ends_with("velbrisk-trim：已取消。\n"))
        << readFile(folder / "err");
    int trimmedCount = 0;
    const std::string expected = source.substr(0, readFile(folder / "in/0.trimmed.exe").size());
    for (const std::string& name : folder.names("in")) {
        EXPECT_NE(name[0], '.') << "left behind: " << name;
        if (name.find(".trimmed") != std::string::npos) {
            ++trimmedCount;
            EXPECT_EQ(readFile(folder / ("in/" + name)), expected) << name;
        }
    }
    EXPECT_GE(trimmedCount, 1);
    EXPECT_LT(trimmedCount, kFiles) << "the batch ended before the signal came";
}

INSTANTIATE_TEST_SUITE_P(Rows, TrimProgramStop, ::testing::ValuesIn(kSignalRows), rowName);

// The program ignores SIGXFSZ itself: a copy past the limit fails with the system's reason, the
// batch goes on, and the source is as it was.
TEST(TrimProgram, AFileSizeLimitIsAnErrorNotADeath) {
    ScratchFolder folder;
    const std::string big = bytesWithData(200000, {{0, 100000}});
    writeFile(folder / "big.exe", big);
    writeFile(folder / "small.exe", bytesWithData(200, {{0, 100}}));

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    // The test's own files are written; now only the child's can meet the limit.
    const rlimit limit{50000, saved.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const pid_t pid =
        start({"-i", folder / "big.exe", folder / "small.exe"}, folder / "out", folder / "err");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ASSERT_GT(pid, 0);

    EXPECT_EQ(waitFor(pid), 1);
    EXPECT_TRUE(readFile(folder / "err").starts_with("velbrisk-trim：无法写入压缩文件！"))
        << readFile(folder / "err");
    EXPECT_TRUE(readFile(folder / "out").starts_with(folder / "small.exe"))
        << readFile(folder / "out");
    EXPECT_EQ(readFile(folder / "big.exe"), big);
    EXPECT_EQ(folder.names(), (std::set<std::string>{"big.exe", "small.exe", "out", "err"}));
}

}  // namespace
}  // namespace velbrisk::cli
