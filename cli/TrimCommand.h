// velbrisk-trim's command line: what it asks for, and the texts of --help and --version.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velbrisk::cli {

struct TrimOptions {
    std::vector<std::string> sources;       // UTF-8 paths, in the order given
    std::optional<std::string> outputName;  // -o: the output's name as in the window, ".exe" added
    bool inPlace = false;                   // -i: each source replaced by its trimmed copy
    bool dryRun = false;                    // -n: the report, and nothing written
    bool force = false;  // replace an output that exists already
    bool all = false;    // cut a Windows program's own declared bytes too
    bool quiet = false;                     // no report lines and no progress; errors still
};

enum class TrimRequest {
    Trim,
    Help,        // print the help text, status 0
    Version,     // print the version, status 0
    UsageError,  // print `error`, status 2
};

struct TrimCommand {
    TrimRequest request = TrimRequest::Trim;
    TrimOptions options;
    std::string error;  // for UsageError: one line, without the program's name
};

// `arguments` are those after the program's own name, UTF-8.
TrimCommand parseTrimCommand(const std::vector<std::string>& arguments);

std::string trimHelpText();
std::string trimVersionText(std::string_view version);
// The line that follows a usage error's own.
std::string trimUsageHint();

}  // namespace velbrisk::cli
