// velbrisk-trim's batches on real files in a scratch folder: what each command writes, reports
// and ends with, including stops in the middle of a job.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#endif

#include "cli/TrimBatch.h"
#include "engine/trim.h"
#include "pe_builder.h"
#include "test_files.h"

namespace velbrisk::cli {
namespace {

using velbrisk::testing::bytesWithData;
using velbrisk::testing::keptBytes;
using velbrisk::testing::PrintTo;
using velbrisk::testing::readFile;
using velbrisk::testing::rowName;
using velbrisk::testing::ScratchFolder;
using velbrisk::testing::writeFile;

// What the window's rule keeps of `bytes`: found with the engine's own arithmetic, so that these
// tests speak of the command, not of the cut.
std::string trimmed(const std::string& bytes) {
    const auto last = std::find_if(bytes.rbegin(), bytes.rend(), [](char c) { return c != 0; });
    const auto lastDataOffset = static_cast<std::int64_t>(bytes.rend() - last) - 1;
    const auto cut = findCut(static_cast<std::int64_t>(bytes.size()), lastDataOffset);
    return cut ? keptBytes(bytes, cut->outputLength) : bytes;
}

// 100 bytes of data and 900 blank: 111 bytes are kept.
const std::string kTailed = bytesWithData(1000, {{0, 100}});
// Shorter than one probe: nothing to cut.
const std::string kShort = bytesWithData(5, {{0, 5}});
// No blank tail: the copy is the whole file and one zero byte more, as the window writes it.
const std::string kFull = bytesWithData(50, {{0, 50}});
// A Windows program whose last section ends in zeros that its headers declare.
const std::string kProgram = [] {
    velbrisk::testing::PeLayout layout = velbrisk::testing::typicalLayout(true);
    layout.trailingZeros = 1000;
    const auto image = velbrisk::testing::buildPe(layout).bytes;
    return std::string(image.begin(), image.end());
}();

struct FileSpec {
    std::string name;
    std::string bytes;
};

struct BatchRow {
    const char* name;
    std::vector<FileSpec> before;
    std::vector<std::string> arguments;  // "{dir}" stands for the scratch folder
    int status;
    // Lines of standard output and standard error; "{dir}" as above, and a line that ends in
    // "…" need only start with what comes before it.
    std::vector<std::string> out;
    std::vector<std::string> err;
    std::vector<FileSpec> after;  // every file in the folder afterwards
};

const BatchRow kBatchRows[] = {
    {"one_source",
     {{"a.exe", kTailed}},
     {"{dir}a.exe"},
     kStatusAllWell,
     {"{dir}a.exe：1000 → 111 字节，节省 88.9%，写入 {dir}a.trimmed.exe"},
     {},
     {{"a.exe", kTailed}, {"a.trimmed.exe", trimmed(kTailed)}}},
    {"the_middle_one_missing",
     {{"a.exe", kTailed}, {"c.exe", kFull}},
     {"{dir}a.exe", "{dir}b.exe", "{dir}c.exe"},
     kStatusSomeFailed,
     {"{dir}a.exe：1000 → 111 字节，节省 88.9%，写入 {dir}a.trimmed.exe",
      "{dir}c.exe：50 → 51 字节，多出 1 字节，写入 {dir}c.trimmed.exe"},
     {"velbrisk-trim：找不到要压缩的文件！{dir}b.exe：…"},
     {{"a.exe", kTailed},
      {"a.trimmed.exe", trimmed(kTailed)},
      {"c.exe", kFull},
      {"c.trimmed.exe", trimmed(kFull)}}},
    {"a_folder_as_source",
     {{"a.exe", kTailed}},
     {"{dir}", "{dir}a.exe"},
     kStatusSomeFailed,
     {"{dir}a.exe：1000 → 111 字节，节省 88.9%，写入 {dir}a.trimmed.exe"},
     {"velbrisk-trim：找不到要压缩的文件！{dir}"},
     {{"a.exe", kTailed}, {"a.trimmed.exe", trimmed(kTailed)}}},
    {"nothing_to_cut_is_no_failure",
     {{"short.exe", kShort}},
     {"{dir}short.exe"},
     kStatusAllWell,
     {"{dir}short.exe：5 字节，该文件没有可以去掉的空白部分，未生成压缩文件。"},
     {},
     {{"short.exe", kShort}}},
    {"default_name_keeps_the_extension",
     {{"Setup.EXE", kTailed}, {"tool", kTailed}, {".hidden", kTailed}},
     {"-q", "{dir}Setup.EXE", "{dir}tool", "{dir}.hidden"},
     kStatusAllWell,
     {},
     {},
     {{"Setup.EXE", kTailed},
      {"Setup.trimmed.EXE", trimmed(kTailed)},
      {"tool", kTailed},
      {"tool.trimmed", trimmed(kTailed)},
      {".hidden", kTailed},
      {".hidden.trimmed", trimmed(kTailed)}}},
    {"output_name_as_in_the_window",
     {{"a.exe", kTailed}},
     {"-o", "small", "{dir}a.exe"},
     kStatusAllWell,
     {"{dir}a.exe：1000 → 111 字节，节省 88.9%，写入 {dir}small.exe"},
     {},
     {{"a.exe", kTailed}, {"small.exe", trimmed(kTailed)}}},
    {"output_name_that_is_the_source",
     {{"a.exe", kTailed}},
     {"-o", "a", "{dir}a.exe"},
     kStatusSomeFailed,
     {},
     {"velbrisk-trim：压缩文件不能与被压缩文件相同！{dir}a.exe"},
     {{"a.exe", kTailed}}},
    {"an_existing_output_is_replaced",
     {{"a.exe", kTailed}, {"a.trimmed.exe", "old"}},
     {"-q", "{dir}a.exe"},
     kStatusAllWell,
     {},
     {},
     {{"a.exe", kTailed}, {"a.trimmed.exe", trimmed(kTailed)}}},
    {"dry_run_writes_nothing",
     {{"a.exe", kTailed}, {"short.exe", kShort}},
     {"-n", "{dir}a.exe", "{dir}short.exe"},
     kStatusAllWell,
     {"{dir}a.exe：1000 → 111 字节，可节省 88.9%（未写入）",
      "{dir}short.exe：5 字节，该文件没有可以去掉的空白部分，未生成压缩文件。"},
     {},
     {{"a.exe", kTailed}, {"short.exe", kShort}}},
    {"program_bytes_refused_and_the_batch_goes_on",
     {{"p.exe", kProgram}, {"a.exe", kTailed}},
     {"{dir}p.exe", "{dir}a.exe"},
     kStatusSomeFailed,
     {"{dir}a.exe：1000 → 111 字节，节省 88.9%，写入 {dir}a.trimmed.exe"},
     {"velbrisk-trim：{dir}p.exe：此文件是Windows程序，要去掉的空白中有…"},
     {{"p.exe", kProgram}, {"a.exe", kTailed}, {"a.trimmed.exe", trimmed(kTailed)}}},
    {"program_bytes_refused_in_a_dry_run_too",
     {{"p.exe", kProgram}},
     {"-n", "{dir}p.exe"},
     kStatusSomeFailed,
     {},
     {"velbrisk-trim：{dir}p.exe：此文件是Windows程序…"},
     {{"p.exe", kProgram}}},
    {"program_bytes_cut_with_force",
     {{"p.exe", kProgram}},
     {"--force", "{dir}p.exe"},
     kStatusAllWell,
     {"{dir}p.exe：" + std::to_string(kProgram.size()) + " → …"},
     {},
     {{"p.exe", kProgram}, {"p.trimmed.exe", trimmed(kProgram)}}},
    {"quiet_keeps_the_errors",
     {{"a.exe", kTailed}},
     {"--quiet", "{dir}a.exe", "{dir}none.exe"},
     kStatusSomeFailed,
     {},
     {"velbrisk-trim：找不到要压缩的文件！{dir}none.exe：…"},
     {{"a.exe", kTailed}, {"a.trimmed.exe", trimmed(kTailed)}}},
    {"usage_error_does_nothing",
     {{"a.exe", kTailed}, {"b.exe", kTailed}},
     {"-o", "small", "{dir}a.exe", "{dir}b.exe"},
     kStatusUsage,
     {},
     {"velbrisk-trim：选项“-o”只能用于一个文件", "请用“velbrisk-trim --help”查看用法。"},
     {{"a.exe", kTailed}, {"b.exe", kTailed}}},
    {"in_place_replaces_each_source",
     {{"a.exe", kTailed}, {"b.exe", kProgram}, {"c.exe", kShort}},
     {"-i", "--force", "{dir}a.exe", "{dir}b.exe", "{dir}c.exe"},
     kStatusAllWell,
     {"{dir}a.exe：1000 → 111 字节，节省 88.9%，已替换原文件",
      "{dir}b.exe：" + std::to_string(kProgram.size()) + " → …",
      "{dir}c.exe：5 字节，该文件没有可以去掉的空白部分，未生成压缩文件。"},
     {},
     {{"a.exe", trimmed(kTailed)}, {"b.exe", trimmed(kProgram)}, {"c.exe", kShort}}},
    {"in_place_never_makes_a_source_longer",
     {{"full.exe", kFull}},
     {"--in-place", "{dir}full.exe"},
     kStatusAllWell,
     {"{dir}full.exe：50 字节，该文件没有可以去掉的空白部分，未生成压缩文件。"},
     {},
     {{"full.exe", kFull}}},
    {"in_place_dry_run_writes_nothing",
     {{"a.exe", kTailed}},
     {"-in", "{dir}a.exe"},
     kStatusAllWell,
     {"{dir}a.exe：1000 → 111 字节，可节省 88.9%（未写入）"},
     {},
     {{"a.exe", kTailed}}},
    {"in_place_program_bytes_refused",
     {{"p.exe", kProgram}, {"a.exe", kTailed}},
     {"-i", "{dir}p.exe", "{dir}missing.exe", "{dir}a.exe"},
     kStatusSomeFailed,
     {"{dir}a.exe：1000 → 111 字节，节省 88.9%，已替换原文件"},
     {"velbrisk-trim：{dir}p.exe：此文件是Windows程序…",
      "velbrisk-trim：找不到要压缩的文件！{dir}missing.exe：…"},
     {{"p.exe", kProgram}, {"a.exe", trimmed(kTailed)}}},
    {"in_place_source_named_like_the_placeholder",
     {{"velbrisk-trim.exe", kProgram}},
     {"-i", "--force", "-q", "{dir}velbrisk-trim.exe"},
     kStatusAllWell,
     {},
     {},
     {{"velbrisk-trim.exe", trimmed(kProgram)}}},
    {"help",
     {},
     {"--help", "{dir}a.exe"},
     kStatusAllWell,
     {"用法：velbrisk-trim [选项] 文件...", "…"},
     {},
     {}},
    {"version", {}, {"--version"}, kStatusAllWell, {"velbrisk-trim 9.9"}, {}, {}},
};

std::string expand(std::string text, const std::string& folder) {
    for (std::size_t at; (at = text.find("{dir}")) != std::string::npos;) {
        text.replace(at, 5, folder);
    }
    return text;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

// Each line as the row wants it; the help's "…" row stands for all the lines that are left.
void expectLines(const std::string& text, const std::vector<std::string>& expected,
                 const std::string& folder, const char* stream) {
    const std::vector<std::string> got = lines(text);
    const bool openEnded = !expected.empty() && expected.back() == "…";
    const std::size_t count = expected.size() - (openEnded ? 1 : 0);
    if (openEnded ? got.size() < count : got.size() != count) {
        ADD_FAILURE() << stream << " has " << got.size() << " lines:\n" << text;
        return;
    }
    for (std::size_t k = 0; k < count; ++k) {
        std::string want = expand(expected[k], folder);
        if (want.ends_with("…")) {
            want.resize(want.size() - std::string_view("…").size());
            EXPECT_TRUE(got[k].starts_with(want)) << stream << " line " << k << ": " << got[k];
        } else {
            EXPECT_EQ(got[k], want) << stream << " line " << k;
        }
    }
}

struct CommandRun {
    int status;
    std::string out;
    std::string err;
};

CommandRun runCommand(const std::vector<std::string>& arguments, std::stop_token stop = {},
                      FileProgress* progress = nullptr) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = runTrimCommand(arguments, "9.9", out, err, std::move(stop), progress);
    return {status, out.str(), err.str()};
}

std::map<std::string, std::string> contents(const ScratchFolder& folder) {
    std::map<std::string, std::string> files;
    for (const std::string& name : folder.names()) {
        files[name] = readFile(folder / name);
    }
    return files;
}

class TrimBatchTable : public ::testing::TestWithParam<BatchRow> {
protected:
    ScratchFolder folder;
};

TEST_P(TrimBatchTable, WritesReportsAndEnds) {
    const BatchRow& row = GetParam();
    for (const FileSpec& file : row.before) {
        writeFile(folder / file.name, file.bytes);
    }
    const std::string dir = folder / "";
    std::vector<std::string> arguments;
    for (const std::string& argument : row.arguments) {
        arguments.push_back(expand(argument, dir));
    }

    const CommandRun run = runCommand(arguments);

    EXPECT_EQ(run.status, row.status) << run.err;
    expectLines(run.out, row.out, dir, "standard output");
    expectLines(run.err, row.err, dir, "standard error");
    std::map<std::string, std::string> expected;
    for (const FileSpec& file : row.after) {
        expected[file.name] = file.bytes;
    }
    const auto got = contents(folder);
    EXPECT_EQ(got.size(), expected.size());
    for (const auto& [name, bytes] : expected) {
        ASSERT_TRUE(got.contains(name)) << name << " is missing";
        EXPECT_TRUE(velbrisk::testing::sameBytes(got.at(name), bytes)) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, TrimBatchTable, ::testing::ValuesIn(kBatchRows), rowName);

// Records what the batch tells the progress display, and asks for a stop once a report passes
// `stopAt` bytes.
class RecordingProgress : public FileProgress {
public:
    RecordingProgress(const std::ostringstream& out, std::uint64_t stopAt)
        : out_(out), stopAt_(stopAt) {}

    void begin(std::string_view sourcePath) override {
        events.push_back("begin " + std::string(sourcePath));
    }
    void update(std::uint64_t done, std::uint64_t) override {
        ++updates;
        if (done >= stopAt_) {
            stop.request_stop();
        }
    }
    // What standard output held when the display was taken down.
    void end() override { events.push_back("end after " + std::to_string(out_.str().size())); }

    std::vector<std::string> events;
    int updates = 0;
    std::stop_source stop;

private:
    const std::ostringstream& out_;
    std::uint64_t stopAt_;
};

TEST(TrimBatchProgress, EachFileIsBracketedAndItsLineComesAfter) {
    ScratchFolder folder;
    writeFile(folder / "a.exe", kTailed);
    std::ostringstream out;
    std::ostringstream err;
    RecordingProgress progress(out, UINT64_MAX);
    TrimOptions options;
    options.sources = {folder / "a.exe", folder / "none.exe"};

    EXPECT_EQ(runBatch(options, out, err, {}, &progress), kStatusSomeFailed);

    EXPECT_EQ(progress.events,
              (std::vector<std::string>{"begin " + (folder / "a.exe"), "end after 0",
                                        "begin " + (folder / "none.exe"),
                                        "end after " + std::to_string(out.str().size())}));
    EXPECT_GT(progress.updates, 0);
}

TEST(TrimBatchProgress, QuietShowsNone) {
    ScratchFolder folder;
    writeFile(folder / "a.exe", kTailed);
    std::ostringstream out;
    std::ostringstream err;
    RecordingProgress progress(out, UINT64_MAX);
    TrimOptions options;
    options.sources = {folder / "a.exe"};
    options.quiet = true;

    EXPECT_EQ(runBatch(options, out, err, {}, &progress), kStatusAllWell);
    EXPECT_TRUE(progress.events.empty());
    EXPECT_EQ(progress.updates, 0);
}

struct StopRow {
    const char* name;
    std::uint64_t stopAt;  // bytes of progress at which the stop is asked for
};

// 20 MiB of data and 1 MiB blank: the scan reads little more than the blank MiB, so a stop past
// 8 MiB comes while the copy runs.
const StopRow kStopRows[] = {
    {"before_the_first_file", 0},
    {"during_the_scan", 1},
    {"during_the_copy", 8 << 20},
};

class TrimBatchStop : public ::testing::TestWithParam<StopRow> {
protected:
    ScratchFolder folder;
};

TEST_P(TrimBatchStop, EndsCancelledWithNothingPartialLeft) {
    const std::string big = bytesWithData(21 << 20, {{0, 20 << 20}});
    writeFile(folder / "big.exe", big);
    writeFile(folder / "next.exe", kTailed);
    std::ostringstream out;
    std::ostringstream err;
    RecordingProgress progress(out, GetParam().stopAt);
    if (GetParam().stopAt == 0) {
        progress.stop.request_stop();
    }
    TrimOptions options;
    options.sources = {folder / "big.exe", folder / "next.exe"};

    EXPECT_EQ(runBatch(options, out, err, progress.stop.get_token(), &progress), kStatusCancelled);

    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "velbrisk-trim：已取消。\n");
    EXPECT_EQ(folder.names(), (std::set<std::string>{"big.exe", "next.exe"}));
    EXPECT_TRUE(velbrisk::testing::sameBytes(readFile(folder / "big.exe"), big));
}

INSTANTIATE_TEST_SUITE_P(Rows, TrimBatchStop, ::testing::ValuesIn(kStopRows), rowName);

#ifndef _WIN32
// The permission bits of a file, as the replacement in place must keep them.
mode_t modeOf(const std::string& path) {
    struct stat facts {};
    EXPECT_EQ(::stat(path.c_str(), &facts), 0) << path;
    return facts.st_mode & 07777;
}

TEST(TrimInPlace, KeepsTheSourcesMode) {
    ScratchFolder folder;
    writeFile(folder / "a.exe", kTailed);
    ASSERT_EQ(::chmod((folder / "a.exe").c_str(), 0751), 0);

    const CommandRun run = runCommand({"-i", folder / "a.exe"});

    EXPECT_EQ(run.status, kStatusAllWell) << run.err;
    EXPECT_EQ(modeOf(folder / "a.exe"), 0751u);
    EXPECT_TRUE(velbrisk::testing::sameBytes(readFile(folder / "a.exe"), trimmed(kTailed)));
}

// A copy that cannot be written whole (here: a file-size limit below its size, which also
// holds for root) leaves each source as it was, and nothing beside it.
TEST(TrimInPlace, AFailedCopyLeavesTheSourceUntouched) {
    ScratchFolder folder;
    const std::string source = bytesWithData(4000, {{0, 2000}});
    writeFile(folder / "a.exe", source);
    writeFile(folder / "b.exe", source);

    const int status = velbrisk::testing::runInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            return 100;
        }
        const CommandRun run = runCommand({"-i", folder / "a.exe", folder / "b.exe"});
        const bool saidWhy = run.err.find("无法写入压缩文件！") != std::string::npos;
        return saidWhy && run.out.empty() ? run.status : 101;
    });

    EXPECT_EQ(status, kStatusSomeFailed);
    EXPECT_EQ(folder.names(), (std::set<std::string>{"a.exe", "b.exe"}));
    EXPECT_TRUE(velbrisk::testing::sameBytes(readFile(folder / "a.exe"), source));
    EXPECT_TRUE(velbrisk::testing::sameBytes(readFile(folder / "b.exe"), source));
}
#endif

struct OutputPathRow {
    const char* name;
    std::string source;
    std::string output;
};

const OutputPathRow kOutputPathRows[] = {
    {"extension_kept", "a/app.exe", "a/app.trimmed.exe"},
    {"last_extension_only", "a/app.tar.gz", "a/app.tar.trimmed.gz"},
    {"no_extension", "a/tool", "a/tool.trimmed"},
    {"leading_dot_is_no_extension", "a/.profile", "a/.profile.trimmed"},
    {"dot_in_the_folder_only", "a.d/tool", "a.d/tool.trimmed"},
    {"no_folder", "app.exe", "app.trimmed.exe"},
    {"ends_in_a_dot", "a/app.", "a/app.trimmed."},
};

class DefaultOutputPath : public ::testing::TestWithParam<OutputPathRow> {};

TEST_P(DefaultOutputPath, PutsTrimmedBeforeTheExtension) {
    EXPECT_EQ(defaultOutputPath(GetParam().source), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(Rows, DefaultOutputPath, ::testing::ValuesIn(kOutputPathRows), rowName);

}  // namespace
}  // namespace velbrisk::cli
