// Tests of the job in a world that does not hold still, and of what the copy's modes grant.
#include <sys/mman.h>

#include "engine/trim_internals.h"
#include "test_files.h"

namespace velbrisk::testing {
namespace {

using testing::PrintTo;  // found by argument-dependent lookup only when declared here

// Another program changes the source during the scan, while the user is asked, or in the copy.
enum class When { Scan, Between, Copy };

struct ChangeCase {
    const char* name;
    When when;
    void (*change)(const ScratchFolder& folder);
};

class ChangeTable : public ScratchTable<ChangeCase> {};

// app.exe links to real.exe: 4 MiB, sparse, 64 KiB of data at 0, 1 and 3 MiB, read in small
// blocks that give the change many steps to act between.
TEST_P(ChangeTable, SaysTheFileChangedAndWritesNothing) {
    const ChangeCase& row = GetParam();
    const std::string real = folder / "real.exe";
    const std::string piece = bytesWithData(64 * kKiB, {{0, 64 * kKiB}});
    writeSparse(real, 4 * kMiB, {{0, piece}, {kMiB, piece}, {3 * kMiB, piece}});
    writeFile(folder / "other.exe", "another program");
    ASSERT_EQ(::symlink("real.exe", (folder / "app.exe").c_str()), 0);
    // Dated back an hour: kernels before 6.13 stamp times at the timer's tick.
    fs::last_write_time(real, fs::file_time_type::clock::now() - std::chrono::hours(1));
    When now = When::Scan;
    bool changed = false;
    const auto changeWhen = [&](When when) {
        if (!changed && when == row.when) {
            row.change(folder);
            changed = true;
        }
    };
    const JobControl control{[&](std::uint64_t done, std::uint64_t) {
                                 if (done > 64 * kKiB) {
                                     changeWhen(now);
                                 }
                             },
                             {}};
    const detail::TrimOptions steps{
        .allowClone = false, .blockBytes = 64 * kKiB, .kernelChunkBytes = 64 * kKiB};
    detail::TrimStats stats;
    TrimPlan plan;

    JobResult result = scanSource(folder / "app.exe", plan, detail::tuned(control, steps, stats));
    if (row.when != When::Scan) {
        ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
        changeWhen(When::Between);
        now = When::Copy;
        result = writeTrimmed(plan, folder / "small.exe", detail::tuned(control, steps, stats));
    }

    ASSERT_TRUE(changed) << "the job ended before the change";
    EXPECT_EQ(result.status, JobStatus::SourceUnreadable);
    EXPECT_EQ(result.path, folder / "app.exe");
    EXPECT_EQ(result.reason, "文件在读取过程中被改动");
    EXPECT_EQ(folder.names(), (Names{"app.exe", "other.exe", "real.exe"}));
}

const ChangeCase kChanges[] = {
    // Cut short, a sparse source reads as holes where it ended: only its change shows it.
    {"cut_short_during_the_scan", When::Scan,
     [](const ScratchFolder& folder) {
         EXPECT_EQ(::truncate((folder / "real.exe").c_str(), 2 * kMiB), 0);
     }},
    // Rewritten in the kept data, its modification time set back: only the change time tells.
    {"rewritten_times_set_back", When::Between,
     [](const ScratchFolder& folder) {
         const auto modified = fs::last_write_time(folder / "real.exe");
         std::fstream(folder / "real.exe", std::ios::in | std::ios::out).seekp(3 * kMiB) << "new!";
         fs::last_write_time(folder / "real.exe", modified);
     }},
    // The file the job holds is untouched: only the path tells.
    {"path_led_elsewhere_during_the_copy", When::Copy,
     [](const ScratchFolder& folder) {
         fs::create_symlink("other.exe", folder / "link");
         fs::rename(folder / "link", folder / "app.exe");
     }},
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

// A writer through a shared memory map changes the file's times only when it first writes to a
// page: a page written before, it changes unseen. Only the bytes cut, read again, show it.
TEST_F(InScratchFolder, MappedWriteIntoTheCutIsSeen) {
    const std::string source = folder / "app.exe";
    writeFile(source, bytesWithData(kMiB, {{0, 700 * kKiB}}));
    const int fd = ::open(source.c_str(), O_RDWR);
    auto* map =
        static_cast<char*>(::mmap(nullptr, kMiB, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
    ASSERT_NE(map, MAP_FAILED);
    map[900 * kKiB] = 0;  // the page written once, before the job
    const detail::TrimOptions options{.afterCopy = [&] { map[900 * kKiB] = 1; }};
    detail::TrimStats stats;

    const JobResult result = trimFile(source, "small", detail::tuned({}, options, stats));

    ::munmap(map, kMiB);
    ::close(fd);
    EXPECT_EQ(result.status, JobStatus::SourceUnreadable);
    EXPECT_EQ(result.reason, "文件在读取过程中被改动");
    EXPECT_EQ(folder.names(), (Names{"app.exe"}));
}

}  // namespace
}  // namespace velbrisk::testing
