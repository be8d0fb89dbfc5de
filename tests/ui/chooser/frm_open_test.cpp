// FrmOpen's logic with a stand-in dialog, walking a folder tree as a user walks it.
#include "ui/chooser/FrmOpen.h"

#include <gtest/gtest.h>

#include "message_recorder.h"
#include "step_text.h"
#include "table_rows.h"
#include "test_files.h"

namespace velbrisk::testing {
namespace {

using ui::ChooserView;

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

struct WalkRow {
    const char* name;
    std::string steps;    // separated by "|"
    std::string changed;  // entries of the state that differ from the fresh dialog's
};
using ::velbrisk::testing::PrintTo;

// Each row runs steps in a dialog opened at ~/tools of this tree, then compares what the dialog
// and the main window's box show with the fresh dialog's, as changed by the row. "~" stands for
// the tree. Besides the system's volumes the drive list offers ~/other. Steps:
//   click NAME                  click a file in File1
//   open NAME                   open a folder of Dir1 by its text ("~" the tree)
//   ok, cancel                  确定 or 取消
//   drive ROOT                  pick the volume of that root
//   gone                        (first) the current folder is ~/tools/sub, removed before opening
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
        offered.push_back({at("~/other"), {}});
        return offered;
    };
    FakeChooserView view;
    ui::MessageRecorder recorder;
    std::string main = "untouched";
    ui::FrmOpen dialog(view, recorder, [&](const std::string& path) { main = path; }, current, volumes);
    dialog.Form_Load();

    // An entry by its text; a drive's text may go on with its label.
    const auto indexOf = [](const std::vector<std::string>& list, const std::string& text) {
        const auto found = std::find_if(list.begin(), list.end(), [&](const std::string& entry) {
            return entry == text || entry.rfind(text + " [", 0) == 0;
        });
        EXPECT_NE(found, list.end()) << "no entry " << text;
        return int(found - list.begin());
    };
    for (const std::string& step : steps) {
        const std::string verb = step.substr(0, step.find(' '));
        const std::string arg = step.size() > verb.size() ? step.substr(verb.size() + 1) : "";
        if (verb == "click") {
            dialog.File1_Click(indexOf(view.files, arg));
        } else if (verb == "open") {
            std::vector<std::string> folders;
            for (const ChooserView::FolderEntry& entry : view.folders) {
                folders.push_back(entry.text);
            }
            dialog.Dir1_DblClick(indexOf(folders, arg == "~" ? utf8FromPath(utf8Path(tree).filename()) : arg));
        } else if (verb == "ok") {
            dialog.Command1_Click();
        } else if (verb == "cancel") {
            dialog.Command2_Click();
        } else if (verb == "drive") {
            dialog.Drive1_Change(indexOf(view.drives, ui::chooser::volumeText({at(arg), {}})));
        } else {
            FAIL() << "no such step: " << step;
        }
    }

    // The open folder is the last of the chain, each one step further in; its subfolders follow,
    // closed, one step further still.
    std::string in;
    std::vector<std::string> subfolders;
    for (std::size_t i = 0; i < view.folders.size(); ++i) {
        const bool chain = int(i) <= view.folder;
        EXPECT_EQ(view.folders[i].open, chain);
        EXPECT_EQ(view.folders[i].depth, chain ? int(i) : view.folder + 1);
        chain ? void(in = ui::chooser::joinPath(in, view.folders[i].text))
              : subfolders.push_back(view.folders[i].text);
    }
    const bool inTree = in.rfind(tree, 0) == 0;
    std::string said;
    for (const ui::Message& message : recorder.shown) {
        said += message.title + ": " + message.text + (message.icon == ui::MessageIcon::Error ? " (error)" : "");
    }
    const std::string drive = view.drives.at(std::size_t(view.drive));
    std::vector<std::string> shown = {"dialog=" + view.closed, "in=" + in, "drive=" + drive.substr(0, drive.find(" [")),
                                      "folders=" + (inTree ? joined(subfolders) : "-"),
                                      "files=" + (inTree ? joined(view.files) : "-"), "Text1=" + view.Text1,
                                      "main=" + main, "said=" + said};
    for (std::string& entry : shown) {
        entry = replaced(replaced(entry, tree, "~"), "\\", "/");
    }
    EXPECT_EQ(shown, withChanges({"dialog=open", "in=~/tools", "drive=" + ui::chooser::volumeText({volume, {}}),
                                  "folders=sub x.exe 数据", "files=a.exe B.EXE", "Text1=", "main=untouched", "said="},
                                 replaced(GetParam().changed, "{volume}", volume)));
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
        WalkRow{"another_volume_opens_at_its_root", "drive ~/other", "in=~/other|folders=|files="}
#ifndef _WIN32
        ,
        // Windows keeps a folder that a process is in; elsewhere it can go.
        WalkRow{"current_folder_gone_opens_at_its_volume_root", "gone", "in={volume}|folders=-|files=-"}
#endif
        ),
    rowName);

}  // namespace
}  // namespace velbrisk::testing
