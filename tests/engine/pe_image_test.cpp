// Tests of the PE header reader: well-formed images, every kind of damage, and bounded reading.
#include "engine/pe_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "pe_builder.h"

namespace velbrisk {
namespace {

using testing::buildPe;
using testing::PeCertificateTable;
using testing::PeImage;
using testing::PeLayout;
using testing::PeSection;
using testing::put16;
using testing::put32;
using testing::typicalLayout;

// A file held in memory as its leading bytes followed by zeros up to `size`, which may be far
// larger than the bytes held. It records every read, and any read that reaches outside it.
class FakeFile {
public:
    FakeFile(std::vector<std::uint8_t> leading, std::int64_t size)
        : leading_(std::move(leading)), size_(size) {}
    explicit FakeFile(std::vector<std::uint8_t> bytes)
        : FakeFile(bytes, static_cast<std::int64_t>(bytes.size())) {}

    ReadAt reader() {
        return [this](std::int64_t offset, std::span<std::uint8_t> into) {
            const auto length = static_cast<std::int64_t>(into.size());
            if (offset < 0 || offset + length > size_) {
                readOutside = true;
                return false;
            }
            bytesRead += length;
            for (std::int64_t at = 0; at < length; ++at) {
                const std::int64_t place = offset + at;
                into[static_cast<std::size_t>(at)] =
                    place < static_cast<std::int64_t>(leading_.size())
                        ? leading_[static_cast<std::size_t>(place)]
                        : 0;
            }
            return true;
        };
    }
    std::optional<std::int64_t> declaredEnd() { return declaredDataEnd(reader(), size_); }

