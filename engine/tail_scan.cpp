// The tail scan: one backwards pass over the blank tail, with a word-wide zero test; a long
// stretch of it is read by two threads at once.
#include "engine/tail_scan.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/job_error.h"

namespace velbrisk {
namespace {

constexpr std::size_t kWord = sizeof(std::uint64_t);

// The zero test looks at pieces this large with no branch inside; only the one piece that holds
// data is then searched byte by byte.
constexpr std::size_t kPiece = 4096;

// The first read of the tail is one sector. Most tails are short: a Windows program pads its
// sections to 512 bytes, so its blank tail is mostly shorter than that. A long tail soon reads
// whole blocks, as each read of the same run doubles the last.
constexpr std::int64_t kFirstRead = 512;

// The file system is asked about holes for windows of the tail that grow up to this size, so that
// a dense tail costs a few questions, not two per block.
constexpr std::int64_t kLargestWindow = std::int64_t{64} << 20;

// Below this a second thread costs more to start than it saves.
constexpr std::int64_t kSharedStretch = std::int64_t{4} << 20;

// How many blocks a reader of a shared stretch may run ahead of the unbroken run of blocks known
// to be blank: enough that neither waits on the other in the common case, few enough that a
// reader cannot read far past the data while the other is held up on the block that holds it.
constexpr std::int64_t kLeadBlocks = 4;

// Whether every byte is zero, ORing 64 bytes a step into four accumulators that the processor
// runs side by side, with no branch inside: the test must keep up with reads from memory.
bool allZero(const std::byte* data, std::size_t size) {
    std::size_t k = 0;
#if defined(__SSE2__)
    __m128i any[4] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(),
                      _mm_setzero_si128()};
    for (; k + 64 <= size; k += 64) {
        const auto* at = reinterpret_cast<const __m128i*>(data + k);
        any[0] = _mm_or_si128(any[0], _mm_loadu_si128(at));
        any[1] = _mm_or_si128(any[1], _mm_loadu_si128(at + 1));
        any[2] = _mm_or_si128(any[2], _mm_loadu_si128(at + 2));
        any[3] = _mm_or_si128(any[3], _mm_loadu_si128(at + 3));
    }
    const __m128i all = _mm_or_si128(_mm_or_si128(any[0], any[1]), _mm_or_si128(any[2], any[3]));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(all, _mm_setzero_si128())) != 0xFFFF) {
        return false;
    }
#else
    std::uint64_t any[4] = {0, 0, 0, 0};
    for (; k + 4 * kWord <= size; k += 4 * kWord) {
        std::uint64_t words[4];
        std::memcpy(words, data + k, sizeof words);
        any[0] |= words[0];
        any[1] |= words[1];
        any[2] |= words[2];
        any[3] |= words[3];
    }
    if ((any[0] | any[1] | any[2] | any[3]) != 0) {
        return false;
    }
#endif
    std::uint64_t rest = 0;
    for (; k < size; ++k) {
        rest |= std::to_integer<std::uint64_t>(data[k]);
    }
    return rest == 0;
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

// Reads [start, end) into `buffer` and looks for its last data byte: Done with `dataOffset` at
// that byte, or -1 when all were zero. `bytesRead` counts what was read.
StepResult readAndSearch(const ScanRead& read, std::int64_t start, std::int64_t end,
                         std::span<std::byte> buffer, std::uint64_t& bytesRead,
                         std::int64_t& dataOffset) {
    const auto want = static_cast<std::size_t>(end - start);
    std::error_code ec;
    const std::size_t got = read(start, buffer.first(want), ec);
    bytesRead += got;
    if (ec) {
        return {JobStatus::SourceUnreadable, ec};
    }
    if (got < want) {
        // The file got shorter while it was scanned.
        return {JobStatus::SourceUnreadable, JobError::SourceChanged};
    }
    const std::ptrdiff_t inRead = lastNonZero(buffer.first(want));
    dataOffset = inRead < 0 ? -1 : start + inRead;
    return {JobStatus::Done, {}};
}

