// Tests of the job in a world that does not hold still: a source that changes under it, a process
// killed or limited mid-copy, sources that are no files, names that cannot be, the copy's modes,
// and the replacement of the source in place.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <tuple>

#include "engine/trim.h"
#include "engine/trim_internals.h"
#include "test_files.h"

namespace velbrisk {
namespace {

using namespace testing;  // the helpers of the engine's tests
using testing::PrintTo;   // found by argument-dependent lookup only when declared here
using Names = std::set<std::string>;

const std::string kChanged = "文件在读取过程中被改动";
const std::string kNotRegular = "不是普通文件";

std::string systemWords(int error) {
    return std::system_category().message(error);
}

// Small blocks, so that a copy of a few MiB takes many steps for a test to act between.
const detail::TrimOptions kSteps{false, true, 64 * kKiB, 64 * kKiB};

// The second phase as the window runs it, and as a caller that replaces the source runs it.
struct PhaseTwo {
    const char* name;
    JobResult (*run)(const TrimPlan&, const JobControl&, const detail::TrimOptions&,
                     detail::TrimStats&);
    bool inPlace;
};
const PhaseTwo kWrite{"write", &detail::writeTrimmed, false};
const PhaseTwo kReplace{"replace", &detail::replaceTrimmed, true};

mode_t modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// 3 MiB and 64 KiB of data in a 4 MiB file: dense, or as four 64 KiB pieces with holes between.
std::string sourceBytes(bool sparse) {
    if (!sparse) {
        return bytesWithData(4 * kMiB, {{0, 3 * kMiB + 64 * kKiB}});
    }
    Ranges pieces;
    for (std::int64_t at = 0; at < 4 * kMiB; at += kMiB) {
        pieces.emplace_back(at, at + 64 * kKiB);
    }
    return bytesWithData(4 * kMiB, pieces);
}

void writeSource(const std::string& path, const std::string& bytes, bool sparse) {
    if (!sparse) {
        writeFile(path, bytes);
        return;
    }
    Pieces pieces;
    for (std::int64_t at = 0; at < 4 * kMiB; at += kMiB) {
        pieces.emplace_back(at, bytes.substr(std::size_t(at), std::size_t(64 * kKiB)));
    }
    writePieces(path, 4 * kMiB, pieces);
}

// Another program at work on the source: it changes the file at `path`, which held `bytes`, and
// says what the path holds afterwards (nothing when it holds no file).
using Change = std::function<std::optional<std::string>(const std::string& path, std::string bytes)>;

std::optional<std::string> replacedByRename(const std::string& path, std::string bytes) {
    bytes.replace(bytes.size() - 100, 100, std::string(100, 'x'));  // data to the very end
    writeFile(path + ".new", bytes);
    EXPECT_EQ(::rename((path + ".new").c_str(), path.c_str()), 0);
    return bytes;
}

std::optional<std::string> rewrittenInPlace(const std::string& path, std::string bytes,
                                            std::int64_t at) {
    const int fd = ::open(path.c_str(), O_WRONLY);
    EXPECT_EQ(::pwrite(fd, "new!", 4, at), 4);
    ::close(fd);
    bytes.replace(std::size_t(at), 4, "new!");
    return bytes;
}

std::optional<std::string> cutTo(const std::string& path, std::string bytes, std::int64_t length) {
    EXPECT_EQ(::truncate(path.c_str(), length), 0);
    bytes.resize(std::size_t(length));
    return bytes;
}

struct ChangeCase {
    const char* name;
    bool sparse;
    // When the other program acts: once this many bytes are copied; -1 between the two phases,
    // where the window waits for the user's answer.
    std::int64_t copiedBeforeChange;
    Change change;
};

class ChangeTable : public ScratchTable<std::tuple<ChangeCase, PhaseTwo>> {};

// Whatever the change and whenever it comes, the job says the file changed, and writes nothing:
// no output, no temporary file, and a source replaced in place stays as the other program left it.
TEST_P(ChangeTable, SaysTheFileChangedAndWritesNothing) {
    const auto& [row, phase] = GetParam();
    const std::string path = folder / "app.exe";
    const std::string bytes = sourceBytes(row.sparse);
    writeSource(path, bytes, row.sparse);
    TrimPlan plan;
    detail::TrimStats stats;
    ASSERT_EQ(detail::scanSource(path, "small", plan, {}, kSteps, stats).status, JobStatus::Done);
    const auto blank = std::uint64_t(4 * kMiB - plan.lastDataOffset - 1);
    std::optional<std::string> after;
    bool changed = false;
    const auto changeNow = [&] {
        after = row.change(path, bytes);
        changed = true;
    };
    if (row.copiedBeforeChange < 0) {
        changeNow();
    }
    const JobControl control{[&](std::uint64_t done, std::uint64_t) {
                                 if (!changed && done >= blank + row.copiedBeforeChange) {
                                     changeNow();
                                 }
                             },
                             {}};

    const JobResult result = phase.run(plan, control, kSteps, stats);

    ASSERT_TRUE(changed) << "the copy ended before the change";
    EXPECT_EQ(result.status, JobStatus::SourceUnreadable);
    EXPECT_EQ(result.path, path);
    EXPECT_EQ(result.reason, kChanged);
    EXPECT_EQ(folder.names(), after ? Names{"app.exe"} : Names{});
    if (after) {
        EXPECT_TRUE(sameBytes(readFile(path), *after));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ChangeTable,
    ::testing::Combine(
        ::testing::Values(
            ChangeCase{"replaced_by_rename_while_the_question_waits", false, -1, replacedByRename},
            ChangeCase{"rewritten_in_place_in_the_blank_tail", false, -1,
                       [](auto& path, auto bytes) {
                           return rewrittenInPlace(path, bytes, 4 * kMiB - 8);
                       }},
            ChangeCase{"removed_while_the_question_waits", false, -1,
                       [](auto& path, auto) -> std::optional<std::string> {
                           EXPECT_EQ(::unlink(path.c_str()), 0);
                           return std::nullopt;
                       }},
            // Cut back to the end of the third piece just as it is copied: what follows reads
            // as a hole, which must not pass for one.
            ChangeCase{"shrunk_in_the_middle_of_a_sparse_copy", true, 2 * kMiB + 64 * kKiB,
                       [](auto& path, auto bytes) {
                           return cutTo(path, bytes, 2 * kMiB + 64 * kKiB);
                       }},
            ChangeCase{"shrunk_in_the_middle_of_a_copy", false, kMiB,
                       [](auto& path, auto bytes) { return cutTo(path, bytes, 2 * kMiB); }},
            ChangeCase{"rewritten_behind_the_copy", false, 2 * kMiB,
                       [](auto& path, auto bytes) { return rewrittenInPlace(path, bytes, 10); }},
            ChangeCase{"grown_during_the_copy", false, kMiB,
                       [](auto& path, auto bytes) {
                           std::ofstream(path, std::ios::app) << "more";
                           return std::optional<std::string>{bytes + "more"};
                       }},
            ChangeCase{"replaced_by_rename_during_the_copy", false, kMiB, replacedByRename}),
        ::testing::Values(kWrite, kReplace)),
    [](const auto& info) {
        return std::string{std::get<0>(info.param).name} + "_" + std::get<1>(info.param).name;
    });

// A source cut short while its long tail is scanned.
TEST_F(InScratchFolder, SourceCutShortDuringTheScanChanged) {
    const std::string path = folder / "app.exe";
    writeSource(path, sourceBytes(true), true);
    bool cutShort = false;
    const JobControl control{[&](std::uint64_t done, std::uint64_t) {
                                 if (!cutShort && done > 64 * kKiB) {
                                     cutShort = ::truncate(path.c_str(), 2 * kMiB) == 0;
                                 }
                             },
                             {}};
    TrimPlan plan;
    detail::TrimStats stats;

    const JobResult scanned = detail::scanSource(path, "small", plan, control, kSteps, stats);

    ASSERT_TRUE(cutShort);
    EXPECT_EQ(scanned.status, JobStatus::SourceUnreadable);
    EXPECT_EQ(scanned.reason, kChanged);
}

// A job killed mid-copy, in a child process: the folder holds what it held before, an older
// output included, byte for byte.
struct KillCase {
    const char* name;
    int signal;
    bool outputExists;
};

class KillTable : public ScratchTable<KillCase> {};

TEST_P(KillTable, LeavesTheFolderAsItWas) {
    const KillCase& row = GetParam();
    writeFile(folder / "app.exe", sourceBytes(false));
    if (row.outputExists) {
        writeFile(folder / "small.exe", "old output");
    }
    const Names before = folder.names();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        bool told = false;
        const JobControl control{[&](std::uint64_t done, std::uint64_t total) {
                                     if (!told && done > total / 2) {
                                         told = ::write(ready[1], "!", 1) == 1;
                                         for (;;) {
                                             ::pause();
                                         }
                                     }
                                 },
                                 {}};
        detail::TrimStats stats;
        detail::trimFile(folder / "app.exe", "small", control, kSteps, stats);
        ::_exit(1);  // never reached while the test holds: the job waits to be killed
    }
    ::close(ready[1]);
    char mark = 0;
    const bool midCopy = ::read(ready[0], &mark, 1) == 1;
    ::close(ready[0]);
    ::kill(pid, row.signal);
    int status = 0;
    ::waitpid(pid, &status, 0);

    ASSERT_TRUE(midCopy) << "the child ended before its copy was half done";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == row.signal);
    EXPECT_EQ(folder.names(), before);
    if (row.outputExists) {
        EXPECT_EQ(readFile(folder / "small.exe"), "old output");
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, KillTable,
                         ::testing::Values(KillCase{"sigkill_new_output", SIGKILL, false},
                                           KillCase{"sigterm_new_output", SIGTERM, false},
                                           KillCase{"sigkill_over_an_old_output", SIGKILL, true}),
                         rowName);

// A file-size limit below the copy's size, with SIGXFSZ ignored as the program ignores it: the
// write fails with EFBIG, and the job says so and leaves nothing behind.
class FileSizeLimit : public ScratchTable<PhaseTwo> {};

TEST_P(FileSizeLimit, IsAnUnwritableOutputNotADeath) {
    const PhaseTwo& phase = GetParam();
    const std::string source = sourceBytes(false);
    writeFile(folder / "app.exe", source);
    writeFile(folder / "small.exe", "old output");
    const std::string target = folder / (phase.inPlace ? "app.exe" : "small.exe");

    const int status = runInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit { 256 * kKiB, 256 * kKiB };
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            return 99;
        }
        TrimPlan plan;
        detail::TrimStats stats;
        if (detail::scanSource(folder / "app.exe", "small", plan, {}, {}, stats).status !=
            JobStatus::Done) {
            return 98;
        }
        const JobResult result = phase.run(plan, {}, {}, stats);
        return result.status == JobStatus::OutputUnwritable && result.path == target &&
                       result.reason == systemWords(EFBIG)
                   ? 0
                   : 1;
    });

    EXPECT_EQ(status, 0) << "1: wrong status, path or reason; 128 + n: killed by signal n";
    EXPECT_EQ(folder.names(), (Names{"app.exe", "small.exe"}));
    EXPECT_TRUE(sameBytes(readFile(folder / "app.exe"), source));
    EXPECT_EQ(readFile(folder / "small.exe"), "old output");
}

