// Fuzz target for the PE header reader: any bytes, as a whole file and as the head of a huge one.
#include <cstdlib>

#include "pe_builder.h"

// A read outside the file, more bytes read than the reader may ever ask for, or an end past the
// file is a finding. The same headers at the start of an 8 GiB file put section, certificate and
// symbol table ends past 4 GiB in range; an image whole in its own bytes must read the same there.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::optional<std::int64_t> ends[2];
    for (const std::int64_t fileSize : {std::int64_t(size), std::int64_t{1} << 33}) {
        velbrisk::testing::FakeFile file{{data, data + size}, fileSize};
        const std::optional<std::int64_t> end = file.declaredEnd();
        if (file.readOutside || file.bytesRead > velbrisk::kMostHeaderBytesRead ||
            (end && (*end < 0 || *end > fileSize))) {
            std::abort();
        }
        ends[fileSize != std::int64_t(size)] = end;
    }
    if (ends[0] && ends[1] != ends[0]) {
        std::abort();
    }
    return 0;
}