// A stretch [floor, top) of the tail read in blocks by several threads at once, block 0 being the
// highest. Reading from the page cache runs at the speed of one core copying memory, and the zero
// test adds to that, so a second reader on another core takes the scan past what one plain read
// can do. The answer is still the last data byte: blocks are handed out from the top down, and
// none once a higher block is known to hold data, so every block above the one that does is read
// and found blank.
class SharedStretch {
public:
    SharedStretch(const ScanRead& read, std::int64_t floor, std::int64_t top, std::int64_t block,
                  const ProgressMeter& progress)
        : read_(read),
          floor_(floor),
          top_(top),
          block_(block),
          blocks_((top - floor + block - 1) / block),
          progress_(progress) {}

    // Reads blocks into `buffer` until none is left to hand out; returns the bytes read. After
    // each block `afterBlock` is called, on the reading thread.
    template <typename AfterBlock>
    std::uint64_t read(std::span<std::byte> buffer, AfterBlock afterBlock) {
        std::uint64_t bytesRead = 0;
        std::int64_t index = 0;
        while (claim(index)) {
            const std::int64_t end = top_ - index * block_;
            const std::int64_t start = std::max(floor_, end - block_);
            std::int64_t dataOffset = -1;
            const StepResult read = readAndSearch(read_, start, end, buffer, bytesRead, dataOffset);
            if (read.status != JobStatus::Done) {
                fail(index, read);
                break;
            }
            finish(index, dataOffset);
            afterBlock();
        }
        return bytesRead;
    }

    // Every byte at or after this offset is known to be zero.
    std::int64_t knownZeroFrom() const {
        const std::lock_guard lock(mutex_);
        return std::max(floor_, top_ - blankBlocks_ * block_);
    }

    // Once every reader is back: Done with `lastDataOffset` set when data was found, Done with
    // `zeroFrom` moved to the floor when the stretch is blank, or how reading it failed.
    StepResult outcome(std::int64_t& lastDataOffset, std::int64_t& zeroFrom) const {
        if (dataBlock_ < failedBlock_) {
            lastDataOffset = dataOffset_;
            return {JobStatus::Done, {}};
        }
        if (failedBlock_ != kNone) {
            return failure_;
        }
        zeroFrom = floor_;
        return {JobStatus::Done, {}};
    }

private:
    static constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();

    // Whether no more blocks are to be handed out.
    bool over() const { return next_ >= blocks_ || next_ > dataBlock_ || next_ >= failedBlock_; }

    // A reader that is too far ahead waits for the other, which holds the block it waits on and
    // wakes it when that block is done, however it ends.
    bool claim(std::int64_t& index) {
        std::unique_lock lock(mutex_);
        moved_.wait(lock, [this] { return over() || next_ < blankBlocks_ + kLeadBlocks; });
        if (over()) {
            return false;
        }
        // A stop counts as a failure of the next block, so data already found above still wins.
        if (progress_.stopRequested()) {
            recordFailure(next_, {JobStatus::Cancelled, {}});
            return false;
        }
        index = next_++;
        return true;
    }

    void finish(std::int64_t index, std::int64_t dataOffset) {
        const std::lock_guard lock(mutex_);
        moved_.notify_all();
        if (dataOffset >= 0) {
            if (index < dataBlock_) {
                dataBlock_ = index;
                dataOffset_ = dataOffset;
            }
            return;
        }
        blankAbove_.push_back(index);
        // Blocks finish out of order; the known-blank top grows only over an unbroken run of them.
        for (auto next = std::find(blankAbove_.begin(), blankAbove_.end(), blankBlocks_);
             next != blankAbove_.end();
             next = std::find(blankAbove_.begin(), blankAbove_.end(), blankBlocks_)) {
            blankAbove_.erase(next);
            ++blankBlocks_;
        }
    }

    void fail(std::int64_t index, const StepResult& result) {
        const std::lock_guard lock(mutex_);
        recordFailure(index, result);
    }

    void recordFailure(std::int64_t index, const StepResult& result) {
        moved_.notify_all();
        if (index < failedBlock_) {
            failedBlock_ = index;
            failure_ = result;
        }
    }

