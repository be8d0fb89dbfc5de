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
            case JobError::ReadOnly:
                return "文件是只读的";
            case JobError::IsAFolder:
                return "这是一个文件夹，不是文件";
            case JobError::OutputExists:
                return "文件已存在，未覆盖";
            case JobError::OutputIsASource:
                return "这是本次要压缩的文件之一，不能覆盖";
            case JobError::NotAFolder:
                return "不是文件夹";
            case JobError::ColonInName:
                return "文件名中不能有冒号“:”";
        }
        return "未知错误";
    }
};

}  // namespace

const std::error_category& jobErrorCategory() {
    static const JobErrorCategory category;
    return category;
}

}  // namespace velbrisk
