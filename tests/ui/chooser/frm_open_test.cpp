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

class FakeChooserView : public ui::ChooserView {
public:
    void showDrives(const std::vector<std::string>& entries, int current) override {
        drives = entries;
        drive = current;
    }
    void showFolders(const std::vector<FolderEntry>& entries, int) override { folders = entries; }
    void showFiles(const std::vector<std::string>& names) override { files = names; }
    std::string pathText() const override { return Text1; }
    void setPathText(const std::string& text) override { Text1 = text; }
    void close(bool accepted) override { closed = accepted ? "accepted" : "rejected"; }

    std::vector<std::string> drives;
    int drive = -1;  // the entry shown as current
    std::vector<FolderEntry> folders;
    std::vector<std::string> files;
    std::string Text1;
    std::string closed = "open";
};

struct WalkRow {
    const char* name;
    std::string steps;    // separated by "|"
    std::string changed;  // entries of the state that differ from the fresh dialog's
};
using ::velbrisk::testing::PrintTo;

// Each row runs steps in a dialog opened at ~/tools of this tree, then compares what the dialog
// and the main window's box show with the fresh dialog's, as changed by the row. Steps:
//   click NAME                  click a file in File1
//   open NAME                   open a folder of Dir1 by its text ("~" the tree)
//   enter LIST NAME, key ...    Enter, or another key, on the entry of Dir1 or File1 highlighted
//   ok, cancel                  确定 or 取消
//   drive ROOT                  pick a volume by its root ("{volume}" the tree's; ~/other is offered too)
//   gone                        (first) the dialog opens at ~/tools/sub, removed beforehand
//
//   ~/ROOT.EXE, folder other/
//   ~/tools/a.exe B.EXE notes.txt, folders sub/ x.exe/ 数据/ (程序.exe in it)
class FrmOpenWalk : public ::testing::TestWithParam<WalkRow> {};

