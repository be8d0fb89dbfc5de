// Windows-only cases of the engine: its folder rule, wide-character names, the atomic replace and
// the identity of one file under two spellings. Built only for Windows (run here under Wine).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "engine/os_file.h"
#include "engine/trim.h"

namespace velbrisk {
namespace {

namespace fs = std::filesystem;

struct FolderCase {
    const char* name;
    const char* sourcePath;
    const char* outputName;
    const char* expectedFolder;
    const char* expectedOutput;
};

// Rows named after the edge of the Windows folder rule they probe.
const FolderCase kFolderCases[] = {
    {"backslash_folders", "C:\\tools\\sub\\app.exe", "small", "C:\\tools\\sub\\",
     "C:\\tools\\sub\\small.exe"},
    {"forward_slash_folders", "C:/tools/sub/app.exe", "small", "C:/tools/sub/",
     "C:/tools/sub/small.exe"},
    {"mixed_separators_last_one_counts", "C:\\tools/sub\\app.exe", "small", "C:\\tools/sub\\",
     "C:\\tools/sub\\small.exe"},
    {"slash_after_backslash", "C:\\tools\\sub/app.exe", "small", "C:\\tools\\sub/",
     "C:\\tools\\sub/small.exe"},
    {"drive_root_keeps_its_one_separator", "C:\\SETUP.EXE", "small", "C:\\", "C:\\small.exe"},
    {"drive_root_with_slash", "D:/app.exe", "small", "D:/", "D:/small.exe"},
    {"path_ending_in_separator", "C:\\tools\\", "small", "C:\\tools\\", "C:\\tools\\small.exe"},
    {"network_share", "\\\\server\\share\\app.exe", "small", "\\\\server\\share\\",
     "\\\\server\\share\\small.exe"},
    {"no_folder_at_all", "app.exe", "small", "", "small.exe"},
    {"chinese_folder_and_name", "C:\\测试\\程序.exe", "小程序", "C:\\测试\\",
     "C:\\测试\\小程序.exe"},
    {"name_already_ending_in_exe", "C:\\tools\\app.exe", "small.exe", "C:\\tools\\",
     "C:\\tools\\small.exe.exe"},
};

// Test listings name a row by its name rather than by its bytes.
void PrintTo(const FolderCase& row, std::ostream* out) {
    *out << row.name;
}

class WindowsFolderRule : public testing::TestWithParam<FolderCase> {};

TEST_P(WindowsFolderRule, FolderAndOutputPath) {
    const FolderCase& row = GetParam();
    EXPECT_EQ(sourceFolder(row.sourcePath), row.expectedFolder);
    EXPECT_EQ(outputPath(row.sourcePath, row.outputName), row.expectedOutput);
}

INSTANTIATE_TEST_SUITE_P(Rows, WindowsFolderRule, testing::ValuesIn(kFolderCases),
                         [](const testing::TestParamInfo<FolderCase>& info) {
                             return std::string{info.param.name};
                         });

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string{text.begin(), text.end()};
}

std::vector<char> readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const fs::path& path, const std::vector<char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A 1000-byte file with data up to offset 700 and zeros after it: the scan's first probe that
// holds data is at i = 300, so the copy is offsets 0 to 710, 711 bytes.
std::vector<char> sourceWithBlankTail() {
    std::vector<char> bytes(1000, '\0');
    for (std::size_t k = 0; k <= 700; ++k) {
        bytes[k] = static_cast<char>('A' + k % 26);
    }
    return bytes;
}

std::vector<char> expectedCopy() {
    std::vector<char> bytes = sourceWithBlankTail();
    bytes.resize(711);
    return bytes;
}

// Every test gets a fresh folder inside the system's temporary folder; Chinese names included.
class WindowsFiles : public testing::Test {
protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::temp_directory_path() / (std::string{"velbrisk-"} + info->name()) /
                  fs::path{u8"测试 文件夹"};
        fs::remove_all(folder_.parent_path());
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        // A read-only file left by a test would stop remove_all on Windows.
        for (const auto& entry : fs::recursive_directory_iterator(folder_.parent_path(), ignored)) {
            fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
        }
        fs::remove_all(folder_.parent_path(), ignored);
    }

