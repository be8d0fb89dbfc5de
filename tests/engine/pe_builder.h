// Builds small Windows program images (PE32 and PE32+) byte by byte, for tests and fuzz seeds.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velbrisk::testing {

struct PeSection {
    std::string name;                // at most 8 characters
    std::uint32_t rawOffset = 0;     // PointerToRawData
    std::uint32_t rawSize = 0;       // SizeOfRawData
    std::vector<std::uint8_t> data;  // written at rawOffset; the rest of rawSize stays zero
};

struct PeCertificateTable {
    std::uint32_t offset = 0;  // a file offset, as the certificate directory gives it
    std::uint32_t size = 0;    // filled with non-zero bytes, as a real signature would be
};

struct PeLayout {
    bool pe32Plus = false;
    std::uint32_t newHeaderOffset = 0x80;  // e_lfanew
    std::uint32_t dataDirectoryCount = 16;
    std::vector<PeSection> sections;
    std::optional<PeCertificateTable> certificateTable;
    std::uint32_t trailingZeros = 0;  // blank bytes after everything else
};

// Where the builder put each header, so that a test can spoil exactly one field.
struct PeImage {
    std::vector<std::uint8_t> bytes;
    std::size_t signatureOffset = 0;
    std::size_t coffHeaderOffset = 0;
    std::size_t optionalHeaderOffset = 0;
    std::size_t dataDirectoriesOffset = 0;
    std::size_t sectionTableOffset = 0;
    std::size_t headersEnd = 0;  // the end of the section table
};

inline void put16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    bytes.at(offset) = static_cast<std::uint8_t>(value);
    bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

inline void put32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    put16(bytes, offset, value & 0xFFFF);
    put16(bytes, offset + 2, value >> 16);
}

