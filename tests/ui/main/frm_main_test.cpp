// FrmMain's logic with a stand-in window: what each click, move and drop makes the user see.
#include <algorithm>
#include <filesystem>
#include <map>

#include "fake_main_view.h"
#include "message_recorder.h"
#include "pe_builder.h"
#include "step_text.h"
#include "table_rows.h"
#include "test_files.h"
#include "ui/chooser/Paths.h"

namespace velbrisk::testing {
namespace {

using ui::FrmMain;

const std::string kFiles = "blank.exe 300, pe.exe 1024, prog.exe 300, pz.exe 1524";

struct UseRow {
    const char* name;
    std::string steps;    // separated by "|"
    std::string changed;  // entries of the state that differ from the fresh window's
};
using ::velbrisk::testing::PrintTo;

// Each row runs its steps (the verbs below) on a window whose folder "{dir}" holds prog.exe (100
// bytes of data, 200 blank), blank.exe (300 blank), pe.exe (a program whose cut reaches 249 of its
// own bytes, which end it) and pz.exe (the same, 500 zeros after), and compares what the user sees
// with the fresh window's. Marks on a message: "[Text off]", "[busy]" cursor, "[held]" input,
// "[closed]" by the program; a question's answers follow, the default "*", Esc's "^".
class FrmMainUse : public ::testing::TestWithParam<UseRow> {};

TEST_P(FrmMainUse, showsWhatTheRowSays) {
    const Deadline deadline("the row's jobs to end on their worker thread");
    ScratchFolder folder;
    const std::string dir = folder / "测试" + ui::chooser::kSeparator;
    folder.makeFolder("测试");
    writeFile(dir + "prog.exe", std::string(100, 'A') + std::string(200, '\0'));
    writeFile(dir + "blank.exe", std::string(300, '\0'));
    PeLayout pe;  // 1024 bytes whose code section declares more bytes than it holds
    pe.sections = {{".text", 0x200, 0x200, std::vector<std::uint8_t>(0x100, 0xC3)}};
    const std::vector<std::uint8_t> bytes = buildPe(pe).bytes;
    writeFile(dir + "pe.exe", std::string(bytes.begin(), bytes.end()));
    writeFile(dir + "pz.exe", std::string(bytes.begin(), bytes.end()) + std::string(500, '\0'));
    FakeMainView view;
    ui::MessageRecorder recorder;
    std::vector<std::string> messages, files;
    bool endAtQuestion = false;
    FrmMain window(view, view, recorder);
    // A message as the user reads it; the system's own words that end some errors are "{reason}".
    const auto record = [&](const ui::Message& message, const std::string& answers = "") {
        const char* icons[] = {"information", "warning", "error"};
        std::string text = message.text + answers;
        if (message.icon == ui::MessageIcon::Error && std::ranges::count(text, '\n') == 2) {
            text = text.substr(0, text.rfind('\n')) + "\n{reason}";
        }
        messages.push_back(std::string(icons[int(message.icon)]) + " " + message.title + ": " +
                           text + (view.textEnabled ? "" : " [Text off]") +
                           (view.busyCursor ? " [busy]" : "") + (view.inputHeld ? " [held]" : "") + (recorder.closed ? " [closed]" : ""));
    };
    recorder.onShown = [&] { record(recorder.shown.back()); };
    recorder.onAsked = [&] {
        if (endAtQuestion) {
            window.EndProgram();
        }
        const ui::Question& question = recorder.asked.back();
        std::string answers;
        for (std::size_t k = 0; k < question.answers.size(); ++k) {
            answers += std::string(k == 0 ? " [" : "/") + (k == question.defaultAnswer ? "*" : "") +
                       (k == question.escapeAnswer ? "^" : "") + question.answers[k];
        }
        record(question.message, answers + "]");
    };
    const std::map<std::string, void (FrmMain::*)()> handlers = {
        {"click Label", &FrmMain::Label_Click},       {"move Label", &FrmMain::Label_MouseMove},
        {"click Lbl_Com", &FrmMain::Lbl_Com_Click},   {"move Lbl_Com", &FrmMain::Lbl_Com_MouseMove},
        {"click Lbl_Exit", &FrmMain::Lbl_Exit_Click}, {"move Lbl_Exit", &FrmMain::Lbl_Exit_MouseMove},
        {"click Label3", &FrmMain::Label3_Click},     {"move Label3", &FrmMain::Label3_MouseMove},
        {"move Text", &FrmMain::Text_MouseMove},      {"move form", &FrmMain::Form_MouseMove}};
    const std::map<std::string, std::function<void(const std::vector<std::string>&)>> verbs = {
        {"Text", [&](auto& words) { view.Text = joined(words); }},
        {"SaveText", [&](auto& words) { view.SaveText = joined(words); }},
        {"load", [&](auto& words) { window.Form_Load(words.at(0)); }},
        {"about", [&](auto& words) { window.Lbl_About_Click(std::stoi(words.at(0))); }},
        {"answer", [&](auto& words) { recorder.answer = std::stoul(words.at(0)); }},
        {"end", [&](auto&) { endAtQuestion = true; }},
        {"chooser", [&](auto& words) { view.chooserAnswer = words.at(0); }}};
    for (const std::string& step : split(replaced(GetParam().steps, "{dir}", dir), '|')) {
        std::vector<std::string> words = split(step, ' ');
        const std::string verb = words.front();
        words.erase(words.begin());
        if (verb == "click" || verb == "move") {
            for (const std::string& place : words) {
                (window.*handlers.at(verb + " " + place))();
            }
        } else if (verb == "drop") {
            std::vector<std::optional<std::string>> names(words.begin(), words.end());
            std::ranges::replace(names, std::optional<std::string>{"{unconverted}"}, std::nullopt);
            window.Text_OLEDragDrop(names);
        } else {
            verbs.at(verb)(words);  // a misspelt step throws, which fails the row
        }
    }
    for (const std::string& name : folder.names("测试")) {
        files.push_back(name + " " + std::to_string(std::filesystem::file_size(utf8Path(dir + name))));
    }
    EXPECT_EQ((std::vector<std::string>{
                  "said=" + joined(messages, " / "), "Text=" + view.Text,
                  "links=" + view.links + " " + std::to_string(view.linkChanges),
                  "opened=" + joined(view.opened), "quit=" + std::to_string(view.quits),
                  "files=" + joined(files, ", ")}),
              withChanges({"said=", "Text=", "links=BBBB 0", "opened=", "quit=0", "files=" + kFiles},
                          replaced(GetParam().changed, "{dir}", dir)));
}

// The steps that start a job on a file of "{dir}", and what the user then sees.
std::string start(const std::string& source, const std::string& outputName) {
    return "Text {dir}" + source + "|SaveText " + outputName + "|click Lbl_Com";
}
std::string ended(const std::string& source, const std::string& said) {
    return "Text={dir}" + source + "|said=" + said;
}

const std::string error = "error Velbrisk: ", done = "information Velbrisk: 压缩完毕！ [Text off]";
const std::string marks = " [Text off] [busy] [held]";
// pe.exe ends with its own bytes: only cutting them all is left to offer, and the default is no.
const std::string risk = "warning Velbrisk: 此文件是Windows程序，要去掉的空白中有249字节属于程序自身的数据（节或数字签名）。"
                         "全部去掉后生成的文件可能无法运行，或签名失效。\n\n";
const std::string question = risk + "这些数据之后已没有可以去掉的空白。“全部去掉”去掉全部空白，“不压缩”不生成文件。"
                                    " [全部去掉/*^不压缩]" + marks;
const std::string threeWays = risk + "“保留程序数据”只去掉这些数据之后的空白，“全部去掉”去掉全部空白，“不压缩”不生成文件。"
                                     " [*保留程序数据/全部去掉/^不压缩]" + marks;

INSTANTIATE_TEST_SUITE_P(
    Commands, FrmMainUse,
    ::testing::Values(
        UseRow{"empty_source_refused_first", "click Lbl_Com", "said=" + error + "请先选择要压缩的文件！"},
        UseRow{"empty_output_name_refused", start("prog.exe", ""), ended("prog.exe", error + "请输入压缩文件名！")},
        // The first probe holding data is 200 bytes from the end: 300 - 190 + 1 bytes.
        UseRow{"trimmed_copy_written", start("prog.exe", "small"),
               ended("prog.exe", done) + "|files=" + kFiles + ", small.exe 111"},
        UseRow{"all_blank_nothing_written", start("blank.exe", "small"),
               ended("blank.exe", "information Velbrisk: 该文件没有可以去掉的空白部分，未生成压缩文件。 [Text off]")},
        UseRow{"output_folder_missing", start("prog.exe", "no/small"),
               ended("prog.exe", error + "无法写入压缩文件！\n{dir}no/small.exe\n{reason} [Text off]")},
        UseRow{"output_is_the_source", start("prog.exe", "prog"),
               ended("prog.exe", error + "压缩文件不能与被压缩文件相同！ [Text off]")},
        // The first probe holding data is 260 bytes from the end: 1024 - 250 + 1 bytes.
        UseRow{"question_cut_all_writes", "answer 0|" + start("pe.exe", "small"),
               ended("pe.exe", question + " / " + done) + "|files=" + kFiles + ", small.exe 775"},
        // Keeping the program's own bytes keeps all 1024 of them and cuts only the zeros after.
        UseRow{"question_keep_program_writes_it_whole", "answer 0|" + start("pz.exe", "small"),
               ended("pz.exe", threeWays + " / " + done) + "|files=" + kFiles + ", small.exe 1024"},
        // Ending the program during the job closes the question and cancels the job: a yes writes nothing.
        UseRow{"end_at_the_question_cancels_the_job", "answer 0|end|" + start("pe.exe", "small"),
               ended("pe.exe", question + " [closed]") + "|quit=1"},
        UseRow{"command_line_file_fills_Text", "load {dir}prog.exe", "Text={dir}prog.exe"},
        UseRow{"exit_ends_the_program", "click Lbl_Exit", "quit=1"},
        UseRow{"help", "click Label3", "said=information 使用帮助: " + FrmMain::helpText()},
        UseRow{"chooser_fills_Text", "Text old|chooser {dir}prog.exe|click Label", "Text={dir}prog.exe"},
        // Every click on a link of the about panel opens its address again; the rest open nothing.
        UseRow{"about_links", "about -1|about 3|about 4|about 6|about 7",
               std::string("opened=") + "mailto:" + product::kMail + "?subject=Velbrisk用户来信 " +
                   product::kHomePage},
        // Then how many colour changes reached the view: moves come by the dozen, only a change is drawn.
        UseRow{"hover_Text_leaves_Label3_red", "move Label Label Lbl_Com Lbl_Exit Label3 Text", "links=BBBR 7"},
        UseRow{"hover_Text_and_form_turn_the_rest_blue", "move Label Text Label3 form form", "links=BBBB 4"},
        // Only the list's first file counts, ending "EXE" or "exe"; "/:/" is a folder, not a drive.
        UseRow{"drop_first_of_several", "drop /:/TOOLS.EXE// {unconverted} /srv/b.exe", "Text=/:/TOOLS.EXE"},
        UseRow{"drop_unconverted_first_refused", "Text typed|drop {unconverted} /srv/b.exe",
               "Text=typed|said=" + error + "拖放的文件名含有无法识别的字符，无法使用该文件！"},
        UseRow{"drop_refused_leaves_Text",
               "Text typed|drop /srv/Setup.Exe|drop /srv/setup.eXE|drop /srv/readme.txt|"
               "drop /srv/readme.txt /srv/a.exe|drop|drop /|drop xe",
               "Text=typed"}),
    rowName);

}  // namespace
}  // namespace velbrisk::testing
