// The job's words to its user: every text that the window and velbrisk-trim show of a job, once,
// and the refusals that both command lines share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/trim.h"

namespace velbrisk::texts {

// The refusals of a job that cannot start.
inline constexpr std::string_view kNoSource = "请先选择要压缩的文件！";
inline constexpr std::string_view kNoOutputName = "请输入压缩文件名！";

// The endings that wrote something, or that had nothing to write.
inline constexpr std::string_view kFinished = "压缩完毕！";
inline constexpr std::string_view kNothingToCut = "该文件没有可以去掉的空白部分，未生成压缩文件。";

// The first words of a failure's message ("找不到要压缩的文件！"); empty for a status that is no
// failure. The front adds the path and the reason in its own layout.
std::string_view failureHeadline(JobStatus status);

// The window's question when the blank tail reaches into a Windows program's own bytes, and its
// answers: keep those bytes and cut only the zeros after them (offered only where some are left
// to cut), cut everything, or leave the file alone.
std::string imageCutQuestion(std::int64_t imageBytesCut, bool canKeepProgram);
inline constexpr std::string_view kKeepProgram = "保留程序数据";
inline constexpr std::string_view kCutAll = "全部去掉";
inline constexpr std::string_view kLeaveAlone = "不压缩";

// What a cut that kept the program's own bytes kept for it, for the command line's report.
std::string keptForProgram(std::int64_t bytes);
// The ending where the program's own bytes leave no zeros after them to cut.
inline constexpr std::string_view kNothingAfterProgram =
    "该文件是Windows程序，程序自身的数据之后没有可以去掉的空白部分，未生成压缩文件。";

// A command line's refusals, velbrisk's and velbrisk-trim's alike.
inline constexpr std::string_view kEmptyFileName = "文件名不能为空";
std::string unknownOption(std::string_view option);

}  // namespace velbrisk::texts
