// Tests of the in-place replace while another program acts on the source; killed jobs' leftovers.
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>

#include "engine/trim_internals.h"
#include "test_files.h"

namespace velbrisk::testing {
namespace {

using testing::PrintTo;  // found by argument-dependent lookup only when declared here
using namespace std::chrono_literals;

const std::string kSource = bytesWithData(kMiB, {{0, 700 * kKiB}});
const std::string kTrimmed = keptBytes(kSource, findCut(kMiB, 700 * kKiB - 1)->outputLength);
const std::string kOther = "another program";

// What the second program does just before the copy takes the source's place, after the job's
// last look at the source: through `fd`, the source opened before the job began, or by name.
struct ReplaceCase {
    const char* name;
    void (*act)(const ScratchFolder& folder, int fd);
    JobStatus status;
    const std::string* left;  // what app.exe holds afterwards; null: the trimmed copy
};

class ReplaceTable : public ScratchTable<ReplaceCase> {};

// The job is given link.exe, a symbolic link to app.exe: the link stays one, app.exe is replaced.
TEST_P(ReplaceTable, ReplacesOnlyTheFileScannedAsScanned) {
    const ReplaceCase& row = GetParam();
    writeFile(folder / "app.exe", kSource);
    writeFile(folder / "other.exe", kOther);
    fs::create_symlink("app.exe", utf8Path(folder / "link.exe"));
    // Dated back an hour, so that a write within the clock's tick still shows.
    fs::last_write_time(folder / "app.exe", fs::file_time_type::clock::now() - 1h);
    const int fd = ::open((folder / "app.exe").c_str(), O_RDWR);
    const detail::TrimOptions options{.beforeReplace = [&] { row.act(folder, fd); }};
    detail::TrimStats stats;
    TrimPlan plan;
    ASSERT_EQ(scanSource(folder / "link.exe", plan, detail::tuned({}, options, stats)).status,
              JobStatus::Done);

    const JobResult result = replaceTrimmed(plan, detail::tuned({}, options, stats));

    ::close(fd);
    EXPECT_EQ(result.status, row.status) << result.reason;
    EXPECT_EQ(result.path, folder / (row.status == JobStatus::Done ? "app.exe" : "link.exe"));
    EXPECT_TRUE(sameBytes(readFile(folder / "app.exe"), row.left ? *row.left : kTrimmed));
    EXPECT_TRUE(fs::is_symlink(utf8Path(folder / "link.exe")));
    Names names = folder.names();
    names.erase("other.exe");
    EXPECT_EQ(names, (Names{"app.exe", "link.exe"}));
}

const std::string kWritten = std::string(kSource).replace(10, 4, "new!");
const ReplaceCase kReplaces[] = {
    {"left_alone", [](const ScratchFolder&, int) {}, JobStatus::Done, nullptr},
    {"renamed_over",
     [](const ScratchFolder& folder, int) { fs::rename(folder / "other.exe", folder / "app.exe"); },
     JobStatus::SourceUnreadable, &kOther},
    {"written_through_an_open_descriptor",
     [](const ScratchFolder&, int fd) { EXPECT_EQ(::pwrite(fd, "new!", 4, 10), 4); },
     JobStatus::SourceUnreadable, &kWritten},
};

INSTANTIATE_TEST_SUITE_P(Rows, ReplaceTable, ::testing::ValuesIn(kReplaces), rowName);

// A replace that failed leaves the plan's source open and as scanned: the second try succeeds.
TEST_F(InScratchFolder, ReplaceTriedAgainAfterAFailure) {
    writeFile(folder / "app.exe", kSource);
    int failures = 0;
    // The copy's temporary name taken away: the replace has nothing to put in place.
    const detail::TrimOptions options{.allowUnnamedOutput = false, .beforeReplace = [&] {
                                          for (const std::string& name : folder.names()) {
                                              if (name != "app.exe" && failures++ == 0) {
                                                  fs::remove(utf8Path(folder / name));
                                              }
                                          }
                                      }};
    detail::TrimStats stats;
    TrimPlan plan;
    ASSERT_EQ(scanSource(folder / "app.exe", plan, detail::tuned({}, options, stats)).status,
              JobStatus::Done);

    const JobResult failed = replaceTrimmed(plan, detail::tuned({}, options, stats));
    const JobResult retried = replaceTrimmed(plan, detail::tuned({}, options, stats));

    EXPECT_EQ(failed.status, JobStatus::OutputUnwritable);
    EXPECT_EQ(retried.status, JobStatus::Done) << retried.reason;
    EXPECT_TRUE(sameBytes(readFile(folder / "app.exe"), kTrimmed));
    EXPECT_EQ(folder.names(), (Names{"app.exe"}));
}

// A file system that refuses to set permissions (some FUSE and network ones do), played by a
// seccomp filter in a child process: the in-place replace fails rather than give the source's
// place to a copy with other permissions.
TEST_F(InScratchFolder, ReplaceRefusedWhenThePermissionsCannotBeSet) {
    writeFile(folder / "app.exe", kSource);
    const pid_t child = ::fork();
    if (child == 0) {
        sock_filter filter[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fchmod, 0, 1),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        const sock_fprog program{std::size(filter), filter};
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
            ::_exit(2);
        }
        TrimPlan plan;
        scanSource(folder / "app.exe", plan);
        const JobResult result = replaceTrimmed(plan);
        ::_exit(result.status == JobStatus::OutputUnwritable && !result.reason.empty() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);

    ASSERT_NE(WEXITSTATUS(status), 2) << "no seccomp filter here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the replace went on";
    EXPECT_TRUE(sameBytes(readFile(folder / "app.exe"), kSource));
    EXPECT_EQ(folder.names(), (Names{"app.exe"}));
}

// Temporaries that killed jobs left: the next job in the folder removes those that no one holds
// locked, and nothing that merely looks like one.
TEST_F(InScratchFolder, NextJobReclaimsUnheldTemporaries) {
    writeFile(folder / "app.exe", kSource);
    const Names kept{".app.exe.Held01.velbrisk-tmp", ".app.exe.Xa81Qz",
                     "app.exe.Xa81Qz.velbrisk-tmp", ".app.exe.toolong.velbrisk-tmp"};
    for (const std::string& name : kept) {
        writeFile(folder / name, "kept");
    }
    writeFile(folder / ".small.exe.Left01.velbrisk-tmp", "left behind");
    const int held = ::open((folder / ".app.exe.Held01.velbrisk-tmp").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    detail::TrimStats stats;
    const detail::TrimOptions named{.allowUnnamedOutput = false};

    const JobResult result = trimFile(folder / "app.exe", "small", detail::tuned({}, named, stats));

    ::close(held);
    EXPECT_EQ(result.status, JobStatus::Done) << result.reason;
    Names expected = kept;
    expected.insert({"app.exe", "small.exe"});
    EXPECT_EQ(folder.names(), expected);
}

}  // namespace
}  // namespace velbrisk::testing
