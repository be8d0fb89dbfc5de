// Tests of the job as a long-running task: progress, cancelling, sparse files and the copy ways.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <random>
#include <stop_token>
#include <string>
#include <vector>

#include "engine/trim.h"
#include "engine/trim_internals.h"
#include "test_files.h"

namespace velbrisk {
namespace {

using namespace testing;  // the helpers of the engine's tests
using testing::PrintTo;   // found by argument-dependent lookup only when declared here
using Names = std::set<std::string>;

detail::TrimOptions ways(bool clone, bool kernel, std::size_t blockBytes = 256 * kKiB) {
    return {clone, kernel, blockBytes, 256 * kKiB};
}

// Every progress report, checked as a whole: done and total close in on each other, never repeat
// and meet at `total`.
struct Reports {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> seen;
    JobControl control(std::stop_token stop = {}) {
        return {[this](std::uint64_t done, std::uint64_t total) { seen.emplace_back(done, total); },
                stop};
    }
    void expectRisingTo(std::uint64_t total) const {
        ASSERT_FALSE(seen.empty());
        for (std::size_t k = 0; k < seen.size(); ++k) {
            EXPECT_LE(seen[k].first, seen[k].second) << "report " << k;
            if (k > 0) {
                EXPECT_GE(seen[k].first, seen[k - 1].first) << "report " << k;
                EXPECT_LE(seen[k].second, seen[k - 1].second) << "report " << k;
                EXPECT_NE(seen[k], seen[k - 1]) << "report " << k;
            }
        }
        EXPECT_EQ(seen.back(), std::make_pair(total, total));
    }
};

TEST_F(InScratchFolder, ProgressRisesMonotonicallyAndEndsAtTotal) {
    // 3 MiB of data then a 2 MiB blank tail: 2 MiB scanned, 3 MiB and a few bytes copied.
    writeFile(folder / "app.exe", bytesWithData(5 * kMiB, {{0, 3 * kMiB}}));
    writeFile(folder / "blank.exe", std::string(3 * kMiB, '\0'));
    for (const bool plain : {false, true}) {
        SCOPED_TRACE(plain ? "read and write" : "default");
        Reports reports;
        detail::TrimStats stats;
        JobResult result = detail::trimFile(folder / "app.exe", "small", reports.control(),
                                            ways(!plain, !plain), stats);
        ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
        EXPECT_GE(reports.seen.size(), 3u) << "progress should come in steps, not only at the end";
        reports.expectRisingTo(2 * kMiB + readFile(folder / "small.exe").size());
    }
    Reports reports;
    EXPECT_EQ(trimFile(folder / "blank.exe", "small", reports.control()).status,
              JobStatus::NothingToCut);
    reports.expectRisingTo(3 * kMiB);
}

// When the job stops, and what it must leave: no temporary file, an existing output as it was. A
// stop asked for after the end changes nothing: the job's output stays.
struct CancelCase {
    const char* name;
    detail::TrimOptions options;
    // Asks for the stop once progress passes this many bytes; -1: before the job starts.
    std::int64_t stopAfter;
    // Whether the job must stop within one block of the request. A clone is one call that moves
    // progress to the end at once; the request is then met before the output is put in place.
    bool prompt;
};

class CancelTable : public ScratchTable<CancelCase> {};

TEST_P(CancelTable, StopsAndLeavesNoTrace) {
    const CancelCase& row = GetParam();
    // 8 MiB of data, then an 8 MiB blank tail: the scan covers the first 8 MiB of progress, most
    // of it read by two threads.
    const std::string source = bytesWithData(16 * kMiB, {{0, 8 * kMiB}});
    writeFile(folder / "app.exe", source);
    writeFile(folder / "small.exe", "old output");
    std::stop_source stopper;
    if (row.stopAfter < 0) {
        stopper.request_stop();
    }
    std::uint64_t lastDone = 0;
    JobControl control{[&](std::uint64_t done, std::uint64_t) {
                           lastDone = done;
                           if (row.stopAfter >= 0 && done > std::uint64_t(row.stopAfter)) {
                               stopper.request_stop();
                           }
                       },
                       stopper.get_token()};
    detail::TrimStats stats;

    JobResult result = detail::trimFile(folder / "app.exe", "small", control, row.options, stats);
    stopper.request_stop();

    const bool finished = row.stopAfter == INT64_MAX;
    const std::int64_t outputLength = findCut(16 * kMiB, 8 * kMiB - 1)->outputLength;
    EXPECT_EQ(result.status, finished ? JobStatus::Done : JobStatus::Cancelled) << result.reason;
    EXPECT_EQ(folder.names(), (Names{"app.exe", "small.exe"}));
    EXPECT_TRUE(sameBytes(readFile(folder / "app.exe"), source));
    EXPECT_TRUE(sameBytes(readFile(folder / "small.exe"),
                          finished ? keptBytes(source, outputLength) : "old output"));
    if (row.prompt && row.stopAfter >= 0) {
        // Each of the scan's two readers may finish the block it is reading.
        EXPECT_LE(lastDone, std::uint64_t(row.stopAfter + 2 * 256 * kKiB));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CancelTable,
    ::testing::Values(CancelCase{"at_start", ways(true, true), -1, true},
                      CancelCase{"mid_scan", ways(true, true), 3 * kMiB, true},
                      CancelCase{"mid_copy_kernel", ways(false, true), 12 * kMiB, true},
                      CancelCase{"mid_copy_plain", ways(false, false), 12 * kMiB, true},
                      CancelCase{"during_clone_or_copy", ways(true, true), 12 * kMiB, false},
                      CancelCase{"after_the_end", ways(true, true), INT64_MAX, false}),
    rowName);

// A long blank tail is read by two threads at once. The last data byte they find must be the one
// that one reader finds, wherever it lies against their blocks; neither may read much past it, and
// progress still rises to the end.
struct LongTailCase {
    const char* name;
    std::int64_t length;
    std::int64_t dataEnd;  // one past the last data byte; 0 for a file with none
    std::size_t blockBytes;
};

class LongTailTable : public ScratchTable<LongTailCase> {};

TEST_P(LongTailTable, FindsTheLastDataByte) {
    const LongTailCase& row = GetParam();
    Ranges data;
    if (row.dataEnd > 0) {
        data.emplace_back(std::max<std::int64_t>(0, row.dataEnd - 1000), row.dataEnd);
    }
    const std::string source = bytesWithData(row.length, data);
    writeFile(folder / "app.exe", source);
    const auto options = ways(true, true, row.blockBytes);
    Reports reports;
    TrimPlan plan;
    detail::TrimStats stats;

    const JobResult scanned =
        detail::scanSource(folder / "app.exe", "small", plan, reports.control(), options, stats);

    EXPECT_EQ(plan.lastDataOffset, row.dataEnd - 1);
    // Past the data, at most the rest of its block and the few blocks a reader may run ahead.
    EXPECT_LE(stats.scanBytesRead, std::uint64_t(row.length - row.dataEnd + 5 * row.blockBytes));
    const std::optional<Cut> expected = findCut(row.length, row.dataEnd - 1);
    ASSERT_EQ(plan.cut, expected);
    if (!expected) {
        EXPECT_EQ(scanned.status, JobStatus::NothingToCut);
        reports.expectRisingTo(std::uint64_t(row.length));
        return;
    }
    ASSERT_EQ(scanned.status, JobStatus::Done) << scanned.reason;
    ASSERT_EQ(detail::writeTrimmed(plan, reports.control(), options, stats).status,
              JobStatus::Done);
    EXPECT_TRUE(
        sameBytes(readFile(folder / "small.exe"), keptBytes(source, expected->outputLength)));
    reports.expectRisingTo(std::uint64_t(row.length - row.dataEnd + expected->outputLength));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LongTailTable,
    ::testing::Values(
        LongTailCase{"data_ends_on_a_block_edge", 10 * kMiB, 4 * kMiB, 256 * kKiB},
        LongTailCase{"data_ends_one_byte_into_a_block", 10 * kMiB + 3, 4 * kMiB + 1, 256 * kKiB},
        LongTailCase{"only_the_first_byte_is_data", 8 * kMiB, 1, 256 * kKiB},
        LongTailCase{"small_blocks_many_handovers", 9 * kMiB + 77, 2 * kMiB + 5, 4096},
        LongTailCase{"blocks_unlike_pages", 7 * kMiB, kMiB + 999, 1000},
        LongTailCase{"no_data_at_all", 9 * kMiB, 0, 256 * kKiB}),
    rowName);

// A source cut short while its long tail is read: the readers meet the new end, and the scan
// reports the source unreadable rather than a cut made from the bytes it saw.
TEST_F(InScratchFolder, SourceCutShortDuringALongScanIsUnreadable) {
    const std::string path = folder / "app.exe";
    writeFile(path, bytesWithData(16 * kMiB, {{0, kMiB}}));
    bool cutShort = false;
    const JobControl control{[&](std::uint64_t done, std::uint64_t) {
                                 if (!cutShort && done > 2 * kMiB) {
                                     cutShort = ::truncate(path.c_str(), kMiB / 2) == 0;
                                 }
                             },
                             {}};
    TrimPlan plan;
    detail::TrimStats stats;

    const JobResult scanned = detail::scanSource(path, "small", plan, control, {}, stats);

    ASSERT_TRUE(cutShort);
    EXPECT_EQ(scanned.status, JobStatus::SourceUnreadable);
    EXPECT_EQ(scanned.path, path);
    EXPECT_FALSE(scanned.reason.empty());
}

std::string readAt(const std::string& path, std::int64_t offset, std::size_t length) {
    std::string bytes(length, '\1');
    const int fd = ::open(path.c_str(), O_RDONLY);
    bytes.resize(std::size_t(std::max<ssize_t>(0, ::pread(fd, bytes.data(), length, offset))));
    ::close(fd);
    return bytes;
}

// Data at both ends of the first 4 GiB, then a blank tail of 64 MiB that is a hole: the scan
// reads only the block with the last data byte, the copy moves only the stored pieces, and the
// output is over 4 GiB long.
TEST_F(InScratchFolder, SparseFileOverFourGiBTrimmedWithoutReadingItsHoles) {
    const std::string head = bytesWithData(kMiB, {{0, kMiB}});
    const std::string far = bytesWithData(100, {{0, 100}});
    const std::int64_t farOffset = 4 * kGiB + 3 * 4096 + 7;
    const std::int64_t length = 4 * kGiB + 64 * kMiB;
    if (!writePieces(folder / "app.exe", length, {{0, head}, {farOffset, far}})) {
        GTEST_SKIP() << "this file system keeps no holes";
    }
    Reports reports;
    detail::TrimStats stats;

    JobResult result = detail::trimFile(folder / "app.exe", "small", reports.control(), {}, stats);

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_LE(stats.scanBytesRead, std::uint64_t(kMiB));
    EXPECT_LE(stats.kernelCopiedBytes + stats.readWriteBytes, std::uint64_t(2 * kMiB));
    const std::int64_t outputLength = findCut(length, farOffset + 99)->outputLength;
    const std::string output = folder / "small.exe";
    EXPECT_EQ(fs::file_size(output), std::uintmax_t(outputLength));
    EXPECT_EQ(readAt(output, 0, head.size()), head);
    EXPECT_EQ(readAt(output, 2 * kGiB, 16), std::string(16, '\0'));
    EXPECT_EQ(readAt(output, farOffset - 16, 1000),
              std::string(16, '\0') + far + std::string(outputLength - farOffset - 100, '\0'));
    reports.expectRisingTo(std::uint64_t(length - farOffset - 100 + outputLength));
}

// The probe loop as the program has always run it, with the whole probe tested: scan positions
// 10, 20, ... while the probe position L - i is at least 1; the probe covers offsets L - i - 1 to
// L - 1; the first probe that is not all zeros cuts a = i - 10 and keeps L - a + 1 bytes.
std::optional<Cut> probeLoopModel(const std::string& bytes) {
    const auto length = static_cast<std::int64_t>(bytes.size());
    for (std::int64_t i = 10; i <= length && length - i >= 1; i += 10) {
        if (bytes.find_first_not_of('\0', std::size_t(length - i - 1)) != std::string::npos) {
            return Cut{i, i - 10, length - (i - 10) + 1};
        }
    }
    return std::nullopt;
}

// Random files, mostly short, with data bytes and stored zeros anywhere but mostly in the tail,
// and holes between them, scanned with block sizes that do and do not line up with the file
// system's: the probe edges, the zero test's words, the scan's blocks and its hole walking all
// meet the model here. Every tenth cut is written too, to meet the copy's hole skipping.
TEST_F(InScratchFolder, JobMatchesTheProbeLoopOnRandomFiles) {
    std::mt19937_64 random(7031);
    const std::size_t blockSizes[] = {64, 1000, 4096, 1 << 20};
    for (int round = 0; round < 3000; ++round) {
        SCOPED_TRACE(::testing::Message() << "round " << round);
        const auto length = std::int64_t(random() % (round % 10 == 0 ? 20 * kKiB : 400));
        std::string bytes(std::size_t(length), '\0');
        Pieces pieces;
        for (int k = int(random() % 4); k > 0 && length > 0; --k) {
            const auto back = std::int64_t(random() % std::uint64_t(length));
            const auto offset = length - 1 - (random() % 2 ? back % 120 : back);
            std::string piece(
                std::size_t(std::min<std::int64_t>(length - offset, 1 + random() % 300)), '\0');
            if (random() % 4 != 0) {  // else a piece of stored zeros, as blank as a hole
                for (auto& byte : piece) {
                    byte = char(random() % 3 == 0 ? 0 : 1 + random() % 255);
                }
            }
            bytes.replace(std::size_t(offset), piece.size(), piece);
            pieces.emplace_back(offset, piece);
        }
        writePieces(folder / "app.exe", length, pieces);
        const auto options = ways(true, random() % 2, blockSizes[random() % 4]);
        TrimPlan plan;
        detail::TrimStats stats;

        const JobResult scanned =
            detail::scanSource(folder / "app.exe", "small", plan, {}, options, stats);

        const auto expected = probeLoopModel(bytes);
        ASSERT_EQ(plan.cut, expected) << "length " << length;
        ASSERT_EQ(scanned.status, expected ? JobStatus::Done : JobStatus::NothingToCut);
        if (expected && round % 10 == 0) {
            ASSERT_EQ(detail::writeTrimmed(plan, {}, options, stats).status, JobStatus::Done);
            ASSERT_TRUE(sameBytes(readFile(folder / "small.exe"),
                                  keptBytes(bytes, expected->outputLength)));
        }
    }
}

}  // namespace
}  // namespace velbrisk