INSTANTIATE_TEST_SUITE_P(Phases, FileSizeLimit, ::testing::Values(kWrite, kReplace), rowName);

// Sources that are no regular files: refused as unreadable, without waiting for a writer or
// reading a device, and with nothing written beside them.
struct NotRegularCase {
    const char* name;
    std::function<std::string(const ScratchFolder&)> make;  // returns the source path
};

class NotRegularTable : public ScratchTable<NotRegularCase> {};

TEST_P(NotRegularTable, IsRefusedAsNoRegularFile) {
    const std::string source = GetParam().make(folder);
    const Names before = folder.names();

    const JobResult result = trimFile(source, "small");

    EXPECT_EQ(result.status, JobStatus::SourceUnreadable);
    EXPECT_EQ(result.path, source);
    EXPECT_EQ(result.reason, kNotRegular);
    EXPECT_EQ(folder.names(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NotRegularTable,
    ::testing::Values(NotRegularCase{"fifo",
                                     [](const ScratchFolder& folder) {
                                         EXPECT_EQ(::mkfifo((folder / "pipe.exe").c_str(), 0644),
                                                   0);
                                         return folder / "pipe.exe";
                                     }},
                      NotRegularCase{"dev_null", [](const ScratchFolder&) { return "/dev/null"; }},
                      NotRegularCase{"dev_zero", [](const ScratchFolder&) { return "/dev/zero"; }},
                      NotRegularCase{"link_to_dev_null",
                                     [](const ScratchFolder& folder) {
                                         EXPECT_EQ(::symlink("/dev/null",
                                                             (folder / "null.exe").c_str()),
                                                   0);
                                         return folder / "null.exe";
                                     }},
                      NotRegularCase{"socket",
                                     [](const ScratchFolder& folder) {
                                         sockaddr_un address{};
                                         address.sun_family = AF_UNIX;
                                         const std::string path = folder / "sock.exe";
                                         std::strncpy(address.sun_path, path.c_str(),
                                                      sizeof address.sun_path - 1);
                                         const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
                                         EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address),
                                                          sizeof address),
                                                   0);
                                         ::close(fd);
                                         return path;
                                     }}),
    rowName);

