// Windows-only cases of the engine: wide-character names, the identity of one file under two
// spellings and the system's words. Built only for Windows (run here under Wine); the folder
// rule's Windows rows are in output_path_test.cpp, and the command line's tests run the replace
// and the stop under Wine.
#include <windows.h>

#include <algorithm>
#include <string>
#include <system_error>

#include "engine/job_error.h"
#include "engine/os_file.h"
#include "engine/trim.h"
#include "test_files.h"

namespace velbrisk {
namespace {

using namespace testing;  // the helpers of the engine's tests
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
    struct Row {
        const char* name;
        const char* outputName;
        JobError reason;
    };
    writeFile(in("程序.exe"), kSource);
    writeFile(in("a"), "the file whose stream the colon would name");
    folder.makeFolder("测试 文件夹/taken.exe");
    const Names before = folder.names("测试 文件夹");
    for (const Row& row : {Row{"stream of a file there", "a:b", JobError::ColonInName},
                           Row{"name of a folder", "taken", JobError::IsAFolder}}) {
        const JobResult result = trimFile(in("程序.exe"), row.outputName);
        EXPECT_EQ(result.status, JobStatus::OutputUnwritable) << row.name;
        EXPECT_EQ(result.reason, make_error_code(row.reason).message()) << row.name;
    }
    EXPECT_EQ(folder.names("测试 文件夹"), before);
}

TEST(WindowsErrors, SystemWordsComeBackAsUtf8WithoutALineBreak) {
    const std::string text = os::errorText({ERROR_FILE_NOT_FOUND, std::system_category()});
    ASSERT_FALSE(text.empty());
    EXPECT_NE(::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                    static_cast<int>(text.size()), nullptr, 0),
              0);
    EXPECT_EQ(text.find_last_of("\r\n"), std::string::npos);
}

// A damaged name must never lead to another file whose name holds the replacement character.
TEST_F(WindowsFiles, MalformedUtf8NameIsRefusedNotGuessed) {
    writeFile(in("\xEF\xBF\xBD.exe"), kSource);
    std::error_code ec;
    EXPECT_FALSE(os::openRead(in("") + "\xFF.exe", ec).isOpen());
    EXPECT_TRUE(ec);
}

}  // namespace
}  // namespace velbrisk
