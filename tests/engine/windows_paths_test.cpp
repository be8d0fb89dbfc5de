// Windows-only cases of the engine: wide-character names, the atomic replace, the identity of one
// file under two spellings, long paths and the system's words. Built only for Windows (run here
// under Wine); the folder rule's Windows rows stand with the others in output_path_test.cpp.
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <stop_token>
#include <string>
#include <set>
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
using Names = std::set<std::string>;

// A 1000-byte file with data up to offset 700 and zeros after it, and its copy of 711 bytes.
const std::string kSource = bytesWithData(1000, {{0, 701}});
const std::string kCopy = keptBytes(kSource, 711);

// Every test works in a folder with a Chinese name and a blank in it, inside its scratch folder.
class WindowsFiles : public InScratchFolder {
protected:
    void SetUp() override { folder.makeFolder("测试 文件夹"); }

    // The path of `name` in the test's folder, with backslashes as a Windows user types it.
    std::string in(const std::string& name) const {
        std::string path = folder / ("测试 文件夹/" + name);
        std::replace(path.begin(), path.end(), '/', '\\');
        return path;
    }
};

// One job in the folder, which holds app.exe and 程序.exe (the source each) and an older, longer
// small.exe: the names afterwards, and the copy's bytes where one is expected.
struct JobCase {
    const char* name;
    std::string source;
    std::string outputName;
    JobStatus status;
    Names names;
};

class WindowsJobTable : public WindowsFiles, public ::testing::WithParamInterface<JobCase> {};

TEST_P(WindowsJobTable, WritesTheCopyOrRefuses) {
    const JobCase& row = GetParam();
    writeFile(in("app.exe"), kSource);
    writeFile(in("程序.exe"), kSource);
    writeFile(in("small.exe"), std::string(5000, 'x'));

    const JobResult result = trimFile(in(row.source), row.outputName);

    EXPECT_EQ(result.status, row.status) << result.reason;
    EXPECT_EQ(folder.names("测试 文件夹"), row.names);
    EXPECT_EQ(readFile(in("app.exe")), kSource);
    if (row.status == JobStatus::Done) {
        EXPECT_EQ(readFile(in(row.outputName + ".exe")), kCopy);
    }
}

const Names kBefore{"app.exe", "small.exe", "程序.exe"};

INSTANTIATE_TEST_SUITE_P(
    Rows, WindowsJobTable,
    ::testing::Values(
        // The name on disk is the typed one, not its UTF-8 bytes read in some code page.
        JobCase{"chinese_names", "程序.exe", "小程序", JobStatus::Done,
                {"app.exe", "small.exe", "小程序.exe", "程序.exe"}},
        // Replaced whole, with no temporary file left beside it.
        JobCase{"over_a_longer_output", "app.exe", "small", JobStatus::Done, kBefore},
        JobCase{"same_file_other_letter_case", "app.exe", "APP", JobStatus::SameFile, kBefore}),
    rowName);

// A read-only source is replaced in place by a read-only copy.
TEST_F(WindowsFiles, ReadOnlySourceIsReplacedByAReadOnlyCopy) {
    writeFile(in("app.exe"), kSource);
    fs::permissions(utf8Path(in("app.exe")), fs::perms::owner_write, fs::perm_options::remove);
    TrimPlan plan;
    ASSERT_EQ(scanSource(in("app.exe"), "app", plan).status, JobStatus::Done);

    ASSERT_EQ(replaceTrimmed(plan).status, JobStatus::Done);
    EXPECT_EQ(readFile(in("app.exe")), kCopy);
    EXPECT_EQ(fs::status(utf8Path(in("app.exe"))).permissions() & fs::perms::owner_write,
              fs::perms::none);
    EXPECT_EQ(folder.names("测试 文件夹"), (Names{"app.exe"}));
}

// The long form of a path, made here with the system's own calls, so that the test's files do not
// depend on the engine's way of reaching them.
std::wstring longForm(const std::string& path) {
    const std::wstring wide = utf8Path(path).wstring();
    std::wstring full(32768, L'\0');
    full.resize(::GetFullPathNameW(wide.c_str(), DWORD(full.size()), full.data(), nullptr));
    return longPathForm(std::wstring_view{full});
}

// Three folders with Chinese names deep, the source's path is past MAX_PATH: the job reaches it
// and writes its copy beside it.
TEST_F(WindowsFiles, PathsPastMaxPathWithChineseNamesWork) {
    std::vector<std::string> folders{in("")};
    for (char letter : {'a', 'b', 'c'}) {
        folders.push_back(folders.back() + std::string(80, letter) + "长路径\\");
        ASSERT_TRUE(::CreateDirectoryW(longForm(folders.back()).c_str(), nullptr));
    }
    const std::string source = folders.back() + "程序.exe";
    const std::string output = folders.back() + "小程序.exe";
    ASSERT_GT(source.size(), std::size_t{MAX_PATH});
    const std::u8string spelled = fs::path(longForm(source)).u8string();
    writeFile({spelled.begin(), spelled.end()}, kSource);

    const JobResult result = trimFile(source, "小程序");

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(result.path, output);
    // What the scratch folder's removal cannot reach goes here, deepest first.
    EXPECT_TRUE(::DeleteFileW(longForm(output).c_str()));
    EXPECT_TRUE(::DeleteFileW(longForm(source).c_str()));
    for (std::size_t k = folders.size() - 1; k > 0; --k) {
        EXPECT_TRUE(::RemoveDirectoryW(longForm(folders[k]).c_str())) << folders[k];
    }
}

// A job stopped mid-copy leaves no temporary file: the system removes it when it is closed.
TEST_F(WindowsFiles, CopyStoppedMidwayLeavesNothing) {
    writeFile(in("app.exe"), bytesWithData(8 * kMiB, {{0, 6 * kMiB}}));
    std::stop_source stopper;
    const JobControl control{[&](std::uint64_t done, std::uint64_t total) {
                                 if (done > total / 2) {
                                     stopper.request_stop();
                                 }
                             },
                             stopper.get_token()};

    EXPECT_EQ(trimFile(in("app.exe"), "small", control).status, JobStatus::Cancelled);
    EXPECT_EQ(folder.names("测试 文件夹"), (Names{"app.exe"}));
}

TEST(WindowsErrors, SystemWordsComeBackAsUtf8WithoutALineBreak) {
    const std::string text = os::errorText({ERROR_FILE_NOT_FOUND, std::system_category()});
    ASSERT_FALSE(text.empty());
    EXPECT_NE(::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                    static_cast<int>(text.size()), nullptr, 0),
              0);
    EXPECT_EQ(text.find_last_of("\r\n"), std::string::npos);
}

// A damaged name must never lead to some other file whose name holds the replacement character.
TEST(WindowsErrors, MalformedUtf8NameIsRefusedNotGuessed) {
    std::error_code ec;
    EXPECT_FALSE(os::openRead("C:\\\xff\xfe.exe", ec).isOpen());
    EXPECT_TRUE(ec);
}

}  // namespace
}  // namespace velbrisk
