// Tests of the job in a world that does not hold still: a source that changes under it, a file-size
// limit mid-copy, sources that are no files, the copy's modes, and the replacement in place.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <optional>
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

// Small blocks, so that a copy of a few MiB takes many steps for a test to act between.
const detail::TrimOptions kSteps{false, true, 64 * kKiB, 64 * kKiB};

// 4 MiB with 64 KiB of data at each MiB: the last data byte is at 3 MiB + 64 KiB - 1.
const Ranges kPieces{{0, 64 * kKiB},
                     {kMiB, kMiB + 64 * kKiB},
                     {2 * kMiB, 2 * kMiB + 64 * kKiB},
                     {3 * kMiB, 3 * kMiB + 64 * kKiB}};

// The second phase as the window runs it, and as a caller that replaces the source runs it.
struct PhaseTwo {
    const char* name;
    JobResult (*run)(const TrimPlan&, const JobControl&, const detail::TrimOptions&,
                     detail::TrimStats&);
    bool inPlace;
};
const PhaseTwo kWrite{"write", &detail::writeTrimmed, false};
const PhaseTwo kReplace{"replace", &detail::replaceTrimmed, true};

// Another program at work on the source: it changes the file at `path`, which held `bytes`, and
// says what the path holds afterwards (nothing when it holds no file).
using Change = std::optional<std::string> (*)(const std::string& path, std::string bytes);

std::optional<std::string> replacedByRename(const std::string& path, std::string bytes) {
    bytes.replace(bytes.size() - 100, 100, std::string(100, 'x'));
    writeFile(path + ".new", bytes);
    EXPECT_EQ(::rename((path + ".new").c_str(), path.c_str()), 0);
    return bytes;
}

std::optional<std::string> rewrittenAt(const std::string& path, std::string bytes,
                                       std::int64_t at) {
    const int fd = ::open(path.c_str(), O_WRONLY);
    EXPECT_EQ(::pwrite(fd, "new!", 4, at), 4);
    ::close(fd);
    bytes.replace(std::size_t(at), 4, "new!");
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

// Whatever the change and whenever it comes, the job says the file changed and writes nothing;
// a source replaced in place stays as the other program left it.
TEST_P(ChangeTable, SaysTheFileChangedAndWritesNothing) {
    const auto& [row, phase] = GetParam();
    const std::string path = folder / "app.exe";
    const std::string bytes = writeSource(path, 4 * kMiB, kPieces, row.sparse);
    // Kernels before 6.13 stamp times at the timer's tick: the source is dated back an hour, so
    // that a rewrite within the tick still shows.
    const struct timespec anHourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), anHourAgo, 0), 0);
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
            // Its modification time set back as well: only the change time tells.
            ChangeCase{"rewritten_in_the_tail_times_set_back", false, -1,
                       [](auto& path, auto bytes) {
                           struct stat st {};
                           EXPECT_EQ(::stat(path.c_str(), &st), 0);
                           auto after = rewrittenAt(path, bytes, 4 * kMiB - 8);
                           const struct timespec times[2] = {st.st_atim, st.st_mtim};
                           EXPECT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
                           return after;
                       }},
            ChangeCase{"removed_while_the_question_waits", false, -1,
                       [](auto& path, auto) -> std::optional<std::string> {
                           EXPECT_EQ(::unlink(path.c_str()), 0);
                           return std::nullopt;
                       }},
            // Cut back to the end of the third piece as it is copied: what follows reads as a
            // hole, which must not pass for one.
            ChangeCase{"shrunk_in_the_middle_of_a_sparse_copy", true, 2 * kMiB + 64 * kKiB,
                       [](auto& path, auto bytes) -> std::optional<std::string> {
                           EXPECT_EQ(::truncate(path.c_str(), 2 * kMiB + 64 * kKiB), 0);
                           return bytes.substr(0, 2 * kMiB + 64 * kKiB);
                       }},
            ChangeCase{"rewritten_behind_the_copy", false, 2 * kMiB,
                       [](auto& path, auto bytes) { return rewrittenAt(path, bytes, 10); }},
            ChangeCase{"replaced_by_rename_during_the_copy", false, kMiB, replacedByRename}),
        ::testing::Values(kWrite, kReplace)),
    [](const auto& info) {
        return std::string{std::get<0>(info.param).name} + "_" + std::get<1>(info.param).name;
    });

