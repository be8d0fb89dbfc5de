// Fuzz target for the PE header reader: any bytes, as a whole file and as the head of a huge one.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/pe_image.h"

namespace {

// Reads the input as the first bytes of a file of `fileSize` bytes whose remainder is zeros.
// A request outside the file, or more bytes than the reader may ever ask for, is a finding.
std::optional<std::int64_t> readAsFile(const std::uint8_t* data, std::size_t size,
                                       std::int64_t fileSize) {
    std::int64_t bytesRead = 0;
    const velbrisk::ReadAt read = [&](std::int64_t offset, std::span<std::uint8_t> into) {
        const auto length = static_cast<std::int64_t>(into.size());
        if (offset < 0 || length > fileSize || offset > fileSize - length) {
            std::abort();
        }
        bytesRead += length;
        if (bytesRead > velbrisk::kMostHeaderBytesRead) {
            std::abort();
        }
        std::memset(into.data(), 0, into.size());
        const auto held = static_cast<std::int64_t>(size);
        if (offset < held) {
            std::memcpy(into.data(), data + offset,
                        static_cast<std::size_t>(std::min(length, held - offset)));
        }
        return true;
    };
    const std::optional<std::int64_t> end = velbrisk::declaredDataEnd(read, fileSize);
    if (end && (*end < 0 || *end > fileSize)) {
        std::abort();
    }
    return end;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<std::int64_t> asWhole =
        readAsFile(data, size, static_cast<std::int64_t>(size));
    // The same headers at the start of an 8 GiB file, so that section, certificate and symbol
    // table ends past 4 GiB are in range. An image that is whole in its own bytes must read the same there.
    const std::optional<std::int64_t> asHead = readAsFile(data, size, std::int64_t{1} << 33);
    if (asWhole && asHead != asWhole) {
        std::abort();
    }
    return 0;
}
