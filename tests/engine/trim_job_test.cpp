// Tests of the whole job on real files: what is kept by every way of copying, the refusals, the
// progress, the stop request, and the long and sparse tails.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <future>
#include <mutex>
#include <set>
#include <stop_token>
#include <thread>
#include <tuple>

#include "engine/job_step.h"
#include "engine/tail_scan.h"
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
constexpr std::int64_t kBlock = 256 * kKiB;
const CopyWay kDefault{"default", {}};
const CopyWay kKernel{"kernel_small_blocks", {false, true, 64, 64}};
const CopyWay kPlain{"plain_small_blocks", {false, false, 64, 64, false}};

struct KeptCase {
    const char* name;
    std::int64_t length;
    Ranges data;
    std::int64_t outputLength;  // 0: nothing to cut, nothing written
    bool sparse = false;
};

// Every row runs in a folder named in Chinese, over an older output of the same name, from a source
// whose permission bits the output must take. Progress: done rises, total falls, neither repeats,
// and they meet at the blank tail the scan read plus the bytes the copy wrote.
class KeptBytesTable : public ScratchTable<std::tuple<KeptCase, CopyWay>> {};

void expectRisingTo(const std::vector<std::pair<std::uint64_t, std::uint64_t>>& seen,
                    std::int64_t total) {
    ASSERT_FALSE(seen.empty());
    for (std::size_t k = 1; k < seen.size(); ++k) {
        EXPECT_LE(seen[k].first, seen[k].second) << "report " << k;
        EXPECT_GE(seen[k].first, seen[k - 1].first) << "report " << k;
        EXPECT_LE(seen[k].second, seen[k - 1].second) << "report " << k;
        EXPECT_NE(seen[k], seen[k - 1]) << "report " << k;
    }
    EXPECT_EQ(seen.back(), std::make_pair(std::uint64_t(total), std::uint64_t(total)));
}

