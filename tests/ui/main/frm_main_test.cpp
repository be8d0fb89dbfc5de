// FrmMain's logic with a stand-in window: the refusals, the job's messages, hover colours, drops,
// the about links, the chooser and exit.
#include "ui/main/FrmMain.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "fake_main_view.h"
#include "pe_builder.h"
#include "resources/ProductInfo.h"
#include "step_text.h"
#include "test_files.h"

namespace velbrisk::testing {
namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

using ui::FrmMain;
using ui::Message;
using ui::MessageIcon;
using ui::MessageRecorder;

// Messages as the user reads them: icon, title, text, and what the window looked like then.
// The system's own words that end some errors are written "{reason}".
std::string said(const Message& message, const std::string& look) {
    const char* icons[] = {"information", "warning", "error"};
    std::string text = message.text;
    if (message.icon == MessageIcon::Error && std::count(text.begin(), text.end(), '\n') == 2) {
        text = text.substr(0, text.rfind('\n')) + "\n{reason}";
    }
    return std::string(icons[int(message.icon)]) + " " + message.title + ": " + text + look;
}

std::string linkLetters(const std::array<ui::Rgb, 4>& links) {
    std::string letters;
    for (const ui::Rgb& colour : links) {
        letters += colour == ui::kLinkRest ? 'B' : colour == ui::kLinkHover ? 'R' : '?';
    }
    return letters;
}

struct UseRow {
    const char* name;
    std::string steps;    // separated by "|"
    std::string changed;  // entries of the state that differ from the fresh window's
};
using ::velbrisk::testing::PrintTo;

// Each row runs steps on a window whose source folder "{dir}" (named in Chinese) holds prog.exe,
// 100 bytes of data and 200 blank ones, and blank.exe, 300 blank bytes; then it compares all
// that the user can see with the fresh window's, as changed by the row. A message shown while
// Text is still disabled is marked "[Text off]", one shown under the busy cursor "[busy]".
// Steps:
//   Text=TEXT, SaveText=TEXT   type into a box (the box is then expected to keep it)
//   click NAME                 click a link label; "about N" clicks Lbl_About(N)
//   move PLACE...              moves over Label, Lbl_Com, Lbl_Exit, Label3, Text, or "form"
//   drop PATH...               files dropped on Text ("drop" alone: an empty list)
//   chooser PATH               the chooser, when opened, confirms PATH
class FrmMainUse : public ::testing::TestWithParam<UseRow> {};

TEST_P(FrmMainUse, showsWhatTheRowSays) {
    const UseRow& row = GetParam();
    ScratchFolder folder;
    const std::string dir = folder / "测试" + kSeparator;
    folder.makeFolder("测试");
    writeFile(dir + "prog.exe", std::string(100, 'A') + std::string(200, '\0'));
    writeFile(dir + "blank.exe", std::string(300, '\0'));

    FakeMainView view;
    MessageRecorder recorder;
    std::vector<std::string> messages;
    recorder.onShown = [&] {
        messages.push_back(said(recorder.shown.back(), std::string(view.textEnabled ? "" : " [Text off]") +
                                                          (view.busyCursor ? " [busy]" : "")));
    };
    FrmMain window(view, recorder);

    std::vector<std::string> expected = {"said=", "busy=no", "Text=", "SaveText=", "links=BBBB",
                                         "opened=", "chooser=0", "quit=0",
                                         "files=blank.exe 300, prog.exe 300"};
    const auto expect = [&](const std::string& entry) {
        const std::string key = entry.substr(0, entry.find('=') + 1);
        for (std::string& old : expected) {
            if (old.rfind(key, 0) == 0) {
                old = entry;
            }
        }
    };
    for (std::string step : split(row.steps, '|')) {
        step = replaced(step, "{dir}", dir);
        const std::vector<std::string> words = split(step, ' ');
        const std::string& verb = words.front();
        if (step.rfind("Text=", 0) == 0) {
            view.Text = step.substr(5);
            expect(step);
        } else if (step.rfind("SaveText=", 0) == 0) {
            view.SaveText = step.substr(9);
            expect(step);
        } else if (verb == "click" && words.at(1) == "about") {
            window.Lbl_About_Click(std::stoi(words.at(2)));
        } else if (verb == "click") {
            const std::string& name = words.at(1);
            if (name == "Label") window.Label_Click();
            else if (name == "Lbl_Com") window.Lbl_Com_Click();
            else if (name == "Lbl_Exit") window.Lbl_Exit_Click();
            else if (name == "Label3") window.Label3_Click();
            else FAIL() << "no such label: " << name;
        } else if (verb == "move") {
            for (std::size_t i = 1; i < words.size(); ++i) {
                const std::string& place = words[i];
                if (place == "Label") window.Label_MouseMove();
                else if (place == "Lbl_Com") window.Lbl_Com_MouseMove();
                else if (place == "Lbl_Exit") window.Lbl_Exit_MouseMove();
                else if (place == "Label3") window.Label3_MouseMove();
                else if (place == "Text") window.Text_MouseMove();
                else if (place == "form") window.Form_MouseMove();
                else FAIL() << "no such place: " << place;
            }
        } else if (verb == "drop") {
            window.Text_OLEDragDrop(std::vector<std::string>(words.begin() + 1, words.end()));
        } else if (verb == "chooser") {
            view.chooserAnswer = words.at(1);
        } else {
            FAIL() << "no such step: " << step;
        }
    }
    for (const std::string& change : split(row.changed, '|')) {
        expect(replaced(change, "{dir}", dir));
    }

    std::string files;
    for (const std::string& name : folder.names("测试")) {
        files += (files.empty() ? "" : ", ") + name + " " +
                 std::to_string(std::filesystem::file_size(utf8Path(dir + name)));
    }
    std::string allSaid;
    for (const std::string& message : messages) {
        allSaid += (allSaid.empty() ? "" : " / ") + message;
    }
    std::string opened;
    for (const std::string& address : view.opened) {
        opened += (opened.empty() ? "" : " ") + address;
    }
    const std::vector<std::string> shown = {
        "said=" + allSaid,
        std::string("busy=") + (view.busyCursor || !view.textEnabled || view.inputHeld ? "yes" : "no"),
        "Text=" + view.Text,
        "SaveText=" + view.SaveText,
        "links=" + linkLetters(view.links),
        "opened=" + opened,
        "chooser=" + std::to_string(view.choosers),
        "quit=" + std::to_string(view.quits),
        "files=" + files};
    EXPECT_EQ(shown, expected);
}

std::string start(const std::string& source, const std::string& outputName) {
    return "Text=" + source + "|SaveText=" + outputName + "|click Lbl_Com";
}

const std::string error = "said=error Velbrisk: ";
const std::string done = "said=information Velbrisk: 压缩完毕！ [Text off]";
const std::string mail = std::string("mailto:") + product::kMail + "?subject=Velbrisk用户来信";
const std::string home = product::kHomePage;

INSTANTIATE_TEST_SUITE_P(
    Commands, FrmMainUse,
    ::testing::Values(
        UseRow{"help_shows_two_paragraphs", "click Label3",
               "said=information 使用帮助: 使用Velbrisk可以压缩掉EXE文件中的多余空白部分，从而使EXE"
               "文件体积减小。压缩率根据被压缩文件所含空白空间的多少决定。\n\n如何压缩：选择要压缩的"
               "EXE文件，然后输入压缩文件名，单击“开始压缩”即可开始压缩。你也可以将要压缩的文件拖动到"
               "“将被压缩的文件”下的输入框中。"},
        UseRow{"both_empty_source_refused_first", start("", ""), error + "请先选择要压缩的文件！"},
        UseRow{"output_name_only", start("", "small"), error + "请先选择要压缩的文件！"},
        UseRow{"source_only", start("{dir}prog.exe", ""), error + "请输入压缩文件名！"},
        // Only emptiness is checked: blanks go to the job, which finds no such file.
        UseRow{"source_of_blanks_passes", start("   ", "small"),
               error + "找不到要压缩的文件！\n    [Text off]"},
        // The first probe holding data is 200 bytes from the end: 300 - 190 + 1 bytes.
        UseRow{"trimmed_copy_written", start("{dir}prog.exe", "small"),
               done + "|files=blank.exe 300, prog.exe 300, small.exe 111"},
        UseRow{"output_name_of_blanks_passes", start("{dir}prog.exe", "  "),
               done + "|files=  .exe 111, blank.exe 300, prog.exe 300"},
        UseRow{"all_blank_nothing_written", start("{dir}blank.exe", "small"),
               "said=information Velbrisk: 该文件没有可以去掉的空白部分，未生成压缩文件。 [Text off]"},
        UseRow{"missing_source", start("{dir}gone.exe", "small"),
               error + "找不到要压缩的文件！\n{dir}gone.exe [Text off]"},
        UseRow{"source_names_the_folder", start("{dir}", "small"),
               error + "找不到要压缩的文件！\n{dir} [Text off]"},
        UseRow{"output_folder_missing", start("{dir}prog.exe", "nowhere/small"),
               error + "无法写入压缩文件！\n{dir}nowhere/small.exe\n{reason} [Text off]"},
        UseRow{"output_is_the_source", start("{dir}prog.exe", "prog"),
               error + "压缩文件不能与被压缩文件相同！ [Text off]"},
        UseRow{"exit_ends_the_program", "click Lbl_Exit", "quit=1"},
        UseRow{"chooser_fills_Text", "Text=old|chooser {dir}prog.exe|click Label",
               "chooser=1|Text={dir}prog.exe"},
        UseRow{"chooser_cancelled_leaves_Text", "Text=old|click Label", "chooser=1"}),
    rowName);

// Hover colours of Label, Lbl_Com, Lbl_Exit and Label3: B for blue, R for red.
INSTANTIATE_TEST_SUITE_P(
    Hover, FrmMainUse,
    ::testing::Values(UseRow{"over_Label", "move Label", "links=RBBB"},
                      UseRow{"over_Lbl_Com", "move Lbl_Com", "links=BRBB"},
                      UseRow{"over_Lbl_Exit", "move Lbl_Exit", "links=BBRB"},
                      UseRow{"over_Label3", "move Label3", "links=BBBR"},
                      UseRow{"form_surface_after_a_link", "move Label form", "links=BBBB"},
                      UseRow{"link_to_link_no_form_between", "move Label Lbl_Exit", "links=BBRB"},
                      UseRow{"Text_turns_Label_blue", "move Label Text", "links=BBBB"},
                      UseRow{"Text_leaves_Label3_red", "move Label3 Text", "links=BBBR"},
                      UseRow{"Text_then_form_turns_Label3_blue", "move Label3 Text form", "links=BBBB"},
                      UseRow{"Text_then_another_link", "move Label3 Text Lbl_Com", "links=BRBB"}),
    rowName);

// Only the first file of the list counts, and only with "EXE" or "exe" as its last letters.
INSTANTIATE_TEST_SUITE_P(
    Drop, FrmMainUse,
    ::testing::Values(
        UseRow{"upper_case_EXE", "drop /srv/apps/SETUP.EXE", "Text=/srv/apps/SETUP.EXE"},
        UseRow{"lower_case_exe", "drop /home/用户/测试/程序.exe", "Text=/home/用户/测试/程序.exe"},
        UseRow{"mixed_case_Exe_refused", "Text=typed|drop /srv/Setup.Exe", ""},
        UseRow{"eXE_refused", "Text=typed|drop /srv/setup.eXE", ""},
        UseRow{"other_ending_refused", "Text=typed|drop /srv/readme.txt", ""},
        UseRow{"folder_ending_in_exe_no_dot", "drop /srv/tools_exe", "Text=/srv/tools_exe"},
        UseRow{"same_folder_trailing_separator", "drop /srv/tools_exe/", "Text=/srv/tools_exe"},
        UseRow{"two_trailing_separators", "drop /srv/tools_exe//", "Text=/srv/tools_exe"},
        UseRow{"first_exe_decides_later_ignored", "drop /srv/setup.exe /srv/other.exe",
               "Text=/srv/setup.exe"},
        UseRow{"first_refused_later_exe_ignored", "Text=typed|drop /srv/readme.txt /srv/a.exe", ""},
        UseRow{"empty_list", "Text=typed|drop", ""},
        UseRow{"root_alone", "Text=typed|drop /", ""},
        UseRow{"name_shorter_than_the_ending", "Text=typed|drop xe", ""},
        UseRow{"ending_alone", "drop exe", "Text=exe"}),
    rowName);

// Every click on a link of the about panel opens its address again.
INSTANTIATE_TEST_SUITE_P(
    About, FrmMainUse,
    ::testing::Values(
        UseRow{"about_0_1_2_3_5_open_nothing",
               "click about 0|click about 1|click about 2|click about 3|click about 5", ""},
        UseRow{"about_outside_the_array", "click about -1|click about 7", ""},
        UseRow{"about_4_opens_the_mail_with_its_subject", "click about 4|click about 4",
               "opened=" + mail + " " + mail},
        UseRow{"about_6_opens_the_home_page", "click about 6|click about 6",
               "opened=" + home + " " + home}),
    rowName);

// A cut that reaches into the bytes that a Windows program's headers declare asks first.
struct QuestionRow {
    const char* name;
    std::string source;
    int lostBytes;  // the count that the question names; 0: no question
};

std::string program(bool pe32Plus, std::uint32_t code, std::uint32_t trailingZeros = 0,
                    bool isSigned = false) {
    PeLayout layout;
    layout.pe32Plus = pe32Plus;
    layout.sections.push_back({".text", 0x200, 0x200, std::vector<std::uint8_t>(code, 0xC3)});
    if (isSigned) {
        layout.certificateTable = PeCertificateTable{0x400, 0x100};
    }
    layout.trailingZeros = trailingZeros;
    const std::vector<std::uint8_t> bytes = buildPe(layout).bytes;
    return std::string(bytes.begin(), bytes.end());
}

std::string signedWithPaddedSignature() {
    // The signature's last 16 bytes are the padding that rounds it up to its alignment.
    std::string bytes = program(true, 0x200, 0, true);
    bytes.replace(0x4F0, 16, std::string(16, '\0'));
    return bytes;
}

class FrmMainQuestion : public ::testing::TestWithParam<QuestionRow> {};

TEST_P(FrmMainQuestion, asksBeforeCuttingIntoTheProgram) {
    const QuestionRow& row = GetParam();
    ScratchFolder folder;
    writeFile(folder / "prog.exe", row.source);
    // What the engine writes when nobody asks: the yes answer must give exactly this.
    ASSERT_EQ(trimFile(folder / "prog.exe", "plain").status, JobStatus::Done);
    const std::string question =
        "warning Velbrisk: 此文件是Windows程序，要去掉的空白中有" + std::to_string(row.lostBytes) +
        "字节属于程序自身的数据（节或数字签名）。这样生成的文件可能无法运行，或签名失效。是否仍要压缩？";
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        FakeMainView view;
        MessageRecorder answer(yes);
        FrmMain window(view, answer);
        view.Text = folder / "prog.exe";
        view.SaveText = yes ? "yes" : "no";
        window.Lbl_Com_Click();
        std::vector<std::string> asked;
        for (const Message& message : answer.asked) {
            asked.push_back(said(message, ""));
        }
        EXPECT_EQ(asked, row.lostBytes ? std::vector<std::string>{question} : std::vector<std::string>{});
        // No writes nothing and says nothing more.
        const bool written = yes || !row.lostBytes;
        EXPECT_EQ(answer.shown.size(), written ? 1u : 0u);
        EXPECT_EQ(std::filesystem::exists(utf8Path(folder / (yes ? "yes.exe" : "no.exe"))), written);
        if (written) {
            EXPECT_TRUE(sameBytes(readFile(folder / (yes ? "yes.exe" : "no.exe")),
                                  readFile(folder / "plain.exe")));
        }
        EXPECT_FALSE(view.busyCursor);
        EXPECT_TRUE(view.textEnabled);
    }
    EXPECT_TRUE(sameBytes(readFile(folder / "prog.exe"), row.source));
}

