// The job's words to its user: every text that the window and velbrisk-trim show of a job, once.
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

// The window's question before a cut into a Windows program's own bytes (a yes/no box)...
std::string imageCutQuestion(std::int64_t imageBytesCut);
// ...and the command line's line for the file it leaves alone instead, naming the option that
// would cut them all the same.
std::string imageCutRefusal(std::int64_t imageBytesCut, std::string_view cutAllOption);

}  // namespace velbrisk::texts
