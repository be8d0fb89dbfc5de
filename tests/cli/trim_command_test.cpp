// velbrisk-trim's command on real files: what each command line writes, reports and ends with.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "cli/TrimBatch.h"
#include "pe_builder.h"
#include "test_files.h"
#include "tests/deadline.h"

namespace velbrisk::cli {
namespace {

using namespace velbrisk::testing;
using velbrisk::testing::PrintTo;  // for the rows' names, which ADL finds only by declaration

// 108 of 1007 bytes are kept: 89.27% saved, which reads 89.2%, not rounded up.
const std::string kTailed = bytesWithData(1007, {{0, 100}});
// A Windows program whose last section ends in zeros that its headers declare, at 0x800, followed
// by 1000 zeros of no one's: 3048 bytes, of which the probe rule keeps 1609 and the program 2048.
const std::string kProgram = [] {
    PeLayout layout = typicalLayout(true);
    layout.trailingZeros = 1000;
    const auto image = buildPe(layout).bytes;
    return std::string(image.begin(), image.end());
}();

std::string usage(const std::string& error) {
    return "velbrisk-trim：" + error + "\n请用“velbrisk-trim --help”查看用法。\n";
}

struct CommandRow {
    const char* name;
    const char* before;     // "name:contents ..." as kContents says; "name/", "name@target"
    const char* arguments;  // split at spaces; names are relative to the folder
    int status;
    std::string out;  // "…" stands for the rest of its line
    std::string err;
    const char* after;  // the whole folder afterwards
};

// Upper case a file as made, lower case its trimmed copy; F has no blank tail.
const std::map<char, std::string> kContents = {{'T', kTailed},
                                               {'t', keptBytes(kTailed, 108)},
                                               {'P', kProgram},
                                               {'p', keptBytes(kProgram, 1609)},
                                               {'k', keptBytes(kProgram, 0x800)},
                                               {'F', bytesWithData(50, {{0, 50}})}};

const CommandRow kCommandRows[] = {
    {"a_missing_file_fails_and_the_batch_goes_on", "a.exe:T c.exe:F", "b.exe a.exe c.exe", 1,
     "a.exe：1007 → 108 字节，节省 89.2%，写入 a.trimmed.exe\n"
     "c.exe：50 字节，该文件没有可以去掉的空白部分，未生成压缩文件。\n",
     "velbrisk-trim：找不到要压缩的文件！b.exe：…\n", "a.exe:T a.trimmed.exe:t c.exe:F"},
    {"default_names_keep_the_extension_and_quiet_keeps_the_errors", "a.b.EXE:T tool:T .hidden:T",
     "--quiet a.b.EXE tool .hidden none.exe", 1, "",
     "velbrisk-trim：找不到要压缩的文件！none.exe：…\n",
     "a.b.EXE:T a.b.trimmed.EXE:t tool:T tool.trimmed:t .hidden:T .hidden.trimmed:t"},
    {"output_name_as_in_the_window", "a.exe:T", "-osmall a.exe", 0,
     "a.exe：1007 → 108 字节，节省 89.2%，写入 small.exe\n", "", "a.exe:T small.exe:t"},
    {"output_name_that_is_the_source", "a.exe:T", "--output=a a.exe", 1, "",
     "velbrisk-trim：压缩文件不能与被压缩文件相同！a.exe\n", "a.exe:T"},
    {"dry_run_gives_both_cuts_of_a_program", "p.exe:P", "--dry-run p.exe", 0,
     "p.exe：3048 → 2048 字节，可节省 32.8%，为程序保留 439 字节（全部去掉为 1609 字节）（未写入）\n",
     "", "p.exe:P"},
    {"program_bytes_cut_with_all", "p.exe:P", "--all p.exe", 0,
     "p.exe：3048 → 1609 字节，节省 47.2%，写入 p.trimmed.exe\n", "", "p.exe:P p.trimmed.exe:p"},
    {"nothing_after_the_program", "k.exe:k", "k.exe", 0,
     "k.exe：2048 字节，该文件是Windows程序，程序自身的数据之后没有可以去掉的空白部分，未生成压缩文件。\n",
     "", "k.exe:k"},
    {"in_place_replaces_each_source_lengthens_none_and_keeps_the_program",
     "a.exe:T p.exe:P f.exe:F", "--in-place a.exe p.exe f.exe", 0,
     "a.exe：1007 → 108 字节，节省 89.2%，已替换原文件\np.exe：…\nf.exe：…\n", "",
     "a.exe:t p.exe:k f.exe:F"},
    {"in_place_dry_run_writes_nothing", "a.exe:T", "-in a.exe", 0,
     "a.exe：1007 → 108 字节，可节省 89.2%（未写入）\n", "", "a.exe:T"},
    {"existing_output_left_alone", "a.exe:T a.trimmed.exe:F", "a.exe", 1, "",
     "velbrisk-trim：无法写入压缩文件！a.trimmed.exe：文件已存在，未覆盖\n",
     "a.exe:T a.trimmed.exe:F"},
    {"force_replaces_an_output_but_no_source", "a.exe:T a.trimmed.exe:T b.exe:T b.trimmed.exe:F",
     "-f a.exe a.trimmed.exe b.exe", 1,
     "a.trimmed.exe：1007 → 108 字节，节省 89.2%，写入 a.trimmed.trimmed.exe\nb.exe：…\n",
     "velbrisk-trim：无法写入压缩文件！a.trimmed.exe：这是本次要压缩的文件之一，不能覆盖\n",
     "a.exe:T a.trimmed.exe:T a.trimmed.trimmed.exe:t b.exe:T b.trimmed.exe:t"},
    {"a_folder_says_so", "d.exe/", "d.exe", 1, "",
     "velbrisk-trim：无法读取被压缩文件！d.exe：这是一个文件夹，不是文件\n", "d.exe/"},
#ifndef _WIN32  // no Windows name holds a line break; links need rights there
    {"in_place_through_a_link_names_the_file_replaced", "a.exe:T l.exe@a.exe", "-i l.exe", 0,
     "l.exe：1007 → 108 字节，节省 89.2%，已替换链接指向的文件 a.exe\n", "", "a.exe:t l.exe@"},
    {"a_line_break_in_a_name_is_quoted", "a\"\\\nb.exe:T", "-n a\"\\\nb.exe", 0,
     "\"a\\\"\\\\\\nb.exe\"：1007 → 108 字节，可节省 89.2%（未写入）\n", "", "a\"\\\nb.exe:T"},
#endif
    {"dashes_as_file_names", "-:T -n:T", "-q - -- -n", 0, "", "",
     "-:T -.trimmed:t -n:T -n.trimmed:t"},
    {"help_writes_nothing", "a.exe:T", "a.exe --help", 0, trimHelpText(), "", "a.exe:T"},
    {"usage_error_writes_nothing", "a.exe:T", "-o small a.exe a.exe", 2, "",
     usage("选项“-o”只能用于一个文件"), "a.exe:T"},
    {"nothing_given", "", "", 2, "", usage("缺少要压缩的文件"), ""},
    {"empty_name_given", "a.exe:T", "a.exe ''", 2, "", usage("文件名不能为空"), "a.exe:T"},
    {"unknown_long_option", "", "--level=9 a", 2, "", usage("无法识别的选项“--level”"), ""},
    {"unknown_letter_in_a_run", "", "-nx a", 2, "", usage("无法识别的选项“-x”"), ""},
    {"flag_given_a_value", "", "--force=yes a", 2, "", usage("选项“--force”不带参数"), ""},
    {"output_name_missing", "", "a -o", 2, "", usage("选项“-o”需要一个参数"), ""},
    {"long_output_name_missing", "", "a --output", 2, "", usage("选项“--output”需要一个参数"), ""},
    {"output_name_empty", "", "--output= a", 2, "", usage("请输入压缩文件名！"), ""},
    {"output_name_in_place", "", "-i -osmall a", 2, "", usage("选项“-o”不能与“--in-place”同时使用"),
     ""},
};

// Split at spaces; "''" is an empty word.
std::vector<std::string> words(const char* text) {
    std::istringstream in(text);
    std::vector<std::string> split;
    for (std::string word; std::getline(in, word, ' ');) {
        split.push_back(word == "''" ? "" : word);
    }
    return split;
}

// Whether `got` reads as `want`, in which "…" stands for the rest of a line.
bool reads(std::string_view got, std::string_view want) {
    constexpr std::string_view kRest = "…";
    for (std::size_t at; (at = want.find(kRest)) != std::string_view::npos;) {
        if (got.substr(0, at) != want.substr(0, at)) {
            return false;
        }
        got.remove_prefix(std::min(got.find('\n', at), got.size()));
        want.remove_prefix(at + kRest.size());
    }
    return got == want;
}

// The scratch folder is the current folder while a test runs, so tests name files as a user does.
class InScratchFolder : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::current_path(utf8Path(folder / "")); }
    void TearDown() override { std::filesystem::current_path(before); }
    const std::filesystem::path before = std::filesystem::current_path();
    ScratchFolder folder;
};

