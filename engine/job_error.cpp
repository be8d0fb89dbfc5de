// The engine's own reasons, in the interface's language.
#include "engine/job_error.h"

#include <string>

namespace velbrisk {
namespace {

class JobErrorCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "velbrisk"; }
    std::string message(int value) const override {
        switch (static_cast<JobError>(value)) {
            case JobError::SourceChanged:
                return "文件在读取过程中被改动";
            case JobError::NotRegularFile:
                return "不是普通文件";
            case JobError::WriteMadeNoProgress:
                return "系统未写入任何数据";
            case JobError::IsADirectory:
                return "是一个文件夹";
            case JobError::NotADirectory:
                return "不是文件夹";
            case JobError::ColonInName:
                return "文件名中不能有冒号“:”";
        }
        return "未知错误";
    }
    // So that a caller's test for the system's "is a directory" holds for the engine's own.
    std::error_condition default_error_condition(int value) const noexcept override {
        switch (static_cast<JobError>(value)) {
            case JobError::IsADirectory:
                return std::errc::is_a_directory;
            case JobError::NotADirectory:
                return std::errc::not_a_directory;
            default:
                return {value, *this};
        }
    }
};

}  // namespace

const std::error_category& jobErrorCategory() {
    static const JobErrorCategory category;
    return category;
}

}  // namespace velbrisk