    std::int64_t bytesRead = 0;
    bool readOutside = false;

private:
    std::vector<std::uint8_t> leading_;
    std::int64_t size_;
};

// A row: a name after the edge it probes, how to make the image, and the expected declared end
// (nothing: not a PE image).
struct ImageCase {
    std::string name;
    std::function<std::vector<std::uint8_t>()> make;
    std::optional<std::int64_t> expected;
};

std::string caseName(const ::testing::TestParamInfo<ImageCase>& info) {
    return info.param.name;
}
void PrintTo(const ImageCase& row, std::ostream* out) {
    *out << row.name;
}

// A typical image with one change made to its bytes.
std::function<std::vector<std::uint8_t>()> spoiled(bool pe32Plus,
                                                   std::function<void(PeImage&)> change) {
    return [=] {
        PeImage image = buildPe(typicalLayout(pe32Plus));
        change(image);
        return image.bytes;
    };
}

std::function<std::vector<std::uint8_t>()> built(PeLayout layout) {
    return [=] { return buildPe(layout).bytes; };
}

PeLayout withCertificate(bool pe32Plus, std::uint32_t offset, std::uint32_t size) {
    PeLayout layout = typicalLayout(pe32Plus);
    layout.certificateTable = PeCertificateTable{offset, size};
    return layout;
}

PeLayout withTrailingZeros(PeLayout layout, std::uint32_t zeros) {
    layout.trailingZeros = zeros;
    return layout;
}

PeLayout withSections(bool pe32Plus, std::vector<PeSection> sections) {
    PeLayout layout = typicalLayout(pe32Plus);
    layout.sections = std::move(sections);
    return layout;
}

std::size_t lastSectionHeader(const PeImage& image) {
    return image.sectionTableOffset + testing::kSectionHeaderSize;
}

std::size_t certificateEntry(const PeImage& image) {
    return image.dataDirectoriesOffset + 8 * testing::kCertificateDirectory;
}

class WellFormedImage : public ::testing::TestWithParam<ImageCase> {};

TEST_P(WellFormedImage, DeclaresItsDataEnd) {
    FakeFile file(GetParam().make());
    EXPECT_EQ(file.declaredEnd(), GetParam().expected);
    EXPECT_FALSE(file.readOutside);
}

INSTANTIATE_TEST_SUITE_P(
    PeImage, WellFormedImage,
    ::testing::Values(
        ImageCase{"pe32_last_section_padding", built(typicalLayout(false)), 0x800},
        ImageCase{"pe32plus_last_section_padding", built(typicalLayout(true)), 0x800},
        ImageCase{"blank_tail_after_declared_data",
                  built(withTrailingZeros(typicalLayout(false), 5000)), 0x800},
        ImageCase{"sections_listed_out_of_file_order",
                  built(withSections(false, {{".data", 0x600, 0x200, {1, 2}},
                                             {".text", 0x400, 0x200, {3, 4}}})),
                  0x800},
        ImageCase{"section_without_raw_data_adds_nothing",
                  built(withSections(true, {{".text", 0x400, 0x200, {1}},
                                            {".bss", 0x7FFFFFFF, 0, {}}})),
                  0x600},
        ImageCase{"no_section_has_raw_data",
                  built(withSections(false, {{".bss", 0, 0, {}}})), 0},
        ImageCase{"pe32_certificate_table_at_end",
                  built(withCertificate(false, 0x800, 0x100)), 0x900},
        ImageCase{"pe32plus_certificate_table_at_end",
                  built(withCertificate(true, 0x800, 0x108)), 0x908},
        ImageCase{"certificate_table_before_blank_tail",
                  built(withTrailingZeros(withCertificate(true, 0x800, 0x80), 0x400)), 0x880},
        ImageCase{"five_data_directories_reach_certificate_entry",
                  [] {
                      PeLayout layout = withCertificate(false, 0x800, 0x20);
                      layout.dataDirectoryCount = 5;
                      return buildPe(layout).bytes;
                  },
                  0x820},
        ImageCase{"four_data_directories_have_no_certificate_entry",
                  [] {
                      PeLayout layout = withCertificate(true, 0x800, 0x20);
                      PeImage image = buildPe(layout);
                      put32(image.bytes, image.dataDirectoriesOffset - 4, 4);
                      return image.bytes;
                  },
                  0x800},
        ImageCase{"signature_right_after_dos_header",
                  [] {
                      PeLayout layout = typicalLayout(false);
                      layout.newHeaderOffset = 0x40;
                      return buildPe(layout).bytes;
                  },
                  0x800}),
    caseName);

class MalformedImage : public ::testing::TestWithParam<ImageCase> {};

TEST_P(MalformedImage, IsNotAPeImage) {
    FakeFile file(GetParam().make());
    EXPECT_EQ(file.declaredEnd(), std::nullopt);
    EXPECT_FALSE(file.readOutside);
}

std::vector<std::uint8_t> textFile() {
    std::string text;
    for (int line = 0; line < 40; ++line) {
        text += "MZ is how a program begins; this is only a text line.\n";
    }
    return {text.begin(), text.end()};
}

INSTANTIATE_TEST_SUITE_P(
    PeImage, MalformedImage,
    ::testing::Values(
        ImageCase{"empty_file", [] { return std::vector<std::uint8_t>{}; }, std::nullopt},
        ImageCase{"just_mz",
                  [] {
                      return std::vector<std::uint8_t>{'M', 'Z'};
                  },
                  std::nullopt},
        ImageCase{"plain_text_file", textFile, std::nullopt},
        ImageCase{"not_mz", spoiled(false, [](PeImage& i) { i.bytes[1] = 'X'; }), std::nullopt},
        ImageCase{"mz_without_pe_signature",
                  spoiled(false, [](PeImage& i) { i.bytes[i.signatureOffset + 1] = 'X'; }),
                  std::nullopt},
        ImageCase{"pe_signature_without_zero_bytes",
                  spoiled(true, [](PeImage& i) { i.bytes[i.signatureOffset + 3] = 1; }),
                  std::nullopt},
        ImageCase{"e_lfanew_past_end_of_file",
                  spoiled(false,
                          [](PeImage& i) {
                              put32(i.bytes, 0x3C, static_cast<std::uint32_t>(i.bytes.size()));
                          }),
                  std::nullopt},
        ImageCase{"e_lfanew_leaves_no_room_for_coff_header",
                  spoiled(false,
                          [](PeImage& i) {
                              const auto at = static_cast<std::uint32_t>(i.bytes.size() - 20);
                              put32(i.bytes, 0x3C, at);
                              i.bytes[at] = 'P';
                              i.bytes[at + 1] = 'E';
                          }),
                  std::nullopt},
        ImageCase{"e_lfanew_negative",
                  spoiled(true, [](PeImage& i) { put32(i.bytes, 0x3C, 0x80000000); }),
                  std::nullopt},
        ImageCase{"e_lfanew_minus_one",
                  spoiled(false, [](PeImage& i) { put32(i.bytes, 0x3C, 0xFFFFFFFF); }),
                  std::nullopt},
        ImageCase{"section_count_zero",
                  spoiled(false,
                          [](PeImage& i) {
                              put16(i.bytes, i.coffHeaderOffset + testing::kCoffNumberOfSections,
                                    0);
                          }),
                  std::nullopt},
        ImageCase{"section_count_65535",
                  [] {
                      // Room for the whole table, all of it blank, so that only the count is wrong.
                      PeImage image = buildPe(withSections(true, {{".bss", 0, 0, {}}}));
                      put16(image.bytes, image.coffHeaderOffset + testing::kCoffNumberOfSections,
                            0xFFFF);
                      image.bytes.resize(image.sectionTableOffset + 0xFFFF * 40);
                      return image.bytes;
                  },
                  std::nullopt},
        ImageCase{"section_table_past_end_of_file",
                  spoiled(false,
                          [](PeImage& i) {
                              put16(i.bytes, i.coffHeaderOffset + testing::kCoffNumberOfSections,
                                    200);
                          }),
                  std::nullopt},
        ImageCase{"rom_image_magic",
                  spoiled(false, [](PeImage& i) { put16(i.bytes, i.optionalHeaderOffset, 0x107); }),
                  std::nullopt},
        ImageCase{"optional_header_size_zero",
                  spoiled(true,
                          [](PeImage& i) {
                              put16(i.bytes,
                                    i.coffHeaderOffset + testing::kCoffSizeOfOptionalHeader, 0);
                          }),
                  std::nullopt},
        ImageCase{"optional_header_too_small_for_directory_count",
                  spoiled(false,
                          [](PeImage& i) {
                              put16(i.bytes,
                                    i.coffHeaderOffset + testing::kCoffSizeOfOptionalHeader, 95);
                          }),
                  std::nullopt},
        ImageCase{"pe32plus_optional_header_too_small_for_directory_count",
                  spoiled(true,
                          [](PeImage& i) {
                              put16(i.bytes,
                                    i.coffHeaderOffset + testing::kCoffSizeOfOptionalHeader, 111);
                          }),
                  std::nullopt},
        ImageCase{"optional_header_too_small_for_certificate_entry",
                  spoiled(true,
                          [](PeImage& i) {
                              put16(i.bytes,
                                    i.coffHeaderOffset + testing::kCoffSizeOfOptionalHeader,
                                    112 + 39);
                          }),
                  std::nullopt},
        ImageCase{"section_raw_data_one_byte_past_end",
                  spoiled(false,
                          [](PeImage& i) {
                              put32(i.bytes, lastSectionHeader(i) + testing::kSectionSizeOfRawData,
                                    0x201);
                          }),
                  std::nullopt},
        ImageCase{"section_end_wraps_past_32_bits",
                  spoiled(true,
                          [](PeImage& i) {
                              // 0xFFFFFF00 + 0x200 is 0x100 in 32-bit arithmetic.
                              put32(i.bytes,
                                    lastSectionHeader(i) + testing::kSectionPointerToRawData,
                                    0xFFFFFF00);
                          }),
                  std::nullopt},
        ImageCase{"certificate_table_one_byte_past_end",
                  spoiled(false,
                          [](PeImage& i) {
                              put32(i.bytes, certificateEntry(i), 0x700);
                              put32(i.bytes, certificateEntry(i) + 4, 0x101);
                          }),
                  std::nullopt},
        ImageCase{"certificate_end_wraps_past_32_bits",
                  spoiled(true,
                          [](PeImage& i) {
                              put32(i.bytes, certificateEntry(i), 0xFFFFFFF0);
                              put32(i.bytes, certificateEntry(i) + 4, 0x20);
                          }),
                  std::nullopt}),
    caseName);

// Cutting a well-formed image short anywhere before its declared end spoils it.
TEST(PeImageTruncated, EveryShorterPrefixIsNotAPeImage) {
    for (const bool pe32Plus : {false, true}) {
        const std::vector<std::uint8_t> whole =
            buildPe(withCertificate(pe32Plus, 0x800, 0x40)).bytes;
        for (std::size_t length = 0; length < whole.size(); ++length) {
            SCOPED_TRACE(::testing::Message() << "PE32+ " << pe32Plus << ", length " << length);
            FakeFile file({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)});
            ASSERT_EQ(file.declaredEnd(), std::nullopt);
            ASSERT_FALSE(file.readOutside);
        }
        EXPECT_EQ(FakeFile(whole).declaredEnd(), 0x840);
    }
}

// With no section data, the headers alone decide: the image is whole once its section table is.
TEST(PeImageTruncated, HeadersAreWholeExactlyAtTheSectionTableEnd) {
    for (const bool pe32Plus : {false, true}) {
        const PeImage image =
            buildPe(withSections(pe32Plus, {{".bss", 0, 0, {}}, {".tls", 0, 0, {}}}));
        for (std::size_t length = 0; length <= image.headersEnd + 8; ++length) {
            SCOPED_TRACE(::testing::Message() << "PE32+ " << pe32Plus << ", length " << length);
            std::vector<std::uint8_t> prefix(
                image.bytes.begin(), image.bytes.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                               length, image.bytes.size())));
            FakeFile file(prefix, static_cast<std::int64_t>(length));
            const std::optional<std::int64_t> expected =
                length >= image.headersEnd ? std::optional<std::int64_t>(0) : std::nullopt;
            ASSERT_EQ(file.declaredEnd(), expected);
            ASSERT_FALSE(file.readOutside);
        }
    }
}

