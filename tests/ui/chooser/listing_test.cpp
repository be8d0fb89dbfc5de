// What the chooser's lists show, worked out without any window: the join, the chain, the
// listings, the volumes.
#include "ui/chooser/Listing.h"

#include <gtest/gtest.h>

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#endif

#include "test_files.h"

namespace velbrisk::testing {
namespace {

using namespace ui::chooser;

#ifdef _WIN32
#define NATIVE(windows, posix) windows
#else
#define NATIVE(windows, posix) posix
#endif

struct JoinRow {
    const char* name;
    std::string folderListPath;
    std::string listingPath;
    std::string joined;
};
using ::velbrisk::testing::PrintTo;

class Join : public ::testing::TestWithParam<JoinRow> {};

// The folder list's path decides whether a separator goes in; the file list's path is the
// folder that the name is joined to.
TEST_P(Join, picksTheSeparatorByTheFolderList) {
    EXPECT_EQ(joinPickedFile(GetParam().folderListPath, GetParam().listingPath, "SETUP.EXE"),
              GetParam().joined);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Join,
    ::testing::Values(
#ifdef _WIN32
        JoinRow{"drive_root", "C:\\", "C:\\", "C:\\SETUP.EXE"},
        JoinRow{"folder_on_a_drive", "C:\\TOOLS", "C:\\TOOLS", "C:\\TOOLS\\SETUP.EXE"},
        JoinRow{"test_on_folder_list_join_on_listing", "C:\\", "C:\\TOOLS", "C:\\TOOLSSETUP.EXE"},
        JoinRow{"forward_slash_is_no_separator_here", "C:/TOOLS/", "C:/TOOLS/", "C:/TOOLS/\\SETUP.EXE"},
#else
        JoinRow{"root_already_ends_in_the_separator", "/", "/", "/SETUP.EXE"},
        JoinRow{"subfolder", "/tools", "/tools", "/tools/SETUP.EXE"},
        JoinRow{"test_on_folder_list_join_on_listing", "/", "/tools", "/toolsSETUP.EXE"},
#endif
        JoinRow{"Chinese_folder", NATIVE("C:\\数据", "/数据"), NATIVE("C:\\数据", "/数据"),
                NATIVE("C:\\数据\\SETUP.EXE", "/数据/SETUP.EXE")}),
    rowName);

struct PathRow {
    const char* name;
    std::string path;
    std::string root;
    std::string normal;
    std::string parent;    // of the normal path
    std::string lastName;  // of the normal path
    std::string joined;    // "x.exe" under the normal path
};

class Paths : public ::testing::TestWithParam<PathRow> {};

TEST_P(Paths, takenApartByThePlatformsRules) {
    const PathRow& row = GetParam();
    EXPECT_EQ(rootOf(row.path), row.root);
    EXPECT_EQ(normalPath(row.path), row.normal);
    EXPECT_EQ(parentOf(row.normal), row.parent);
    EXPECT_EQ(nameOf(row.normal), row.lastName);
    EXPECT_EQ(joinPath(row.normal, "x.exe"), row.joined);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Paths,
    ::testing::Values(
#ifdef _WIN32
        PathRow{"drive_root", "C:\\", "C:\\", "C:\\", "C:\\", "", "C:\\x.exe"},
        PathRow{"slashes_doubled_and_trailing", "c:/a//b/", "c:\\", "c:\\a\\b", "c:\\a", "b",
                "c:\\a\\b\\x.exe"},
        PathRow{"dots_stop_at_the_drive_root", "C:\\a\\.\\..\\..", "C:\\", "C:\\", "C:\\", "",
                "C:\\x.exe"},
        PathRow{"share_is_part_of_the_root", "\\\\srv\\share\\tools", "\\\\srv\\share\\",
                "\\\\srv\\share\\tools", "\\\\srv\\share\\", "tools",
                "\\\\srv\\share\\tools\\x.exe"},
        PathRow{"Chinese_names", "D:\\数据\\程序\\", "D:\\", "D:\\数据\\程序", "D:\\数据", "程序",
                "D:\\数据\\程序\\x.exe"}
#else
        PathRow{"root", "/", "/", "/", "/", "", "/x.exe"},
        PathRow{"slashes_doubled_and_trailing", "/a//b/./", "/", "/a/b", "/a", "b", "/a/b/x.exe"},
        PathRow{"dots_stop_at_the_root", "/a/../..", "/", "/", "/", "", "/x.exe"},
        PathRow{"relative_keeps_its_dots", "a/../../b", "", "../b", "..", "b", "../b/x.exe"},
        PathRow{"backslash_is_part_of_a_name", "/a\\b", "/", "/a\\b", "/", "a\\b", "/a\\b/x.exe"},
        PathRow{"Chinese_names", "/数据/程序/", "/", "/数据/程序", "/数据", "程序", "/数据/程序/x.exe"}
#endif
        ),
    rowName);

struct ChainRow {
    const char* name;
    std::string folder;
    std::vector<std::string> chain;
    std::vector<std::string> texts;
};

class Chain : public ::testing::TestWithParam<ChainRow> {};

TEST_P(Chain, runsFromTheRootDown) {
    std::vector<std::string> chain;
    std::vector<std::string> texts;
    for (const std::string& folder : folderChain(GetParam().folder)) {
        chain.push_back(folder);
        texts.push_back(folderEntryText(folder));
    }
    EXPECT_EQ(chain, GetParam().chain);
    EXPECT_EQ(texts, GetParam().texts);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, Chain,
    ::testing::Values(
#ifdef _WIN32
        ChainRow{"drive_root_alone", "C:\\", {"C:\\"}, {"C:\\"}},
        ChainRow{"folder_on_a_drive", "C:\\TOOLS", {"C:\\", "C:\\TOOLS"}, {"C:\\", "TOOLS"}},
        ChainRow{"trailing_separator", "C:\\a\\b\\", {"C:\\", "C:\\a", "C:\\a\\b"},
                 {"C:\\", "a", "b"}},
        ChainRow{"Chinese_names", "D:\\数据\\程序", {"D:\\", "D:\\数据", "D:\\数据\\程序"},
                 {"D:\\", "数据", "程序"}}
#else
        ChainRow{"root_alone", "/", {"/"}, {"/"}},
        ChainRow{"three_deep", "/a/b/c", {"/", "/a", "/a/b", "/a/b/c"}, {"/", "a", "b", "c"}},
        ChainRow{"trailing_separator", "/a/b/", {"/", "/a", "/a/b"}, {"/", "a", "b"}},
        ChainRow{"dots_resolved", "/a/./b/../c", {"/", "/a", "/a/c"}, {"/", "a", "c"}},
        ChainRow{"Chinese_names", "/数据/程序", {"/", "/数据", "/数据/程序"}, {"/", "数据", "程序"}}
#endif
        ),
    rowName);

// A folder with every kind of entry that the lists must sort out.
class Listings : public InScratchFolder {
protected:
    void SetUp() override {
        for (const char* name : {"sub", "x.exe", "Beta", "alpha", "数据"}) {
            folder.makeFolder(name);
        }
        for (const char* name : {"a.exe", "B.EXE", "c.Exe", "notes.txt", "setup.exe.bak", "exe",
                                 "程序.exe", "Z.exe"}) {
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
    }
};

TEST_F(Listings, subfoldersByNameWithoutCaseHiddenLeftOut) {
    const auto names = subfolders(folder / "");
    ASSERT_TRUE(names);
    EXPECT_EQ(*names, (std::vector<std::string>{"alpha", "Beta", "sub", "x.exe", "数据"}));
}

TEST_F(Listings, exeFilesMatchWithoutCaseFoldersAndHiddenLeftOut) {
    const auto names = exeFiles(folder / "");
    ASSERT_TRUE(names);
    EXPECT_EQ(*names, (std::vector<std::string>{"a.exe", "B.EXE", "c.Exe", "Z.exe", "程序.exe"}));
}

TEST_F(Listings, folderThatCannotBeOpenedGivesNothing) {
    for (const std::string& missing : {folder / "gone", folder / "a.exe", std::string()}) {
        EXPECT_FALSE(subfolders(missing)) << missing;
        EXPECT_FALSE(exeFiles(missing)) << missing;
    }
}

TEST_F(Listings, emptyFolderGivesEmptyLists) {
    const std::string sub = folder / "sub";
    ASSERT_TRUE(subfolders(sub));
    EXPECT_TRUE(subfolders(sub)->empty());
    ASSERT_TRUE(exeFiles(sub));
    EXPECT_TRUE(exeFiles(sub)->empty());
}

#ifndef _WIN32
TEST(FileSystemTypes, pseudoOnesAreLeftOut) {
    for (const char* real : {"ext4", "btrfs", "xfs", "vfat", "ntfs3", "fuse.sshfs", "nfs4"}) {
        EXPECT_TRUE(isRealFileSystem(real)) << real;
    }
    for (const char* pseudo : {"", "proc", "sysfs", "tmpfs", "squashfs", "cgroup2", "devpts"}) {
        EXPECT_FALSE(isRealFileSystem(pseudo)) << pseudo;
    }
}

TEST(MountInfo, linesAndTheirEscapes) {
    const std::string text =
        "26 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
        "21 26 0:20 / /proc rw,relatime - proc proc rw\n"
        "40 26 8:17 / /media/My\\040Stick rw master:3 propagating_from:2 - vfat /dev/sdb1 rw\n"
        "41 26 8:18 / /media/\\134back rw - exfat /dev/disk\\040x rw\n"
        "broken line\n"
        "42 26 8:19 / /media/no-type rw\n";
    EXPECT_EQ(parseMountInfo(text),
              (std::vector<Mount>{{"/", "ext4", "/dev/vda"},
                                  {"/proc", "proc", "proc"},
                                  {"/media/My Stick", "vfat", "/dev/sdb1"},
                                  {"/media/\\back", "exfat", "/dev/disk x"}}));
}

struct MountsRow {
    const char* name;
    std::vector<Mount> mounts;
    std::string currentRoot;
    std::vector<std::string> notReady;   // mount points whose file system does not answer
    std::vector<std::string> notFolder;  // mount points that are files
    std::vector<std::string> offered;
};

class OfferedMounts : public ::testing::TestWithParam<MountsRow> {};

TEST_P(OfferedMounts, rootFirstThenByPlace) {
    const MountsRow& row = GetParam();
    const auto isIn = [](const std::vector<std::string>& list) {
        return [&list](const std::string& point) {
            return std::find(list.begin(), list.end(), point) != list.end();
        };
    };
    std::vector<std::string> offered;
    EXPECT_EQ(offeredMountPoints(row.mounts, row.currentRoot,
                                 [&](const std::string& p) { return !isIn(row.notReady)(p); },
                                 [&](const std::string& p) { return !isIn(row.notFolder)(p); }),
              row.offered);
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, OfferedMounts,
    ::testing::Values(
        MountsRow{"root_first_the_rest_by_place",
                  {{"/media/b", "ext4", ""}, {"/", "ext4", ""}, {"/home", "xfs", ""}, {"/media/a", "vfat", ""}},
                  "/", {}, {}, {"/", "/home", "/media/a", "/media/b"}},
        MountsRow{"pseudo_file_systems_left_out",
                  {{"/", "ext4", ""}, {"/proc", "proc", ""}, {"/run", "tmpfs", ""}, {"/snap/x", "squashfs", ""}},
                  "/", {}, {}, {"/"}},
        MountsRow{"current_folder_volume_offered_whatever_its_type",
                  {{"/", "ext4", ""}, {"/tmp", "tmpfs", ""}}, "/tmp", {}, {}, {"/", "/tmp"}},
        MountsRow{"volume_not_ready_left_out",
                  {{"/", "ext4", ""}, {"/mnt/net", "nfs4", ""}}, "/", {"/mnt/net"}, {}, {"/"}},
        MountsRow{"file_bound_as_a_mount_left_out",
                  {{"/", "overlay", ""}, {"/etc/hosts", "ext4", ""}}, "/", {}, {"/etc/hosts"}, {"/"}},
        MountsRow{"mounted_twice_offered_once",
                  {{"/", "ext4", ""}, {"/data", "ext4", ""}, {"/data", "btrfs", ""}}, "/", {}, {},
                  {"/", "/data"}},
        MountsRow{"root_missing_from_the_table_still_first",
                  {{"/data", "ext4", ""}}, "/data", {}, {}, {"/", "/data"}}),
    rowName);
#endif

// The current folder's volume is offered, each once; on Linux the root comes first.
TEST_F(Listings, volumesOfferTheCurrentOne) {
    const std::string here = folder / "";
    const std::vector<Volume> volumes = pickableVolumes(here);
    ASSERT_FALSE(volumes.empty());
    const auto root = volumeRootOf(here);
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(std::count_if(volumes.begin(), volumes.end(),
                            [&](const Volume& volume) { return volume.root == root; }),
              1);
    for (const Volume& volume : volumes) {
        EXPECT_EQ(std::count(volumes.begin(), volumes.end(), volume), 1) << volumeText(volume);
    }
#ifndef _WIN32
    EXPECT_EQ(volumes.front().root, "/");
    for (const Volume& volume : volumes) {
        EXPECT_NE(volume.root, "/proc");
        EXPECT_NE(volume.root, "/sys");
    }
#endif
    // A folder on the volume starts the list where it is; another volume opens at its root.
    EXPECT_EQ(startFolderOn(root, here), here);
    const std::string elsewhere = NATIVE("Q:\\", "/no-such-volume");
    EXPECT_EQ(startFolderOn(elsewhere, here), elsewhere);
}

struct VolumeTextRow {
    const char* name;
    Volume volume;
    std::string text;
};

class VolumeTexts : public ::testing::TestWithParam<VolumeTextRow> {};

TEST_P(VolumeTexts, asTheDriveListShowsThem) {
    EXPECT_EQ(volumeText(GetParam().volume), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, VolumeTexts,
    ::testing::Values(
#ifdef _WIN32
        VolumeTextRow{"drive_with_a_label", {"C:\\", "SYSTEM"}, "c: [SYSTEM]"},
        VolumeTextRow{"drive_without_a_label", {"D:\\", ""}, "d:"},
        VolumeTextRow{"Chinese_label", {"E:\\", "数据"}, "e: [数据]"},
        VolumeTextRow{"share_without_a_letter", {"\\\\server\\share\\", ""}, "\\\\server\\share\\"}
#else
        VolumeTextRow{"root_without_a_label", {"/", ""}, "/"},
        VolumeTextRow{"mount_with_a_label", {"/media/usb", "STICK"}, "/media/usb [STICK]"},
        VolumeTextRow{"Chinese_label", {"/media/数据", "数据盘"}, "/media/数据 [数据盘]"}
#endif
        ),
    rowName);

}  // namespace
}  // namespace velbrisk::testing