TEST_P(FrmOpenWalk, showsWhatTheRowSays) {
    ScratchFolder scratch;
    const std::string tree = utf8FromPath(std::filesystem::canonical(utf8Path(scratch / "")));
    const auto at = [&](const std::string& path) {
        return utf8FromPath(utf8Path(replaced(path, "~", tree)).make_preferred());
    };
    for (const char* folder : {"other", "tools", "tools/sub", "tools/x.exe", "tools/数据"}) {
        std::filesystem::create_directory(utf8Path(at("~/" + std::string(folder))));
    }
    for (const char* file : {"ROOT.EXE", "tools/a.exe", "tools/B.EXE", "tools/notes.txt", "tools/数据/程序.exe"}) {
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
    ui::FrmOpen dialog(view, recorder, [&](const std::string& path) { main = path; }, current, volumes);
    dialog.Form_Load();

    const auto withoutLabel = [](const std::string& drive) { return drive.substr(0, drive.find(" [")); };
    // The row of an entry by its text.
    const auto rowOf = [](const auto& list, const std::string& text, auto textOf) {
        const auto found = std::find_if(list.begin(), list.end(), [&](const auto& entry) { return textOf(entry) == text; });
        EXPECT_NE(found, list.end()) << "no entry " << text;
        return int(found - list.begin());
    };
    const auto fileRow = [&](const std::string& name) {
        return rowOf(view.files, name, [](const std::string& file) { return file; });
    };
    const auto folderRow = [&](const std::string& text) {
        return rowOf(view.folders, text, [](const auto& entry) { return entry.text; });
    };
    std::vector<std::string> keys;  // how the logic took each key: "taken" or "left"
    for (const std::string& step : steps) {
        const std::string arg = step.substr(step.find(' ') + 1);
        if (step.starts_with("enter ") || step.starts_with("key ")) {
            const int code = step.starts_with("enter ") ? ui::kKeyReturn : 0;
            const std::string name = arg.substr(arg.find(' ') + 1);
            const bool taken = arg.starts_with("Dir1 ") ? dialog.Dir1_KeyDown(code, folderRow(name))
                                                       : dialog.File1_KeyDown(code, fileRow(name));
            keys.push_back(taken ? "taken" : "left");
        } else if (step.starts_with("click ")) {
            dialog.File1_Click(fileRow(arg));
        } else if (step.starts_with("open ")) {
            const std::string text = arg == "~" ? utf8FromPath(utf8Path(tree).filename()) : arg;
            dialog.Dir1_DblClick(folderRow(text));
        } else if (step.starts_with("drive ")) {
            const std::string text = ui::chooser::volumeText({arg == "{volume}" ? volume : at(arg), {}});
            dialog.Drive1_Change(rowOf(view.drives, text, withoutLabel));
        } else if (step == "ok") {
            dialog.Command1_Click();
        } else if (step == "cancel") {
            dialog.Command2_Click();
        } else {
            FAIL() << "unknown step \"" << step << "\"";
        }
    }

    // The folder list is the chain from the root down to the open folder, each entry one step
    // further in, then its subfolders, closed, one step further still.
    std::vector<std::string> chain, subfolders;
    for (const ui::ChooserView::FolderEntry& entry : view.folders) {
        EXPECT_EQ(entry.depth, int(chain.size())) << entry.text;
        (entry.open ? chain : subfolders).push_back(entry.text);
    }
    std::string in;
    for (const std::string& folder : chain) {
        in = ui::chooser::joinPath(in, folder);
    }
    const bool inTree = in.starts_with(tree);
    std::string said;
    for (const ui::Message& message : recorder.shown) {
        said += message.title + ": " + message.text + (message.icon == ui::MessageIcon::Error ? " (error)" : "");
    }
    const std::string drive = view.drive < 0 ? "none" : withoutLabel(view.drives[std::size_t(view.drive)]);
    const std::string volumeShown = replaced(replaced(volume, tree, "~"), "\\", "/");
    std::vector<std::string> shown = {"dialog=" + view.closed, "drive=" + drive, "in=" + in,
                                      "folders=" + (inTree ? joined(subfolders) : "-"), "files=" + (inTree ? joined(view.files) : "-"), "Text1=" + view.Text1, "main=" + main,
                                      "said=" + said, "keys=" + joined(keys)};
    for (std::string& entry : shown) {
        entry = replaced(replaced(entry, tree, "~"), "\\", "/");
    }
    EXPECT_EQ(shown, withChanges({"dialog=open", "drive=" + volumeShown, "in=~/tools", "folders=sub x.exe 数据", "files=a.exe B.EXE", "Text1=",
                                  "main=untouched", "said=", "keys="},
                                 replaced(GetParam().changed, "{volume}", volumeShown)));
}

INSTANTIATE_TEST_SUITE_P(
    Walks, FrmOpenWalk,
    ::testing::Values(
        WalkRow{"picked_file_confirmed", "click B.EXE|ok", "dialog=accepted|Text1=~/tools/B.EXE|main=~/tools/B.EXE"},
        WalkRow{"empty_path_refused_every_time", "ok|ok",
                "said=选择: 请选择一个EXE文件！ (error)选择: 请选择一个EXE文件！ (error)"},
        WalkRow{"cancel_after_a_selection", "click a.exe|cancel", "dialog=rejected|Text1=~/tools/a.exe"},
        WalkRow{"Chinese_folder_and_file", "open 数据|click 程序.exe",
                "in=~/tools/数据|folders=|files=程序.exe|Text1=~/tools/数据/程序.exe"},
        WalkRow{"up_and_pick", "open ~|click ROOT.EXE", "in=~|folders=other tools|files=ROOT.EXE|Text1=~/ROOT.EXE"},
        WalkRow{"another_volume_opens_at_its_root", "drive ~/other", "in=~/other|folders=|files="},
        WalkRow{"the_current_volume_opens_at_the_current_folder", "drive ~/other|drive {volume}", ""},
        WalkRow{"the_volume_shown_picked_again_keeps_the_folder", "open ~|drive {volume}",
                "in=~|folders=other tools|files=ROOT.EXE"},
        // Enter opens the highlighted folder or picks the highlighted file, and goes no further.
        WalkRow{"Enter_in_the_lists", "enter File1 a.exe|enter Dir1 sub",
                "in=~/tools/sub|folders=|files=|Text1=~/tools/a.exe|keys=taken taken"},
        WalkRow{"other_keys_are_the_lists_own", "key File1 a.exe|key Dir1 sub", "keys=left left"}
#ifndef _WIN32
        ,
        // Windows keeps a folder that a process is in; elsewhere it can go.
        WalkRow{"current_folder_gone_opens_at_its_volume_root", "gone", "in={volume}|folders=-|files=-"}
#endif
        ),
    rowName);

}  // namespace
}  // namespace velbrisk::testing
