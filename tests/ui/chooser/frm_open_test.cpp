// FrmOpen's logic with a stand-in dialog, walking a folder tree as a user walks it.
#include "ui/chooser/FrmOpen.h"

#include <gtest/gtest.h>

#include <sstream>

#include "step_text.h"
#include "test_files.h"

namespace velbrisk::testing {
namespace {

using ui::ChooserView;
using ui::FrmOpen;

// The tree is made with the file system library; the chooser takes UTF-8 text.
std::filesystem::path pathFromUtf8(const std::string& text) {
    return utf8Path(text);
}

std::string utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

class FakeChooserView : public ChooserView {
public:
    void showDrives(const std::vector<std::string>& entries, int current) override {
        drives = entries;
        drive = current;
    }
    void showFolders(const std::vector<FolderEntry>& entries, int current) override {
        folders = entries;
        folder = current;
    }
    void showFiles(const std::vector<std::string>& names) override { files = names; }
    std::string pathText() const override { return Text1; }
    void setPathText(const std::string& text) override { Text1 = text; }
    void close(bool accepted) override { closed = accepted ? "accepted" : "rejected"; }

    std::vector<std::string> drives;
    int drive = -1;
    std::vector<FolderEntry> folders;
    int folder = -1;
    std::vector<std::string> files;
    std::string Text1;
    std::string closed = "open";
};

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : " ") + part;
    }
    return text;
}

struct WalkRow {
    const char* name;
    std::string steps;    // separated by "|"
    std::string changed;  // entries of the state that differ from the fresh dialog's
};
using ::velbrisk::testing::PrintTo;

// Each row runs steps, separated by "|", in a dialog opened at ~/tools of this tree, then
// compares what the dialog and the main window's box show with the fresh dialog's, as changed
// by the row. "~" stands for the tree, "{sep}" for the platform's separator. Besides the
// system's volumes the drive list offers ~/other, ~/tools/sub and ~/tools/x.exe, as if each
// were a volume of its own. Steps:
//   click NAME, dclick NAME     click or double-click a file in File1
//   open NAME                   open a folder of Dir1 by its text ("~" the tree)
//   type TEXT, clear            type into Text1, or empty it
//   ok, cancel                  确定 or 取消 (the close box is 取消 too)
//   drive ROOT                  pick the volume of that root ("{volume}" the tree's real one)
//   touch PATH, mkdir PATH, rm PATH   make a file or folder, or remove one
//   gone                        (first) the current folder is ~/tools/sub, removed before opening
//
//   ~/ROOT.EXE
//   ~/tools/a.exe B.EXE notes.txt setup.exe.bak, folders sub/ x.exe/ 数据/ (程序.exe in it)
class FrmOpenWalk : public ::testing::TestWithParam<WalkRow> {
protected:
    FrmOpenWalk() {
        tree_ = utf8FromPath(std::filesystem::canonical(utf8Path(scratch_ / "")));
        for (const char* folder : {"tools", "tools/sub", "tools/x.exe", "tools/数据"}) {
            std::filesystem::create_directory(at("~/" + std::string(folder)));
        }
        for (const char* file : {"ROOT.EXE", "tools/a.exe", "tools/B.EXE", "tools/notes.txt",
                                 "tools/setup.exe.bak", "tools/数据/程序.exe"}) {
            writeFile(utf8FromPath(at("~/" + std::string(file))), "MZ");
        }
    }

    // A path of the tree, "~/a/b", with the platform's separators.
    std::filesystem::path at(const std::string& path) const {
        return pathFromUtf8(expand(path)).make_preferred();
    }
    std::string expand(const std::string& text) const {
        return replaced(replaced(text, "~", tree_), "{volume}", volume_);
    }
    std::string shorten(const std::string& text) const {
        return replaced(text, tree_, "~");
    }

    ScratchFolder scratch_;
    std::string tree_;
    std::string volume_;
};

