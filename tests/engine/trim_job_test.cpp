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

using testing::PrintTo;

using testing::bytesWithData;
using testing::readFile;
using testing::ScratchFolder;
using testing::writeFile;

constexpr std::int64_t kKiB = 1 << 10;
constexpr std::int64_t kMiB = 1 << 20;
constexpr std::int64_t kGiB = std::int64_t{1} << 30;

struct Report {
    std::uint64_t done;
    std::uint64_t total;
};

JobControl recording(std::vector<Report>& reports, std::stop_token stop = {}) {
    return {[&reports](std::uint64_t done, std::uint64_t total) {
                reports.push_back({done, total});
            },
            stop};
}

TEST(Progress, RisesMonotonicallyAndEndsAtTotal) {
    ScratchFolder folder;
    // 3 MiB of data then a 2 MiB blank tail: 2 MiB scanned, 3 MiB and a few bytes copied.
    writeFile(folder / "app.exe", bytesWithData(5 * kMiB, {{0, 3 * kMiB}}));
    for (const bool plain : {false, true}) {
        SCOPED_TRACE(plain ? "read and write" : "default");
        std::vector<Report> reports;
        detail::TrimOptions options;
        options.allowClone = options.allowKernelCopy = !plain;
        options.blockBytes = 256 * kKiB;
        options.kernelChunkBytes = 256 * kKiB;
        detail::TrimStats stats;

        JobResult result =
            detail::trimFile(folder / "app.exe", "small", recording(reports), options, stats);

        ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
        ASSERT_GE(reports.size(), 3u) << "progress should come in steps, not only at the end";
        for (std::size_t k = 0; k < reports.size(); ++k) {
            EXPECT_LE(reports[k].done, reports[k].total) << "report " << k;
            if (k > 0) {
                EXPECT_GE(reports[k].done, reports[k - 1].done) << "report " << k;
                EXPECT_LE(reports[k].total, reports[k - 1].total) << "report " << k;
                EXPECT_TRUE(reports[k].done != reports[k - 1].done ||
                            reports[k].total != reports[k - 1].total)
                    << "report " << k << " repeats the one before";
            }
        }
        const std::uint64_t blankTail = 2 * kMiB;
        const std::uint64_t outputLength = readFile(folder / "small.exe").size();
        EXPECT_EQ(reports.back().done, reports.back().total);
        EXPECT_EQ(reports.back().total, blankTail + outputLength);
    }
}

TEST(Progress, NothingToCutEndsAtTotal) {
    ScratchFolder folder;
    writeFile(folder / "app.exe", std::string(3 * kMiB, '\0'));
    std::vector<Report> reports;

    EXPECT_EQ(trimFile(folder / "app.exe", "small", recording(reports)).status,
              JobStatus::NothingToCut);

    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().done, reports.back().total);
    EXPECT_EQ(reports.back().total, 3u * kMiB);
}

// When the job stops, and what it must leave: no temporary file, an existing output as it was.
struct CancelCase {
    const char* name;
    bool allowClone;
    bool allowKernelCopy;
    // Asks for the stop once progress passes this many bytes; -1: before the job starts.
    std::int64_t stopAfter;
    // Whether the job must stop within one block of the request. A clone is one call that moves
    // progress to the end at once; the request is then met before the output is put in place.
    bool prompt;
};

class CancelTable : public ::testing::TestWithParam<CancelCase> {};

