// Builds small Windows program images (PE32 and PE32+) byte by byte, for tests and fuzz seeds.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/pe_image.h"

namespace velbrisk::testing {

struct PeSection {
    std::string name;                // at most 8 characters
    std::uint32_t rawOffset = 0;     // PointerToRawData
    std::uint32_t rawSize = 0;       // SizeOfRawData
    std::vector<std::uint8_t> data;  // written at rawOffset; the rest of rawSize stays zero
};

// A file offset and size, as the certificate directory gives them; filled with non-zero bytes.
struct PeCertificateTable {
    std::uint32_t offset = 0, size = 0;
};

// The COFF symbol table, as an unstripped program of the GNU toolchain ends: `count` records of 18
// non-zero bytes, then the string table, its size in its first four bytes, its names ending in 0.
struct PeSymbolTable {
    std::uint32_t offset = 0, count = 0, stringTableSize = 4;
};

struct PeLayout {
    bool pe32Plus = false;
    std::uint32_t dataDirectoryCount = 16;
    std::vector<PeSection> sections = {};
    std::optional<PeCertificateTable> certificateTable = {};
    std::optional<PeSymbolTable> symbolTable = {};
    std::uint32_t trailingZeros = 0;  // blank bytes after everything else
};

// Where the builder puts the COFF header (after "PE\0\0" at 0x80) and the optional header.
inline constexpr std::size_t kCoffHeaderOffset = 0x84;
inline constexpr std::size_t kOptionalHeaderOffset = kCoffHeaderOffset + 20;

// The bytes, and where the builder put what moves, so that a test can spoil exactly one field.
struct PeImage {
    std::vector<std::uint8_t> bytes;
    std::size_t certificateEntryOffset = 0;  // data directory 4, after NumberOfRvaAndSizes
    std::size_t headersEnd = 0;  // the end of the section table: the last PointerToRawData at -20

    // Writes the `width` low bytes of `value` at `offset`, little-endian.
    void put(std::size_t width, std::size_t offset, std::uint64_t value) {
        for (std::size_t k = 0; k < width; ++k) {
            bytes.at(offset + k) = static_cast<std::uint8_t>(value >> (8 * k));
        }
    }
    void fill(std::size_t from, std::size_t to, std::uint8_t value) {
        std::fill(bytes.begin() + std::ptrdiff_t(from), bytes.begin() + std::ptrdiff_t(to), value);
    }
};

// Only the fields that say where things are get values.
inline PeImage buildPe(const PeLayout& layout) {
    PeImage image;
    const std::size_t optionalFixedSize = layout.pe32Plus ? 112 : 96;
    image.certificateEntryOffset = kOptionalHeaderOffset + optionalFixedSize + 8 * 4;
    const std::size_t sectionTable =
        kOptionalHeaderOffset + optionalFixedSize + 8 * layout.dataDirectoryCount;
    image.headersEnd = sectionTable + 40 * layout.sections.size();
    const PeCertificateTable certificate = layout.certificateTable.value_or(PeCertificateTable{});
    const PeSymbolTable symbols = layout.symbolTable.value_or(PeSymbolTable{});
    const std::size_t stringTable = symbols.offset + std::size_t{18} * symbols.count;
    const std::size_t stringTableEnd =
        symbols.offset == 0 ? 0 : stringTable + std::max<std::size_t>(symbols.stringTableSize, 4);
    std::size_t fileEnd = std::max<std::size_t>(
        {image.headersEnd, 64, certificate.offset + std::size_t{certificate.size}, stringTableEnd});
    for (const PeSection& section : layout.sections) {
        fileEnd = std::max<std::size_t>(fileEnd, section.rawOffset + std::size_t{section.rawSize});
    }
    image.bytes.assign(fileEnd + layout.trailingZeros, 0);

    image.put(2, 0, 'M' | 'Z' << 8);
    image.put(4, 0x3C, kCoffHeaderOffset - 4);
    image.put(4, kCoffHeaderOffset - 4, 'P' | 'E' << 8);
    image.put(2, kCoffHeaderOffset + 2, layout.sections.size());
    image.put(2, kCoffHeaderOffset + 16, sectionTable - kOptionalHeaderOffset);
    image.put(2, kOptionalHeaderOffset, layout.pe32Plus ? 0x20B : 0x10B);
    image.put(4, kOptionalHeaderOffset + optionalFixedSize - 4, layout.dataDirectoryCount);
    if (layout.dataDirectoryCount > 4) {
        image.put(8, image.certificateEntryOffset,
                  certificate.offset | std::uint64_t{certificate.size} << 32);
    }
    for (std::size_t index = 0; index < layout.sections.size(); ++index) {
        const PeSection& section = layout.sections[index];
        const std::size_t header = sectionTable + 40 * index;
        std::copy_n(section.name.begin(), std::min<std::size_t>(section.name.size(), 8),
                    image.bytes.begin() + std::ptrdiff_t(header));
        image.put(8, header + 16, section.rawSize | std::uint64_t{section.rawOffset} << 32);
        const std::size_t dataSize = std::min<std::size_t>(section.data.size(), section.rawSize);
        std::copy_n(section.data.begin(), dataSize, image.bytes.begin() + section.rawOffset);
    }
    image.fill(certificate.offset, certificate.offset + certificate.size, 0xA5);
    if (symbols.offset != 0) {
        image.put(8, kCoffHeaderOffset + 8, symbols.offset | std::uint64_t{symbols.count} << 32);
        image.fill(symbols.offset, stringTable, 0x5A);
        image.put(4, stringTable, symbols.stringTableSize);
        image.fill(stringTable + 4, std::max(stringTable + 4, stringTableEnd - 1), 's');
    }
    return image;
}

// A typical linker's output: headers, .text and .data, each padded to 0x200 bytes, up to 0x7FF.
inline PeLayout typicalLayout(bool pe32Plus) {
    return {.pe32Plus = pe32Plus,
            .sections = {{".text", 0x400, 0x200, std::vector<std::uint8_t>(0x150, 0xC3)},
                         {".data", 0x600, 0x200, std::vector<std::uint8_t>(0x40, 0x11)}}};
}

// The header reader's file of `size` bytes, `leading` then zeros: it counts the bytes read, marks a
// read that reaches outside the file, and fails every read after `readsLeft`.
struct FakeFile {
    std::vector<std::uint8_t> leading;
    std::int64_t size = static_cast<std::int64_t>(leading.size());
    std::int64_t bytesRead = 0;
    bool readOutside = false;
    int readsLeft = -1;

    std::optional<std::int64_t> declaredEnd() {
        const auto read = [this](std::int64_t offset, std::span<std::uint8_t> into) {
            readOutside = readOutside || offset < 0 || offset > size ||
                          std::int64_t(into.size()) > size - offset;
            if (readsLeft-- == 0 || readOutside) {
                return false;
            }
            bytesRead += std::int64_t(into.size());
            for (std::size_t k = 0; k < into.size(); ++k) {
                const auto at = std::size_t(offset) + k;
                into[k] = at < leading.size() ? leading[at] : 0;
            }
            return true;
        };
        return declaredDataEnd(read, size);
    }
};

}  // namespace velbrisk::testing