TEST_P(FrmOpenWalk, showsWhatTheRowSays) {
    const WalkRow& row = GetParam();
    const std::string separator(1, ui::chooser::kSeparator);
    const std::filesystem::path processFolder = std::filesystem::current_path();
    std::vector<std::string> steps = split(row.steps, '|');
    std::filesystem::path current = at("~/tools");
    if (!steps.empty() && steps.front() == "gone") {
        current = at("~/tools/sub");
        std::filesystem::remove(current);
        steps.erase(steps.begin());
    }
    volume_ = ui::chooser::volumeRootOf(utf8FromPath(at("~/tools")));
    const auto volumes = [this](const std::string& folder) {
        std::vector<ui::chooser::Volume> offered = ui::chooser::pickableVolumes(folder);
        for (const char* extra : {"~/other", "~/tools/sub", "~/tools/x.exe"}) {
            offered.push_back({utf8FromPath(at(extra)), {}});
        }
        return offered;
    };

    FakeChooserView view;
    ui::MessageRecorder recorder;
    std::string main = "untouched";
    FrmOpen dialog(view, recorder, [&](const std::string& path) { main = path; },
                   utf8FromPath(current), volumes);
    dialog.Form_Load();

    const auto indexOf = [](const auto& list, const std::string& text, auto textOf) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (textOf(list[i]) == text) {
                return int(i);
            }
        }
        ADD_FAILURE() << "no entry " << text;
        return -1;
    };
    const auto itself = [](const std::string& text) { return text; };
    for (const std::string& step : steps) {
        const std::string verb = step.substr(0, step.find(' '));
        const std::string arg = step.find(' ') == std::string::npos ? "" : step.substr(step.find(' ') + 1);
        if (verb == "click" || verb == "dclick") {
            const int rowIndex = indexOf(view.files, arg, itself);
            verb == "click" ? dialog.File1_Click(rowIndex) : dialog.File1_DblClick(rowIndex);
        } else if (verb == "open") {
            const std::string text =
                arg == "~" ? utf8FromPath(pathFromUtf8(tree_).filename()) : arg;
            dialog.Dir1_DblClick(indexOf(view.folders, text,
                                         [](const ChooserView::FolderEntry& entry) { return entry.text; }));
        } else if (verb == "type") {
            view.Text1 += arg;
        } else if (verb == "clear") {
            view.Text1.clear();
        } else if (verb == "ok") {
            dialog.Command1_Click();
        } else if (verb == "cancel") {
            dialog.Command2_Click();
        } else if (verb == "drive") {
            const auto& offered = dialog.volumes();
            dialog.Drive1_Change(indexOf(offered, utf8FromPath(at(arg)),
                                         [](const ui::chooser::Volume& volume) {
                                             return utf8FromPath(volume.root);
                                         }));
        } else if (verb == "touch") {
            writeFile(utf8FromPath(at(arg)), "MZ");
        } else if (verb == "mkdir") {
            ASSERT_TRUE(std::filesystem::create_directory(at(arg)));
        } else if (verb == "rm") {
            ASSERT_GT(std::filesystem::remove_all(at(arg)), 0u);
        } else {
            FAIL() << "no such step: " << step;
        }
    }

    std::vector<std::string> expected = {"dialog=open",
                                         "in=~{sep}tools",
                                         "folders=sub x.exe 数据",
                                         "files=a.exe B.EXE",
                                         "Text1=",
                                         "main=untouched",
                                         "said="};
    for (const std::string& change : split(row.changed, '|')) {
        const std::string key = change.substr(0, change.find('=') + 1);
        for (std::string& entry : expected) {
            if (entry.rfind(key, 0) == 0) {
                entry = change;
            }
        }
    }
    for (std::string& entry : expected) {
        entry = replaced(replaced(entry, "{sep}", separator), "{volume}", shorten(volume_));
        // "~/a" in the table is "~\a" on Windows.
        if (separator != "/" && entry.rfind("main=/", 0) != 0 && entry.rfind("Text1=/", 0) != 0) {
            entry = replaced(entry, "~/", "~" + separator);
        }
    }

    // The subfolders are the entries after the open folder, the last of the chain.
    std::vector<std::string> subfolders;
    for (std::size_t i = std::size_t(view.folder) + 1; i < view.folders.size(); ++i) {
        subfolders.push_back(view.folders[i].text);
        EXPECT_FALSE(view.folders[i].open);
        EXPECT_EQ(view.folders[i].depth, view.folder + 1);
    }
    for (int i = 0; i <= view.folder; ++i) {
        EXPECT_TRUE(view.folders[std::size_t(i)].open);
        EXPECT_EQ(view.folders[std::size_t(i)].depth, i);
    }
    std::string said;
    for (const ui::Message& message : recorder.shown) {
        said += (said.empty() ? "" : " / ") + std::string(message.icon == ui::MessageIcon::Error ? "error " : "other ") +
                message.title + ": " + message.text;
    }
    const bool inTree = dialog.folderPath().rfind(tree_, 0) == 0;
    const std::vector<std::string> shown = {
        "dialog=" + view.closed,
        "in=" + shorten(dialog.folderPath()) +
            (dialog.listingPath() == dialog.folderPath() ? "" : ", files of " + shorten(dialog.listingPath())),
        "folders=" + (inTree ? joined(subfolders) : "-"),
        "files=" + (inTree ? joined(view.files) : "-"),
        "Text1=" + shorten(view.Text1),
        "main=" + shorten(main),
        "said=" + said};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(std::filesystem::current_path(), processFolder) << "the chooser moved the process";
}