TEST_P(CancelTable, StopsAndLeavesNoTrace) {
    const CancelCase& row = GetParam();
    ScratchFolder folder;
    // 8 MiB of data, then a 4 MiB blank tail: the scan covers the first 4 MiB of progress.
    const std::string source = bytesWithData(12 * kMiB, {{0, 8 * kMiB}});
    writeFile(folder / "app.exe", source);
    writeFile(folder / "small.exe", "old output");
    std::stop_source stopper;
    if (row.stopAfter < 0) {
        stopper.request_stop();
    }
    std::uint64_t lastDone = 0;
    JobControl control{
        [&](std::uint64_t done, std::uint64_t) {
            lastDone = done;
            if (row.stopAfter >= 0 && done > static_cast<std::uint64_t>(row.stopAfter)) {
                stopper.request_stop();
            }
        },
        stopper.get_token()};
    detail::TrimOptions options;
    options.allowClone = row.allowClone;
    options.allowKernelCopy = row.allowKernelCopy;
    options.blockBytes = 256 * kKiB;
    options.kernelChunkBytes = 256 * kKiB;
    detail::TrimStats stats;

    JobResult result = detail::trimFile(folder / "app.exe", "small", control, options, stats);

    EXPECT_EQ(result.status, JobStatus::Cancelled) << result.reason;
    EXPECT_EQ(folder.names(), (std::set<std::string>{"app.exe", "small.exe"}));
    EXPECT_EQ(readFile(folder / "app.exe"), source);
    EXPECT_EQ(readFile(folder / "small.exe"), "old output");
    if (row.prompt && row.stopAfter >= 0) {
        EXPECT_LE(lastDone, static_cast<std::uint64_t>(row.stopAfter) + 256 * kKiB);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CancelTable,
    ::testing::Values(CancelCase{"at_start", true, true, -1, true},
                      CancelCase{"mid_scan", true, true, 1 * kMiB, true},
                      CancelCase{"mid_copy_kernel", false, true, 6 * kMiB, true},
                      CancelCase{"mid_copy_plain", false, false, 6 * kMiB, true},
                      CancelCase{"during_clone_or_copy", true, true, 6 * kMiB, false}),
    [](const auto& info) { return std::string{info.param.name}; });

TEST(Cancel, AfterTheEndChangesNothing) {
    ScratchFolder folder;
    const std::string source = bytesWithData(1000, {{0, 701}});
    writeFile(folder / "app.exe", source);
    std::stop_source stopper;

    ASSERT_EQ(trimFile(folder / "app.exe", "small", {{}, stopper.get_token()}).status,
              JobStatus::Done);
    stopper.request_stop();

    EXPECT_EQ(readFile(folder / "small.exe"), source.substr(0, 711));
    EXPECT_EQ(folder.names(), (std::set<std::string>{"app.exe", "small.exe"}));
}

// Writes a file of `length` bytes whose only stored parts are `pieces`; the rest is left to the
// file system, which keeps it as holes where it can.
bool writePieces(const std::string& path, std::int64_t length,
                 const std::vector<std::pair<std::int64_t, std::string>>& pieces) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return false;
    }
    bool written = ::ftruncate(fd, length) == 0;
    for (const auto& [offset, bytes] : pieces) {
        written = written && ::pwrite(fd, bytes.data(), bytes.size(), offset) ==
                                 static_cast<ssize_t>(bytes.size());
    }
    return ::close(fd) == 0 && written;
}

// Whether the file takes far less room on the disk than its length: it has holes.
bool hasHoles(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && st.st_blocks * 512 < st.st_size / 2;
}

std::string readAt(const std::string& path, std::int64_t offset, std::size_t length) {
    std::string bytes(length, '\0');
    const int fd = ::open(path.c_str(), O_RDONLY);
    const ssize_t got = ::pread(fd, bytes.data(), length, offset);
    ::close(fd);
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return bytes;
}

