// Tests of the whole job on real files: what is kept, refusals and stops, a long blank tail.
#include "engine/tail_scan.h"
#include "test_files.h"
#include "tests/deadline.h"

namespace velbrisk::testing {
namespace {

using testing::PrintTo;  // found by argument-dependent lookup only when declared here

constexpr std::int64_t kBlock = 256 * kKiB;
// The slowest way: a named temporary, plain reads and writes in small blocks.
const detail::TrimOptions kPlainCopy{.allowClone = false, .allowKernelCopy = false,
                                     .blockBytes = 64, .kernelChunkBytes = 64,
                                     .allowUnnamedOutput = false};

// The job in a folder of app.exe, an older output small.exe, app.exe's symbolic link soft.exe, a
// folder, a pipe and a read-only output: refused before a byte is copied, stopped mid-copy, or
// done, sparse sources read and copied by the file system's word on their holes.
struct JobCase {
    const char* name;
    std::string sourceName, outputName;
    JobStatus status;    // a refused source names the source, any other the output
    std::string reason;  // the system's words, or the job's own
    std::int64_t length = 4 * kMiB;
    Runs runs = {{0, bytesWithData(3 * kMiB, {{0, 3 * kMiB}})}};
    detail::TrimOptions options = kPlainCopy;
    std::uint64_t mostBytesMoved = kMiB;  // by the scan, and by the copy of a job done
};
const std::string kNine = bytesWithData(9, {{0, 9}});
const std::string kHundred = bytesWithData(100, {{0, 100}});
const std::int64_t kPastFourGiB = 4 * (kMiB << 10) + 3 * 4096 + 7;
const JobCase kJobs[] = {
    // Opening a pipe would wait for a writer for ever.
    {"source_is_a_pipe", "pipe.exe", "small", JobStatus::SourceUnreadable, "不是普通文件"},
    {"symlink_as_output", "app.exe", "soft", JobStatus::SameFile, ""},
    {"name_of_a_folder", "app.exe", "taken", JobStatus::OutputUnwritable,
     std::system_category().message(EISDIR)},
    {"read_only_output", "app.exe", "kept", JobStatus::OutputUnwritable, "文件是只读的"},
    // The scan reports the 1 MiB blank tail, the copy the rest: a stop a third into the copy.
    {"stop_mid_copy", "app.exe", "small", JobStatus::Cancelled, ""},
    // Kept bytes that end 7 bytes into a hole, which only the output's length makes.
    {"kernel_copy", "app.exe", "small", JobStatus::Done, "", 3 * kMiB,
     {{0, kNine}, {kMiB, kNine}, {2 * kMiB - 9, kNine}},
     {.allowClone = false, .blockBytes = 64, .kernelChunkBytes = 64}},
    {"plain_copy", "app.exe", "small", JobStatus::Done, "", 3 * kMiB,
     {{0, kNine}, {kMiB, kNine}, {2 * kMiB - 9, kNine}}},
    // The run's one data byte, past a hole, in a block partly below the two readers' stretch.
    {"data_in_the_part_block_at_the_shared_stretchs_floor", "app.exe", "small", JobStatus::Done, "",
     16 * kMiB, {{3 * kMiB + 4096, '\x01' + std::string(13 * kMiB - 4097, '\0')}}, {}, 16 * kMiB},
    {"kept_exactly_past_four_gib", "app.exe", "small", JobStatus::Done, "",
     kPastFourGiB + 64 * kMiB, {{0, kHundred}, {kPastFourGiB, kHundred}}, {}},
};

// Whether `path` holds each run, up to the offset `end`.
::testing::AssertionResult holdsRuns(const std::string& path, const Runs& runs, std::int64_t end) {
    std::ifstream file(path, std::ios::binary);
    for (const auto& [offset, run] : runs) {
        std::string held(std::min<std::size_t>(run.size(), end - offset), '?');
        file.seekg(offset).read(held.data(), std::streamsize(held.size()));
        if (held != run.substr(0, held.size())) {
            return ::testing::AssertionFailure() << path << " differs at the run at " << offset;
        }
    }
    return ::testing::AssertionSuccess();
}

class JobTable : public ScratchTable<JobCase> {};

TEST_P(JobTable, KeepsTheLeadingPartOrWritesNothing) {
    const JobCase& row = GetParam();
    writeSparse(folder / "app.exe", row.length, row.runs);
    writeFile(folder / "small.exe", "old output");
    ASSERT_EQ(::symlink("app.exe", (folder / "soft.exe").c_str()), 0);
    ASSERT_EQ(::mkfifo((folder / "pipe.exe").c_str(), 0644), 0);
    folder.makeFolder("taken.exe");
    writeFile(folder / "kept.exe", "read-only output");
    ASSERT_EQ(::chmod((folder / "kept.exe").c_str(), 0444), 0);
    const Names before = folder.names();
    std::stop_source stopper;
    std::pair<std::uint64_t, std::uint64_t> last{};
    const JobControl control{[&](std::uint64_t done, std::uint64_t total) {
                                 EXPECT_GE(done, last.first);
                                 last = {done, total};
                                 if (row.status == JobStatus::Cancelled && done > 2 * kMiB) {
                                     stopper.request_stop();
                                 }
                             },
                             stopper.get_token()};
    detail::TrimStats stats;
    // Every file and folder the job opens is closed again, a batch of thousands of files long.
    const auto openFiles = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    const auto openBefore = openFiles();

    const Deadline deadline("the two readers of the shared stretch to end");
    const JobResult result = trimFile(folder / row.sourceName, row.outputName,
                                      detail::tuned(control, row.options, stats));

    EXPECT_EQ(result.status, row.status) << result.reason;
    const bool namesSource = row.status == JobStatus::SourceUnreadable;
    EXPECT_EQ(result.path, folder / (namesSource ? row.sourceName : row.outputName + ".exe"));
    EXPECT_EQ(result.reason, row.reason);
    EXPECT_EQ(folder.names(), before);
    EXPECT_EQ(openFiles(), openBefore);
    EXPECT_EQ(fs::file_size(folder / "app.exe"), std::uintmax_t(row.length));
    EXPECT_TRUE(holdsRuns(folder / "app.exe", row.runs, row.length));
    EXPECT_EQ(readFile(folder / "kept.exe"), "read-only output");
    if (row.status != JobStatus::Done) {
        EXPECT_EQ(readFile(folder / "small.exe"), "old output");
        EXPECT_LE(last.first, std::uint64_t(2 * kMiB + 128));
        return;
    }
    const auto& [lastRunAt, lastRun] = row.runs.back();
    const std::int64_t lastData = lastRunAt + std::int64_t(lastRun.find_last_not_of('\0'));
    const std::int64_t outputLength = findCut(row.length, lastData)->outputLength;
    const auto end = std::uint64_t(row.length - lastData - 1 + outputLength);
    EXPECT_EQ(last, std::make_pair(end, end));
    EXPECT_LE(stats.scanBytesRead, row.mostBytesMoved);
    EXPECT_LE(stats.kernelCopiedBytes + stats.readWriteBytes, row.mostBytesMoved);
    EXPECT_EQ(fs::file_size(folder / "small.exe"), std::uintmax_t(outputLength));
    EXPECT_TRUE(holdsRuns(folder / "small.exe", row.runs, outputLength));
}

INSTANTIATE_TEST_SUITE_P(Rows, JobTable, ::testing::ValuesIn(kJobs), rowName);

// The scan of a 16 MiB file with data up to 8 MiB, the stretch from 12 to 8 MiB read by two
// threads, through a reader that can fail one block, come short there or ask the job to stop.
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
    writeFile(folder / "app.exe", bytesWithData(16 * kMiB, {{0, 8 * kMiB}}));
    std::error_code openError;
    const os::File file = os::openRead(folder / "app.exe", openError);
    std::mutex mutex;
    std::condition_variable arrived;
    std::set<std::thread::id> readers;
    bool waited = false;
    std::stop_source stopper;
    int readsAfterStop = 0;
    const std::thread::id testThread = std::this_thread::get_id();
    const ScanRead read = [&](std::int64_t offset, std::span<std::byte> into, std::error_code& ec) {
        {
            // The first read of the shared stretch waits for the second reader, however busy.
            std::unique_lock lock(mutex);
            readers.insert(std::this_thread::get_id());
            readsAfterStop += stopper.stop_requested();
            arrived.notify_all();
            if (!waited && offset >= 8 * kMiB && offset < 12 * kMiB) {
                waited = true;
                arrived.wait_for(lock, std::chrono::seconds(2), [&] { return readers.size() > 1; });
            }
        }
        if (std::this_thread::get_id() != testThread) {
            // The second reader is the slower, so that this thread's reports move the bar.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        const bool spoiled =
            offset <= row.spoiledAt && row.spoiledAt < offset + std::int64_t(into.size());
        if (spoiled && row.spoil == Spoil::Fails) {
            // Late: the other reader, run ahead, waits on this block; only the failure wakes it.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
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
    int movesInStretch = 0;
    const JobControl control{[&](std::uint64_t done, std::uint64_t) {
                                 movesInStretch += done > 4 * kMiB && done < 8 * kMiB;
                             },
                             stopper.get_token()};
    ProgressMeter progress(control, 0, 16 * kMiB);
    detail::TrimStats stats;
    std::int64_t lastDataOffset = -1;

    const Deadline deadline("the two readers of the shared stretch to end");
    const StepResult result =
        findLastData(file, 16 * kMiB, buffer, progress, stats, lastDataOffset, read);

    EXPECT_EQ(result.status, row.status);
    EXPECT_LE(readsAfterStop, 1) << "only the other reader's block may still be read";
    if (row.status == JobStatus::Done) {
        EXPECT_EQ(lastDataOffset, 8 * kMiB - 1);
        EXPECT_EQ(readers.size(), std::thread::hardware_concurrency() > 1 ? 2u : 1u);
        EXPECT_GE(stats.scanBytesRead, 8 * kMiB);  // both readers' blocks are counted
        EXPECT_LE(stats.scanBytesRead, 8 * kMiB + 5 * kBlock);
        EXPECT_GT(movesInStretch, 0) << "the bar moves while the stretch is read";
    }
}

const LongScanCase kLongScans[] = {
    {"two_readers_share_a_long_tail", Spoil::Nothing, -1, JobStatus::Done},
    {"read_fails_in_the_shared_stretch", Spoil::Fails, 10 * kMiB, JobStatus::SourceUnreadable},
    {"short_read_of_the_last_sector", Spoil::ComesShort, 16 * kMiB - 1,
     JobStatus::SourceUnreadable},
    {"stop_in_the_shared_stretch", Spoil::AsksToStop, 11 * kMiB, JobStatus::Cancelled},
};

INSTANTIATE_TEST_SUITE_P(Rows, LongScanTable, ::testing::ValuesIn(kLongScans), rowName);

}  // namespace
}  // namespace velbrisk::testing
