// Tests of the whole job on real files: what is kept, and every refusal and failure.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/trim.h"
#include "engine/trim_internals.h"
#include "test_files.h"

namespace velbrisk {
namespace {

using testing::PrintTo;

using testing::bytesWithData;
using testing::readFile;
using testing::runInChild;
using testing::ScratchFolder;
using testing::writeFile;

constexpr std::int64_t kMiB = 1 << 20;

// What the job should write: the source's first bytes, and past its end zeros.
std::string expectedOutput(const std::string& source, std::int64_t outputLength) {
    std::string kept = source.substr(0, static_cast<std::size_t>(outputLength));
    kept.resize(static_cast<std::size_t>(outputLength), '\0');
    return kept;
}

struct KeptCase {
    const char* name;
    std::int64_t length;
    std::vector<std::pair<std::int64_t, std::int64_t>> data;  // [from, to) ranges of data
    JobStatus status;
    std::int64_t outputLength;  // when Done
};

struct CopyWay {
    const char* name;
    detail::TrimOptions options;
};

const CopyWay kDefaultWay{"default", {}};
const CopyWay kPlainWay{"plain_small_blocks", {false, false, 64, 64}};

class KeptBytesTable : public ::testing::TestWithParam<std::tuple<KeptCase, CopyWay>> {};

TEST_P(KeptBytesTable, WritesTheLeadingPartOrNothing) {
    const auto& [row, way] = GetParam();
    ScratchFolder folder;
    std::string source(static_cast<std::size_t>(row.length), '\0');
    for (auto [from, to] : row.data) {
        for (std::int64_t k = from; k < to; ++k) {
            source[static_cast<std::size_t>(k)] = static_cast<char>(1 + k % 251);
        }
    }
    const std::string sourcePath = folder / "app.exe";
    writeFile(sourcePath, source);

    detail::TrimStats stats;
    JobResult result = detail::trimFile(sourcePath, "small", {}, way.options, stats);

    ASSERT_EQ(result.status, row.status) << result.reason;
    EXPECT_EQ(readFile(sourcePath), source) << "the source must stay as it was";
    if (row.status == JobStatus::Done) {
        EXPECT_EQ(result.path, folder / "small.exe");
        const std::string output = readFile(folder / "small.exe");
        ASSERT_EQ(static_cast<std::int64_t>(output.size()), row.outputLength);
        EXPECT_EQ(output, expectedOutput(source, row.outputLength));
        EXPECT_EQ(folder.names(), (std::set<std::string>{"app.exe", "small.exe"}));
    } else {
        EXPECT_EQ(folder.names(), (std::set<std::string>{"app.exe"}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KeptBytesTable,
    ::testing::Combine(
        ::testing::Values(
            KeptCase{"worked_example", 1000, {{0, 701}}, JobStatus::Done, 711},
            KeptCase{"no_blank_tail_adds_zero_byte", 1000, {{0, 1000}}, JobStatus::Done, 1001},
            KeptCase{"fewer_than_ten_bytes", 9, {{0, 9}}, JobStatus::NothingToCut, 0},
            KeptCase{"ten_bytes_exactly", 10, {{0, 10}}, JobStatus::NothingToCut, 0},
            KeptCase{"eleven_bytes", 11, {{0, 11}}, JobStatus::Done, 12},
            KeptCase{"eleven_bytes_data_first_only", 11, {{0, 1}}, JobStatus::Done, 12},
            KeptCase{"length_not_multiple_of_ten", 1005, {{0, 701}}, JobStatus::Done, 706},
            KeptCase{"data_byte_between_probe_pairs_kept",
                     1000,
                     {{0, 101}, {705, 706}},
                     JobStatus::Done,
                     711},
            KeptCase{"all_zero", 1000, {}, JobStatus::NothingToCut, 0},
            KeptCase{"empty_file", 0, {}, JobStatus::NothingToCut, 0},
            KeptCase{"last_probe_position_one", 31, {{0, 1}}, JobStatus::Done, 12},
            KeptCase{"data_too_near_start_of_tail", 25, {{0, 4}}, JobStatus::NothingToCut, 0},
            KeptCase{"data_ends_at_block_end",
                     3 * kMiB + 17,
                     {{0, 100}, {2 * kMiB - 1, 2 * kMiB}},
                     JobStatus::Done,
                     2097156},
            KeptCase{"data_starts_a_block",
                     3 * kMiB + 17,
                     {{0, 100}, {2 * kMiB, 2 * kMiB + 1}},
                     JobStatus::Done,
                     2097156},
            KeptCase{"blank_tail_over_two_blocks",
                     3 * kMiB + 17,
                     {{0, kMiB}},
                     JobStatus::Done,
                     1048586}),
        ::testing::Values(kDefaultWay, kPlainWay)),
    [](const auto& info) {
        return std::string{std::get<0>(info.param).name} + "_" + std::get<1>(info.param).name;
    });

TEST(TrimFile, ReplacesLongerOutputWhole) {
    ScratchFolder folder;
    const std::string source = bytesWithData(1000, {{0, 701}});
    writeFile(folder / "app.exe", source);
    writeFile(folder / "small.exe", std::string(5000, '\xff'));

    JobResult result = trimFile(folder / "app.exe", "small");

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(readFile(folder / "small.exe"), expectedOutput(source, 711));
    EXPECT_EQ(folder.names(), (std::set<std::string>{"app.exe", "small.exe"}));
}

TEST(TrimFile, OutputTakesSourcePermissions) {
    ScratchFolder folder;
    writeFile(folder / "app.exe", bytesWithData(100, {{0, 50}}));
    ASSERT_EQ(::chmod((folder / "app.exe").c_str(), 0751), 0);

    ASSERT_EQ(trimFile(folder / "app.exe", "small").status, JobStatus::Done);

    struct stat st {};
    ASSERT_EQ(::stat((folder / "small.exe").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0751u);
}

TEST(TrimFile, WorksInUtf8Folder) {
    ScratchFolder folder;
    testing::fs::create_directory(folder.path() / "测试");
    const std::string source = bytesWithData(1000, {{0, 701}});
    writeFile(folder / "测试/源程序.exe", source);

    JobResult result = trimFile(folder / "测试/源程序.exe", "小");

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(result.path, folder / "测试/小.exe");
    EXPECT_EQ(readFile(folder / "测试/小.exe"), expectedOutput(source, 711));
}

// Backslash is an ordinary character of a name here: the output goes beside the source.
TEST(TrimFile, BackslashInSourceNameIsNoFolder) {
    ScratchFolder folder;
    writeFile(folder / "a\\b.exe", bytesWithData(100, {{0, 50}}));

    JobResult result = trimFile(folder / "a\\b.exe", "small");

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(folder.names(), (std::set<std::string>{"a\\b.exe", "small.exe"}));
}

// The window runs the two phases apart; a source that changes between them is not cut by a stale
// plan.
TEST(TrimFile, SourceChangedAfterScanIsNotCut) {
    ScratchFolder folder;
    writeFile(folder / "app.exe", bytesWithData(1000, {{0, 701}}));
    TrimPlan plan;
    ASSERT_EQ(scanSource(folder / "app.exe", "small", plan).status, JobStatus::Done);
    writeFile(folder / "app.exe", bytesWithData(2000, {{0, 2000}}));

    JobResult result = writeTrimmed(plan);

    EXPECT_EQ(result.status, JobStatus::SourceUnreadable);
    EXPECT_EQ(result.path, folder / "app.exe");
    EXPECT_EQ(folder.names(), (std::set<std::string>{"app.exe"}));
}

struct SourceCase {
    const char* name;
    const char* relativePath;  // under the scratch folder; "" means the empty path itself
};

class MissingSourceTable : public ::testing::TestWithParam<SourceCase> {};

TEST_P(MissingSourceTable, ReportsSourceMissingAndCreatesNothing) {
    ScratchFolder folder;
    testing::fs::create_directory(folder.path() / "folder.exe");
    writeFile(folder / "plain.bin", "data");
    const std::set<std::string> before = folder.names();
    const std::string path =
        *GetParam().relativePath ? folder / GetParam().relativePath : std::string{};

    JobResult result = trimFile(path, "small");

    EXPECT_EQ(result.status, JobStatus::SourceMissing);
    EXPECT_EQ(result.path, path);
    EXPECT_EQ(folder.names(), before);
}

INSTANTIATE_TEST_SUITE_P(Rows, MissingSourceTable,
                         ::testing::Values(SourceCase{"no_such_file", "missing.exe"},
                                           SourceCase{"folder", "folder.exe"},
                                           SourceCase{"under_a_regular_file", "plain.bin/x.exe"},
                                           SourceCase{"in_missing_folder", "nowhere/x.exe"},
                                           SourceCase{"empty_path", ""}),
                         [](const auto& info) { return std::string{info.param.name}; });

struct SameFileCase {
    const char* name;
    const char* sourceName;  // the source, as the job is given it
    const char* outputName;  // as typed
};

class SameFileTable : public ::testing::TestWithParam<SameFileCase> {};

TEST_P(SameFileTable, RefusesAndWritesNothing) {
    ScratchFolder folder;
    const std::string source = bytesWithData(1000, {{0, 701}});
    writeFile(folder / "app.exe", source);
    ASSERT_EQ(::link((folder / "app.exe").c_str(), (folder / "hard.exe").c_str()), 0);
    ASSERT_EQ(::symlink("app.exe", (folder / "soft.exe").c_str()), 0);
    testing::fs::create_directory(folder.path() / "sub");
    const std::set<std::string> before = folder.names();

    JobResult result = trimFile(folder / GetParam().sourceName, GetParam().outputName);

    EXPECT_EQ(result.status, JobStatus::SameFile);
    EXPECT_EQ(folder.names(), before);
    EXPECT_EQ(readFile(folder / "app.exe"), source);
}

INSTANTIATE_TEST_SUITE_P(Rows, SameFileTable,
                         ::testing::Values(SameFileCase{"same_spelling", "app.exe", "app"},
                                           SameFileCase{"dot_segment", "app.exe", "./app"},
                                           SameFileCase{"dot_dot_segment", "app.exe", "sub/../app"},
                                           SameFileCase{"hard_link", "app.exe", "hard"},
                                           SameFileCase{"symlink_as_output", "app.exe", "soft"},
                                           SameFileCase{"symlink_as_source", "soft.exe", "app"}),
                         [](const auto& info) { return std::string{info.param.name}; });

// The output's folder is the source's, so a bad place comes from the typed name.
struct UnwritableCase {
    const char* name;
    const char* outputName;
};

class UnwritableOutputTable : public ::testing::TestWithParam<UnwritableCase> {};

TEST_P(UnwritableOutputTable, ReportsOutputPathAndLeavesNothing) {
    ScratchFolder folder;
    writeFile(folder / "app.exe", bytesWithData(1000, {{0, 701}}));
    testing::fs::create_directory(folder.path() / "taken.exe");
    const std::set<std::string> before = folder.names();

    JobResult result = trimFile(folder / "app.exe", GetParam().outputName);

    EXPECT_EQ(result.status, JobStatus::OutputUnwritable);
    EXPECT_EQ(result.path, folder / (std::string{GetParam().outputName} + ".exe"));
    EXPECT_FALSE(result.reason.empty());
    EXPECT_EQ(folder.names(), before);
}

INSTANTIATE_TEST_SUITE_P(Rows, UnwritableOutputTable,
                         ::testing::Values(UnwritableCase{"missing_folder", "nowhere/small"},
                                           UnwritableCase{"under_a_regular_file", "app.exe/small"},
                                           UnwritableCase{"output_is_a_folder", "taken"},
                                           UnwritableCase{
                                               "name_too_long",
                                               "a-name-far-longer-than-any-file-system-"
                                               "allows-for-one-name-aaaaaaaaaaaaaaaaaaaaaaaaaa"
                                               "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
                                               "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
                                               "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
                                               "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}),
                         [](const auto& info) { return std::string{info.param.name}; });

// Tests run as root, for whom permission bits do not bite; these drop to an ordinary user in a
// child process, so that a read-only folder and an unreadable source refuse as they would for
// anyone else.
class AsOrdinaryUser : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root to switch to an ordinary user";
        }
        // The scratch folder is private to root; the ordinary user must reach into it.
        ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    }

    int runAsNobody(const std::function<int()>& body) {
        return runInChild([&] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
                return 99;
            }
            return body();
        });
    }

    ScratchFolder folder;
};

TEST_F(AsOrdinaryUser, ReadOnlyFolderReportsOutputUnwritable) {
    writeFile(folder / "app.exe", bytesWithData(1000, {{0, 701}}));
    ASSERT_EQ(::chmod((folder / "app.exe").c_str(), 0644), 0);
    const std::set<std::string> before = folder.names();

    const int status = runAsNobody([&] {
        JobResult result = trimFile(folder / "app.exe", "small");
        return result.path == folder / "small.exe" && !result.reason.empty()
                   ? static_cast<int>(result.status)
                   : 98;
    });

    EXPECT_EQ(status, static_cast<int>(JobStatus::OutputUnwritable));
    EXPECT_EQ(folder.names(), before);
}

TEST_F(AsOrdinaryUser, UnreadableSourceReportsSourceUnreadable) {
    writeFile(folder / "app.exe", bytesWithData(1000, {{0, 701}}));
    ASSERT_EQ(::chmod((folder / "app.exe").c_str(), 0), 0);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
    const std::set<std::string> before = folder.names();

    const int status = runAsNobody([&] {
        JobResult result = trimFile(folder / "app.exe", "small");
        return result.path == folder / "app.exe" && !result.reason.empty()
                   ? static_cast<int>(result.status)
                   : 98;
    });

    EXPECT_EQ(status, static_cast<int>(JobStatus::SourceUnreadable));
    EXPECT_EQ(folder.names(), before);
}

// A full disk, made small: the child may not write past 256 KiB, and with SIGXFSZ ignored the
// write fails with EFBIG instead of killing it.
class FullDisk : public ::testing::TestWithParam<CopyWay> {};

TEST_P(FullDisk, ReportsOutputUnwritableAndLeavesNothing) {
    ScratchFolder folder;
    writeFile(folder / "app.exe", bytesWithData(4 * kMiB, {{0, 3 * kMiB}}));
    writeFile(folder / "small.exe", "old output");
    const std::set<std::string> before = folder.names();
    const detail::TrimOptions options = GetParam().options;

    const int status = runInChild([&] {
        struct rlimit limit {
            256 * 1024, 256 * 1024
        };
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            return 99;
        }
        std::signal(SIGXFSZ, SIG_IGN);
        detail::TrimStats stats;
        JobResult result = detail::trimFile(folder / "app.exe", "small", {}, options, stats);
        return result.path == folder / "small.exe" && !result.reason.empty()
                   ? static_cast<int>(result.status)
                   : 98;
    });

    EXPECT_EQ(status, static_cast<int>(JobStatus::OutputUnwritable));
    EXPECT_EQ(folder.names(), before);
    EXPECT_EQ(readFile(folder / "small.exe"), "old output");
}

INSTANTIATE_TEST_SUITE_P(Ways, FullDisk, ::testing::Values(kDefaultWay, kPlainWay),
                         [](const auto& info) { return std::string{info.param.name}; });

}  // namespace
}  // namespace velbrisk
