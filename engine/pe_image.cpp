// Reads the headers of a Windows program (a PE image) to learn where its declared data ends.
#include "engine/pe_image.h"

#include <algorithm>
#include <array>
#include <system_error>

#include "engine/os_file.h"

namespace velbrisk {

namespace {

constexpr std::int64_t kDosHeaderSize = 64;
constexpr std::size_t kNewHeaderOffsetField = 0x3C;  // e_lfanew
constexpr std::int64_t kSignatureSize = 4;           // "PE\0\0"
constexpr std::int64_t kCoffHeaderSize = 20;
constexpr std::size_t kNumberOfSectionsField = 2;
constexpr std::size_t kPointerToSymbolTableField = 8;
constexpr std::size_t kNumberOfSymbolsField = 12;
constexpr std::size_t kSizeOfOptionalHeaderField = 16;
constexpr std::uint16_t kPe32Magic = 0x10b;
constexpr std::uint16_t kPe32PlusMagic = 0x20b;
// Where NumberOfRvaAndSizes sits in the optional header; the data directories follow it.
constexpr std::int64_t kPe32RvaCountField = 92;
constexpr std::int64_t kPe32PlusRvaCountField = 108;
constexpr std::int64_t kDataDirectoryEntrySize = 8;
constexpr std::uint32_t kCertificateDirectory = 4;
constexpr std::int64_t kSectionHeaderSize = 40;
constexpr std::size_t kSizeOfRawDataField = 16;
constexpr std::size_t kPointerToRawDataField = 20;
constexpr std::int64_t kSymbolRecordSize = 18;
// The string table opens with its own size, those four bytes included.
constexpr std::int64_t kStringTableSizeField = 4;
// The section table is read in slices, so that memory stays small however many sections there are.
constexpr std::int64_t kSectionsPerRead = 64;

std::uint16_t little16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t little32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// Every read goes through here, so that none can reach outside the file whatever a header says.
bool readInside(const ReadAt& read, std::int64_t fileSize, std::int64_t offset,
                std::span<std::uint8_t> into) {
    const auto length = static_cast<std::int64_t>(into.size());
    if (offset < 0 || offset > fileSize || length > fileSize - offset) {
        return false;
    }
    return read(offset, into);
}

// Where the headers are, as the DOS and COFF headers give it.
struct NtHeaders {
    std::int64_t optionalHeaderOffset = 0;
    std::int64_t optionalHeaderSize = 0;
    std::int64_t sectionCount = 0;
    std::int64_t symbolTableOffset = 0;  // 0: no COFF symbol table
    std::int64_t symbolCount = 0;
};

// The DOS header's pointer to the PE signature, then the signature and the COFF header.
std::optional<NtHeaders> readNtHeaders(const ReadAt& read, std::int64_t fileSize) {
    std::array<std::uint8_t, kDosHeaderSize> dosHeader{};
    if (!readInside(read, fileSize, 0, dosHeader) || dosHeader[0] != 'M' || dosHeader[1] != 'Z') {
        return std::nullopt;
    }
    // e_lfanew is a signed 32-bit field: a value with the top bit set points before the file.
    const std::uint32_t newHeaderField = little32(&dosHeader[kNewHeaderOffsetField]);
    if (newHeaderField > 0x7FFFFFFFu) {
        return std::nullopt;
    }
    const std::int64_t signatureOffset = newHeaderField;
    std::array<std::uint8_t, kSignatureSize + kCoffHeaderSize> ntHeaders{};
    if (!readInside(read, fileSize, signatureOffset, ntHeaders) || ntHeaders[0] != 'P' ||
        ntHeaders[1] != 'E' || ntHeaders[2] != 0 || ntHeaders[3] != 0) {
        return std::nullopt;
    }
    const std::uint8_t* coffHeader = &ntHeaders[kSignatureSize];
    const std::uint16_t sectionCount = little16(coffHeader + kNumberOfSectionsField);
    if (sectionCount == 0 || sectionCount == 0xFFFF) {
        return std::nullopt;
    }
    return NtHeaders{signatureOffset + kSignatureSize + kCoffHeaderSize,
                     little16(coffHeader + kSizeOfOptionalHeaderField), sectionCount,
                     little32(coffHeader + kPointerToSymbolTableField),
                     little32(coffHeader + kNumberOfSymbolsField)};
}

// The end of the certificate table, 0 when there is none; nothing when the optional header is no
// PE32 or PE32+ header, is too short for the fields read, or the table lies past the file's end.
std::optional<std::int64_t> certificateEnd(const ReadAt& read, std::int64_t fileSize,
                                           const NtHeaders& headers) {
    const std::int64_t optionalHeaderOffset = headers.optionalHeaderOffset;
    const std::int64_t optionalHeaderSize = headers.optionalHeaderSize;
    std::array<std::uint8_t, 2> magicBytes{};
    if (optionalHeaderSize < static_cast<std::int64_t>(magicBytes.size()) ||
        !readInside(read, fileSize, optionalHeaderOffset, magicBytes)) {
        return std::nullopt;
    }
    std::int64_t rvaCountField = 0;
    switch (little16(magicBytes.data())) {
        case kPe32Magic:
            rvaCountField = kPe32RvaCountField;
            break;
        case kPe32PlusMagic:
            rvaCountField = kPe32PlusRvaCountField;
            break;
        default:
            return std::nullopt;
    }
    std::array<std::uint8_t, 4> rvaCountBytes{};
    if (optionalHeaderSize < rvaCountField + 4 ||
        !readInside(read, fileSize, optionalHeaderOffset + rvaCountField, rvaCountBytes)) {
        return std::nullopt;
    }
    if (little32(rvaCountBytes.data()) <= kCertificateDirectory) {
        return 0;
    }
    const std::int64_t entryField =
        rvaCountField + 4 + kCertificateDirectory * kDataDirectoryEntrySize;
    std::array<std::uint8_t, kDataDirectoryEntrySize> entry{};
    if (optionalHeaderSize < entryField + kDataDirectoryEntrySize ||
        !readInside(read, fileSize, optionalHeaderOffset + entryField, entry)) {
        return std::nullopt;
    }
    // Unlike every other directory, the certificate table's address is a file offset: the table
    // is not mapped into memory, it simply lies at the end of the file.
    const std::int64_t tableOffset = little32(&entry[0]);
    const std::int64_t tableSize = little32(&entry[4]);
    if (tableOffset + tableSize > fileSize) {
        return std::nullopt;
    }
    // No table is an empty entry, whose end is 0 as well.
    return tableOffset + tableSize;
}

// The largest end of a section's raw data, 0 when none has any; nothing when the table is cut
// short or a section's data lies past the file's end.
std::optional<std::int64_t> sectionsEnd(const ReadAt& read, std::int64_t fileSize,
                                        const NtHeaders& headers) {
    // The section table follows the optional header at the size the COFF header gives it, which
    // may be larger than the fields read before.
    const std::int64_t sectionTableOffset =
        headers.optionalHeaderOffset + headers.optionalHeaderSize;
    std::array<std::uint8_t, kSectionsPerRead * kSectionHeaderSize> slice{};
    std::int64_t dataEnd = 0;
    for (std::int64_t first = 0; first < headers.sectionCount; first += kSectionsPerRead) {
        const std::int64_t count =
            std::min<std::int64_t>(kSectionsPerRead, headers.sectionCount - first);
        const std::span<std::uint8_t> table(slice.data(),
                                            static_cast<std::size_t>(count * kSectionHeaderSize));
        if (!readInside(read, fileSize, sectionTableOffset + first * kSectionHeaderSize, table)) {
            return std::nullopt;
        }
        for (std::int64_t index = 0; index < count; ++index) {
            const std::uint8_t* header = table.data() + index * kSectionHeaderSize;
            const std::int64_t rawSize = little32(header + kSizeOfRawDataField);
            const std::int64_t rawOffset = little32(header + kPointerToRawDataField);
            if (rawSize == 0) {
                continue;  // uninitialised data: nothing of it is stored in the file
            }
            // Both fields are 32 bits wide, so their sum cannot overflow 64 bits; it may still
            // pass 4 GiB, and a section whose data the file does not hold makes a damaged image.
            if (rawOffset + rawSize > fileSize) {
                return std::nullopt;
            }
            dataEnd = std::max(dataEnd, rawOffset + rawSize);
        }
    }
    return dataEnd;
}

// The end of the COFF symbol table and the string table that follows it, 0 when there is none;
// nothing when either lies past the file's end. The GNU linker leaves both at the end of an
// unstripped program, where a cut would take the names that debuggers and objdump read.
std::optional<std::int64_t> symbolTableEnd(const ReadAt& read, std::int64_t fileSize,
                                           const NtHeaders& headers) {
    if (headers.symbolTableOffset == 0) {
        return 0;
    }
    // Both fields are 32 bits wide: the end stays far below the range of 64 bits.
    const std::int64_t stringTableOffset =
        headers.symbolTableOffset + headers.symbolCount * kSymbolRecordSize;
    std::array<std::uint8_t, kStringTableSizeField> sizeBytes{};
    if (!readInside(read, fileSize, stringTableOffset, sizeBytes)) {
        return std::nullopt;
    }
    // A size below four (some writers leave an empty table's at 0) still has its own four bytes.
    const std::int64_t stringTableSize =
        std::max<std::int64_t>(little32(sizeBytes.data()), kStringTableSizeField);
    if (stringTableSize > fileSize - stringTableOffset) {
        return std::nullopt;
    }
    return stringTableOffset + stringTableSize;
}

}  // namespace

std::optional<std::int64_t> declaredDataEnd(const ReadAt& read, std::int64_t fileSize) {
    if (fileSize < kDosHeaderSize) {
        return std::nullopt;
    }
    const std::optional<NtHeaders> headers = readNtHeaders(read, fileSize);
    if (!headers) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> certificate = certificateEnd(read, fileSize, *headers);
    const std::optional<std::int64_t> sections =
        certificate ? sectionsEnd(read, fileSize, *headers) : std::nullopt;
    const std::optional<std::int64_t> symbols =
        sections ? symbolTableEnd(read, fileSize, *headers) : std::nullopt;
    if (!symbols) {
        return std::nullopt;
    }
    return std::max({*certificate, *sections, *symbols});
}

std::optional<std::int64_t> declaredDataEnd(const os::File& file, std::int64_t fileSize) {
    const ReadAt read = [&file](std::int64_t offset, std::span<std::uint8_t> into) {
        std::error_code readError;
        const std::size_t count = os::readAt(file, offset, into.data(), into.size(), readError);
        return !readError && count == into.size();
    };
    return declaredDataEnd(read, fileSize);
}

std::int64_t bytesOfImageCut(std::int64_t declaredEnd, std::int64_t copyLength) {
    const std::int64_t kept = std::max<std::int64_t>(copyLength, 0);
    return declaredEnd > kept ? declaredEnd - kept : 0;
}

}  // namespace velbrisk
