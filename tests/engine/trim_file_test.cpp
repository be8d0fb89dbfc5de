// Tests of the whole job on real files: what is kept, and every refusal and failure.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <string>
#include <tuple>

#include "engine/trim.h"
#include "engine/trim_internals.h"
#include "test_files.h"

namespace velbrisk {
namespace {

using namespace testing;  // the helpers of the engine's tests
using testing::PrintTo;   // found by argument-dependent lookup only when declared here
using Names = std::set<std::string>;

struct CopyWay {
    const char* name;
    detail::TrimOptions options;
};
const CopyWay kDefaultWay{"default", {}};
const CopyWay kKernelWay{"kernel_small_blocks", {false, true, 64, 64}};
const CopyWay kPlainWay{"plain_small_blocks", {false, false, 64, 64}};

struct KeptCase {
    const char* name;
    std::int64_t length;
    Ranges data;                // [from, to) ranges of bytes that are not zero
    std::int64_t outputLength;  // 0: nothing to cut, nothing written
};

// Every row runs in a folder named in Chinese, over an older, longer output of the same name, from
// a source whose permission bits the output must take. Every way of copying gives the same bytes:
// where this file system cannot clone, the default way falls back quietly to the kernel's copy.
class KeptBytesTable : public ScratchTable<std::tuple<KeptCase, CopyWay>> {};

TEST_P(KeptBytesTable, WritesTheLeadingPartOrNothing) {
    const auto& [row, way] = GetParam();
    const std::string source = bytesWithData(row.length, row.data);
    const std::string oldOutput(5000, '\xff');
    folder.makeFolder("测试");
    writeFile(folder / "测试/源.exe", source);
    writeFile(folder / "测试/小.exe", oldOutput);
    ASSERT_EQ(::chmod((folder / "测试/源.exe").c_str(), 0751), 0);
    detail::TrimStats stats;

    JobResult result = detail::trimFile(folder / "测试/源.exe", "小", {}, way.options, stats);

    EXPECT_TRUE(sameBytes(readFile(folder / "测试/源.exe"), source))
        << "the source must stay as it was";
    EXPECT_EQ(folder.names("测试"), (Names{"源.exe", "小.exe"}));
    if (row.outputLength == 0) {
        EXPECT_EQ(result.status, JobStatus::NothingToCut) << result.reason;
        EXPECT_TRUE(sameBytes(readFile(folder / "测试/小.exe"), oldOutput));
        return;
    }
    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(result.path, folder / "测试/小.exe");
    EXPECT_TRUE(sameBytes(readFile(folder / "测试/小.exe"), keptBytes(source, row.outputLength)));
    struct stat st {};
    ASSERT_EQ(::stat((folder / "测试/小.exe").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0751u);
    EXPECT_EQ(stats.clonedBytes + stats.kernelCopiedBytes != 0, way.options.allowKernelCopy);
    EXPECT_EQ(stats.readWriteBytes != 0, !way.options.allowKernelCopy);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KeptBytesTable,
    ::testing::Combine(
        ::testing::Values(
            KeptCase{"worked_example", 1000, {{0, 701}}, 711},
            KeptCase{"no_blank_tail_adds_zero_byte", 1000, {{0, 1000}}, 1001},
            KeptCase{"fewer_than_ten_bytes", 9, {{0, 9}}, 0},
            KeptCase{"ten_bytes_exactly", 10, {{0, 10}}, 0},
            KeptCase{"eleven_bytes", 11, {{0, 11}}, 12},
            KeptCase{"eleven_bytes_data_first_only", 11, {{0, 1}}, 12},
            KeptCase{"length_not_multiple_of_ten", 1005, {{0, 701}}, 706},
            KeptCase{"data_byte_between_probe_pairs_kept", 1000, {{0, 101}, {705, 706}}, 711},
            KeptCase{"all_zero", 1000, {}, 0}, KeptCase{"empty_file", 0, {}, 0},
            KeptCase{"data_ends_a_block",
                     3 * kMiB + 7,
                     {{0, 9}, {2 * kMiB - 1, 2 * kMiB}},
                     2 * kMiB + 4},
            KeptCase{"data_starts_a_block",
                     3 * kMiB + 7,
                     {{0, 9}, {2 * kMiB, 2 * kMiB + 1}},
                     2 * kMiB + 4},
            KeptCase{"blank_tail_over_two_blocks", 3 * kMiB + 17, {{0, kMiB}}, kMiB + 10}),
        ::testing::Values(kDefaultWay, kKernelWay, kPlainWay)),
    [](const auto& info) {
        return std::string{std::get<0>(info.param).name} + "_" + std::get<1>(info.param).name;
    });

// The window runs the two phases apart; a source that changes between them is not cut by a stale
// plan.
TEST_F(InScratchFolder, SourceChangedAfterScanIsNotCut) {
    writeFile(folder / "app.exe", bytesWithData(1000, {{0, 701}}));
    TrimPlan plan;
    ASSERT_EQ(scanSource(folder / "app.exe", "small", plan).status, JobStatus::Done);
    writeFile(folder / "app.exe", bytesWithData(2000, {{0, 2000}}));

    JobResult result = writeTrimmed(plan);

    EXPECT_EQ(result.status, JobStatus::SourceUnreadable);
    EXPECT_EQ(result.path, folder / "app.exe");
    EXPECT_EQ(folder.names(), (Names{"app.exe"}));
}

// A source or an output that the job must refuse, in a folder that must come out of it unchanged:
// app.exe (with a hard link hard.exe and a symbolic link soft.exe), a folder taken.exe, a folder
// sub.
struct RefusalCase {
    const char* name;
    std::string sourceName;  // under the folder; "" means the empty path itself
    std::string outputName;  // as typed
    JobStatus status;        // a result names the output, and gives a reason when it is unwritable
};

class RefusalTable : public ScratchTable<RefusalCase> {};

constexpr JobStatus kMissing = JobStatus::SourceMissing;
constexpr JobStatus kSame = JobStatus::SameFile;
constexpr JobStatus kUnwritable = JobStatus::OutputUnwritable;

TEST_P(RefusalTable, ReportsAndWritesNothing) {
    const RefusalCase& row = GetParam();
    const std::string source = bytesWithData(1000, {{0, 701}});
    writeFile(folder / "app.exe", source);
    ASSERT_EQ(::link((folder / "app.exe").c_str(), (folder / "hard.exe").c_str()), 0);
    ASSERT_EQ(::symlink("app.exe", (folder / "soft.exe").c_str()), 0);
    folder.makeFolder("taken.exe");
    folder.makeFolder("sub");
    const Names before = folder.names();
    const std::string sourcePath = row.sourceName.empty() ? "" : folder / row.sourceName;

    JobResult result = trimFile(sourcePath, row.outputName);

    EXPECT_EQ(result.status, row.status) << result.reason;
    EXPECT_EQ(result.path,
              row.status == kMissing ? sourcePath : folder / (row.outputName + ".exe"));
    EXPECT_TRUE(row.status != kUnwritable || !result.reason.empty());
    EXPECT_EQ(folder.names(), before);
    EXPECT_TRUE(sameBytes(readFile(folder / "app.exe"), source));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusalTable,
    ::testing::Values(RefusalCase{"missing_source", "missing.exe", "small", kMissing},
                      RefusalCase{"source_is_a_folder", "taken.exe", "small", kMissing},
                      RefusalCase{"source_under_a_file", "app.exe/x.exe", "small", kMissing},
                      RefusalCase{"source_in_missing_folder", "no/x.exe", "small", kMissing},
                      RefusalCase{"empty_source_path", "", "small", kMissing},
                      RefusalCase{"same_spelling", "app.exe", "app", kSame},
                      RefusalCase{"dot_segment", "app.exe", "./app", kSame},
                      RefusalCase{"dot_dot_segment", "app.exe", "sub/../app", kSame},
                      RefusalCase{"hard_link", "app.exe", "hard", kSame},
                      RefusalCase{"symlink_as_output", "app.exe", "soft", kSame},
                      RefusalCase{"symlink_as_source", "soft.exe", "app", kSame},
                      RefusalCase{"output_folder_missing", "app.exe", "no/small", kUnwritable},
                      RefusalCase{"output_under_a_file", "app.exe", "app.exe/s", kUnwritable},
                      RefusalCase{"output_is_a_folder", "app.exe", "taken", kUnwritable},
                      RefusalCase{"output_name_too_long", "app.exe", std::string(300, 'a'),
                                  kUnwritable}),
    rowName);

// The status of a job run in a child process under `limit`, 98 when it names the wrong path or
// gives no reason. Run as root, the tests drop to an ordinary user for permission bits to bite.
int childStatus(const std::string& source, const std::string& expectedPath,
                const CopyWay& way = kDefaultWay, rlim_t limit = RLIM_INFINITY,
                bool asNobody = false) {
    return runInChild([&] {
        const struct rlimit fileSize { limit, limit };
        // With SIGXFSZ ignored, writing past the limit fails with EFBIG instead of killing.
        std::signal(SIGXFSZ, SIG_IGN);
        if (::setrlimit(RLIMIT_FSIZE, &fileSize) != 0 ||
            (asNobody && (::setgid(65534) != 0 || ::setuid(65534) != 0))) {
            return 99;
        }
        detail::TrimStats stats;
        JobResult result = detail::trimFile(source, "small", {}, way.options, stats);
        return result.path == expectedPath && !result.reason.empty()
                   ? static_cast<int>(result.status)
                   : 98;
    });
}

TEST_F(InScratchFolder, OrdinaryUserMeetsReadOnlyFolderAndUnreadableSource) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to switch to an ordinary user";
    }
    writeFile(folder / "app.exe", bytesWithData(1000, {{0, 701}}));
    ASSERT_EQ(::chmod((folder / "").c_str(), 0755), 0);
    EXPECT_EQ(
        childStatus(folder / "app.exe", folder / "small.exe", kDefaultWay, RLIM_INFINITY, true),
        static_cast<int>(JobStatus::OutputUnwritable));