inline void put64(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint64_t value) {
    put32(bytes, offset, static_cast<std::uint32_t>(value));
    put32(bytes, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

// Field offsets inside the headers, from the PE/COFF format.
inline constexpr std::size_t kCoffNumberOfSections = 2;
inline constexpr std::size_t kCoffSizeOfOptionalHeader = 16;
inline constexpr std::size_t kSectionSizeOfRawData = 16;
inline constexpr std::size_t kSectionPointerToRawData = 20;
inline constexpr std::size_t kSectionHeaderSize = 40;
inline constexpr std::size_t kCertificateDirectory = 4;

// Lays out the DOS header, the PE signature, the COFF header, the optional header with its data
// directories and the section table, then the sections' data and the certificate table where the
// layout puts them, then the trailing zeros. The file is as long as the furthest of these.
inline PeImage buildPe(const PeLayout& layout) {
    PeImage image;
    const std::size_t optionalFixedSize = layout.pe32Plus ? 112 : 96;
    const std::size_t optionalHeaderSize = optionalFixedSize + 8 * layout.dataDirectoryCount;
    image.signatureOffset = layout.newHeaderOffset;
    image.coffHeaderOffset = image.signatureOffset + 4;
    image.optionalHeaderOffset = image.coffHeaderOffset + 20;
    image.dataDirectoriesOffset = image.optionalHeaderOffset + optionalFixedSize;
    image.sectionTableOffset = image.optionalHeaderOffset + optionalHeaderSize;
    image.headersEnd = image.sectionTableOffset + kSectionHeaderSize * layout.sections.size();

    std::size_t fileEnd = std::max<std::size_t>(image.headersEnd, 64);
    for (const PeSection& section : layout.sections) {
        if (section.rawSize != 0) {
            fileEnd =
                std::max<std::size_t>(fileEnd, std::size_t{section.rawOffset} + section.rawSize);
        }
    }
    if (layout.certificateTable) {
        fileEnd = std::max<std::size_t>(
            fileEnd, std::size_t{layout.certificateTable->offset} + layout.certificateTable->size);
    }
    std::vector<std::uint8_t>& b = image.bytes;
    b.assign(fileEnd + layout.trailingZeros, 0);

    // DOS header: "MZ", a page count that old loaders look at, and e_lfanew.
    b[0] = 'M';
    b[1] = 'Z';
    put16(b, 0x02, 0x90);
    put16(b, 0x04, 3);
    put32(b, 0x3C, layout.newHeaderOffset);

    const std::size_t sig = image.signatureOffset;
    b.at(sig) = 'P';
    b.at(sig + 1) = 'E';

    const std::size_t coff = image.coffHeaderOffset;
    put16(b, coff + 0, layout.pe32Plus ? 0x8664 : 0x014C);  // Machine: x64 or i386
    put16(b, coff + kCoffNumberOfSections, static_cast<std::uint32_t>(layout.sections.size()));
    put16(b, coff + kCoffSizeOfOptionalHeader, static_cast<std::uint32_t>(optionalHeaderSize));
    put16(b, coff + 18, layout.pe32Plus ? 0x0022 : 0x0102);  // executable, large-address/32-bit

    const std::size_t opt = image.optionalHeaderOffset;
    put16(b, opt + 0, layout.pe32Plus ? 0x20B : 0x10B);
    put32(b, opt + 16, 0x1000);  // AddressOfEntryPoint
    if (layout.pe32Plus) {
        put64(b, opt + 24, 0x140000000);  // ImageBase
    } else {
        put32(b, opt + 28, 0x400000);
    }
    put32(b, opt + 32, 0x1000);  // SectionAlignment
    put32(b, opt + 36, 0x200);   // FileAlignment
    put16(b, opt + 40, 6);       // MajorOperatingSystemVersion
    put16(b, opt + 48, 6);       // MajorSubsystemVersion
    put32(b, opt + 56, 0x1000 * static_cast<std::uint32_t>(layout.sections.size() + 1));
    put32(b, opt + 60,
          static_cast<std::uint32_t>((image.headersEnd + 0x1FF) & ~std::size_t{0x1FF}));
    put16(b, opt + 68, 3);  // Subsystem: console
    put32(b, opt + optionalFixedSize - 4, layout.dataDirectoryCount);
    if (layout.certificateTable && layout.dataDirectoryCount > kCertificateDirectory) {
        const std::size_t entry = image.dataDirectoriesOffset + 8 * kCertificateDirectory;
        put32(b, entry, layout.certificateTable->offset);
        put32(b, entry + 4, layout.certificateTable->size);
    }

    for (std::size_t index = 0; index < layout.sections.size(); ++index) {
        const PeSection& section = layout.sections[index];
        const std::size_t header = image.sectionTableOffset + kSectionHeaderSize * index;
        std::copy_n(section.name.begin(), std::min<std::size_t>(section.name.size(), 8),
                    b.begin() + static_cast<std::ptrdiff_t>(header));
        put32(b, header + 8, std::max<std::uint32_t>(section.rawSize, 1));  // VirtualSize
        put32(b, header + 12, 0x1000 * static_cast<std::uint32_t>(index + 1));
        put32(b, header + kSectionSizeOfRawData, section.rawSize);
        put32(b, header + kSectionPointerToRawData, section.rawOffset);
        put32(b, header + 36, 0x40000040);  // initialised, readable
        if (section.rawSize != 0) {
            std::copy_n(section.data.begin(),
                        std::min<std::size_t>(section.data.size(), section.rawSize),
                        b.begin() + static_cast<std::ptrdiff_t>(section.rawOffset));
        }
    }
    if (layout.certificateTable) {
        std::fill_n(b.begin() + static_cast<std::ptrdiff_t>(layout.certificateTable->offset),
                    layout.certificateTable->size, std::uint8_t{0xA5});
    }
    return image;
}

// A typical linker's output: headers padded to 0x400, then .text and .data, each padded with
// zeros to the 0x200 file alignment; the last declared byte is at offset 0x7FF.
inline PeLayout typicalLayout(bool pe32Plus) {
    PeLayout layout;
    layout.pe32Plus = pe32Plus;
    layout.sections = {
        {".text", 0x400, 0x200, std::vector<std::uint8_t>(0x150, 0xC3)},
        {".data", 0x600, 0x200, std::vector<std::uint8_t>(0x40, 0x11)},
    };
    return layout;
}

}  // namespace velbrisk::testing
