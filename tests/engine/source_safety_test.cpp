// Tests of the job in a world that does not hold still, and of what the copy's modes grant.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>

#include "engine/trim.h"
#include "engine/trim_internals.h"
#include "test_files.h"

namespace velbrisk {
namespace {

using namespace testing;  // the helpers of the engine's tests
using testing::PrintTo;   // found by argument-dependent lookup only when declared here
using Names = std::set<std::string>;

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
    const Ranges pieces{{0, 64 * kKiB}, {kMiB, kMiB + 64 * kKiB}, {3 * kMiB, 3 * kMiB + 64 * kKiB}};
    const std::string real = folder / "real.exe";
    writeFile(real, bytesWithData(4 * kMiB, pieces), true);
    writeFile(folder / "other.exe", "another program");
    ASSERT_EQ(::symlink("real.exe", (folder / "app.exe").c_str()), 0);
    // Kernels before 6.13 stamp times at the timer's tick: the source is dated back an hour, so
    // that a rewrite within the tick still shows.
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
    const detail::TrimOptions steps{false, true, 64 * kKiB, 64 * kKiB};
    detail::TrimStats stats;
    TrimPlan plan;

    JobResult result = detail::scanSource(folder / "app.exe", plan, control, steps, stats);
    if (row.when != When::Scan) {
        ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
        changeWhen(When::Between);
        now = When::Copy;
        result = detail::writeTrimmed(plan, folder / "small.exe", control, steps, stats);
    }

    ASSERT_TRUE(changed) << "the job ended before the change";
    EXPECT_EQ(result.status, JobStatus::SourceUnreadable);
    EXPECT_EQ(result.path, folder / "app.exe");
    EXPECT_EQ(result.reason, "文件在读取过程中被改动");
    EXPECT_EQ(folder.names(), (Names{"app.exe", "other.exe", "real.exe"}));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ChangeTable,
    ::testing::Values(
        // Cut short, a sparse source reads as holes where it ended: only its change shows it.
        ChangeCase{"cut_short_during_the_scan", When::Scan,
                   [](const ScratchFolder& folder) {
                       EXPECT_EQ(::truncate((folder / "real.exe").c_str(), 2 * kMiB), 0);
                   }},
        // Its modification time set back as well: only the change time tells.
        ChangeCase{"rewritten_in_the_tail_times_set_back", When::Between,
                   [](const ScratchFolder& folder) {
                       const std::string real = folder / "real.exe";
                       const auto modified = fs::last_write_time(real);
                       std::fstream(real, std::ios::in | std::ios::out | std::ios::binary)
                               .seekp(4 * kMiB - 8)
                           << "new!";
                       fs::last_write_time(real, modified);
                   }},
        // The file the job holds is untouched: only the path tells.
        ChangeCase{"path_led_elsewhere_during_the_copy", When::Copy,
                   [](const ScratchFolder& folder) {
                       fs::create_symlink("other.exe", folder / "link");
                       fs::rename(folder / "link", folder / "app.exe");
                   }}),
    rowName);

// An access-control list as the kernel stores it: owner rw, user nobody rw, owning group r, mask
// rw, others nothing. The mode's group bits then show the mask: rw.
bool giveNobodyWriteAccess(const std::string& path) {
    const auto entry = [](std::uint16_t tag, std::uint16_t perm, std::uint32_t id) {
        std::string bytes(8, '\0');
        bytes[0] = char(tag), bytes[2] = char(perm);
        std::memcpy(bytes.data() + 4, &id, 4);
        return bytes;
    };
    const std::string list = std::string("\x02\0\0\0", 4) + entry(0x01, 6, ~0u) +
                             entry(0x02, 6, 65534) + entry(0x04, 4, ~0u) + entry(0x10, 6, ~0u) +
                             entry(0x20, 0, ~0u);
    return ::setxattr(path.c_str(), "system.posix_acl_access", list.data(), list.size(), 0) == 0;
}

struct ModeCase {
    const char* name;
    mode_t sourceMode;
    bool accessList;  // the list above on the source
    mode_t umask;
    mode_t expected;
};

class ModeTable : public ScratchTable<ModeCase> {};

// The copy grants no one more than the source did, under the umask as cp's copy would.
TEST_P(ModeTable, GrantsNoMoreThanTheSource) {
    const ModeCase& row = GetParam();
    const std::string source = folder / "app.exe";
    writeFile(source, bytesWithData(1000, {{0, 701}}));
    ASSERT_EQ(::chmod(source.c_str(), row.sourceMode), 0);
    if (row.accessList && !giveNobodyWriteAccess(source)) {
        GTEST_SKIP() << "this file system keeps no access-control lists: " << std::strerror(errno);
    }
    const mode_t umask = ::umask(row.umask);

    const JobResult result = trimFile(source, "small");

    ::umask(umask);
    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    struct stat st {};
    ASSERT_EQ(::stat((folder / "small.exe").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, row.expected) << std::oct << st.st_mode;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ModeTable,
    ::testing::Values(ModeCase{"set_id_bits_dropped", 06775, false, 022, 0755},
                      ModeCase{"list_mask_gives_the_group_no_write", 0640, true, 0, 0640}),
    rowName);

}  // namespace
}  // namespace velbrisk