    std::vector<std::wstring> namesInFolder() const {
        std::vector<std::wstring> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().wstring());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder_;
};

TEST_F(WindowsFiles, ChineseNamesReachTheDiskAsTheyWereTyped) {
    const fs::path source = folder_ / fs::path{u8"程序.exe"};
    writeAll(source, sourceWithBlankTail());

    const JobResult result = trimFile(utf8(source), "小程序");

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    // The wide name on disk is the typed one, not its UTF-8 bytes read in some code page.
    EXPECT_EQ(namesInFolder(), (std::vector<std::wstring>{L"小程序.exe", L"程序.exe"}));
    EXPECT_EQ(readAll(folder_ / fs::path{u8"小程序.exe"}), expectedCopy());
    EXPECT_EQ(readAll(source), sourceWithBlankTail());
}

TEST_F(WindowsFiles, BackslashPathsWork) {
    std::string source = utf8(folder_ / "app.exe");
    std::replace(source.begin(), source.end(), '/', '\\');
    writeAll(folder_ / "app.exe", sourceWithBlankTail());

    const JobResult result = trimFile(source, "small");

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(readAll(folder_ / "small.exe"), expectedCopy());
}

// A blank tail long enough for the scan's second reader: both threads read through one handle.
TEST_F(WindowsFiles, LongBlankTailIsReadByTwoThreadsThroughOneHandle) {
    const std::int64_t lastDataOffset = (std::int64_t{3} << 20) + 2;
    std::vector<char> bytes(std::size_t{9} << 20, '\0');
    std::fill(bytes.begin(), bytes.begin() + lastDataOffset + 1, 'x');
    writeAll(folder_ / "app.exe", bytes);

    const JobResult result = trimFile(utf8(folder_ / "app.exe"), "small");

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    bytes.resize(static_cast<std::size_t>(
        findCut(static_cast<std::int64_t>(bytes.size()), lastDataOffset)->outputLength));
    EXPECT_EQ(readAll(folder_ / "small.exe"), bytes);
}

// A source at the root of a drive: its folder is "C:\" itself, so the output lands beside it,
// with one separator, not two and not none.
TEST(WindowsDriveRoot, OutputLandsBesideASourceAtTheRoot) {
    const fs::path root = fs::temp_directory_path().root_path();
    const std::string tag = std::to_string(::GetCurrentProcessId());
    const fs::path source = root / ("velbrisk-root-" + tag + ".exe");
    const fs::path output = root / ("velbrisk-small-" + tag + ".exe");
    writeAll(source, sourceWithBlankTail());
    if (!fs::exists(source)) {
        GTEST_SKIP() << "cannot write at " << root.string() << " (not an administrator)";
    }
    std::string sourceText = utf8(source);
    std::replace(sourceText.begin(), sourceText.end(), '/', '\\');
    ASSERT_EQ(sourceFolder(sourceText), utf8(root));

    const JobResult result = trimFile(sourceText, "velbrisk-small-" + tag);

    EXPECT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(readAll(output), expectedCopy());
    std::error_code ignored;
    fs::remove(source, ignored);
    fs::remove(output, ignored);
}

TEST_F(WindowsFiles, OutputReplacesALongerFileWhole) {
    writeAll(folder_ / "app.exe", sourceWithBlankTail());
    writeAll(folder_ / "small.exe", std::vector<char>(5000, 'x'));

    const JobResult result = trimFile(utf8(folder_ / "app.exe"), "small");

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(readAll(folder_ / "small.exe"), expectedCopy());
    // No temporary file is left beside it.
    EXPECT_EQ(namesInFolder(), (std::vector<std::wstring>{L"app.exe", L"small.exe"}));
}

