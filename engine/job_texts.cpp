// The job's words to its user, in the interface's language.
#include "engine/job_texts.h"

namespace velbrisk::texts {
namespace {

std::string quoted(std::string_view answer) {
    return "“" + std::string{answer} + "”";
}

}  // namespace

std::string_view failureHeadline(JobStatus status) {
    switch (status) {
        case JobStatus::SourceMissing:
            return "找不到要压缩的文件！";
        case JobStatus::SourceUnreadable:
            return "无法读取被压缩文件！";
        case JobStatus::OutputUnwritable:
            return "无法写入压缩文件！";
        case JobStatus::SameFile:
            return "压缩文件不能与被压缩文件相同！";
        case JobStatus::Done:
        case JobStatus::NothingToCut:
        case JobStatus::Cancelled:
            break;
    }
    return {};
}

std::string imageCutQuestion(std::int64_t imageBytesCut, bool canKeepProgram) {
    std::string text = "此文件是Windows程序，要去掉的空白中有" + std::to_string(imageBytesCut) +
                       "字节属于程序自身的数据（节或数字签名）。全部去掉后生成的文件可能无法运行，"
                       "或签名失效。\n\n";
    if (canKeepProgram) {
        text += quoted(kKeepProgram) + "只去掉这些数据之后的空白，";
    } else {
        text += "这些数据之后已没有可以去掉的空白。";
    }
    return text + quoted(kCutAll) + "去掉全部空白，" + quoted(kLeaveAlone) + "不生成文件。";
}

std::string keptForProgram(std::int64_t bytes) {
    return "为程序保留 " + std::to_string(bytes) + " 字节";
}

std::string unknownOption(std::string_view option) {
    return "无法识别的选项" + quoted(option);
}

}  // namespace velbrisk::texts
