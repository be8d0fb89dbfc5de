// Tests of the job in a world that does not hold still (the source changed during the job, the
// in-place replace raced, killed jobs' leftovers) and of what the copy's modes grant.
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>

#include "engine/trim_internals.h"
#include "test_files.h"

namespace velbrisk::testing {
namespace {

using testing::PrintTo;  // found by argument-dependent lookup only when declared here
using namespace std::chrono_literals;

// Another program changes the source during the scan, while the user is asked, in the copy, after
// it, or just before an in-place job's copy takes the source's place: through `fd`, the source
// opened before the job, through `map`, the source mapped, shared, its page at 3.5 MiB written
// before the job, or by name. A replace that failed is tried again, and must keep to the source as
// scanned.
enum class When { Scan, Between, Copy, AfterCopy, Replace };

struct ChangeCase {
    const char* name;
    When when;
    void (*change)(const ScratchFolder& folder, int fd, char* map);
    JobStatus status = JobStatus::SourceUnreadable;
};

class ChangeTable : public ScratchTable<ChangeCase> {};

// app.exe links to real.exe: 4 MiB, sparse, 64 KiB of data at 0, 1 and 3 MiB, read in small
// blocks that give the change many steps to act between. The link stays one, and real.exe holds
// the trimmed copy or what the other program left.
TEST_P(ChangeTable, WritesOnlyTheFileScannedAsScanned) {
    const ChangeCase& row = GetParam();
    const std::string real = folder / "real.exe";
    const std::string piece = bytesWithData(64 * kKiB, {{0, 64 * kKiB}});
    writeSparse(real, 4 * kMiB, {{0, piece}, {kMiB, piece}, {3 * kMiB, piece}});
    writeFile(folder / "other.exe", "another program");
    ASSERT_EQ(::symlink("real.exe", (folder / "app.exe").c_str()), 0);
    const int fd = ::open(real.c_str(), O_RDWR);
    auto* map = static_cast<char*>(::mmap(nullptr, 4 * kMiB, PROT_WRITE, MAP_SHARED, fd, 0));
    ASSERT_NE(map, MAP_FAILED);
    map[3 * kMiB + kMiB / 2] = 0;
    // Dated back an hour: kernels before 6.13 stamp times at the timer's tick.
    fs::last_write_time(real, fs::file_time_type::clock::now() - 1h);
    const std::string trimmed =
        keptBytes(readFile(real), findCut(4 * kMiB, 3 * kMiB + 64 * kKiB - 1)->outputLength);
    When now = When::Scan;
    std::optional<std::string> left;  // real.exe as the other program left it
    const auto changeWhen = [&](When when) {
        if (!left && when == row.when) {
            row.change(folder, fd, map);
            left = readFile(real);
        }
    };
    const JobControl control{[&](std::uint64_t done, std::uint64_t) {
                                 if (done > 64 * kKiB) {
                                     changeWhen(now);
                                 }
                             },
                             {}};
    const bool inPlace = row.when == When::Replace;
    const detail::TrimOptions steps{.allowClone = false, .blockBytes = 64 * kKiB,
                                    .kernelChunkBytes = 64 * kKiB, .allowUnnamedOutput = !inPlace,
                                    .afterCopy = [&] { changeWhen(When::AfterCopy); },
                                    .beforeReplace = [&] { changeWhen(When::Replace); }};
    detail::TrimStats stats;
    const auto job = detail::tuned(control, steps, stats);
    TrimPlan plan;

    JobResult result = scanSource(folder / "app.exe", plan, job);
    if (row.when != When::Scan) {
        ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
        changeWhen(When::Between);
        now = When::Copy;
        result = inPlace ? replaceTrimmed(plan, job) : writeTrimmed(plan, folder / "small.exe", job);
        if (inPlace && result.status != JobStatus::Done) {
            result = replaceTrimmed(plan, job);
        }
    }

    ::munmap(map, 4 * kMiB);
    ::close(fd);
    ASSERT_TRUE(left) << "the job ended before the change";
    const bool done = row.status == JobStatus::Done;
    EXPECT_EQ(result.status, row.status) << result.reason;
    EXPECT_EQ(result.path, folder / (done ? "real.exe" : "app.exe"));
    EXPECT_EQ(result.reason, done ? "" : "文件在读取过程中被改动");
    EXPECT_TRUE(sameBytes(readFile(real), done ? trimmed : *left));
    EXPECT_TRUE(fs::is_symlink(folder / "app.exe"));
    Names names = folder.names();
    names.erase("other.exe");
    EXPECT_EQ(names, (Names{"app.exe", "real.exe"}));
}

const ChangeCase kChanges[] = {
    // Cut short, a sparse source reads as holes where it ended: only its change shows it.
    {"cut_short_during_the_scan", When::Scan,
     [](const ScratchFolder& folder, int, char*) {
         EXPECT_EQ(::truncate((folder / "real.exe").c_str(), 2 * kMiB), 0);
     }},
    // Rewritten in the kept data, its modification time set back: only the change time tells.
    {"rewritten_times_set_back", When::Between,
     [](const ScratchFolder& folder, int, char*) {
         const auto modified = fs::last_write_time(folder / "real.exe");
         std::fstream(folder / "real.exe", std::ios::in | std::ios::out).seekp(3 * kMiB) << "new!";
         fs::last_write_time(folder / "real.exe", modified);
     }},
    // The file the job holds is untouched: only the path tells.
    {"path_led_elsewhere_during_the_copy", When::Copy,
     [](const ScratchFolder& folder, int, char*) {
         fs::create_symlink("other.exe", folder / "link");
         fs::rename(folder / "link", folder / "app.exe");
     }},
    // A page written before through a shared map changes unseen: only the cut, read again, tells.
    {"mapped_write_into_the_cut", When::AfterCopy,
     [](const ScratchFolder&, int, char* map) { map[3 * kMiB + kMiB / 2] = 1; }},
    {"left_alone_till_the_replace", When::Replace, [](const ScratchFolder&, int, char*) {},
     JobStatus::Done},
    {"renamed_over_before_the_replace", When::Replace,
     [](const ScratchFolder& folder, int, char*) {
         fs::rename(folder / "other.exe", folder / "real.exe");
     }},
    {"written_through_an_open_descriptor_before_the_replace", When::Replace,
     [](const ScratchFolder&, int fd, char*) { EXPECT_EQ(::pwrite(fd, "new!", 4, 10), 4); }},
    // The copy's temporary taken away: the first replace has nothing to put in place.
    {"temporary_taken_away_before_the_replace", When::Replace,
     [](const ScratchFolder& folder, int, char*) {
         for (const std::string& name : folder.names()) {
             EXPECT_TRUE(!name.starts_with(".") || fs::remove(utf8Path(folder / name))) << name;
         }
     },
     JobStatus::Done},
};

INSTANTIATE_TEST_SUITE_P(Rows, ChangeTable, ::testing::ValuesIn(kChanges), rowName);

// The copy grants no one more than the source did, under the umask as cp's copy would: a user or a
// group that the source's list denies is denied by the copy's, which the umask cuts as a mode.
struct ModeCase {
    const char* name;
    mode_t sourceMode;
    const char* entry;  // setfacl's entry for the source, if any
    mode_t umask, expected;
    const char* expectedList;  // the copy's access list, as getfacl prints it, when it has one
};

class ModeTable : public ScratchTable<ModeCase> {};

TEST_P(ModeTable, GrantsNoMoreThanTheSource) {
    const ModeCase& row = GetParam();
    const std::string source = folder / "app.exe";
    const std::string copy = folder / "small.exe";
    writeFile(source, bytesWithData(1000, {{0, 701}}));
    ASSERT_EQ(::chmod(source.c_str(), row.sourceMode), 0);
    if (row.entry && std::system(("setfacl -m " + std::string{row.entry} + " " + source).c_str())) {
        GTEST_SKIP() << "setfacl (Debian's acl package) or this file system's access lists missing";
    }
    const mode_t umask = ::umask(row.umask);

    const JobResult result = trimFile(source, "small");

    ::umask(umask);
    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(fs::status(copy).permissions(), fs::perms(row.expected));
    if (row.entry) {
        EXPECT_EQ(std::system(("getfacl -cEp " + copy + " >" + copy + ".acl").c_str()), 0);
        EXPECT_EQ(readFile(copy + ".acl"), row.expectedList);
    }
}

const ModeCase kModes[] = {
    {"set_id_bits_dropped", 06775, nullptr, 022, 0755, ""},
    {"named_user_denied", 0644, "u:nobody:---", 022, 0644,
     "user::rw-\nuser:nobody:---\ngroup::r--\nmask::r--\nother::r--\n\n"},
    {"named_group_cut_by_the_umask", 0660, "g:nogroup:rw-", 027, 0640,
     "user::rw-\ngroup::rw-\ngroup:nogroup:rw-\nmask::r--\nother::---\n\n"},
};

INSTANTIATE_TEST_SUITE_P(Rows, ModeTable, ::testing::ValuesIn(kModes), rowName);

const std::string kSource = bytesWithData(kMiB, {{0, 700 * kKiB}});

// A file system that refuses to set permissions (some FUSE and network ones do), played by seccomp
// in a child: the replace fails rather than put a copy with other permissions in its stead.
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

// The next job in the folder removes killed jobs' temporaries that no one holds, nothing else.
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