TEST(Sparse, HoleTailIsNotRead) {
    ScratchFolder folder;
    const std::string data = bytesWithData(4 * kMiB, {{0, 4 * kMiB}});
    const std::string sourcePath = folder / "app.exe";
    ASSERT_TRUE(writePieces(sourcePath, 4 * kMiB + 4 * kGiB, {{0, data}}));
    if (!hasHoles(sourcePath)) {
        GTEST_SKIP() << "this file system keeps no holes";
    }
    detail::TrimStats stats;
    std::vector<Report> reports;

    JobResult result = detail::trimFile(sourcePath, "small", recording(reports), {}, stats);

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    // Only the block that holds the last data byte is read.
    EXPECT_LE(stats.scanBytesRead, static_cast<std::uint64_t>(kMiB));
    const std::string output = readFile(folder / "small.exe");
    const auto cut = findCut(4 * kMiB + 4 * kGiB, 4 * kMiB - 1);
    ASSERT_TRUE(cut.has_value());
    ASSERT_EQ(static_cast<std::int64_t>(output.size()), cut->outputLength);
    EXPECT_EQ(output.substr(0, data.size()), data);
    EXPECT_EQ(output.substr(data.size()), std::string(output.size() - data.size(), '\0'));
    EXPECT_EQ(reports.back().done, reports.back().total);
}

TEST(Sparse, DataPastFourGiBIsKeptExactly) {
    ScratchFolder folder;
    const std::string head = bytesWithData(kMiB, {{0, kMiB}});
    const std::string far = bytesWithData(100, {{0, 100}});
    const std::int64_t farOffset = 4 * kGiB + 3 * 4096 + 7;
    const std::int64_t length = 4 * kGiB + 64 * kMiB;
    const std::string sourcePath = folder / "app.exe";
    ASSERT_TRUE(writePieces(sourcePath, length, {{0, head}, {farOffset, far}}));
    if (!hasHoles(sourcePath)) {
        GTEST_SKIP() << "this file system keeps no holes";
    }
    detail::TrimStats stats;

    JobResult result = detail::trimFile(sourcePath, "small", {}, {}, stats);

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_LE(stats.scanBytesRead, static_cast<std::uint64_t>(kMiB));
    // Holes are not copied either: only the two stored pieces travel.
    EXPECT_LE(stats.kernelCopiedBytes + stats.readWriteBytes, static_cast<std::uint64_t>(2 * kMiB));
    const auto cut = findCut(length, farOffset + 99);
    ASSERT_TRUE(cut.has_value());
    const std::string outputPath = folder / "small.exe";
    struct stat st {};
    ASSERT_EQ(::stat(outputPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, cut->outputLength);
    EXPECT_GT(cut->outputLength, 4 * kGiB);
    EXPECT_EQ(readAt(outputPath, 0, head.size()), head);
    EXPECT_EQ(readAt(outputPath, farOffset, far.size()), far);
    EXPECT_EQ(readAt(outputPath, farOffset - 16, 16), std::string(16, '\0'));
    EXPECT_EQ(readAt(outputPath, 2 * kGiB, 16), std::string(16, '\0'));
    const auto tail = static_cast<std::size_t>(cut->outputLength - farOffset - 100);
    EXPECT_EQ(readAt(outputPath, farOffset + 100, 1000), std::string(tail, '\0'));
}

// The probe loop done the long way, on the bytes of a file.
std::optional<Cut> probeLoopModel(const std::string& bytes) {
    const auto length = static_cast<std::int64_t>(bytes.size());
    for (std::int64_t i = 10; i <= length && length - i >= 1; i += 10) {
        for (std::int64_t k = length - i - 1; k < length; ++k) {
            if (bytes[static_cast<std::size_t>(k)] != '\0') {
                return Cut{i, i - 10, length - (i - 10) + 1};
            }
        }
    }
    return std::nullopt;
}

// Random files with holes and data runs anywhere, scanned and copied with block sizes that do
// and do not line up with the file system's, against the model: the scan's hole walking, block
// edges and the copy's hole skipping all meet here.
TEST(ScanProperty, MatchesTheProbeLoopOnRandomSparseFiles) {
    ScratchFolder folder;
    std::mt19937_64 random(7031);
    const std::size_t blockSizes[] = {64, 1000, 4096, 1 << 20};
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const auto length = static_cast<std::int64_t>(random() % (20 * kKiB));
        std::string bytes(static_cast<std::size_t>(length), '\0');
        std::vector<std::pair<std::int64_t, std::string>> pieces;
        const int pieceCount = static_cast<int>(random() % 4);
        for (int k = 0; k < pieceCount && length > 0; ++k) {
            const auto offset =
                static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(length));
            const auto size = std::min<std::int64_t>(length - offset, 1 + random() % 300);
            std::string piece(static_cast<std::size_t>(size), '\0');
            // Pieces of zeros too: stored zeros must count as blank, like holes.
            if (random() % 4 != 0) {
                for (auto& byte : piece) {
                    byte = static_cast<char>(random() % 3 == 0 ? 0 : 1 + random() % 255);
                }
            }
            bytes.replace(static_cast<std::size_t>(offset), piece.size(), piece);
            pieces.emplace_back(offset, piece);
        }
        const std::string sourcePath = folder / "app.exe";
        ASSERT_TRUE(writePieces(sourcePath, length, pieces));
        ::unlink((folder / "small.exe").c_str());
        detail::TrimOptions options;
        options.blockBytes = blockSizes[random() % 4];
        options.allowKernelCopy = random() % 2 == 0;

        TrimPlan plan;
        detail::TrimStats stats;
        JobResult scanned = detail::scanSource(sourcePath, "small", plan, {}, options, stats);
        const auto expected = probeLoopModel(bytes);

        ASSERT_EQ(plan.cut, expected) << "length " << length;
        if (!expected) {
            ASSERT_EQ(scanned.status, JobStatus::NothingToCut);
            continue;
        }
        ASSERT_EQ(scanned.status, JobStatus::Done);
        ASSERT_EQ(detail::writeTrimmed(plan, {}, options, stats).status, JobStatus::Done);
        std::string want = bytes.substr(0, static_cast<std::size_t>(expected->outputLength));
        want.resize(static_cast<std::size_t>(expected->outputLength), '\0');
        ASSERT_EQ(readFile(folder / "small.exe"), want);
    }
}

