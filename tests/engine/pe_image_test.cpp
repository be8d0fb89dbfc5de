// Tests of the PE header reader: well-formed images, every kind of damage, and bounded reading.
#include "engine/pe_image.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pe_builder.h"
#include "test_files.h"

namespace velbrisk {
namespace {

using testing::buildPe;
using testing::InScratchFolder;
using testing::PeImage;
using testing::PeLayout;
using testing::PeSection;
using testing::PrintTo;
using testing::rowName;
using testing::typicalLayout;
using Bytes = std::vector<std::uint8_t>;
using End = std::optional<std::int64_t>;

// A file of `size` bytes: `leading` (or as much of it as fits), then zeros. It counts the bytes
// read, and marks any read that reaches outside the file.
struct FakeFile {
    Bytes leading;
    std::int64_t size = static_cast<std::int64_t>(leading.size());
    std::int64_t bytesRead = 0;
    bool readOutside = false;
    int readsLeft = -1;  // how many reads succeed before the rest fail; -1: all

    End declaredEnd() {
        return declaredDataEnd(
            [this](std::int64_t offset, std::span<std::uint8_t> into) {
                const auto length = static_cast<std::int64_t>(into.size());
                readOutside = readOutside || offset < 0 || offset + length > size;
                if (readsLeft == 0) {
                    return false;
                }
                --readsLeft;
                bytesRead += length;
                for (std::size_t k = 0; k < into.size(); ++k) {
                    const auto at = static_cast<std::size_t>(offset) + k;
                    into[k] = at < leading.size() ? leading[at] : 0;
                }
                return !readOutside;
            },
            size);
    }
};

PeLayout signedLayout(bool pe32Plus, std::uint32_t offset, std::uint32_t size,
                      std::uint32_t directories = 16, std::uint32_t trailingZeros = 0) {
    PeLayout layout = typicalLayout(pe32Plus);
    layout.certificateTable = {offset, size};
    layout.dataDirectoryCount = directories;
    layout.trailingZeros = trailingZeros;
    return layout;
}

PeLayout withSections(bool pe32Plus, std::vector<PeSection> sections) {
    PeLayout layout = typicalLayout(pe32Plus);
    layout.sections = std::move(sections);
    return layout;
}

// A row: a name after the edge it probes, the image, the file's size when it is not the image's
// own, and the declared end expected (nothing: not a PE image).
struct ImageCase {
    const char* name;
    std::function<Bytes()> make;
    End expected;
    std::int64_t fileSize = -1;
};

std::function<Bytes()> built(PeLayout layout) {
    return [=] { return buildPe(layout).bytes; };
}

// The typical image with one change made to its headers.
std::function<Bytes()> spoiled(bool pe32Plus, std::function<void(PeImage&)> change) {
    return [=] {
        PeImage image = buildPe(typicalLayout(pe32Plus));
        change(image);
        return image.bytes;
    };
}

// Offsets of the fields that the rows spoil.
std::size_t sectionCount(const PeImage& i) {
    return i.coffHeaderOffset + testing::kCoffNumberOfSections;
}
std::size_t optionalSize(const PeImage& i) {
    return i.coffHeaderOffset + testing::kCoffSizeOfOptionalHeader;
}
std::size_t lastSection(const PeImage& i, std::size_t field) {
    return i.sectionTableOffset + testing::kSectionHeaderSize + field;
}

class DeclaredEndTable : public ::testing::TestWithParam<ImageCase> {};

TEST_P(DeclaredEndTable, ReadsOnlyInsideTheFile) {
    FakeFile file{GetParam().make()};
    if (GetParam().fileSize >= 0) {
        file.size = GetParam().fileSize;
    }
    EXPECT_EQ(file.declaredEnd(), GetParam().expected);
    EXPECT_FALSE(file.readOutside);
}

constexpr End kNotPe = std::nullopt;
const std::string kText(2000, 'x');

INSTANTIATE_TEST_SUITE_P(
    PeImage, DeclaredEndTable,
    ::testing::Values(
        ImageCase{"pe32_last_section_padding", built(typicalLayout(false)), 0x800},
        ImageCase{"pe32plus_last_section_padding", built(typicalLayout(true)), 0x800},
        ImageCase{"sections_listed_out_of_file_order",
                  built(withSections(false, {{".data", 0x600, 0x200, {1}}, {".text", 0x400, 0x200, {3}}})),
                  0x800},
        ImageCase{"section_without_raw_data_adds_nothing",
                  built(withSections(true, {{".text", 0x400, 0x200, {1}}, {".bss", 0x7FFFFFFF, 0, {}}})),
                  0x600},
        ImageCase{"no_section_has_raw_data", built(withSections(false, {{".bss", 0, 0, {}}})), 0},
        ImageCase{"pe32_certificate_table_at_end", built(signedLayout(false, 0x800, 0x100)), 0x900},
        ImageCase{"pe32plus_certificate_table_before_blank_tail",
                  built(signedLayout(true, 0x800, 0x108, 16, 0x400)), 0x908},
        ImageCase{"five_data_directories_reach_certificate_entry",
                  built(signedLayout(false, 0x800, 0x20, 5)), 0x820},
        ImageCase{"four_data_directories_have_no_certificate_entry",
                  [] {
                      PeImage image = buildPe(signedLayout(true, 0x800, 0x20));
                      image.put32(image.certificateEntryOffset - 8 * 4 - 4, 4);
                      return image.bytes;
                  },
                  0x800},
        ImageCase{"signature_right_after_dos_header",
                  [] {
                      PeLayout layout = typicalLayout(false);
                      layout.newHeaderOffset = 0x40;
                      return buildPe(layout).bytes;
                  },
                  0x800},
        ImageCase{"section_ending_past_four_gib",
                  spoiled(true, [](PeImage& i) { i.put32(lastSection(i, 20), 0xFFFFFF00); }),
                  0x100000100, std::int64_t{1} << 33},
        ImageCase{"empty_file", [] { return Bytes{}; }, kNotPe},
        ImageCase{"just_mz", [] { return Bytes{'M', 'Z'}; }, kNotPe},
        ImageCase{"text_file", [] { return Bytes(kText.begin(), kText.end()); }, kNotPe},
        ImageCase{"not_mz", spoiled(false, [](PeImage& i) { i.bytes[1] = 'X'; }), kNotPe},
        ImageCase{"mz_without_pe_signature",
                  spoiled(false, [](PeImage& i) { i.bytes[i.signatureOffset + 1] = 'X'; }), kNotPe},
        ImageCase{"pe_signature_without_zero_bytes",
                  spoiled(true, [](PeImage& i) { i.bytes[i.signatureOffset + 3] = 1; }), kNotPe},
        ImageCase{"e_lfanew_past_end_of_file",
                  spoiled(false, [](PeImage& i) { i.put32(0x3C, std::uint32_t(i.bytes.size())); }),
                  kNotPe},
        ImageCase{"e_lfanew_leaves_no_room_for_coff_header",
                  spoiled(false,
                          [](PeImage& i) {
                              const auto at = std::uint32_t(i.bytes.size() - 20);
                              i.put32(0x3C, at);
                              i.put16(at, 'P' | 'E' << 8);
                          }),
                  kNotPe},
        ImageCase{"e_lfanew_negative", spoiled(true, [](PeImage& i) { i.put32(0x3C, 0x80000000); }),
                  kNotPe},
        ImageCase{"e_lfanew_minus_one", spoiled(false, [](PeImage& i) { i.put32(0x3C, ~0u); }),
                  kNotPe},
        ImageCase{"section_count_zero",
                  spoiled(false, [](PeImage& i) { i.put16(sectionCount(i), 0); }), kNotPe},
        ImageCase{"section_count_65535",
                  [] {
                      // Room for the whole table, all of it blank, so that only the count is wrong.
                      PeImage image = buildPe(withSections(true, {{".bss", 0, 0, {}}}));
                      image.put16(sectionCount(image), 0xFFFF);
                      image.bytes.resize(image.sectionTableOffset + 0xFFFF * 40);
                      return image.bytes;
                  },
                  kNotPe},
        ImageCase{"section_table_past_end_of_file",
                  spoiled(false, [](PeImage& i) { i.put16(sectionCount(i), 200); }), kNotPe},
        ImageCase{"rom_image_magic",
                  spoiled(false, [](PeImage& i) { i.put16(i.optionalHeaderOffset, 0x107); }),
                  kNotPe},
        ImageCase{"optional_header_size_zero",
                  spoiled(true, [](PeImage& i) { i.put16(optionalSize(i), 0); }), kNotPe},
        ImageCase{"pe32_optional_header_too_small_for_directory_count",
                  spoiled(false, [](PeImage& i) { i.put16(optionalSize(i), 95); }), kNotPe},
        ImageCase{"pe32plus_optional_header_too_small_for_directory_count",
                  spoiled(true, [](PeImage& i) { i.put16(optionalSize(i), 111); }), kNotPe},
        ImageCase{"optional_header_too_small_for_certificate_entry",
                  spoiled(true, [](PeImage& i) { i.put16(optionalSize(i), 112 + 39); }), kNotPe},
        ImageCase{"section_raw_data_one_byte_past_end",
                  spoiled(false, [](PeImage& i) { i.put32(lastSection(i, 16), 0x201); }), kNotPe},
        ImageCase{"section_end_wraps_past_32_bits",  // 0xFFFFFF00 + 0x200 is 0x100 in 32 bits
                  spoiled(true, [](PeImage& i) { i.put32(lastSection(i, 20), 0xFFFFFF00); }),
                  kNotPe},
        ImageCase{"certificate_table_one_byte_past_end",
                  spoiled(false,
                          [](PeImage& i) {
                              i.put32(i.certificateEntryOffset, 0x700);
                              i.put32(i.certificateEntryOffset + 4, 0x101);
                          }),
                  kNotPe},
        ImageCase{"certificate_end_wraps_past_32_bits",
                  spoiled(true,
                          [](PeImage& i) {
                              i.put32(i.certificateEntryOffset, 0xFFFFFFF0);
                              i.put32(i.certificateEntryOffset + 4, 0x20);
                          }),
                  kNotPe}),
    rowName);

// A signed image cut short anywhere before its declared end is spoiled; an image whose sections
// hold no data is whole exactly once its section table is.
TEST(PeImagePrefix, IsAnImageOnlyWithAllItDeclares) {
    for (const bool pe32Plus : {false, true}) {
        const Bytes signedImage = buildPe(signedLayout(pe32Plus, 0x800, 0x40)).bytes;
        const PeImage headersOnly =
            buildPe(withSections(pe32Plus, {{".bss", 0, 0, {}}, {".tls", 0, 0, {}}}));
        for (std::size_t length = 0; length <= signedImage.size(); ++length) {
            SCOPED_TRACE(::testing::Message() << "PE32+ " << pe32Plus << ", length " << length);
            FakeFile prefix{signedImage, std::int64_t(length)};
            FakeFile headersPrefix{headersOnly.bytes, std::int64_t(length)};
            ASSERT_EQ(prefix.declaredEnd(), length == signedImage.size() ? End(0x840) : kNotPe);
            ASSERT_EQ(headersPrefix.declaredEnd(),
                      length >= headersOnly.headersEnd ? End(0) : kNotPe);
            ASSERT_FALSE(prefix.readOutside || headersPrefix.readOutside);
        }
    }
}

TEST(PeImageReading, FailedReadIsNotAnImage) {
    for (int readsLeft = 0; readsLeft < 6; ++readsLeft) {
        FakeFile file{buildPe(typicalLayout(false)).bytes};
        file.readsLeft = readsLeft;
        EXPECT_EQ(file.declaredEnd(), kNotPe) << readsLeft << " reads succeed";
    }
}

// Files of a terabyte: the reader asks for the headers only, a few hundred bytes for the typical
// image, and no more than its bound for the largest section table it accepts.
TEST(PeImageReading, ReadsOnlyTheHeadersOfAHugeFile) {
    FakeFile typical{buildPe(typicalLayout(true)).bytes, std::int64_t{1} << 40};
    EXPECT_EQ(typical.declaredEnd(), 0x800);
    EXPECT_LE(typical.bytesRead, 64 + 24 + 14 + 2 * 40);

    PeImage image = buildPe(withSections(false, {{".text", 0, 0, {}}}));
    image.put16(sectionCount(image), 0xFFFE);
    FakeFile largest{image.bytes, std::int64_t{1} << 40};
    EXPECT_EQ(largest.declaredEnd(), 0);
    EXPECT_GT(largest.bytesRead, 0xFFFE * 40);
    EXPECT_LE(largest.bytesRead, kMostHeaderBytesRead);
    EXPECT_FALSE(typical.readOutside || largest.readOutside);
}

// The reader over the engine's own file layer.
TEST_F(InScratchFolder, PeImageOnDisk) {
    const Bytes program = buildPe(signedLayout(true, 0x800, 0x30, 16, 777)).bytes;
    testing::writeFile(folder / "程序.exe", std::string(program.begin(), program.end()));
    testing::writeFile(folder / "readme.txt", kText);
    EXPECT_EQ(declaredDataEnd(folder / "程序.exe"), 0x830);
    EXPECT_EQ(declaredDataEnd(folder / "readme.txt"), kNotPe);
    EXPECT_EQ(declaredDataEnd(folder / "none.exe"), kNotPe);
    EXPECT_EQ(declaredDataEnd(folder / ""), kNotPe) << "a folder";
}

struct CutCase {
    const char* name;
    std::int64_t declaredEnd;
    std::int64_t copyLength;
    std::int64_t expected;
};

class BytesOfImageCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(BytesOfImageCut, CountsDeclaredBytesLeftOut) {
    EXPECT_EQ(bytesOfImageCut(GetParam().declaredEnd, GetParam().copyLength), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(PeImage, BytesOfImageCut,
                         ::testing::Values(CutCase{"copy_keeps_one_byte_more", 0x800, 0x801, 0},
                                           CutCase{"copy_ends_at_declared_end", 0x800, 0x800, 0},
                                           CutCase{"copy_one_byte_short", 0x800, 0x7FF, 1},
                                           CutCase{"nothing_declared", 0, 10, 0},
                                           CutCase{"nothing_copied", 0x900, 0, 0x900},
                                           CutCase{"past_four_gib", 0x100000100, 0xFFFFFFFF,
                                                   0x101}),
                         rowName);

}  // namespace
}  // namespace velbrisk
