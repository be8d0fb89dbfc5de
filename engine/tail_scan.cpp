// The tail scan: one backwards pass over the blank tail, with a word-wide zero test.
#include "engine/tail_scan.h"

#include <algorithm>
#include <cstring>

namespace velbrisk {
namespace {

constexpr std::size_t kWord = sizeof(std::uint64_t);
constexpr std::size_t kChunk = 8 * kWord;

// Whether 64 bytes are all zero, as eight word loads ORed together: no branch per byte, and
// compilers turn it into a few vector instructions.
bool chunkIsZero(const std::byte* chunk) {
    std::uint64_t words[8];
    std::memcpy(words, chunk, kChunk);
    std::uint64_t any = 0;
    for (std::uint64_t word : words) {
        any |= word;
    }
    return any == 0;
}

std::ptrdiff_t lastNonZeroByteLoop(const std::byte* data, std::size_t size) {
    for (std::size_t k = size; k > 0; --k) {
        if (data[k - 1] != std::byte{0}) {
            return static_cast<std::ptrdiff_t>(k - 1);
        }
    }
    return -1;
}

std::int64_t alignDown(std::int64_t value, std::int64_t alignment) {
    return value - value % alignment;
}

}  // namespace

std::ptrdiff_t lastNonZero(std::span<const std::byte> bytes) {
    const std::byte* data = bytes.data();
    std::size_t end = bytes.size();
    // Whole chunks from the end; the byte loop runs only inside the one chunk that holds data, and
    // over the head shorter than a chunk.
    while (end >= kChunk) {
        if (!chunkIsZero(data + end - kChunk)) {
            return static_cast<std::ptrdiff_t>(end - kChunk) +
                   lastNonZeroByteLoop(data + end - kChunk, kChunk);
        }
        end -= kChunk;
    }
    return lastNonZeroByteLoop(data, end);
}

StepResult findLastData(const os::File& file, std::int64_t length, std::span<std::byte> buffer,
                        ProgressMeter& progress, detail::TrimStats& stats,
                        std::int64_t& lastDataOffset) {
    lastDataOffset = -1;
    const auto block = static_cast<std::int64_t>(buffer.size());
    // Every byte at or after `zeroFrom` is known to be zero.
    std::int64_t zeroFrom = length;
    // A long hole is crossed in doubling steps, so a hole of any size costs a few dozen seeks.
    std::int64_t holeStep = block;
    std::error_code ec;
    while (zeroFrom > 0) {
        if (progress.stopRequested()) {
            return {JobStatus::Cancelled, {}};
        }
        const std::int64_t windowStart = std::max<std::int64_t>(0, zeroFrom - holeStep);
        std::int64_t runStart = os::nextData(file, windowStart, ec);
        if (ec) {
            return {JobStatus::SourceUnreadable, ec};
        }
        if (runStart < 0 || runStart >= zeroFrom) {
            zeroFrom = windowStart;
            progress.moveTo(static_cast<std::uint64_t>(length - zeroFrom));
            holeStep = std::min<std::int64_t>(holeStep * 2, std::int64_t{1} << 40);
            continue;
        }
        holeStep = block;
        // The window may hold several runs of data; only the last one matters.
        for (;;) {
            const std::int64_t holeStart = os::nextHole(file, runStart, ec);
            if (ec) {
                return {JobStatus::SourceUnreadable, ec};
            }
            // A hole that starts no later than its data run is an answer no file system should
            // give; reading the run to the end is right whatever the truth.
            if (holeStart >= zeroFrom || holeStart <= runStart) {
                break;
            }
            const std::int64_t nextRun = os::nextData(file, holeStart, ec);
            if (ec) {
                return {JobStatus::SourceUnreadable, ec};
            }
            if (nextRun < 0 || nextRun >= zeroFrom) {
                zeroFrom = holeStart;
                break;
            }
            runStart = nextRun;
        }
        // Blocks are aligned to their size so that the reads after the first match the pages.
        const std::int64_t readStart = std::max(runStart, alignDown(zeroFrom - 1, block));
        const auto want = static_cast<std::size_t>(zeroFrom - readStart);
        const std::size_t got = os::readAt(file, readStart, buffer.data(), want, ec);
        if (ec) {
            return {JobStatus::SourceUnreadable, ec};
        }
        stats.scanBytesRead += got;
        if (got < want) {
            // The file got shorter while it was scanned.
            return {JobStatus::SourceUnreadable, std::make_error_code(std::errc::io_error)};
        }
        const std::ptrdiff_t inBlock = lastNonZero(buffer.first(want));
        if (inBlock >= 0) {
            lastDataOffset = readStart + inBlock;
            progress.moveTo(static_cast<std::uint64_t>(length - lastDataOffset - 1));
            return {JobStatus::Done, {}};
        }
        zeroFrom = readStart;
        progress.moveTo(static_cast<std::uint64_t>(length - zeroFrom));
    }
    return {JobStatus::Done, {}};
}

}  // namespace velbrisk