TEST_P(KeptBytesTable, WritesTheLeadingPartOrNothing) {
    const auto& [row, way] = GetParam();
    folder.makeFolder("测试");
    const std::string path = folder / "测试/源.exe";
    const std::string source = writeSource(path, row.length, row.data, row.sparse);
    writeFile(folder / "测试/小.exe", "old output");
    ASSERT_EQ(::chmod(path.c_str(), 0751), 0);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> seen;
    const JobControl control{[&](std::uint64_t done, std::uint64_t total) {
                                 seen.emplace_back(done, total);
                             },
                             {}};
    detail::TrimStats stats;

    JobResult result = detail::trimFile(path, "小", control, way.options, stats);

    EXPECT_TRUE(sameBytes(readFile(path), source));
    EXPECT_EQ(folder.names("测试"), (Names{"源.exe", "小.exe"}));
    const std::int64_t dataEnd = row.data.empty() ? 0 : row.data.back().second;
    expectRisingTo(seen, row.length - dataEnd + row.outputLength);
    const std::string output = readFile(folder / "测试/小.exe");
    if (row.outputLength == 0) {
        EXPECT_EQ(result.status, JobStatus::NothingToCut) << result.reason;
        EXPECT_EQ(output, "old output");
        return;
    }
    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(result.path, folder / "测试/小.exe");
    EXPECT_TRUE(sameBytes(output, keptBytes(source, row.outputLength)));
    struct stat st {};
    ASSERT_EQ(::stat((folder / "测试/小.exe").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0751u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KeptBytesTable,
    ::testing::Combine(
        ::testing::Values(
            KeptCase{"worked_example", 1000, {{0, 701}}, 711},
            KeptCase{"no_blank_tail_adds_a_zero_byte", 1000, {{0, 1000}}, 1001},
            KeptCase{"all_zero", 1000, {}, 0},
            KeptCase{"data_ends_a_block", 3 * kMiB + 7, {{0, 9}, {2 * kMiB - 1, 2 * kMiB}},
                     2 * kMiB + 4},
            KeptCase{"sparse_holes_inside", 3 * kMiB,
                     {{0, 9}, {kMiB, kMiB + 9}, {2 * kMiB, 2 * kMiB + 1}}, 2 * kMiB + 7, true},
            // The kept bytes end ten bytes into a hole, which only the output's length makes.
            KeptCase{"hole_at_the_end_of_the_kept_bytes", kMiB + 1, {{0, 64 * kKiB}},
                     64 * kKiB + 2, true}),
        ::testing::Values(kDefault, kKernel, kPlain)),
    [](const auto& info) {
        return std::string{std::get<0>(info.param).name} + "_" + std::get<1>(info.param).name;
    });

// Refused before a byte is copied, in a folder that must come out of it unchanged: app.exe with a
// hard link hard.exe and a symbolic link soft.exe, a folder taken.exe.
struct RefusalCase {
    const char* name;
    std::string sourceName;  // "" means the empty path itself
    std::string outputName;
    JobStatus status;  // a missing source names the source, any other the output
    int error = 0;     // the system's reason, where it gives one
};

class RefusalTable : public ScratchTable<RefusalCase> {};

TEST_P(RefusalTable, ReportsAndWritesNothing) {
    const RefusalCase& row = GetParam();
    const std::string source = writeSource(folder / "app.exe", 4 * kMiB, {{0, 3 * kMiB}});
    ASSERT_EQ(::link((folder / "app.exe").c_str(), (folder / "hard.exe").c_str()), 0);
    ASSERT_EQ(::symlink("app.exe", (folder / "soft.exe").c_str()), 0);
    folder.makeFolder("taken.exe");
    const Names before = folder.names();
    const std::string sourcePath = row.sourceName.empty() ? "" : folder / row.sourceName;
    detail::TrimStats stats;

    JobResult result = detail::trimFile(sourcePath, row.outputName, {}, {}, stats);

    EXPECT_EQ(result.status, row.status) << result.reason;
    const bool namesSource = row.status == JobStatus::SourceMissing;
    EXPECT_EQ(result.path, namesSource ? sourcePath : folder / (row.outputName + ".exe"));
    EXPECT_EQ(result.reason, row.error ? std::system_category().message(row.error) : "");
    EXPECT_EQ(stats.clonedBytes + stats.kernelCopiedBytes + stats.readWriteBytes, 0u);
    EXPECT_EQ(folder.names(), before);
    EXPECT_TRUE(sameBytes(readFile(folder / "app.exe"), source));
}

constexpr JobStatus kMissing = JobStatus::SourceMissing;
constexpr JobStatus kSame = JobStatus::SameFile;
constexpr JobStatus kUnwritable = JobStatus::OutputUnwritable;

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusalTable,
    ::testing::Values(
        RefusalCase{"missing_source", "missing.exe", "small", kMissing, ENOENT},
        RefusalCase{"source_is_a_folder", "taken.exe", "small", kMissing},
        RefusalCase{"empty_source_path", "", "small", kMissing},
        RefusalCase{"same_spelling", "app.exe", "app", kSame},
        RefusalCase{"dot_dot_segment", "app.exe", "taken.exe/../app", kSame},
        RefusalCase{"hard_link", "app.exe", "hard", kSame},
        RefusalCase{"symlink_as_output", "app.exe", "soft", kSame},
        RefusalCase{"symlink_as_source", "soft.exe", "app", kSame},
        RefusalCase{"name_of_300_bytes", "app.exe", std::string(300, 'a'), kUnwritable,
                    ENAMETOOLONG},
        RefusalCase{"name_of_a_folder", "app.exe", "taken", kUnwritable, EISDIR},
        RefusalCase{"folder_missing", "app.exe", "no/small", kUnwritable, ENOENT},
        RefusalCase{"folder_is_a_file", "app.exe", "app.exe/small", kUnwritable, ENOTDIR}),
    rowName);

// A stop request: the job ends within a block or two of it and leaves no trace, an older output
// as it was. 16 MiB with data up to 8 MiB: the copy is the second half of the progress.
struct CancelCase {
    const char* name;
    detail::TrimOptions options;
    std::int64_t stopAfter;  // progress that asks for the stop; -1: at once
};

class CancelTable : public ScratchTable<CancelCase> {};

TEST_P(CancelTable, StopsSoonAndLeavesNoTrace) {
    const CancelCase& row = GetParam();
    writeSource(folder / "app.exe", 16 * kMiB, {{0, 8 * kMiB}});
    writeFile(folder / "small.exe", "old output");
    std::stop_source stopper;
    if (row.stopAfter < 0) {
        stopper.request_stop();
    }
    std::uint64_t lastDone = 0;
    const JobControl control{[&](std::uint64_t done, std::uint64_t) {
                                 lastDone = done;
                                 if (done > std::uint64_t(row.stopAfter)) {
                                     stopper.request_stop();
                                 }
                             },
                             stopper.get_token()};
    detail::TrimStats stats;

    JobResult result = detail::trimFile(folder / "app.exe", "small", control, row.options, stats);

    EXPECT_EQ(result.status, JobStatus::Cancelled) << result.reason;
    EXPECT_EQ(folder.names(), (Names{"app.exe", "small.exe"}));
    EXPECT_EQ(readFile(folder / "small.exe"), "old output");
    // A clone or a shared read may finish a few blocks at once.
    EXPECT_LE(lastDone, std::uint64_t(std::max<std::int64_t>(row.stopAfter, 0)) + 6 * kBlock);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CancelTable,
    ::testing::Values(
        CancelCase{"at_start", {}, -1},
        CancelCase{"mid_copy_kernel", {false, true, kBlock, kBlock}, 12 * kMiB},
        CancelCase{"mid_copy_plain_named_output", {false, false, kBlock, kBlock, false}, 12 * kMiB}),
    rowName);

// The tail scan itself over a long blank tail, read through a reader that can fail one block,
// come short there or ask the job to stop: 16 MiB with data up to 8 MiB, the stretch from 12 to
// 8 MiB read by two threads.
enum class Spoil { Nothing, Fails, ComesShort, AsksToStop };

struct LongScanCase {
    const char* name;
    Spoil spoil;
    std::int64_t spoiledAt;  // the read that covers this offset is spoiled
    JobStatus status;
};

class LongScanTable : public ScratchTable<LongScanCase> {};

TEST_P(LongScanTable, FindsTheLastDataByteOrFails) {
    const LongScanCase& row = GetParam();
    writeSource(folder / "app.exe", 16 * kMiB, {{0, 8 * kMiB}});
    std::error_code openError;
    const os::File file = os::openRead(folder / "app.exe", openError);
    std::mutex mutex;
    std::condition_variable arrived;
    std::set<std::thread::id> readers;
    bool waited = false;
    std::stop_source stopper;
    int readsAfterStop = 0;
    const ScanRead read = [&](std::int64_t offset, std::span<std::byte> into, std::error_code& ec) {
        {
            // The first read of the shared stretch waits a while for the second reader, so that
            // both read there however busy the machine is.
            std::unique_lock lock(mutex);
            readers.insert(std::this_thread::get_id());
            readsAfterStop += stopper.stop_requested();
            arrived.notify_all();
            if (!waited && offset >= 8 * kMiB && offset < 12 * kMiB) {
                waited = true;
                arrived.wait_for(lock, std::chrono::seconds(2), [&] { return readers.size() > 1; });
            }
        }
        const bool spoiled =
            offset <= row.spoiledAt && row.spoiledAt < offset + std::int64_t(into.size());
        if (spoiled && row.spoil == Spoil::Fails) {
            ec = std::make_error_code(std::errc::io_error);
            return std::size_t{0};
        }
        if (spoiled && row.spoil == Spoil::AsksToStop) {
            stopper.request_stop();
        }
        const bool comesShort = spoiled && row.spoil == Spoil::ComesShort;
        return os::readAt(file, offset, into.data(), into.size() / (comesShort ? 2 : 1), ec);
    };
    std::vector<std::byte> buffer(kBlock);
    const JobControl control{{}, stopper.get_token()};
    ProgressMeter progress(control, 0, 16 * kMiB);
    detail::TrimStats stats;
    std::int64_t lastDataOffset = -1;

    // A reader that misses its partner's end would wait for ever: the scan gets a deadline.
    std::packaged_task<StepResult()> scan(
        [&] { return findLastData(file, 16 * kMiB, buffer, progress, stats, lastDataOffset, read); });
    std::future<StepResult> scanned = scan.get_future();
    std::thread(std::move(scan)).detach();
    if (scanned.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        std::fprintf(stderr, "%s: the scan's readers still wait for each other after 20 s\n",
                     row.name);
        std::_Exit(1);
    }
    const StepResult result = scanned.get();

    EXPECT_EQ(result.status, row.status);
    EXPECT_LE(readsAfterStop, 1) << "only the other reader's block may still be read";
    if (row.status == JobStatus::Done) {
        EXPECT_EQ(lastDataOffset, 8 * kMiB - 1);
        EXPECT_EQ(readers.size(), std::thread::hardware_concurrency() > 1 ? 2u : 1u);
        EXPECT_LE(stats.scanBytesRead, 8 * kMiB + 5 * kBlock);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LongScanTable,
    ::testing::Values(
        LongScanCase{"two_readers_share_a_long_tail", Spoil::Nothing, -1, JobStatus::Done},
        LongScanCase{"read_fails_in_the_shared_stretch", Spoil::Fails, 10 * kMiB,
                     JobStatus::SourceUnreadable},
        LongScanCase{"short_read_in_the_shared_stretch", Spoil::ComesShort, 11 * kMiB,
                     JobStatus::SourceUnreadable},
        LongScanCase{"short_read_of_the_last_sector", Spoil::ComesShort, 16 * kMiB - 1,
                     JobStatus::SourceUnreadable},
        LongScanCase{"stop_in_the_shared_stretch", Spoil::AsksToStop, 11 * kMiB,
                     JobStatus::Cancelled}),
    rowName);

// Data at both ends of the first 4 GiB, then a blank tail of 64 MiB that is a hole: the scan
// reads only the block with the last data byte, the copy moves only the stored pieces.
TEST_F(InScratchFolder, SparseFileOverFourGiBTrimmedWithoutReadingItsHoles) {
    const std::int64_t farOffset = 4 * kGiB + 3 * 4096 + 7;
    const std::int64_t length = 4 * kGiB + 64 * kMiB;
    const std::string far = bytesWithData(100, {{0, 100}});
    if (!writePieces(folder / "app.exe", length, {{0, far}, {farOffset, far}})) {
        GTEST_SKIP() << "this file system keeps no holes";
    }
    detail::TrimStats stats;

    JobResult result = detail::trimFile(folder / "app.exe", "small", {}, {}, stats);

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_LE(stats.scanBytesRead, std::uint64_t(kMiB));
    EXPECT_LE(stats.kernelCopiedBytes + stats.readWriteBytes, std::uint64_t(kMiB));
    const std::int64_t outputLength = findCut(length, farOffset + 99)->outputLength;
    EXPECT_EQ(fs::file_size(utf8Path(folder / "small.exe")), std::uintmax_t(outputLength));
    std::ifstream output(utf8Path(folder / "small.exe"), std::ios::binary);
    std::string tail(120, '\1');
    output.seekg(farOffset - 10).read(tail.data(), 120);
    EXPECT_EQ(tail.substr(0, std::size_t(output.gcount())),
              std::string(10, '\0') + far + std::string(outputLength - farOffset - 100, '\0'));
}

}  // namespace
}  // namespace velbrisk