// Outputs that must fail are refused before a byte is copied, with the system's reason.
struct EarlyRefusalCase {
    const char* name;
    std::string outputName;
    int error;
};

class EarlyRefusalTable : public ScratchTable<EarlyRefusalCase> {};

TEST_P(EarlyRefusalTable, CopiesNothing) {
    const EarlyRefusalCase& row = GetParam();
    writeFile(folder / "app.exe", sourceBytes(false));
    folder.makeFolder("taken.exe");
    const Names before = folder.names();
    detail::TrimStats stats;

    const JobResult result = detail::trimFile(folder / "app.exe", row.outputName, {}, {}, stats);

    EXPECT_EQ(result.status, JobStatus::OutputUnwritable);
    EXPECT_EQ(result.path, folder / (row.outputName + ".exe"));
    EXPECT_EQ(result.reason, systemWords(row.error));
    EXPECT_EQ(stats.clonedBytes + stats.kernelCopiedBytes + stats.readWriteBytes, 0u);
    EXPECT_EQ(folder.names(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EarlyRefusalTable,
    ::testing::Values(EarlyRefusalCase{"name_of_300_bytes", std::string(300, 'a'), ENAMETOOLONG},
                      EarlyRefusalCase{"name_of_a_folder", "taken", EISDIR},
                      EarlyRefusalCase{"folder_missing", "no/small", ENOENT},
                      EarlyRefusalCase{"folder_is_a_file", "app.exe/small", ENOTDIR}),
    rowName);

// An access-control list as the kernel stores it: owner rw, user nobody rw, owning group r, mask
// rw, others nothing. The mode's group bits then show the mask: rw.
bool giveNobodyWriteAccess(const std::string& path) {
    const auto entry = [](std::uint16_t tag, std::uint16_t perm, std::uint32_t id) {
        std::string bytes(8, '\0');
        bytes[0] = char(tag), bytes[2] = char(perm);
        std::memcpy(bytes.data() + 4, &id, 4);
        return bytes;
    };
    const std::string list = std::string("\x02\0\0\0", 4) + entry(0x01, 6, ~0u) +
                             entry(0x02, 6, 65534) + entry(0x04, 4, ~0u) + entry(0x10, 6, ~0u) +
                             entry(0x20, 0, ~0u);
    return ::setxattr(path.c_str(), "system.posix_acl_access", list.data(), list.size(), 0) == 0;
}

struct ModeCase {
    const char* name;
    mode_t sourceMode;
    bool accessList;  // the list above on the source
    mode_t umask;
    bool inPlace;
    mode_t expected;
};

class ModeTable : public ScratchTable<ModeCase> {};

// The copy grants no one more than the source did, under the umask as cp's copy would; a
// replacement in place keeps the source's bits and list as they are.
TEST_P(ModeTable, GrantsNoMoreThanTheSource) {
    const ModeCase& row = GetParam();
    const std::string source = folder / "app.exe";
    writeFile(source, bytesWithData(1000, {{0, 701}}));
    ASSERT_EQ(::chmod(source.c_str(), row.sourceMode), 0);
    if (row.accessList && !giveNobodyWriteAccess(source)) {
        GTEST_SKIP() << "this file system keeps no access-control lists: " << std::strerror(errno);
    }
    const std::string target = row.inPlace ? source : folder / "small.exe";

    const int status = runInChild([&] {
        ::umask(row.umask);
        TrimPlan plan;
        if (scanSource(source, "small", plan).status != JobStatus::Done) {
            return 98;
        }
        return int((row.inPlace ? replaceTrimmed(plan) : writeTrimmed(plan)).status);
    });

    ASSERT_EQ(status, int(JobStatus::Done));
    EXPECT_EQ(modeOf(target), row.expected) << std::oct << modeOf(target);
    if (row.inPlace) {
        EXPECT_EQ(::getxattr(target.c_str(), "system.posix_acl_access", nullptr, 0) > 0,
                  row.accessList);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ModeTable,
    ::testing::Values(ModeCase{"umask_077_world_writable_source", 0666, false, 077, false, 0600},
                      ModeCase{"umask_022_set_id_bits_dropped", 06775, false, 022, false, 0755},
                      ModeCase{"umask_000_bits_as_they_are", 0751, false, 0, false, 0751},
                      ModeCase{"list_mask_gives_the_group_no_write", 0640, true, 0, false, 0640},
                      ModeCase{"in_place_keeps_bits_under_umask_077", 0755, false, 077, true,
                               0755},
                      ModeCase{"in_place_keeps_the_list", 0640, true, 077, true, 0660}),
    rowName);

// The replacement in place: the kept bytes under the source's name, a new file whose old one lives
// on under a second link; a source with nothing to cut is left alone.
TEST_F(InScratchFolder, ReplaceTrimmedPutsTheCopyInPlaceOfTheSource) {
    const std::string path = folder / "app.exe";
    const std::string source = bytesWithData(1000, {{0, 701}});
    writeFile(path, source);
    ASSERT_EQ(::link(path.c_str(), (folder / "other.exe").c_str()), 0);
    TrimPlan plan;
    ASSERT_EQ(scanSource(path, "app", plan).status, JobStatus::Done);

    const JobResult result = replaceTrimmed(plan);

    ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
    EXPECT_EQ(result.path, path);
    EXPECT_TRUE(sameBytes(readFile(path), keptBytes(source, 711)));
    EXPECT_TRUE(sameBytes(readFile(folder / "other.exe"), source));
    EXPECT_EQ(folder.names(), (Names{"app.exe", "other.exe"}));
    // The plan is spent: the file it scanned is no longer the source.
    EXPECT_EQ(replaceTrimmed(plan).reason, kChanged);
    EXPECT_TRUE(sameBytes(readFile(path), keptBytes(source, 711)));

    writeFile(folder / "blank.exe", std::string(1000, '\0'));
    ASSERT_EQ(scanSource(folder / "blank.exe", "x", plan).status, JobStatus::NothingToCut);
    EXPECT_EQ(replaceTrimmed(plan).status, JobStatus::NothingToCut);
    EXPECT_EQ(readFile(folder / "blank.exe"), std::string(1000, '\0'));
}

// Without unnamed files the copy is written under a hidden name, and still put in place whole.
TEST_F(InScratchFolder, NamedTemporaryFileServesWhereUnnamedOnesCannot) {
    const std::string source = bytesWithData(1000, {{0, 701}});
    writeFile(folder / "app.exe", source);
    writeFile(folder / "small.exe", "old output");
    detail::TrimOptions named;
    named.allowUnnamedOutput = false;
    detail::TrimStats stats;

    for (const char* output : {"small", "new"}) {
        SCOPED_TRACE(output);
        const JobResult result = detail::trimFile(folder / "app.exe", output, {}, named, stats);
        ASSERT_EQ(result.status, JobStatus::Done) << result.reason;
        EXPECT_TRUE(sameBytes(readFile(folder / output + ".exe"), keptBytes(source, 711)));
    }
    EXPECT_EQ(folder.names(), (Names{"app.exe", "new.exe", "small.exe"}));
}

}  // namespace
}  // namespace velbrisk
