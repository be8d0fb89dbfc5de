// FrmOpen's logic with a stand-in dialog, walking a folder tree as a user walks it.
#include "ui/chooser/FrmOpen.h"

#include <gtest/gtest.h>

#include "message_recorder.h"
#include "step_text.h"
#include "table_rows.h"
#include "test_files.h"

namespace velbrisk::testing {
namespace {

std::string utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Keeps what the logic shows: each list's texts (a drive's without its label), and the folder
// list taken apart into the open folder and its subfolders.
class FakeChooserView : public ui::ChooserView {
public:
    void showDrives(const std::vector<std::string>& entries, int current) override {
        for (const std::string& entry : entries) {
            drives.push_back(entry.substr(0, entry.find(" [")));
        }
        drive = current;
    }
    // The chain from the root down to the open folder, each entry one step further in, then its
    // subfolders, closed, one step further still.
    void showFolders(const std::vector<FolderEntry>& entries, int) override {
        folders.clear();
        subfolders.clear();
        in.clear();
        for (const FolderEntry& entry : entries) {
            EXPECT_EQ(entry.depth, int(folders.size() - subfolders.size())) << entry.text;
            folders.push_back(entry.text);
            if (entry.open) {
                in = ui::chooser::joinPath(in, entry.text);
            } else {
                subfolders.push_back(entry.text);
            }
        }
    }
    void showFiles(const std::vector<std::string>& names) override { files = names; }
    std::string pathText() const override { return Text1; }
    void setPathText(const std::string& text) override { Text1 = text; }
    void close(bool accepted) override { closed = accepted ? "accepted" : "rejected"; }