class TrimCommandTable : public InScratchFolder,
                         public ::testing::WithParamInterface<CommandRow> {};

TEST_P(TrimCommandTable, WritesReportsAndEnds) {
    const CommandRow& row = GetParam();
    for (const std::string& file : words(row.before)) {
        const std::size_t mark = file.find_first_of(":/@");
        const std::string name = file.substr(0, mark);
        if (file[mark] == '/') {
            folder.makeFolder(name);
        } else if (file[mark] == '@') {
            std::filesystem::create_symlink(file.substr(mark + 1), name);
        } else {
            writeFile(folder / name, kContents.at(file[mark + 1]));
        }
    }
    std::ostringstream out, err;
    EXPECT_EQ(runTrimCommand(words(row.arguments), "9.9", out, err, {}, nullptr), row.status);
    EXPECT_TRUE(reads(out.str(), row.out)) << out.str();
    EXPECT_TRUE(reads(err.str(), row.err)) << err.str();
    std::set<std::string> after;
    for (const std::string& name : folder.names()) {
        const std::string bytes = readFile(folder / name);
        const auto known = std::find_if(kContents.begin(), kContents.end(),
                                        [&](const auto& entry) { return entry.second == bytes; });
        const auto path = utf8Path(folder / name);
        after.insert(std::filesystem::is_symlink(path) ? name + '@'
                     : std::filesystem::is_directory(path)
                         ? name + '/'
                         : name + ':' + (known == kContents.end() ? '?' : known->first));
    }
    const std::vector<std::string> expected = words(row.after);
    EXPECT_EQ(after, std::set<std::string>(expected.begin(), expected.end()));
}