// Every way of copying gives the same bytes; where this file system cannot clone, the default way
// falls back quietly, which is itself the case under test.
TEST(CopyWays, CloneKernelAndPlainCopyAgree) {
    ScratchFolder folder;
    const std::string data = bytesWithData(3 * kMiB + 123, {{0, 3 * kMiB + 123}});
    const std::string sourcePath = folder / "app.exe";
    // Data, a hole, data, and a blank tail.
    ASSERT_TRUE(writePieces(sourcePath, 6 * kMiB,
                            {{0, data.substr(0, kMiB)}, {2 * kMiB, data.substr(2 * kMiB)}}));
    struct Way {
        const char* name;
        bool clone;
        bool kernel;
    };
    std::vector<std::string> outputs;
    for (const Way way :
         {Way{"default", true, true}, Way{"kernel", false, true}, Way{"plain", false, false}}) {
        SCOPED_TRACE(way.name);
        detail::TrimOptions options;
        options.allowClone = way.clone;
        options.allowKernelCopy = way.kernel;
        detail::TrimStats stats;
        const std::string name = std::string{"out-"} + way.name;

        ASSERT_EQ(detail::trimFile(sourcePath, name, {}, options, stats).status, JobStatus::Done);

        outputs.push_back(readFile(folder / (name + ".exe")));
        if (!way.clone && !way.kernel) {
            EXPECT_EQ(stats.clonedBytes + stats.kernelCopiedBytes, 0u);
            EXPECT_GT(stats.readWriteBytes, 0u);
        } else {
            EXPECT_GT(stats.clonedBytes + stats.kernelCopiedBytes, 0u);
        }
    }
    const std::string source = readFile(sourcePath);
    const auto cut = findCut(6 * kMiB, 3 * kMiB + 122);
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(outputs[0], source.substr(0, static_cast<std::size_t>(cut->outputLength)));
    EXPECT_EQ(outputs[1], outputs[0]);
    EXPECT_EQ(outputs[2], outputs[0]);
}

}  // namespace
}  // namespace velbrisk