    std::vector<std::string> drives, folders, subfolders, files;
    int drive = -1;  // the entry shown as current
    std::string in, Text1, closed = "open";
};

int rowOf(const std::vector<std::string>& list, const std::string& text) {
    const auto found = std::find(list.begin(), list.end(), text);
    EXPECT_NE(found, list.end()) << "no entry " << text;
    return int(found - list.begin());
}

struct WalkRow {
    const char* name;
    std::string steps;    // separated by "|"
    std::string changed;  // entries of the state that differ from the fresh dialog's
};
using ::velbrisk::testing::PrintTo;

// Each row runs steps in a dialog opened at ~/tools of this tree, then compares what the dialog
// and the main window's box show with the fresh dialog's, as changed by the row. Steps:
//   click FILE, open FOLDER ("~" the tree), enter or key ENTRY (Enter or another key on the
//   entry of either list), ok, cancel, drive ROOT ("{volume}" the tree's; ~/other is offered too),
//   gone (first: the dialog opens at ~/tools/sub, removed beforehand).
//   ~/ROOT.EXE, folder other/; ~/tools/a.exe B.EXE, folders sub/ 数据/ (程序.exe)
class FrmOpenWalk : public ::testing::TestWithParam<WalkRow> {};

TEST_P(FrmOpenWalk, showsWhatTheRowSays) {
    ScratchFolder scratch;
    const std::string tree = utf8FromPath(std::filesystem::canonical(utf8Path(scratch / "")));
    const auto at = [&](const std::string& path) {
        return utf8FromPath(utf8Path(replaced(path, "~", tree)).make_preferred());
    };
    for (const char* folder : {"other", "tools", "tools/sub", "tools/数据"}) {
        std::filesystem::create_directory(utf8Path(at("~/" + std::string(folder))));
    }
    for (const char* file : {"ROOT.EXE", "tools/a.exe", "tools/B.EXE", "tools/数据/程序.exe"}) {
        writeFile(at("~/" + std::string(file)), "MZ");
    }
    FakeChooserView view;
    ui::MessageRecorder recorder;
    std::string main = "untouched";
    std::vector<std::string> steps = split(GetParam().steps, '|');
    std::string current = at("~/tools");
    if (!steps.empty() && steps.front() == "gone") {
        current = at("~/tools/sub");
        std::filesystem::remove(utf8Path(current));
        steps.erase(steps.begin());
    }
    const std::string volume = ui::chooser::volumeRootOf(at("~/tools"));
    const auto volumes = [&](const std::string& folder) {
        std::vector<ui::chooser::Volume> offered = ui::chooser::pickableVolumes(folder);
        offered.insert(offered.begin(), {at("~/other"), {}});  // first, so that the current is not
        return offered;
    };
    ui::FrmOpen dialog(
        view, recorder, [&](const std::string& path) { main = path; }, current, volumes);
    dialog.Form_Load();

    std::vector<std::string> keys;  // how the logic took each key: "taken" or "left"
    for (const std::string& step : steps) {
        const std::string arg = step.substr(step.find(' ') + 1);
        const bool aFile = std::find(view.files.begin(), view.files.end(), arg) != view.files.end();
        if (step.starts_with("enter ") || step.starts_with("key ")) {
            const int code = step.starts_with("enter ") ? ui::kKeyReturn : 0;
            const bool taken = aFile ? dialog.File1_KeyDown(code, rowOf(view.files, arg))
                                     : dialog.Dir1_KeyDown(code, rowOf(view.folders, arg));
            keys.push_back(taken ? "taken" : "left");
        } else if (step.starts_with("click ")) {
            dialog.File1_Click(rowOf(view.files, arg));
        } else if (step.starts_with("open ")) {
            const std::string text = arg == "~" ? utf8FromPath(utf8Path(tree).filename()) : arg;
            dialog.Dir1_DblClick(rowOf(view.folders, text));
        } else if (step.starts_with("drive ")) {
            const std::string root = arg == "{volume}" ? volume : at(arg);
            dialog.Drive1_Change(rowOf(view.drives, ui::chooser::volumeText({root, {}})));
        } else if (step == "ok") {
            dialog.Command1_Click();
        } else if (step == "cancel") {
            dialog.Command2_Click();
        } else {
            FAIL() << "unknown step \"" << step << "\"";
        }
    }

    std::string said;
    for (const ui::Message& message : recorder.shown) {
        said += message.title + ": " + message.text +
                (message.icon == ui::MessageIcon::Error ? " (error)" : "");
    }
    // Outside the tree, the lists hold whatever the system has there.
    const auto listed = [&](const auto& names) {
        return view.in.starts_with(tree) ? joined(names) : "-";
    };
    const std::string drive = view.drive < 0 ? "none" : view.drives[std::size_t(view.drive)];
    const std::string shown = "dialog=" + view.closed + "|drive=" + drive + "|in=" + view.in +
                              "|folders=" + listed(view.subfolders) +
                              "|files=" + listed(view.files) + "|Text1=" + view.Text1 +
                              "|main=" + main + "|said=" + said + "|keys=" + joined(keys);
    const std::string volumeShown = replaced(replaced(volume, tree, "~"), "\\", "/");
    EXPECT_EQ(split(replaced(replaced(shown, tree, "~"), "\\", "/"), '|'),
              withChanges({"dialog=open", "drive=" + ui::chooser::volumeText({volume, {}}),
                           "in=~/tools", "folders=sub 数据", "files=a.exe B.EXE",
                           "Text1=", "main=untouched", "said=", "keys="},
                          replaced(GetParam().changed, "{volume}", volumeShown)));
}

INSTANTIATE_TEST_SUITE_P(
    Walks, FrmOpenWalk,
    ::testing::Values(
        WalkRow{"Chinese_folder_and_file_picked_and_confirmed", "open 数据|click 程序.exe|ok",
                "dialog=accepted|in=~/tools/数据|folders=|files=程序.exe|"
                "Text1=~/tools/数据/程序.exe|main=~/tools/数据/程序.exe"},
        WalkRow{"empty_path_refused_every_time", "ok|ok",
                "said=选择: 请选择一个EXE文件！ (error)选择: 请选择一个EXE文件！ (error)"},
        WalkRow{"cancel_after_a_pick", "click a.exe|cancel", "dialog=rejected|Text1=~/tools/a.exe"},
        WalkRow{"up_the_volume_shown_picked_again_keeps_the_folder",
                "open ~|drive {volume}|click ROOT.EXE",
                "in=~|folders=other tools|files=ROOT.EXE|Text1=~/ROOT.EXE"},
        // The folder list's rows are the list now shown, not the one shown before.
        WalkRow{"up_and_into_another_folder", "open ~|open other", "in=~/other|folders=|files="},
        WalkRow{"another_volume_opens_at_its_root", "drive ~/other", "in=~/other|folders=|files="},
        WalkRow{"own_volume_opens_at_the_current_folder", "drive ~/other|drive {volume}", ""},
        // Enter opens the highlighted folder or picks the highlighted file, and goes no further.
        WalkRow{"Enter_in_the_lists", "enter a.exe|enter sub",
                "in=~/tools/sub|folders=|files=|Text1=~/tools/a.exe|keys=taken taken"},
        WalkRow{"other_keys_are_the_lists_own", "key a.exe|key sub", "keys=left left"}
#ifndef _WIN32
        ,
        // Windows keeps a folder that a process is in; elsewhere it can go.
        WalkRow{"folder_gone_opens_at_its_volume_root", "gone", "in={volume}|folders=-|files=-"}
#endif
        ),
    rowName);

}  // namespace
}  // namespace velbrisk::testing