    const ScanRead& read_;
    const std::int64_t floor_;
    const std::int64_t top_;
    const std::int64_t block_;
    const std::int64_t blocks_;
    const ProgressMeter& progress_;

    mutable std::mutex mutex_;
    std::condition_variable moved_;         // a block was finished, or its read failed
    std::int64_t next_ = 0;                 // the next block to hand out
    std::int64_t blankBlocks_ = 0;          // blocks 0 up to this one (not included) are blank
    std::vector<std::int64_t> blankAbove_;  // blank blocks beyond that unbroken run
    std::int64_t dataBlock_ = kNone;        // the highest block known to hold data
    std::int64_t dataOffset_ = -1;          // its last data byte
    std::int64_t failedBlock_ = kNone;      // the highest block whose read failed or was stopped
    StepResult failure_;
};

// Whether a second reader can run beside this one.
bool hasSpareCore() {
    static const bool spare = std::thread::hardware_concurrency() > 1;
    return spare;
}

// The runs of [from, to) that may hold data, in order; where the file system cannot tell, the
// whole range is one run.
bool dataRuns(const os::File& file, std::int64_t from, std::int64_t to,
              std::vector<os::DataRun>& runs, std::error_code& ec) {
    runs.clear();
    for (std::int64_t at = from; at < to;) {
        const std::optional<os::DataRun> run = os::nextDataRun(file, at, to, ec);
        if (!run) {
            break;
        }
        runs.push_back(*run);
        at = run->end;
    }
    return !ec;
}

// One scan of a tail from its end down: the reads of this thread, the long stretches it shares
// with a second, and the walk over the runs of data that lie between the holes.
class TailScan {
public:
    TailScan(const os::File& file, std::int64_t length, std::span<std::byte> buffer,
             ProgressMeter& progress, detail::TrimStats& stats, const ScanRead& read)
        : file_(file),
          length_(length),
          buffer_(buffer),
          block_(static_cast<std::int64_t>(buffer.size())),
          progress_(progress),
          stats_(stats),
          read_(read),
          readSize_(std::min(kFirstRead, block_)),
          zeroFrom_(length) {}

    StepResult run(std::int64_t& lastDataOffset) {
        // Most blank tails are short, so the last sector is read before the file system is asked
        // about holes: a hole there reads as zeros all the same, and one read is all the job costs.
        StepResult step = readDownTo(length_ > 0 ? alignDown(length_ - 1, readSize_) : 0);
        if (step.status == JobStatus::Done && lastDataOffset_ < 0) {
            step = walkDataRuns();
        }
        lastDataOffset = lastDataOffset_;
        return step;
    }

private:
    void moveProgressTo(std::int64_t blankFrom) {
        progress_.moveTo(static_cast<std::uint64_t>(length_ - blankFrom));
    }

    // Whether [floor, zeroFrom) is long enough, and its reads already whole blocks on a block's
    // edge, for two readers to share it.
    bool worthSharing(std::int64_t floor) const {
        return readSize_ == block_ && zeroFrom_ % block_ == 0 &&
               zeroFrom_ - floor >= kSharedStretch && hasSpareCore();
    }

    // Reads down from zeroFrom to `floor`, and stops at the first byte that is not zero.
    StepResult readDownTo(std::int64_t floor) {
        while (zeroFrom_ > floor && lastDataOffset_ < 0) {
            if (worthSharing(floor)) {
                return readShared(floor);
            }
            if (progress_.stopRequested()) {
                return {JobStatus::Cancelled, {}};
            }
            // Reads are aligned to their size, so that they match the disk's sectors and pages.
            const std::int64_t readStart = std::max(floor, alignDown(zeroFrom_ - 1, readSize_));
            const StepResult read = readAndSearch(read_, readStart, zeroFrom_, buffer_,
                                                  stats_.scanBytesRead, lastDataOffset_);
            if (read.status != JobStatus::Done) {
                return read;
            }
            zeroFrom_ = readStart;
            moveProgressTo(lastDataOffset_ >= 0 ? lastDataOffset_ + 1 : zeroFrom_);
            readSize_ = std::min(readSize_ * 2, block_);
        }
        return {JobStatus::Done, {}};
    }