TEST_F(WindowsFiles, SameFileSpelledTwoWaysIsRefused) {
    writeAll(folder_ / "app.exe", sourceWithBlankTail());
    std::string source = utf8(folder_ / "app.exe");
    std::replace(source.begin(), source.end(), '/', '\\');

    struct Spelling {
        const char* name;
        std::string outputName;  // what the user types; the folder and ".exe" come from the rule
    };
    const Spelling spellings[] = {
        {"other_letter_case", "APP"},
        {"through_the_parent_folder", "..\\" + utf8(folder_.filename()) + "\\app"},
        {"forward_slash", "./app"},
    };
    for (const Spelling& spelling : spellings) {
        SCOPED_TRACE(spelling.name);
        const JobResult result = trimFile(source, spelling.outputName);
        EXPECT_EQ(result.status, JobStatus::SameFile);
        EXPECT_EQ(readAll(folder_ / "app.exe"), sourceWithBlankTail());
        EXPECT_EQ(namesInFolder(), (std::vector<std::wstring>{L"app.exe"}));
    }
}

TEST_F(WindowsFiles, IdentityTellsFilesApartAndFindsOneUnderTwoSpellings) {
    writeAll(folder_ / "a.exe", {'a'});
    writeAll(folder_ / "b.exe", {'b'});
    std::string backslashed = utf8(folder_ / "A.EXE");
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');

    std::error_code ec;
    const os::FileInfo a = os::pathInfo(utf8(folder_ / "a.exe"), ec);
    ASSERT_FALSE(ec) << ec.message();
    const os::FileInfo sameA = os::pathInfo(backslashed, ec);
    ASSERT_FALSE(ec) << ec.message();
    const os::FileInfo b = os::pathInfo(utf8(folder_ / "b.exe"), ec);
    ASSERT_FALSE(ec) << ec.message();

    EXPECT_EQ(a.identity, sameA.identity);
    EXPECT_NE(a.identity, b.identity);
    EXPECT_FALSE(a.isDirectory);
    EXPECT_EQ(a.size, 1);
}

TEST_F(WindowsFiles, FoldersAndMissingFilesAreToldApart) {
    std::error_code ec;
    const os::FileInfo folder = os::pathInfo(utf8(folder_), ec);
    ASSERT_FALSE(ec) << ec.message();
    EXPECT_TRUE(folder.isDirectory);

    os::pathInfo(utf8(folder_ / "missing.exe"), ec);
    EXPECT_EQ(ec, std::errc::no_such_file_or_directory);
    os::pathInfo(utf8(folder_ / "missing folder" / "app.exe"), ec);
    EXPECT_EQ(ec, std::errc::no_such_file_or_directory);

    // A source that is a folder or is missing is refused, and nothing is created.
    EXPECT_EQ(trimFile(utf8(folder_), "small").status, JobStatus::SourceMissing);
    EXPECT_EQ(trimFile(utf8(folder_ / "missing.exe"), "small").status, JobStatus::SourceMissing);
    EXPECT_TRUE(namesInFolder().empty());
}

TEST_F(WindowsFiles, ReadOnlySourceGivesAReadOnlyOutputThatCanBeRemoved) {
    writeAll(folder_ / "app.exe", sourceWithBlankTail());
    fs::permissions(folder_ / "app.exe", fs::perms::owner_write, fs::perm_options::remove);

    const JobResult result = trimFile(utf8(folder_ / "app.exe"), "small");

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(fs::status(folder_ / "small.exe").permissions() & fs::perms::owner_write,
              fs::perms::none);
    std::error_code ec;
    EXPECT_TRUE(os::removeFile(utf8(folder_ / "small.exe"), ec)) << os::errorText(ec);
    EXPECT_FALSE(fs::exists(folder_ / "small.exe"));
}

TEST(WindowsErrors, SystemWordsComeBackAsUtf8) {
    const std::string text = os::errorText({ERROR_FILE_NOT_FOUND, std::system_category()});
    ASSERT_FALSE(text.empty());
    // Valid UTF-8, without the line break that Windows puts at the end of its messages.
    EXPECT_NE(::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                    static_cast<int>(text.size()), nullptr, 0),
              0);
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
}

TEST(WindowsErrors, MalformedUtf8NameIsRefusedNotGuessed) {
    std::error_code ec;
    const os::File file = os::openRead("C:\\\xff\xfe.exe", ec);
    EXPECT_FALSE(file.isOpen());
    EXPECT_TRUE(ec);
}

}  // namespace
}  // namespace velbrisk