INSTANTIATE_TEST_SUITE_P(Rows, TrimCommandTable, ::testing::ValuesIn(kCommandRows), rowName);

TEST(TrimCommand, ADotInTheFolderStartsNoExtension) {
    EXPECT_EQ(defaultOutputPath("a.d/tool"), "a.d/tool.trimmed");
}

// Records the progress display's calls and the length of standard output as each display went;
// asks for a stop once a report passes 8 MiB, or (stopAtEnd) once a file is in place.
struct RecordingProgress : FileProgress {
    RecordingProgress(const std::ostringstream& out, bool stopAtEnd)
        : out(out), stopAtEnd(stopAtEnd) {}
    void begin(std::string_view path) override { events += "begin " + std::string(path); }
    void update(std::uint64_t done, std::uint64_t) override {
        if (done >= 8 << 20) {
            stop.request_stop();
        }
    }
    void end() override {
        events += ", end at " + std::to_string(out.str().size()) + "; ";
        if (stopAtEnd) {
            stop.request_stop();
        }
    }

    const std::ostringstream& out;
    const bool stopAtEnd;
    std::string events;
    std::stop_source stop;
};

// 20 MiB of data, 1 MiB blank: the stop comes in the copy. The display is gone before a file's
// line; after the stop no file begins, and nothing partial is left.
TEST_F(InScratchFolder, ABatchShowsEachFilesProgressAndStopsAtOnce) {
    const Deadline deadline("the stopped batches, and the scan's readers, to end");
    writeFile(folder / "a.exe", kTailed);
    const std::string big = bytesWithData(21 << 20, {{0, 20 << 20}});
    writeFile(folder / "big.exe", big);
    std::ostringstream out, err;
    RecordingProgress progress(out, false);
    const std::vector<std::string> sources = {"a.exe", "big.exe", "next.exe"};
    EXPECT_EQ(runTrimCommand(sources, "9.9", out, err, progress.stop.get_token(), &progress), 130);
    EXPECT_EQ(progress.events, "begin a.exe, end at 0; begin big.exe, end at " +
                                   std::to_string(out.str().size()) + "; ");
    EXPECT_EQ(err.str(), "velbrisk-trim：已取消。\n");
    EXPECT_EQ(folder.names(), (std::set<std::string>{"a.exe", "a.trimmed.exe", "big.exe"}));
    EXPECT_TRUE(sameBytes(readFile(folder / "big.exe"), big));

    progress.events.clear();
    EXPECT_EQ(
        runTrimCommand({"-q", "a.exe", "big.exe", "next.exe"}, "9.9", out, err, {}, &progress), 1);
    EXPECT_EQ(progress.events, "") << "--quiet shows no progress";

    // A stop once a.exe is in place: the batch ends there, cancelled only if a file was left.
    for (const bool another : {false, true}) {
        std::ostringstream lastOut, lastErr;
        RecordingProgress atEnd(lastOut, true);
        const auto sources = another ? std::vector<std::string>{"-f", "a.exe", "next.exe"}
                                     : std::vector<std::string>{"-f", "a.exe"};
        EXPECT_EQ(runTrimCommand(sources, "9.9", lastOut, lastErr, atEnd.stop.get_token(), &atEnd),
                  another ? 130 : 0);
        EXPECT_TRUE(reads(lastOut.str(), "a.exe：1007 → 108 字节，…\n")) << lastOut.str();
        EXPECT_EQ(lastErr.str(), another ? "velbrisk-trim：已取消。\n" : "");
    }
}

}  // namespace
}  // namespace velbrisk::cli
