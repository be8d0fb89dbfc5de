// What the chooser's lists show, worked out without any window: paths, listings, volumes.
#include "ui/chooser/Listing.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "step_text.h"
#include "table_rows.h"
#include "test_files.h"

namespace velbrisk::testing {
namespace {

using namespace ui::chooser;

struct PathRow {
    const char* name;
    std::string path;
    std::string root;
    std::string normal;
    std::string parent;  // of the normal path
    std::string chain;   // the folder list's entries from the root down to the normal path
    std::string joined;  // "x.exe" picked in the normal path
};
using ::velbrisk::testing::PrintTo;

class Paths : public ::testing::TestWithParam<PathRow> {};

TEST_P(Paths, takenApartByThePlatformsRules) {
    const PathRow& row = GetParam();
    std::string chain;
    for (const std::string& folder : folderChain(row.path)) {
        chain += (chain.empty() ? "" : " ") + folderEntryText(folder);
    }
    EXPECT_EQ((std::vector<std::string>{rootOf(row.path), normalPath(row.path), parentOf(row.normal),
                                        chain, joinPickedFile(row.normal, row.normal, "x.exe"),
                                        joinPath(row.normal, "x.exe")}),
              (std::vector<std::string>{row.root, row.normal, row.parent, row.chain, row.joined,
                                        row.joined}));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Paths,
    ::testing::Values(
#ifdef _WIN32
        PathRow{"drive_root", "C:\\", "C:\\", "C:\\", "C:\\", "C:\\", "C:\\x.exe"},
        PathRow{"slashes_doubled_dots_and_trailing", "c:/a//b/./../c/", "c:\\", "c:\\a\\c", "c:\\a",
                "c:\\ a c", "c:\\a\\c\\x.exe"},
        PathRow{"share_is_part_of_the_root", "\\\\srv\\share\\tools", "\\\\srv\\share\\",
                "\\\\srv\\share\\tools", "\\\\srv\\share\\", "\\\\srv\\share\\ tools",
                "\\\\srv\\share\\tools\\x.exe"}
#else
        PathRow{"root", "/", "/", "/", "/", "/", "/x.exe"},
        PathRow{"slashes_doubled_dots_and_trailing", "/a//b/./../c/", "/", "/a/c", "/a", "/ a c", "/a/c/x.exe"},
        PathRow{"relative_keeps_its_dots", "a/../../b", "", "../b", "..", ".. b", "../b/x.exe"},
        PathRow{"backslash_is_part_of_a_name", "/a\\b", "/", "/a\\b", "/", "/ a\\b", "/a\\b/x.exe"}
#endif
        ),
    rowName);

// A volume shows its root, and its label if it has one.
TEST(Texts, volume) {
#ifdef _WIN32
    EXPECT_EQ(volumeText({"C:\\", "数据"}) + "|" + volumeText({"D:\\", ""}), "c: [数据]|d:");
#else
    EXPECT_EQ(volumeText({"/media/数据", "数据盘"}) + "|" + volumeText({"/", ""}), "/media/数据 [数据盘]|/");
#endif
}

// A folder with every kind of entry that the lists must sort out.
TEST(Listings, sortedWithoutCaseHiddenLeftOut) {
    ScratchFolder folder;
    for (const char* name : {"x.exe", "Beta", "alpha"}) {
        folder.makeFolder(name);
    }
    for (const char* name : {"a.exe", "B.EXE", "c.Exe", "notes.txt", "setup.exe.bak", "exe", "Z.exe"}) {
        writeFile(folder / name, "MZ");
    }
#ifdef _WIN32
    writeFile(folder / "hidden.exe", "MZ");
    folder.makeFolder("hiddenfolder");
    for (const char* name : {"hidden.exe", "hiddenfolder"}) {
        SetFileAttributesW(utf8Path(folder / name).c_str(), FILE_ATTRIBUTE_HIDDEN);
    }
#else
    writeFile(folder / ".hidden.exe", "MZ");
    folder.makeFolder(".cache");
#endif
    EXPECT_EQ(subfolders(folder / ""), (std::vector<std::string>{"alpha", "Beta", "x.exe"}));
    EXPECT_EQ(exeFiles(folder / ""), (std::vector<std::string>{"a.exe", "B.EXE", "c.Exe", "Z.exe"}));
    EXPECT_FALSE(subfolders(folder / "gone") || exeFiles(folder / "a.exe"));
}

#ifndef _WIN32
TEST(MountInfo, linesAndTheirEscapes) {
    const std::string text =
        "26 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
        "40 26 8:17 / /media/My\\040Stick rw master:3 propagating_from:2 - vfat /dev/sdb1 rw\n"
        "41 26 8:18 / /media/\\134back rw - exfat /dev/disk\\040x rw\n"
        "broken line\n"
        "42 26 8:19 / /media/no-type rw\n";
    EXPECT_EQ(parseMountInfo(text), (std::vector<Mount>{{"/", "ext4", "/dev/vda"},
                                                        {"/media/My Stick", "vfat", "/dev/sdb1"},
                                                        {"/media/\\back", "exfat", "/dev/disk x"}}));
}

struct MountsRow {
    const char* name;
    std::string mounts;  // "point type" pairs, separated by "|"
    std::string currentRoot;
    std::string offered;
};

// A point with "not-ready" in its name is not ready, one with "file" is no folder.
class OfferedMounts : public ::testing::TestWithParam<MountsRow> {};

TEST_P(OfferedMounts, rootFirstThenByPlace) {
    std::vector<Mount> mounts;
    for (const std::string& line : split(GetParam().mounts, '|')) {
        const std::vector<std::string> words = split(line, ' ');
        mounts.push_back({words[0], words.size() > 1 ? words[1] : "", ""});
    }
    const auto lacks = [](const char* word) {
        return [word](const std::string& point) { return point.find(word) == std::string::npos; };
    };
    EXPECT_EQ(joined(offeredMountPoints(mounts, GetParam().currentRoot, lacks("not-ready"), lacks("file"))),
              GetParam().offered);
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, OfferedMounts,
    ::testing::Values(
        MountsRow{"root_first_the_rest_by_place_each_once", "/media/b ext4|/ ext4|/home xfs|/media/a vfat|/home btrfs",
                  "/", "/ /home /media/a /media/b"},
        MountsRow{"pseudo_and_untyped_file_systems_left_out",
                  "/ ext4|/proc proc|/sys sysfs|/run tmpfs|/dev devtmpfs|/snap/x squashfs|"
                  "/sys/fs/cgroup cgroup2|/run/user/1000/gvfs fuse.gvfsd-fuse|/odd|/mnt/ssh fuse.sshfs",
                  "/", "/ /mnt/ssh"},
        MountsRow{"volume_not_ready_or_a_file_left_out", "/ ext4|/mnt/not-ready nfs4|/etc/file ext4", "/", "/"},
        // The root is offered though the table lacks it, the current folder's volume whatever its type.
        MountsRow{"root_and_current_volume_always_offered", "/tmp tmpfs", "/tmp", "/ /tmp"}),
    rowName);
#endif

}  // namespace
}  // namespace velbrisk::testing
