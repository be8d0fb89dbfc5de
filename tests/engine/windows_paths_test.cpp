// Windows-only cases of the engine, run under Wine: wide-character names, one file under two
// spellings, the system's words, the replace and the temporaries of killed jobs.
#include <windows.h>

#include "engine/job_error.h"
#include "engine/trim_internals.h"
#include "test_files.h"

namespace velbrisk::testing {
namespace {

using namespace std::chrono_literals;

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

// The name on disk is the typed one, not its UTF-8 bytes read in some code page; an older output
// is another file, replaced whole; the same file under another letter case is the source itself.
TEST_F(WindowsFiles, ChineseNamesAndLetterCase) {
    writeFile(in("程序.exe"), kSource);
    writeFile(in("小程序.exe"), "old output");
    writeFile(in("app.exe"), kSource);

    EXPECT_EQ(trimFile(in("程序.exe"), "小程序").status, JobStatus::Done);
    EXPECT_EQ(trimFile(in("app.exe"), "APP").status, JobStatus::SameFile);

    EXPECT_EQ(folder.names("测试 文件夹"), (Names{"app.exe", "小程序.exe", "程序.exe"}));
    EXPECT_EQ(readFile(in("小程序.exe")), kCopy);
    EXPECT_EQ(readFile(in("app.exe")), kSource);
}

// Refused before anything is written, for the engine's own reason: the C library's is English.
TEST_F(WindowsFiles, NamesWindowsWouldMisreadAreRefusedInChinese) {
    writeFile(in("程序.exe"), kSource);
    writeFile(in("a"), "the file whose stream the colon would name");
    folder.makeFolder("测试 文件夹/taken.exe");
    const Names before = folder.names("测试 文件夹");
    for (const auto& [outputName, reason] :
         {std::pair{"a:b", JobError::ColonInName}, std::pair{"taken", JobError::IsAFolder}}) {
        const JobResult result = trimFile(in("程序.exe"), outputName);
        EXPECT_EQ(result.status, JobStatus::OutputUnwritable) << outputName;
        EXPECT_EQ(result.reason, make_error_code(reason).message()) << outputName;
    }
    EXPECT_EQ(folder.names("测试 文件夹"), before);
}

TEST(WindowsErrors, SystemWordsComeBackAsUtf8WithoutALineBreak) {
    const std::string text = os::errorText({ERROR_FILE_NOT_FOUND, std::system_category()});
    ASSERT_FALSE(text.empty());
    EXPECT_NE(::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()),
                                    nullptr, 0), 0);
    EXPECT_EQ(text.find_last_of("\r\n"), std::string::npos);
}

// A damaged name must never lead to another file whose name holds the replacement character.
TEST_F(WindowsFiles, MalformedUtf8NameIsRefusedNotGuessed) {
    writeFile(in("\xEF\xBF\xBD.exe"), kSource);
    std::error_code ec;
    EXPECT_FALSE(os::openRead(in("") + "\xFF.exe", ec).isOpen());
    EXPECT_TRUE(ec);
}

// The source replaced in place, unless another program wrote to it just before: then it goes
// back as that program left it. A read-only output is never replaced.
TEST_F(WindowsFiles, ReplaceShowsWhatItReplacedAndReadOnlyStays) {
    const std::string source = in("程序.exe");
    for (const bool writer : {false, true}) {
        writeFile(source, kSource);
        fs::last_write_time(utf8Path(source), fs::file_time_type::clock::now() - 1h);
        const detail::TrimOptions options{.beforeReplace = [&] {
            if (writer) {
                std::fstream(utf8Path(source), std::ios::in | std::ios::out).seekp(10) << "new!";
            }
        }};
        detail::TrimStats stats;
        TrimPlan plan;
        ASSERT_EQ(scanSource(source, plan, detail::tuned({}, options, stats)).status,
                  JobStatus::Done);

        const JobResult result = replaceTrimmed(plan, detail::tuned({}, options, stats));

        EXPECT_EQ(result.status, writer ? JobStatus::SourceUnreadable : JobStatus::Done)
            << result.reason;
        EXPECT_EQ(readFile(source), writer ? std::string(kSource).replace(10, 4, "new!") : kCopy);
        EXPECT_EQ(folder.names("测试 文件夹"), (Names{"程序.exe"}));
    }
    writeFile(in("小程序.exe"), "old output");
    ASSERT_TRUE(::SetFileAttributesW(utf8Path(in("小程序.exe")).c_str(), FILE_ATTRIBUTE_READONLY));

    const JobResult readOnly = trimFile(source, "小程序");

    EXPECT_EQ(readOnly.status, JobStatus::OutputUnwritable);
    EXPECT_EQ(readOnly.reason, "文件是只读的");
    EXPECT_EQ(readFile(in("小程序.exe")), "old output");
    EXPECT_TRUE(::GetFileAttributesW(utf8Path(in("小程序.exe")).c_str()) & FILE_ATTRIBUTE_READONLY);
}

// A killed job's temporary that no one holds is removed by the next job in the folder; one that a
// running job holds, unshared, is left.
TEST_F(WindowsFiles, NextJobReclaimsUnheldTemporaries) {
    writeFile(in("app.exe"), kSource);
    writeFile(in(".app.exe.Left01.velbrisk-tmp"), "left behind");
    writeFile(in(".app.exe.Held01.velbrisk-tmp"), "held");
    HANDLE held = ::CreateFileW(utf8Path(in(".app.exe.Held01.velbrisk-tmp")).c_str(), GENERIC_READ,
                                0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    const JobResult result = trimFile(in("app.exe"), "small");

    ::CloseHandle(held);
    EXPECT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(folder.names("测试 文件夹"),
              (Names{".app.exe.Held01.velbrisk-tmp", "app.exe", "small.exe"}));
}

}  // namespace
}  // namespace velbrisk::testing
