// What the chooser's lists show, worked out without any window: paths, listings, volumes.
#include "ui/chooser/Listing.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "step_text.h"
#include "test_files.h"

namespace velbrisk::testing {
namespace {

using namespace ui::chooser;

// Each path taken apart by the platform's rules: "root|normal form|the folder list's entries from
// the root down to it|x.exe picked in it".
TEST(Paths, takenApartByThePlatformsRules) {
    struct Row {
        const char* name;
        std::string path, parts;
    };
    for (const Row& row : {
#ifdef _WIN32
             Row{"drive root", "C:\\", "C:\\|C:\\|C:\\|C:\\x.exe"},
             Row{"doubled, dots, trailing", "c:/a//b/./../c/",
                 "c:\\|c:\\a\\c|c:\\ a c|c:\\a\\c\\x.exe"},
             Row{"share is part of the root", "\\\\srv\\share\\tools",
                 "\\\\srv\\share\\|\\\\srv\\share\\tools|\\\\srv\\share\\ tools|"
                 "\\\\srv\\share\\tools\\x.exe"},
#else
             Row{"root", "/", "/|/|/|/x.exe"},
             Row{"doubled, dots, trailing", "/a//b/./../c/", "/|/a/c|/ a c|/a/c/x.exe"},
             Row{"relative keeps its dots", "a/../../b", "|../b|.. b|../b/x.exe"},
             Row{"backslash is part of a name", "/a\\b", "/|/a\\b|/ a\\b|/a\\b/x.exe"},
#endif
         }) {
        std::vector<std::string> chain;
        for (const std::string& folder : folderChain(row.path)) {
            chain.push_back(folderEntryText(folder));
        }
        const std::string normal = normalPath(row.path);
        const std::string picked = joinPickedFile(normal, normal, "x.exe");
        EXPECT_EQ(joined({rootOf(row.path), normal, joined(chain), picked}, "|"), row.parts)
            << row.name;
    }
}

// A folder with every kind of entry that the lists must sort out.
TEST(Listings, sortedWithoutCaseHiddenLeftOut) {
    ScratchFolder folder;
    for (const char* name : {"x.exe", "Beta", "alpha"}) {
        folder.makeFolder(name);
    }
    for (const char* name :
         {"a.exe", "B.EXE", "c.Exe", "notes.txt", "setup.exe.bak", "exe", "Z.exe", "Azure.exe"}) {
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
    EXPECT_EQ(exeFiles(folder / ""),
              (std::vector<std::string>{"a.exe", "Azure.exe", "B.EXE", "c.Exe", "Z.exe"}));
    EXPECT_FALSE(subfolders(folder / "gone") || exeFiles(folder / "a.exe"));
}

// A volume shows its root, and its label if it has one.
TEST(Volumes, text) {
#ifdef _WIN32
    EXPECT_EQ(volumeText({"C:\\", "数据"}) + "|" + volumeText({"D:\\", ""}), "c: [数据]|d:");
#else
    EXPECT_EQ(volumeText({"/media/数据", "数据盘"}) + "|" + volumeText({"/", ""}),
              "/media/数据 [数据盘]|/");
#endif
}

#ifndef _WIN32
// A stick named with a space or a backslash (at the end too) shows as named; a line the kernel
// never writes is passed over.
TEST(Volumes, mountTableEscapes) {
    const std::string text =
        "40 26 8:17 / /media/My\\040Stick rw master:3 propagating_from:2 - vfat /dev/sdb1 rw\n"
        "41 26 8:18 / /media/back\\134 rw - exfat /dev/disk\\040x rw\n"
        "broken line\n"
        "42 26 8:19 / /media/no-type rw\n";
    EXPECT_EQ(parseMountInfo(text),
              (std::vector<Mount>{{"/media/My Stick", "vfat", "/dev/sdb1"},
                                  {"/media/back\\", "exfat", "/dev/disk x"}}));
}

// The mount points offered for "point type" mounts: the root first, then by place, each once. A
// point with "off" in its name is not ready, one with "file" is no folder.
TEST(Volumes, offeredMountPoints) {
    const auto ready = [](const std::string& point) { return point.find("off") == point.npos; };
    const auto aFolder = [](const std::string& point) { return point.find("file") == point.npos; };
    struct Row {
        const char* name;
        std::string mounts, currentRoot, offered;
    };
    for (const Row& row : {
             Row{"the rest by place, each once",
                 "/media/b ext4|/ ext4|/home xfs|/media/a vfat|/home btrfs", "/",
                 "/ /home /media/a /media/b"},
             Row{"pseudo, untyped, not ready or a file left out",
                 "/ ext4|/proc proc|/sys sysfs|/run tmpfs|/snap/x squashfs|/odd|/mnt/off nfs4|"
                 "/run/user/1000/gvfs fuse.gvfsd-fuse|/mnt/ssh fuse.sshfs|/etc/file ext4",
                 "/", "/ /mnt/ssh"},
             Row{"root and current volume whatever they are", "/tmp tmpfs", "/tmp", "/ /tmp"},
         }) {
        std::vector<Mount> mounts;
        for (const std::string& line : split(row.mounts, '|')) {
            const std::vector<std::string> words = split(line, ' ');
            mounts.push_back({words[0], words.size() > 1 ? words[1] : "", ""});
        }
        EXPECT_EQ(joined(offeredMountPoints(mounts, row.currentRoot, ready, aFolder)), row.offered)
            << row.name;
    }
}

// A folder's volume is a mount point that holds it, whatever is mounted deeper elsewhere.
TEST(Volumes, aFoldersVolumeHoldsIt) {
    const std::string folder = std::filesystem::canonical(std::filesystem::temp_directory_path());
    const std::string root = volumeRootOf(folder);
    EXPECT_TRUE(root == "/" || folder == root || folder.starts_with(root + "/")) << root;
}
#endif

}  // namespace
}  // namespace velbrisk::testing
