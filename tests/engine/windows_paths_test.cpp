// Windows-only cases of the engine: wide-character names, the atomic replace, the identity of one
// file under two spellings, and the system's words. Built only for Windows (run here under Wine);
// the folder rule's Windows rows stand with the others in the table of output_path_test.cpp.
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <stop_token>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "engine/os_file.h"
#include "engine/path_rules.h"
#include "engine/trim.h"
#include "test_files.h"

namespace velbrisk {
namespace {

using namespace testing;  // the helpers of the engine's tests

// A 1000-byte file with data up to offset 700 and zeros after it: the scan's first probe that
// holds data is at i = 300, so the copy is offsets 0 to 710, 711 bytes.
std::string sourceWithBlankTail() {
    return bytesWithData(1000, {{0, 701}});
}

std::string expectedCopy() {
    return keptBytes(sourceWithBlankTail(), 711);
}

std::string backslashed(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// Every test works in a folder with a Chinese name and a blank in it, inside its scratch folder.
class WindowsFiles : public InScratchFolder {
protected:
    static constexpr const char* kFolderName = "测试 文件夹";

    void SetUp() override { folder.makeFolder(kFolderName); }

    // The UTF-8 path of `name` in the test's folder; "" names the folder itself.
    std::string in(const std::string& name) const {
        return folder / (name.empty() ? std::string{kFolderName} : kFolderName + ("/" + name));
    }

    // The names on disk as Windows reads them, in wide characters.
    std::vector<std::wstring> namesInFolder() const {
        std::vector<std::wstring> names;
        for (const auto& entry : fs::directory_iterator(utf8Path(in("")))) {
            names.push_back(entry.path().filename().wstring());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(WindowsFiles, ChineseNamesReachTheDiskAsTheyWereTyped) {
    writeFile(in("程序.exe"), sourceWithBlankTail());

    const JobResult result = trimFile(in("程序.exe"), "小程序");

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    // The wide name on disk is the typed one, not its UTF-8 bytes read in some code page.
    EXPECT_EQ(namesInFolder(), (std::vector<std::wstring>{L"小程序.exe", L"程序.exe"}));
    EXPECT_EQ(readFile(in("小程序.exe")), expectedCopy());
    EXPECT_EQ(readFile(in("程序.exe")), sourceWithBlankTail());
}

TEST_F(WindowsFiles, BackslashPathsWork) {
    writeFile(in("app.exe"), sourceWithBlankTail());

    const JobResult result = trimFile(backslashed(in("app.exe")), "small");

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(readFile(in("small.exe")), expectedCopy());
}

// A blank tail long enough for the scan's second reader: both threads read through one handle.
TEST_F(WindowsFiles, LongBlankTailIsReadByTwoThreadsThroughOneHandle) {
    const std::int64_t lastDataOffset = 3 * kMiB + 2;
    const std::string source = bytesWithData(9 * kMiB, {{0, lastDataOffset + 1}});
    writeFile(in("app.exe"), source);

    const JobResult result = trimFile(in("app.exe"), "small");

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_TRUE(sameBytes(readFile(in("small.exe")),
                          keptBytes(source, findCut(9 * kMiB, lastDataOffset)->outputLength)));
}

// A source at the root of a drive: its folder is "C:\" itself, so the output lands beside it,
// with one separator, not two and not none.
TEST(WindowsDriveRoot, OutputLandsBesideASourceAtTheRoot) {
    const std::string root = fs::temp_directory_path().root_path().string();
    const std::string tag = std::to_string(::GetCurrentProcessId());
    const std::string source = backslashed(root + "velbrisk-root-" + tag + ".exe");
    const std::string output = root + "velbrisk-small-" + tag + ".exe";
    std::ofstream(source, std::ios::binary) << sourceWithBlankTail();
    if (!fs::exists(source)) {
        GTEST_SKIP() << "cannot write at " << root << " (not an administrator)";
    }
    ASSERT_EQ(sourceFolder(source), root);

    const JobResult result = trimFile(source, "velbrisk-small-" + tag);

    EXPECT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(readFile(output), expectedCopy());
    std::error_code ignored;
    fs::remove(source, ignored);
    fs::remove(output, ignored);
}

TEST_F(WindowsFiles, OutputReplacesALongerFileWhole) {
    writeFile(in("app.exe"), sourceWithBlankTail());
    writeFile(in("small.exe"), std::string(5000, 'x'));

    const JobResult result = trimFile(in("app.exe"), "small");

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(readFile(in("small.exe")), expectedCopy());
    // No temporary file is left beside it.
    EXPECT_EQ(namesInFolder(), (std::vector<std::wstring>{L"app.exe", L"small.exe"}));
}

TEST_F(WindowsFiles, SameFileSpelledTwoWaysIsRefused) {
    writeFile(in("app.exe"), sourceWithBlankTail());
    const std::string source = backslashed(in("app.exe"));

    struct Spelling {
        const char* name;
        std::string outputName;  // what the user types; the folder and ".exe" come from the rule
    };
    const Spelling spellings[] = {
        {"other_letter_case", "APP"},
        {"through_the_parent_folder", std::string{"..\\"} + kFolderName + "\\app"},
        {"forward_slash", "./app"},
    };
    for (const Spelling& spelling : spellings) {
        SCOPED_TRACE(spelling.name);
        const JobResult result = trimFile(source, spelling.outputName);
        EXPECT_EQ(result.status, JobStatus::SameFile);
        EXPECT_EQ(readFile(in("app.exe")), sourceWithBlankTail());
        EXPECT_EQ(namesInFolder(), (std::vector<std::wstring>{L"app.exe"}));
    }
}

TEST_F(WindowsFiles, IdentityTellsFilesApartAndFindsOneUnderTwoSpellings) {
    writeFile(in("a.exe"), "a");
    writeFile(in("b.exe"), "b");

    std::error_code ec;
    const os::FileInfo a = os::pathInfo(in("a.exe"), ec);
    ASSERT_FALSE(ec) << ec.message();
    const os::FileInfo sameA = os::pathInfo(backslashed(in("A.EXE")), ec);
    ASSERT_FALSE(ec) << ec.message();
    const os::FileInfo b = os::pathInfo(in("b.exe"), ec);
    ASSERT_FALSE(ec) << ec.message();

    EXPECT_EQ(a.identity, sameA.identity);
    EXPECT_NE(a.identity, b.identity);
    EXPECT_FALSE(a.isDirectory);
    EXPECT_EQ(a.size, 1);
}

TEST_F(WindowsFiles, FoldersAndMissingFilesAreToldApart) {
    std::error_code ec;
    const os::FileInfo here = os::pathInfo(in(""), ec);
    ASSERT_FALSE(ec) << ec.message();
    EXPECT_TRUE(here.isDirectory);

    os::pathInfo(in("missing.exe"), ec);
    EXPECT_EQ(ec, std::errc::no_such_file_or_directory);
    os::pathInfo(in("missing folder/app.exe"), ec);
    EXPECT_EQ(ec, std::errc::no_such_file_or_directory);

    // A source that is a folder or is missing is refused, and nothing is created.
    EXPECT_EQ(trimFile(in(""), "small").status, JobStatus::SourceMissing);
    EXPECT_EQ(trimFile(in("missing.exe"), "small").status, JobStatus::SourceMissing);
    EXPECT_TRUE(namesInFolder().empty());
}

TEST_F(WindowsFiles, ReadOnlySourceGivesAReadOnlyOutputThatCanBeRemoved) {
    writeFile(in("app.exe"), sourceWithBlankTail());
    fs::permissions(utf8Path(in("app.exe")), fs::perms::owner_write, fs::perm_options::remove);

    const JobResult result = trimFile(in("app.exe"), "small");

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(fs::status(utf8Path(in("small.exe"))).permissions() & fs::perms::owner_write,
              fs::perms::none);
    std::error_code ec;
    EXPECT_TRUE(os::removeFile(in("small.exe"), ec)) << os::errorText(ec);
    EXPECT_FALSE(fs::exists(utf8Path(in("small.exe"))));
}

// The long form of a path, made here with the system's own calls, so that the test's files do not
// depend on the engine's way of reaching them.
std::wstring longForm(const std::string& path) {
    const std::wstring wide = utf8Path(path).wstring();
    std::wstring full(32768, L'\0');
    full.resize(::GetFullPathNameW(wide.c_str(), DWORD(full.size()), full.data(), nullptr));
    return longPathForm(std::wstring_view{full});
}

bool writeLong(const std::string& path, const std::string& bytes) {
    HANDLE file = ::CreateFileW(longForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD put = 0;
    const bool written = file != INVALID_HANDLE_VALUE &&
                         ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &put, nullptr) &&
                         put == bytes.size();
    ::CloseHandle(file);
    return written;
}

std::string readLong(const std::string& path) {
    HANDLE file = ::CreateFileW(longForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string bytes(1 << 16, '\0');
    DWORD got = 0;
    if (file == INVALID_HANDLE_VALUE ||
        !::ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr)) {
        got = 0;
    }
    ::CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

// Three folders with Chinese names deep, the source's path is past MAX_PATH: the job reaches it,
// writes its copy beside it and replaces that copy whole the second time.
TEST_F(WindowsFiles, PathsPastMaxPathWithChineseNamesWork) {
    std::vector<std::string> folders{in("")};
    for (char letter : {'a', 'b', 'c'}) {
        folders.push_back(folders.back() + "\\" + std::string(80, letter) + "长路径");
        ASSERT_TRUE(::CreateDirectoryW(longForm(folders.back()).c_str(), nullptr))
            << ::GetLastError();
    }
    const std::string source = folders.back() + "\\程序.exe";
    const std::string output = folders.back() + "\\小程序.exe";
    ASSERT_GT(source.size(), std::size_t{MAX_PATH});
    ASSERT_TRUE(writeLong(source, sourceWithBlankTail()));

    for (int run = 0; run < 2; ++run) {
        const JobResult result = trimFile(source, "小程序");
        ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
        EXPECT_EQ(result.path, output);
        EXPECT_EQ(readLong(output), expectedCopy());
    }
    EXPECT_EQ(readLong(source), sourceWithBlankTail());

    // What the scratch folder's removal cannot reach goes here, deepest first.
    EXPECT_TRUE(::DeleteFileW(longForm(output).c_str()));
    EXPECT_TRUE(::DeleteFileW(longForm(source).c_str())) << "a temporary file was left behind";
    for (std::size_t k = folders.size() - 1; k > 0; --k) {
        EXPECT_TRUE(::RemoveDirectoryW(longForm(folders[k]).c_str())) << folders[k];
    }
}

// A job stopped mid-copy leaves no temporary file: the system removes it when it is closed.
TEST_F(WindowsFiles, CopyStoppedMidwayLeavesNothing) {
    const std::string source = bytesWithData(8 * kMiB, {{0, 6 * kMiB}});
    writeFile(in("app.exe"), source);
    std::stop_source stopper;
    const JobControl control{[&](std::uint64_t done, std::uint64_t total) {
                                 if (done > total / 2) {
                                     stopper.request_stop();
                                 }
                             },
                             stopper.get_token()};

    EXPECT_EQ(trimFile(in("app.exe"), "small", control).status, JobStatus::Cancelled);
    EXPECT_EQ(namesInFolder(), (std::vector<std::wstring>{L"app.exe"}));
}

// The source replaced in place by its trimmed copy, read-only as the source was.
TEST_F(WindowsFiles, ReplaceTrimmedKeepsTheNameAndTheReadOnlyAttribute) {
    writeFile(in("app.exe"), sourceWithBlankTail());
    fs::permissions(utf8Path(in("app.exe")), fs::perms::owner_write, fs::perm_options::remove);
    TrimPlan plan;
    ASSERT_EQ(scanSource(in("app.exe"), "app", plan).status, JobStatus::Done);

    const JobResult result = replaceTrimmed(plan);

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(readFile(in("app.exe")), expectedCopy());
    EXPECT_EQ(fs::status(utf8Path(in("app.exe"))).permissions() & fs::perms::owner_write,
              fs::perms::none);
    EXPECT_EQ(namesInFolder(), (std::vector<std::wstring>{L"app.exe"}));
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
