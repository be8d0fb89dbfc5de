// Tests of the PE header reader: where an image's declared data ends, read only inside the file.
#include "engine/trim.h"
#include "pe_builder.h"
#include "test_files.h"

namespace velbrisk::testing {
namespace {

using testing::PrintTo;  // found by argument-dependent lookup only when declared here
using Bytes = std::vector<std::uint8_t>;
using End = std::optional<std::int64_t>;
constexpr End kNotPe = std::nullopt;

// The image (typical sections unless named), a field spoiled, the file's size (zeros past it).
struct ImageCase {
    const char* name;
    PeLayout layout;
    void (*spoil)(PeImage&);
    End expected;
    std::int64_t fileSize = -1;
};

class DeclaredEndTable : public ::testing::TestWithParam<ImageCase> {};

TEST_P(DeclaredEndTable, ReadsOnlyInsideTheFile) {
    const ImageCase& row = GetParam();
    PeLayout layout = row.layout;
    if (layout.sections.empty()) {
        layout.sections = typicalLayout(false).sections;
    }
    PeImage image = buildPe(layout);
    if (row.spoil != nullptr) {
        row.spoil(image);
    }
    FakeFile file{image.bytes};
    file.size = row.fileSize >= 0 ? row.fileSize : file.size;
    EXPECT_EQ(file.declaredEnd(), row.expected);
    EXPECT_FALSE(file.readOutside);
    EXPECT_LE(file.bytesRead, kMostHeaderBytesRead);
}

constexpr std::int64_t k8GiB = std::int64_t{1} << 33;
const ImageCase kImages[] = {
    {"sections_out_of_file_order",
     {.sections = {{".data", 0x600, 0x200, {1}}, {".text", 0x400, 0x200, {3}}}}, nullptr, 0x800},
    {"certificate_table_before_blank_tail",
     {.pe32Plus = true, .certificateTable = {{0x800, 0x108}}, .trailingZeros = 0x400}, nullptr,
     0x908},
    {"five_directories_then_the_section_table", {.dataDirectoryCount = 5}, nullptr, 0x800},
    // Sixteen directories built, four counted: the certificate's entry is there to be ignored.
    {"four_directories_have_no_certificate", {.pe32Plus = true, .certificateTable = {{0x800, 32}}},
     [](PeImage& i) { i.put(4, i.certificateEntryOffset - 36, 4); }, 0x800},
    {"section_ending_past_four_gib", {.pe32Plus = true},
     [](PeImage& i) { i.put(4, i.headersEnd - 20, 0xFFFFFF00); }, 0x100000100, k8GiB},
    {"section_count_65535", {.pe32Plus = true, .sections = {{".bss", 0, 0, {}}}},
     [](PeImage& i) { i.put(2, kCoffHeaderOffset + 2, 0xFFFF); }, kNotPe, k8GiB},
    {"last_section_one_byte_past_end", {}, nullptr, kNotPe, 0x7FF},
    // 0x800 + 3 × 18 + 0x20: the names after the symbols end the declared data.
    {"string_table_after_the_symbols", {.symbolTable = {{0x800, 3, 0x20}}}, nullptr, 0x856},
    {"string_table_size_zero_keeps_its_field", {.pe32Plus = true, .symbolTable = {{0x800, 2, 0}}},
     nullptr, 0x828},
    // 0x0E38E38F × 18 passes 4 GiB by 14 bytes: counted in 32 bits it would be 14.
    {"symbols_ending_past_four_gib", {.pe32Plus = true, .symbolTable = {{0x800, 0, 4}}},
     [](PeImage& i) { i.put(4, kCoffHeaderOffset + 12, 0x0E38E38F); }, 0x100000812, k8GiB},
};

INSTANTIATE_TEST_SUITE_P(PeImage, DeclaredEndTable, ::testing::ValuesIn(kImages), rowName);

// A signed or unstripped image cut short anywhere before its declared end is spoiled, and so is
// one whose header reads fail: its certificate and its symbols must not go unseen.
TEST(PeImagePrefix, IsAnImageOnlyWithAllItDeclares) {
    PeLayout signedImage = typicalLayout(false);
    signedImage.certificateTable = {0x800, 0x40};
    PeLayout unstripped = typicalLayout(true);
    unstripped.symbolTable = {0x800, 2, 12};
    for (const PeLayout& whole : {signedImage, unstripped}) {
        const Bytes image = buildPe(whole).bytes;
        for (std::size_t length = 0; length <= image.size(); ++length) {
            SCOPED_TRACE(::testing::Message()
                         << "PE32+ " << whole.pe32Plus << ", length " << length);
            FakeFile prefix{image, std::int64_t(length)};
            ASSERT_EQ(prefix.declaredEnd(), length == image.size() ? End(length) : kNotPe);
            ASSERT_FALSE(prefix.readOutside);
        }
    }
    PeLayout signedUnstripped = signedImage;
    signedUnstripped.symbolTable = {0x840, 1, 8};
    for (int readsLeft = 0; readsLeft < 7; ++readsLeft) {
        FakeFile file{buildPe(signedUnstripped).bytes};
        file.readsLeft = readsLeft;
        EXPECT_EQ(file.declaredEnd(), kNotPe) << readsLeft << " reads succeed";
    }
}

// The signature ends at 0x830, its last 16 bytes zero padding, then 768 blank bytes: L = 2864,
// the last data byte at 2079, so the copy keeps 2085 bytes, 11 short of the declared end.
TEST_F(InScratchFolder, ScanCountsTheProgramBytesItsCutLeavesOut) {
    PeLayout layout = typicalLayout(true);
    layout.certificateTable = {0x800, 0x30};
    layout.trailingZeros = 768;
    Bytes program = buildPe(layout).bytes;
    std::fill(program.begin() + 0x820, program.begin() + 0x830, 0);
    writeFile(folder / "signed.exe", std::string(program.begin(), program.end()));
    TrimPlan plan;
    ASSERT_EQ(scanSource(folder / "signed.exe", plan).status, JobStatus::Done);
    EXPECT_EQ(plan.cut->outputLength, 2085);
    EXPECT_EQ(plan.imageBytesCut, 11);
    EXPECT_EQ(bytesOfImageCut(0x800, 0x801), 0) << "the copy's extra byte";
    // The answer that keeps the program whole copies it to the last byte of its signature.
    const std::optional<TrimPlan> safe = safePlan(plan);
    ASSERT_TRUE(safe);
    ASSERT_EQ(writeTrimmed(*safe, folder / "copy.exe").status, JobStatus::Done);
    EXPECT_EQ(readFile(folder / "copy.exe"), std::string(program.begin(), program.begin() + 0x830));
}

}  // namespace
}  // namespace velbrisk::testing
