// velbrisk-trim's work: each source scanned and trimmed in turn, one report line for each.
#pragma once

#include <cstdint>
#include <ostream>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "cli/TrimCommand.h"

namespace velbrisk::cli {

// Exit statuses.
inline constexpr int kStatusAllWell = 0;      // every file trimmed, or had nothing to cut
inline constexpr int kStatusSomeFailed = 1;   // at least one file failed or was refused
inline constexpr int kStatusUsage = 2;        // the command line was wrong; nothing was done
inline constexpr int kStatusCancelled = 130;  // stopped by Ctrl-C, as a shell reports SIGINT

// Where the progress of one file goes while it is scanned and copied. `update` may be called
// from a thread of the engine's own.
class FileProgress {
public:
    virtual ~FileProgress() = default;
    virtual void begin(std::string_view sourcePath) = 0;
    virtual void update(std::uint64_t done, std::uint64_t total) = 0;
    virtual void end() = 0;
};

// The default output, beside the source: its name with ".trimmed" before the extension
// ("a/app.exe" gives "a/app.trimmed.exe", "tool" gives "tool.trimmed"). A leading dot does not
// start an extension (".profile" gives ".profile.trimmed").
std::string defaultOutputPath(std::string_view sourcePath);

// Runs the batch. Report lines go to `out`, errors to `err`; the batch goes on after a failed
// file and stops at once when `stop` is requested. Returns kStatusAllWell, kStatusSomeFailed or
// kStatusCancelled. `progress` may be null, and is not used with --quiet.
int runBatch(const TrimOptions& options, std::ostream& out, std::ostream& err, std::stop_token stop,
             FileProgress* progress);

// The whole command: `arguments` (after the program's name, UTF-8) parsed, then help, version, a
// usage error (kStatusUsage) or the batch.
int runTrimCommand(const std::vector<std::string>& arguments, std::string_view version,
                   std::ostream& out, std::ostream& err, std::stop_token stop,
                   FileProgress* progress);

}  // namespace velbrisk::cli
