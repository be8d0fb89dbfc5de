// The job's words to its user, in the interface's language.
#include "engine/job_texts.h"

namespace velbrisk::texts {
namespace {

// What a cut into a program's own bytes risks, said the same way wherever it is said.
std::string imageCutFinding(std::int64_t imageBytesCut) {
    return "此文件是Windows程序，要去掉的空白中有" + std::to_string(imageBytesCut) +
           "字节属于程序自身的数据（节或数字签名）";
}

constexpr std::string_view kImageCutRisk = "这样生成的文件可能无法运行，或签名失效";

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

std::string imageCutQuestion(std::int64_t imageBytesCut) {
    return imageCutFinding(imageBytesCut) + "。" + std::string{kImageCutRisk} + "。是否仍要压缩？";
}

std::string imageCutRefusal(std::int64_t imageBytesCut, std::string_view cutAllOption) {
    return imageCutFinding(imageBytesCut) + "，" + std::string{kImageCutRisk} +
           "。未压缩；如仍要压缩，请加上 " + std::string{cutAllOption} + "。";
}

}  // namespace velbrisk::texts
