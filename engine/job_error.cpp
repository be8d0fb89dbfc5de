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