// L is the file's length; i the first probe holding data, a = i - 10.
INSTANTIATE_TEST_SUITE_P(
    Programs, FrmMainQuestion,
    ::testing::Values(
        // L = 1024, last data at 767: i = 260, a = 250, the copy keeps 775 of the 1024 bytes
        // that the section declares.
        QuestionRow{"PE32_cut_into_the_section_padding", program(false, 0x100), 249},
        QuestionRow{"PE32plus_cut_into_the_section_padding", program(true, 0x100), 249},
        // L = 1280, last data at 1263: i = 20, a = 10, the copy keeps 1271 bytes of 1280.
        QuestionRow{"cut_into_the_signature_padding", signedWithPaddedSignature(), 9},
        // L = 1324, last data at 1023: i = 300, a = 290, the copy keeps all 1024 declared bytes.
        QuestionRow{"cut_after_all_declared_data", program(false, 0x200, 300), 0},
        QuestionRow{"not_a_program", std::string("MZ, no more") + std::string(300, '\0'), 0},
        // The last data byte is the file's last: nothing is cut, the copy is L + 1 bytes.
        QuestionRow{"nothing_cut", program(false, 0x200), 0}),
    rowName);

// The job holds the window's input off and busy from the click to its message, and lets go after.
TEST(FrmMainJob, holdsTheWindowUntilItsMessage) {
    ScratchFolder folder;
    writeFile(folder / "prog.exe", std::string(100, 'A') + std::string(200, '\0'));
    FakeMainView view;
    MessageRecorder recorder;
    std::string during;
    recorder.onShown = [&] {
        during = std::string(view.inputHeld ? "held" : "free") + (view.busyCursor ? " busy" : "") +
                 (view.textEnabled ? "" : " Text off");
    };
    FrmMain window(view, recorder);
    view.Text = folder / "prog.exe";
    view.SaveText = "small";
    window.Lbl_Com_Click();
    // The cursor is back and the runner gone before the message; Text waits for its end.
    EXPECT_EQ(during, "free Text off");
    EXPECT_FALSE(view.inputHeld);
    EXPECT_TRUE(view.textEnabled);
    EXPECT_FALSE(view.progressShown);
}

