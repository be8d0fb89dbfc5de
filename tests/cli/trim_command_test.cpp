// velbrisk-trim's command line: what each way of writing it asks for, and what it refuses.
#include <gtest/gtest.h>

#include "cli/TrimCommand.h"
#include "table_rows.h"

namespace velbrisk::cli {
namespace {

using velbrisk::testing::PrintTo;
using velbrisk::testing::rowName;

struct CommandRow {
    const char* name;
    std::vector<std::string> arguments;
    TrimRequest request;
    TrimOptions options;  // compared only for Trim
    std::string error;    // compared only for UsageError
};

TrimOptions sources(std::vector<std::string> paths) {
    TrimOptions options;
    options.sources = std::move(paths);
    return options;
}

TrimOptions with(TrimOptions options, bool TrimOptions::*flag) {
    options.*flag = true;
    return options;
}

TrimOptions named(TrimOptions options, std::string name) {
    options.outputName = std::move(name);
    return options;
}

const CommandRow kCommandRows[] = {
    {"one_source", {"app.exe"}, TrimRequest::Trim, sources({"app.exe"}), ""},
    {"sources_keep_their_order",
     {"b.exe", "a.exe", "b.exe"},
     TrimRequest::Trim,
     sources({"b.exe", "a.exe", "b.exe"}),
     ""},
    {"output_name_apart",
     {"-o", "small", "app.exe"},
     TrimRequest::Trim,
     named(sources({"app.exe"}), "small"),
     ""},
    {"output_name_joined",
     {"-osmall", "app.exe"},
     TrimRequest::Trim,
     named(sources({"app.exe"}), "small"),
     ""},
    {"output_name_long_with_equals",
     {"app.exe", "--output=小 程序"},
     TrimRequest::Trim,
     named(sources({"app.exe"}), "小 程序"),
     ""},
    {"output_name_long_apart",
     {"--output", "-n", "app.exe"},
     TrimRequest::Trim,
     named(sources({"app.exe"}), "-n"),
     ""},
    {"in_place_short",
     {"-i", "a", "b"},
     TrimRequest::Trim,
     with(sources({"a", "b"}), &TrimOptions::inPlace),
     ""},
    {"in_place_long",
     {"--in-place", "a"},
     TrimRequest::Trim,
     with(sources({"a"}), &TrimOptions::inPlace),
     ""},
    {"dry_run_after_the_source",
     {"a", "--dry-run"},
     TrimRequest::Trim,
     with(sources({"a"}), &TrimOptions::dryRun),
     ""},
    {"short_flags_run_together",
     {"-nq", "a"},
     TrimRequest::Trim,
     with(with(sources({"a"}), &TrimOptions::dryRun), &TrimOptions::quiet),
     ""},
    {"force", {"--force", "a"}, TrimRequest::Trim, with(sources({"a"}), &TrimOptions::force), ""},
    {"quiet_long",
     {"--quiet", "a"},
     TrimRequest::Trim,
     with(sources({"a"}), &TrimOptions::quiet),
     ""},
    {"double_dash_ends_options",
     {"--", "-i", "--help"},
     TrimRequest::Trim,
     sources({"-i", "--help"}),
     ""},
    {"lone_dash_is_a_file", {"-"}, TrimRequest::Trim, sources({"-"}), ""},

    {"help_short", {"-h"}, TrimRequest::Help, {}, ""},
    {"help_among_sources", {"a", "--help", "b"}, TrimRequest::Help, {}, ""},
    {"version", {"--version"}, TrimRequest::Version, {}, ""},

    {"nothing_given", {}, TrimRequest::UsageError, {}, "缺少要压缩的文件"},
    {"options_only", {"-n", "--force"}, TrimRequest::UsageError, {}, "缺少要压缩的文件"},
    {"unknown_long_option",
     {"--recursive", "a"},
     TrimRequest::UsageError,
     {},
     "无法识别的选项“--recursive”"},
    {"unknown_long_option_with_value",
     {"--level=9", "a"},
     TrimRequest::UsageError,
     {},
     "无法识别的选项“--level”"},
    {"unknown_short_option_in_a_run",
     {"-nx", "a"},
     TrimRequest::UsageError,
     {},
     "无法识别的选项“-x”"},
    {"flag_given_a_value",
     {"--force=yes", "a"},
     TrimRequest::UsageError,
     {},
     "选项“--force”不带参数"},
    {"output_name_missing", {"a", "-o"}, TrimRequest::UsageError, {}, "选项“-o”需要一个参数"},
    {"long_output_name_missing",
     {"a", "--output"},
     TrimRequest::UsageError,
     {},
     "选项“--output”需要一个参数"},
    {"output_name_empty", {"--output=", "a"}, TrimRequest::UsageError, {}, "请输入压缩文件名！"},
    {"output_name_with_two_sources",
     {"-o", "small", "a.exe", "b.exe"},
     TrimRequest::UsageError,
     {},
     "选项“-o”只能用于一个文件"},
    {"output_name_in_place",
     {"-i", "-o", "small", "a.exe"},
     TrimRequest::UsageError,
     {},
     "选项“-o”不能与“--in-place”同时使用"},
};

class TrimCommandTable : public ::testing::TestWithParam<CommandRow> {};

TEST_P(TrimCommandTable, ParsesAsExpected) {
    const CommandRow& row = GetParam();
    const TrimCommand command = parseTrimCommand(row.arguments);
    ASSERT_EQ(command.request, row.request) << command.error;
    if (row.request == TrimRequest::UsageError) {
        EXPECT_EQ(command.error, row.error);
    }
    if (row.request == TrimRequest::Trim) {
        const TrimOptions& got = command.options;
        EXPECT_EQ(got.sources, row.options.sources);
        EXPECT_EQ(got.outputName, row.options.outputName);
        EXPECT_EQ(got.inPlace, row.options.inPlace);
        EXPECT_EQ(got.dryRun, row.options.dryRun);
        EXPECT_EQ(got.force, row.options.force);
        EXPECT_EQ(got.quiet, row.options.quiet);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, TrimCommandTable, ::testing::ValuesIn(kCommandRows), rowName);

}  // namespace
}  // namespace velbrisk::cli
