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
    void showDrives(const std::vector<std::string>&, int) override {}
    void showFolders(const std::vector<FolderEntry>& entries, int) override { folders = entries; }
    void showFiles(const std::vector<std::string>& names) override { files = names; }
    std::string pathText() const override { return Text1; }
    void setPathText(const std::string& text) override { Text1 = text; }
    void close(bool accepted) override { closed = accepted ? "accepted" : "rejected"; }

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
//   ok, cancel                  确定 or 取消
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
    ui::FrmOpen dialog(view, recorder, [&](const std::string& path) { main = path; }, at("~/tools"));
    dialog.Form_Load();

    // The row of an entry by its text.
    const auto rowOf = [](const auto& list, const std::string& text, auto textOf) {
        const auto found = std::find_if(list.begin(), list.end(), [&](const auto& entry) { return textOf(entry) == text; });
        EXPECT_NE(found, list.end()) << "no entry " << text;
        return int(found - list.begin());
    };
    for (const std::string& step : split(GetParam().steps, '|')) {
        const std::string arg = step.substr(step.find(' ') + 1);
        if (step.starts_with("click ")) {
            dialog.File1_Click(rowOf(view.files, arg, [](const std::string& name) { return name; }));
        } else if (step.starts_with("open ")) {
            const std::string text = arg == "~" ? utf8FromPath(utf8Path(tree).filename()) : arg;
            dialog.Dir1_DblClick(rowOf(view.folders, text, [](const auto& entry) { return entry.text; }));
        } else if (step == "ok") {
            dialog.Command1_Click();
        } else {
            ASSERT_EQ(step, "cancel");
            dialog.Command2_Click();
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
    std::string said;
    for (const ui::Message& message : recorder.shown) {
        said += message.title + ": " + message.text + (message.icon == ui::MessageIcon::Error ? " (error)" : "");
    }
    std::vector<std::string> shown = {"dialog=" + view.closed, "in=" + in, "folders=" + joined(subfolders),
                                      "files=" + joined(view.files), "Text1=" + view.Text1, "main=" + main,
                                      "said=" + said};
    for (std::string& entry : shown) {
        entry = replaced(replaced(entry, tree, "~"), "\\", "/");
    }
    EXPECT_EQ(shown, withChanges({"dialog=open", "in=~/tools", "folders=sub x.exe 数据", "files=a.exe B.EXE", "Text1=",
                                  "main=untouched", "said="},
                                 GetParam().changed));
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
        WalkRow{"up_and_pick", "open ~|click ROOT.EXE", "in=~|folders=other tools|files=ROOT.EXE|Text1=~/ROOT.EXE"}),
    rowName);

}  // namespace
}  // namespace velbrisk::testing