const std::string picked = "Text1=~/tools{sep}a.exe";

INSTANTIATE_TEST_SUITE_P(
    Walks, FrmOpenWalk,
    ::testing::Values(
        WalkRow{"opens_fresh_at_the_current_folder", "", ""},
        WalkRow{"click_fills_Text1", "click a.exe", picked},
        WalkRow{"double_click_selects_like_a_click", "dclick a.exe", picked},
        WalkRow{"second_click_fills_it_again", "click a.exe|clear|click a.exe", picked},
        WalkRow{"empty_path_refused", "click a.exe|clear|ok", "said=error 选择: 请选择一个EXE文件！"},
        WalkRow{"empty_path_refused_every_time", "ok|ok",
                "said=error 选择: 请选择一个EXE文件！ / error 选择: 请选择一个EXE文件！"},
        WalkRow{"typed_name_passes_unchanged", "type /nowhere/ghost|ok",
                "dialog=accepted|Text1=/nowhere/ghost|main=/nowhere/ghost"},
        WalkRow{"typed_blanks_pass_unchanged", "type  padded.exe  |ok",
                "dialog=accepted|Text1= padded.exe  |main= padded.exe  "},
        WalkRow{"picked_file_confirmed", "click B.EXE|ok",
                "dialog=accepted|Text1=~/tools{sep}B.EXE|main=~/tools{sep}B.EXE"},
        WalkRow{"cancel_after_a_selection", "click a.exe|cancel", "dialog=rejected|" + picked},
        WalkRow{"into_a_folder_without_matches", "click a.exe|open sub",
                "in=~/tools{sep}sub|folders=|files=|" + picked},
        WalkRow{"into_a_folder_named_like_a_program", "click a.exe|open x.exe",
                "in=~/tools{sep}x.exe|folders=|files=|" + picked},
        WalkRow{"Chinese_folder_and_file", "open 数据|click 程序.exe",
                "in=~/tools{sep}数据|folders=|files=程序.exe|Text1=~/tools{sep}数据{sep}程序.exe"},
        WalkRow{"up_the_chain", "click a.exe|open ~", "in=~|folders=tools|files=ROOT.EXE|" + picked},
        WalkRow{"up_and_pick", "open ~|click ROOT.EXE", "in=~|folders=tools|files=ROOT.EXE|Text1=~{sep}ROOT.EXE"},
        WalkRow{"open_folder_again_changes_nothing", "click a.exe|open tools", picked},
        WalkRow{"folder_removed_after_listing_keeps_the_listing", "click a.exe|rm ~/tools/sub|open sub",
                picked},
        WalkRow{"folder_become_a_file_keeps_the_listing",
                "click a.exe|rm ~/tools/sub|touch ~/tools/sub|open sub", picked},
        WalkRow{"volume_whose_root_is_gone_keeps_the_listing",
                "click a.exe|rm ~/tools/sub|drive ~/tools/sub", picked},
        WalkRow{"another_volume_opens_at_its_root", "mkdir ~/other|drive ~/other",
                "in=~{sep}other|folders=|files="},
        WalkRow{"the_current_folder_volume_opens_at_the_current_folder",
                "mkdir ~/other|drive ~/other|drive {volume}", ""},
        WalkRow{"walk_leaves_the_current_folder_alone",
                "open sub|drive ~/tools/x.exe|drive {volume}|open ~|click ROOT.EXE|ok",
                "dialog=accepted|in=~|folders=tools|files=ROOT.EXE|Text1=~{sep}ROOT.EXE|main=~{sep}ROOT.EXE"}
#ifndef _WIN32
        ,
        // Windows keeps a folder that a process is in; elsewhere it can go.
        WalkRow{"current_folder_gone_opens_at_its_volume_root", "gone",
                "in={volume}|folders=-|files=-"}
#endif
        ),
    rowName);

TEST(FrmOpenDrives, currentVolumeShownAtOpening) {
    ScratchFolder folder;
    FakeChooserView view;
    ui::MessageRecorder recorder;
    FrmOpen dialog(view, recorder, nullptr, folder / "");
    dialog.Form_Load();
    ASSERT_GE(view.drive, 0);
    ASSERT_EQ(view.drives.size(), dialog.volumes().size());
    EXPECT_EQ(dialog.volumes()[std::size_t(view.drive)].root,
              ui::chooser::volumeRootOf(folder / ""));
    EXPECT_EQ(view.drives[std::size_t(view.drive)],
              ui::chooser::volumeText(dialog.volumes()[std::size_t(view.drive)]));
}

}  // namespace
}  // namespace velbrisk::testing