    // Reads [floor, zeroFrom) with this thread and one more, each with a buffer of its own; only
    // this thread reports progress.
    StepResult readShared(std::int64_t floor) {
        SharedStretch stretch(read_, floor, zeroFrom_, block_, progress_);
        std::unique_ptr<std::byte[]> helperBuffer;
        std::uint64_t helperBytes = 0;
        std::jthread helper;
        try {
            helperBuffer = std::make_unique_for_overwrite<std::byte[]>(buffer_.size());
            helper = std::jthread([&] {
                helperBytes = stretch.read({helperBuffer.get(), buffer_.size()}, [] {});
            });
        } catch (const std::exception&) {
            // With no thread or memory to spare, this thread reads the whole stretch alone.
        }
        stats_.scanBytesRead +=
            stretch.read(buffer_, [&] { moveProgressTo(stretch.knownZeroFrom()); });
        if (helper.joinable()) {
            helper.join();
        }
        stats_.scanBytesRead += helperBytes;
        const StepResult result = stretch.outcome(lastDataOffset_, zeroFrom_);
        if (result.status == JobStatus::Done) {
            moveProgressTo(lastDataOffset_ >= 0 ? lastDataOffset_ + 1 : zeroFrom_);
        }
        return result;
    }

    // Below the last sector: the runs that may hold data, window by window from the end, each read
    // down from its end; what lies between them are holes, known zeros.
    StepResult walkDataRuns() {
        std::int64_t window = block_;
        std::vector<os::DataRun> runs;
        std::error_code ec;
        while (zeroFrom_ > 0) {
            if (progress_.stopRequested()) {
                return {JobStatus::Cancelled, {}};
            }
            // Windows start on a block's edge, so that the reads inside them are whole blocks and
            // a long one can be shared between two readers.
            const std::int64_t windowStart =
                std::max<std::int64_t>(0, alignDown(zeroFrom_ - window, block_));
            window = std::min(window * 2, kLargestWindow);
            if (!dataRuns(file_, windowStart, zeroFrom_, runs, ec)) {
                return {JobStatus::SourceUnreadable, ec};
            }
            for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
                zeroFrom_ = run->end;
                const StepResult step = readDownTo(run->start);
                if (step.status != JobStatus::Done || lastDataOffset_ >= 0) {
                    return step;
                }
            }
            zeroFrom_ = windowStart;
            moveProgressTo(zeroFrom_);
        }
        return {JobStatus::Done, {}};
    }

    const os::File& file_;
    const std::int64_t length_;
    const std::span<std::byte> buffer_;
    const std::int64_t block_;
    ProgressMeter& progress_;
    detail::TrimStats& stats_;
    const ScanRead& read_;
    std::int64_t readSize_;             // the next read's size: doubles up to a block
    std::int64_t zeroFrom_;             // every byte at or after this offset is zero
    std::int64_t lastDataOffset_ = -1;  // the last byte found that is not zero
};

}  // namespace

std::ptrdiff_t lastNonZero(std::span<const std::byte> bytes) {
    const std::byte* data = bytes.data();
    std::size_t end = bytes.size();
    while (end > 0) {
        const std::size_t start = end > kPiece ? end - kPiece : 0;
        if (!allZero(data + start, end - start)) {
            return static_cast<std::ptrdiff_t>(start) +
                   lastNonZeroByteLoop(data + start, end - start);
        }
        end = start;
    }
    return -1;
}

StepResult findLastData(const os::File& file, std::int64_t length, std::span<std::byte> buffer,
                        ProgressMeter& progress, detail::TrimStats& stats,
                        std::int64_t& lastDataOffset, const ScanRead& read) {
    const ScanRead readFile = [&file](std::int64_t offset, std::span<std::byte> into,
                                      std::error_code& ec) {
        return os::readAt(file, offset, into.data(), into.size(), ec);
    };
    TailScan scan(file, length, buffer, progress, stats, read ? read : readFile);
    return scan.run(lastDataOffset);
}

}  // namespace velbrisk