// Moves come by the dozen a second: the view hears of a colour only when it changes.
TEST(FrmMainHover, onlyChangesReachTheView) {
    FakeMainView view;
    MessageRecorder recorder;
    FrmMain window(view, recorder);
    for (int move = 0; move < 3; ++move) {
        window.Form_MouseMove();
    }
    EXPECT_EQ(view.linkChanges, 0);
    for (int move = 0; move < 3; ++move) {
        window.Label_MouseMove();
    }
    EXPECT_EQ(view.linkChanges, 1);
    window.Lbl_Com_MouseMove();  // Label back to blue, Lbl_Com red
    EXPECT_EQ(view.linkChanges, 3);
    EXPECT_EQ(linkLetters(view.links), "BRBB");
}

// A termination request ends the program; one that comes while the user is asked about a
// program's own bytes cancels the job, so that even a yes writes nothing and shows nothing.
TEST(FrmMainJob, endProgramCancelsTheJobInHand) {
    for (const bool duringJob : {false, true}) {
        SCOPED_TRACE(duringJob ? "during the question" : "no job");
        ScratchFolder folder;
        const std::string source = program(false, 0x100);
        writeFile(folder / "prog.exe", source);
        FakeMainView view;
        MessageRecorder answer(true);
        FrmMain window(view, answer);
        view.Text = folder / "prog.exe";
        view.SaveText = "small";
        answer.onAsked = [&] {
            window.EndProgram();
            EXPECT_EQ(view.quits, 0) << "quit before the job has ended";
        };
        if (duringJob) {
            window.Lbl_Com_Click();
            EXPECT_EQ(answer.asked.size(), 1u);
        } else {
            window.EndProgram();
        }
        EXPECT_EQ(view.quits, 1);
        EXPECT_TRUE(answer.shown.empty());
        EXPECT_FALSE(std::filesystem::exists(utf8Path(folder / "small.exe")));
        EXPECT_TRUE(sameBytes(readFile(folder / "prog.exe"), source));
        EXPECT_FALSE(view.inputHeld);
    }
}

TEST(FrmMainJob, sourceFolderIsTheFolderOfText) {
    FakeMainView view;
    MessageRecorder recorder;
    FrmMain window(view, recorder);
    view.Text = std::string("dir") + kSeparator + "prog.exe";
    EXPECT_EQ(window.SourceFolder(), std::string("dir") + kSeparator);
}

}  // namespace
}  // namespace velbrisk::testing