TEST(PeImageReading, FailedReadIsNotAPeImage) {
    const std::vector<std::uint8_t> bytes = buildPe(typicalLayout(false)).bytes;
    int readsAllowed = 0;
    for (int failAt = 0; failAt < 6; ++failAt) {
        readsAllowed = failAt;
        FakeFile file(bytes);
        ReadAt inner = file.reader();
        const ReadAt failing = [&](std::int64_t offset, std::span<std::uint8_t> into) {
            return readsAllowed-- > 0 && inner(offset, into);
        };
        SCOPED_TRACE(::testing::Message() << "read " << failAt << " fails");
        EXPECT_EQ(declaredDataEnd(failing, static_cast<std::int64_t>(bytes.size())), std::nullopt);
    }
}

// A file of a terabyte whose headers are those of the typical image: the reader asks for the
// headers only, a few hundred bytes.
TEST(PeImageReading, HugeFileReadsOnlyItsHeaders) {
    PeLayout layout = typicalLayout(true);
    const PeImage image = buildPe(layout);
    FakeFile file(image.bytes, std::int64_t{1} << 40);
    EXPECT_EQ(file.declaredEnd(), 0x800);
    EXPECT_FALSE(file.readOutside);
    EXPECT_LE(file.bytesRead, 64 + 24 + 14 + 2 * 40);
}

