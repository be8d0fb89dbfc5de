// The failures that the engine names itself, where the system has no error number to give.
#pragma once

#include <system_error>

namespace velbrisk {

enum class JobError {
    SourceChanged = 1,  // the source's size, times or path moved on while the job held it
    NotRegularFile,     // a device, FIFO, socket or the like, which must not be read as a file
    WriteMadeNoProgress,  // the system took none of the bytes of a write, and said no why
    ReadOnly,             // the output is marked read-only: the user wants it left as it is
    IsAFolder,            // a folder where a file was named
    OutputExists,         // a batch leaves a file of the output's name alone unless told
    OutputIsASource,      // the output would write over a file the same run was given
    // Where Windows has no words of its own in the user's language: the C library's are English.
    NotAFolder,   // what should be the output's folder is a file
    ColonInName,  // Windows would write a stream of another file, or on another drive
};

const std::error_category& jobErrorCategory();

inline std::error_code make_error_code(JobError error) {
    return {static_cast<int>(error), jobErrorCategory()};
}

}  // namespace velbrisk

template <>
struct std::is_error_code_enum<velbrisk::JobError> : std::true_type {};
