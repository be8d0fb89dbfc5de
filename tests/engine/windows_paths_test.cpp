// Windows-only cases of the engine: wide-character names, the atomic replace, the identity of one
// file under two spellings, and the system's words. Built only for Windows (run here under Wine);
// the folder rule's Windows rows stand with the others in the table of output_path_test.cpp.
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <stop_token>
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
using testing::PrintTo;   // found by argument-dependent lookup only when declared here

// A 1000-byte file with data up to offset 700 and zeros after it, and its copy of 711 bytes.
const std::string kSource = bytesWithData(1000, {{0, 701}});
const std::string kCopy = keptBytes(kSource, 711);

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

// One job in the folder, which holds app.exe and 程序.exe (a 1000-byte source each) and an older,
// longer small.exe: the names the folder holds afterwards, in wide characters as Windows reads
// them, and the copy's bytes where one is expected.
struct JobCase {
    const char* name;
    std::string source;  // in the folder; backslashes as typed where the row says so
    std::string outputName;
    JobStatus status;
    std::vector<std::wstring> names;
};

class WindowsJobTable : public WindowsFiles, public ::testing::WithParamInterface<JobCase> {};

TEST_P(WindowsJobTable, WritesTheCopyOrRefuses) {
    const JobCase& row = GetParam();
    writeFile(in("app.exe"), kSource);
    writeFile(in("程序.exe"), kSource);
    writeFile(in("small.exe"), std::string(5000, 'x'));

    const JobResult result = trimFile(backslashed(in(row.source)), row.outputName);

    EXPECT_EQ(result.status, row.status) << result.reason;
    EXPECT_EQ(namesInFolder(), row.names);
    EXPECT_EQ(readFile(in("app.exe")), kSource);
    if (row.status == JobStatus::Done) {
        EXPECT_EQ(readFile(in(row.outputName + ".exe")), kCopy);
    }
}

const std::vector<std::wstring> kBefore{L"app.exe", L"small.exe", L"程序.exe"};

INSTANTIATE_TEST_SUITE_P(
    Rows, WindowsJobTable,
    ::testing::Values(
        // The wide name on disk is the typed one, not its UTF-8 bytes read in some code page.
        JobCase{"chinese_names",
                "程序.exe",
                "小程序",
                JobStatus::Done,
                {L"app.exe", L"small.exe", L"小程序.exe", L"程序.exe"}},
        // Replaced whole, with no temporary file left beside it.
        JobCase{"over_a_longer_output", "app.exe", "small", JobStatus::Done, kBefore},
        JobCase{"same_file_other_letter_case", "app.exe", "APP", JobStatus::SameFile, kBefore},
        JobCase{"same_file_through_the_parent", "app.exe", std::string{"..\\"} + "测试 文件夹\\app",
                JobStatus::SameFile, kBefore},
        JobCase{"same_file_forward_slash", "app.exe", "./app", JobStatus::SameFile, kBefore},
        JobCase{"source_is_the_folder", "", "small", JobStatus::SourceMissing, kBefore},
        JobCase{"source_missing", "missing.exe", "small", JobStatus::SourceMissing, kBefore}),
    rowName);

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

// A read-only source gives a read-only copy that can still be removed, and a read-only
// replacement in place.
TEST_F(WindowsFiles, ReadOnlySourceGivesReadOnlyCopies) {
    writeFile(in("app.exe"), kSource);
    fs::permissions(utf8Path(in("app.exe")), fs::perms::owner_write, fs::perm_options::remove);

    const JobResult result = trimFile(in("app.exe"), "small");

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(fs::status(utf8Path(in("small.exe"))).permissions() & fs::perms::owner_write,
              fs::perms::none);
    std::error_code ec;
    EXPECT_TRUE(os::removeFile(in("small.exe"), ec)) << os::errorText(ec);
    EXPECT_FALSE(fs::exists(utf8Path(in("small.exe"))));

    TrimPlan plan;
    ASSERT_EQ(scanSource(in("app.exe"), "app", plan).status, JobStatus::Done);
    ASSERT_EQ(replaceTrimmed(plan).status, JobStatus::Done);
    EXPECT_EQ(readFile(in("app.exe")), kCopy);
    EXPECT_EQ(fs::status(utf8Path(in("app.exe"))).permissions() & fs::perms::owner_write,
              fs::perms::none);
    EXPECT_EQ(namesInFolder(), (std::vector<std::wstring>{L"app.exe"}));
}

// The long form of a path, made here with the system's own calls, so that the test's files do not
// depend on the engine's way of reaching them.
std::wstring longForm(const std::string& path) {
    const std::wstring wide = utf8Path(path).wstring();
    std::wstring full(32768, L'\0');
    full.resize(::GetFullPathNameW(wide.c_str(), DWORD(full.size()), full.data(), nullptr));
    return longPathForm(std::wstring_view{full});
}

// The UTF-8 spelling of that long form, for the test's own reads and writes.
std::string longUtf8(const std::string& path) {
    const std::u8string spelled = fs::path(longForm(path)).u8string();
    return {spelled.begin(), spelled.end()};
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
    writeFile(longUtf8(source), kSource);

    for (int run = 0; run < 2; ++run) {
        const JobResult result = trimFile(source, "小程序");
        ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
        EXPECT_EQ(result.path, output);
        EXPECT_EQ(readFile(longUtf8(output)), kCopy);
    }
    EXPECT_EQ(readFile(longUtf8(source)), kSource);

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

TEST(WindowsErrors, SystemWordsComeBackAsUtf8WithoutALineBreak) {
    const std::string text = os::errorText({ERROR_FILE_NOT_FOUND, std::system_category()});
    ASSERT_FALSE(text.empty());
    EXPECT_NE(::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                    static_cast<int>(text.size()), nullptr, 0),
              0);
    EXPECT_EQ(text.find_last_of("\r\n"), std::string::npos);
}

TEST(WindowsErrors, MalformedUtf8NameIsRefusedNotGuessed) {
    std::error_code ec;
    const os::File file = os::openRead("C:\\\xff\xfe.exe", ec);
    EXPECT_FALSE(file.isOpen());
    EXPECT_TRUE(ec);
}

}  // namespace
}  // namespace velbrisk