// The largest section table accepted, in a file large enough for it: still bounded.
TEST(PeImageReading, LargestSectionTableIsReadInBoundedSteps) {
    PeImage image = buildPe(withSections(false, {{".text", 0, 0, {}}}));
    put16(image.bytes, image.coffHeaderOffset + testing::kCoffNumberOfSections, 0xFFFE);
    FakeFile file(image.bytes, std::int64_t{1} << 40);
    EXPECT_EQ(file.declaredEnd(), 0);
    EXPECT_FALSE(file.readOutside);
    EXPECT_GT(file.bytesRead, 0xFFFE * 40);
    EXPECT_LE(file.bytesRead, kMostHeaderBytesRead);
}

// Raw data past 4 GiB in a file that really is that large: the sum must not wrap at 32 bits.
TEST(PeImageReading, SectionEndingPastFourGibibytes) {
    PeImage image = buildPe(typicalLayout(true));
    put32(image.bytes, lastSectionHeader(image) + testing::kSectionPointerToRawData, 0xFFFFFF00);
    FakeFile file(image.bytes, std::int64_t{1} << 33);
    EXPECT_EQ(file.declaredEnd(), 0x100000100);
    EXPECT_FALSE(file.readOutside);
}

class PeImageFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("velbrisk-pe-" + std::to_string(std::random_device{}()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string write(const std::string& utf8Name, const std::vector<std::uint8_t>& bytes) {
        const std::filesystem::path path =
            folder_ / std::filesystem::path(std::u8string(utf8Name.begin(), utf8Name.end()));
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        const std::u8string text = path.u8string();
        return {text.begin(), text.end()};
    }

    std::filesystem::path folder_;
};

TEST_F(PeImageFile, ReadsAProgramOnDisk) {
    const std::string path = write(
        "程序.exe", buildPe(withTrailingZeros(withCertificate(true, 0x800, 0x30), 777)).bytes);
    EXPECT_EQ(declaredDataEnd(path), 0x830);
}

TEST_F(PeImageFile, TextFileOnDiskIsNotAPeImage) {
    EXPECT_EQ(declaredDataEnd(write("readme.txt", textFile())), std::nullopt);
}

TEST_F(PeImageFile, MissingFileAndFolderAreNotPeImages) {
    const std::u8string folder = folder_.u8string();
    EXPECT_EQ(declaredDataEnd(std::string(folder.begin(), folder.end())), std::nullopt);
    EXPECT_EQ(declaredDataEnd(std::string(folder.begin(), folder.end()) + "/none.exe"),
              std::nullopt);
}

struct CutCase {
    std::string name;
    std::int64_t declaredEnd;
    std::int64_t copyLength;
    std::int64_t expected;
};

void PrintTo(const CutCase& row, std::ostream* out) {
    *out << row.name;
}

class BytesOfImageCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(BytesOfImageCut, CountsDeclaredBytesLeftOut) {
    EXPECT_EQ(bytesOfImageCut(GetParam().declaredEnd, GetParam().copyLength), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    PeImage, BytesOfImageCut,
    ::testing::Values(CutCase{"copy_keeps_one_byte_more", 0x800, 0x801, 0},
                      CutCase{"copy_ends_at_declared_end", 0x800, 0x800, 0},
                      CutCase{"copy_one_byte_short", 0x800, 0x7FF, 1},
                      CutCase{"copy_inside_last_section", 0x800, 0x641, 0x1BF},
                      CutCase{"nothing_declared", 0, 10, 0},
                      CutCase{"nothing_copied", 0x900, 0, 0x900},
                      CutCase{"past_four_gibibytes", 0x100000100, 0xFFFFFFFF, 0x101}),
    [](const ::testing::TestParamInfo<CutCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velbrisk