// A source named through a link that comes to lead to another file during the copy: the file the
// job holds is untouched, and only its path tells.
TEST_F(InScratchFolder, SourcePathLeadingElsewhereAfterTheCopyChanged) {
    writeSource(folder / "real.exe", 4 * kMiB, kPieces);
    writeFile(folder / "other.exe", "another program");
    ASSERT_EQ(::symlink("real.exe", (folder / "app.exe").c_str()), 0);
    TrimPlan plan;
    detail::TrimStats stats;
    ASSERT_EQ(detail::scanSource(folder / "app.exe", "small", plan, {}, kSteps, stats).status,
              JobStatus::Done);
    bool moved = false;
    const JobControl control{
        [&](std::uint64_t done, std::uint64_t total) {
            if (!moved && done > total / 2) {
                moved = ::symlink("other.exe", (folder / "link").c_str()) == 0 &&
                        ::rename((folder / "link").c_str(), (folder / "app.exe").c_str()) == 0;
            }
        },
        {}};

    const JobResult result = detail::writeTrimmed(plan, control, kSteps, stats);

    ASSERT_TRUE(moved);
    EXPECT_EQ(result.reason, kChanged);
    EXPECT_EQ(folder.names(), (Names{"app.exe", "other.exe", "real.exe"}));
}

// A sparse source cut short while its tail is scanned reads as holes where it ended; only its
// change shows it.
TEST_F(InScratchFolder, SourceCutShortDuringTheScanChanged) {
    const std::string path = folder / "app.exe";
    writeSource(path, 4 * kMiB, kPieces, true);
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

// A file-size limit below the copy's size, with SIGXFSZ ignored as the program ignores it: the
// write fails with EFBIG, and the job says so and leaves nothing behind.
class FileSizeLimit : public ScratchTable<PhaseTwo> {};

TEST_P(FileSizeLimit, IsAnUnwritableOutputNotADeath) {
    const PhaseTwo& phase = GetParam();
    const std::string source = writeSource(folder / "app.exe", 4 * kMiB, kPieces);
    writeFile(folder / "small.exe", "old output");
    const std::string target = folder / (phase.inPlace ? "app.exe" : "small.exe");

    const int status = runInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit { 256 * kKiB, 256 * kKiB };
        TrimPlan plan;
        detail::TrimStats stats;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0 ||
            detail::scanSource(folder / "app.exe", "small", plan, {}, {}, stats).status !=
                JobStatus::Done) {
            return 98;
        }
        const JobResult result = phase.run(plan, {}, {}, stats);
        return result.status == JobStatus::OutputUnwritable && result.path == target &&
                       result.reason == std::system_category().message(EFBIG)
                   ? 0
                   : 1;
    });

    EXPECT_EQ(status, 0) << "1: wrong status, path or reason; 128 + n: killed by signal n";
    EXPECT_EQ(folder.names(), (Names{"app.exe", "small.exe"}));
    EXPECT_TRUE(sameBytes(readFile(folder / "app.exe"), source));
    EXPECT_EQ(readFile(folder / "small.exe"), "old output");
}

INSTANTIATE_TEST_SUITE_P(Phases, FileSizeLimit, ::testing::Values(kWrite, kReplace), rowName);

// Sources that are no regular files are refused without waiting for a writer or reading a device.
TEST_F(InScratchFolder, NoRegularFileIsRefused) {
    ASSERT_EQ(::mkfifo((folder / "pipe.exe").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("/dev/zero", (folder / "zero.exe").c_str()), 0);
    for (const std::string& source : {folder / "pipe.exe", folder / "zero.exe"}) {
        const JobResult result = trimFile(source, "small");
        EXPECT_EQ(result.status, JobStatus::SourceUnreadable);
        EXPECT_EQ(result.path, source);
        EXPECT_EQ(result.reason, "不是普通文件");
    }
    EXPECT_EQ(folder.names(), (Names{"pipe.exe", "zero.exe"}));
}

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
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, row.expected) << std::oct << st.st_mode;
    if (row.inPlace) {
        EXPECT_EQ(::getxattr(target.c_str(), "system.posix_acl_access", nullptr, 0) > 0,
                  row.accessList);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ModeTable,
    ::testing::Values(ModeCase{"umask_077_world_writable_source", 0666, false, 077, false, 0600},
                      ModeCase{"umask_022_set_id_bits_dropped", 06775, false, 022, false, 0755},
                      ModeCase{"list_mask_gives_the_group_no_write", 0640, true, 0, false, 0640},
                      ModeCase{"in_place_keeps_the_list", 0640, true, 077, true, 0660}),
    rowName);

// The replacement in place: the kept bytes under the source's name, a new file whose old one lives
// on under a second link; the plan is spent once it is done.
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
    EXPECT_EQ(replaceTrimmed(plan).reason, kChanged);
    EXPECT_TRUE(sameBytes(readFile(path), keptBytes(source, 711)));
}

}  // namespace
}  // namespace velbrisk