    ASSERT_EQ(::chmod((folder / "").c_str(), 0777), 0);
    ASSERT_EQ(::chmod((folder / "app.exe").c_str(), 0), 0);
    EXPECT_EQ(childStatus(folder / "app.exe", folder / "app.exe", kDefaultWay, RLIM_INFINITY, true),
              static_cast<int>(JobStatus::SourceUnreadable));
    EXPECT_EQ(folder.names(), (Names{"app.exe"}));
}

// A full disk, made small: the child may not write past 256 KiB.
class FullDisk : public ScratchTable<CopyWay> {};

TEST_P(FullDisk, ReportsOutputUnwritableAndLeavesNothing) {
    writeFile(folder / "app.exe", bytesWithData(4 * kMiB, {{0, 3 * kMiB}}));
    writeFile(folder / "small.exe", "old output");

    EXPECT_EQ(childStatus(folder / "app.exe", folder / "small.exe", GetParam(), 256 * 1024),
              static_cast<int>(JobStatus::OutputUnwritable));
    EXPECT_EQ(folder.names(), (Names{"app.exe", "small.exe"}));
    EXPECT_EQ(readFile(folder / "small.exe"), "old output");
}

INSTANTIATE_TEST_SUITE_P(Ways, FullDisk, ::testing::Values(kDefaultWay, kPlainWay), rowName);

}  // namespace
}  // namespace velbrisk
