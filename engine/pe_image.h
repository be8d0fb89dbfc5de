// Reads the headers of a Windows program (a PE image) to learn where its declared data ends.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "engine/os_file.h"

namespace velbrisk {

// Fills `into` with the bytes of the file at `offset`, all of them, and says whether it could.
// The reader only asks for ranges that lie wholly inside the file size it was given.
using ReadAt = std::function<bool(std::int64_t offset, std::span<std::uint8_t> into)>;

// The most bytes the reader ever asks for, whatever the file: the DOS header, the PE signature
// and COFF header, three fields of the optional header (magic, NumberOfRvaAndSizes and the
// certificate table's entry), a section table of 65534 entries, the largest count accepted, and
// the string table's size.
inline constexpr std::int64_t kMostHeaderBytesRead =
    64 + (4 + 20) + (2 + 4 + 8) + 65534 * 40 + 4;

// When the file is a well-formed PE image (PE32 or PE32+), the end of the data its headers
// declare: the largest PointerToRawData + SizeOfRawData over its sections, the end of its
// certificate table (data directory 4, whose address is a file offset) where it has one, and the
// end of its COFF symbol table (PointerToSymbolTable + NumberOfSymbols × 18) and of the string
// table after it (whose first four bytes give its size) where it has one; 0 when none declares
// any bytes. Nothing when the file is not a PE image, when any header is truncated or malformed,
// when a section's raw data, the certificate table or the symbol or string table reaches beyond
// `fileSize`, or when a read fails. The result is never more than `fileSize`.
std::optional<std::int64_t> declaredDataEnd(const ReadAt& read, std::int64_t fileSize);

// The same for an open file of `fileSize` bytes, read through the engine's file layer.
std::optional<std::int64_t> declaredDataEnd(const os::File& file, std::int64_t fileSize);

// How many of the bytes that a copy of `copyLength` leading bytes leaves out belong to data that
// ends at `declaredEnd`: declaredEnd - copyLength, or 0 when the copy keeps all of it.
std::int64_t bytesOfImageCut(std::int64_t declaredEnd, std::int64_t copyLength);

}  // namespace velbrisk
