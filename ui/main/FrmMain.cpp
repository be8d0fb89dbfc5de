// FrmMain: the main window's commands and the trimming job they start.
#include "ui/main/FrmMain.h"

#include <optional>

#include "resources/ProductInfo.h"

namespace velbrisk::ui {

namespace {

Message error(std::string text) {
    return {MessageIcon::Error, product::kName, std::move(text)};
}

Message information(std::string text) {
    return {MessageIcon::Information, product::kName, std::move(text)};
}

}  // namespace

FrmMain::FrmMain(MainView& view, JobView& jobView, MessageBoxes& boxes,
                 std::chrono::milliseconds progressDelay)
    : view_(view), jobView_(jobView), boxes_(boxes), progressDelay_(progressDelay) {}

void FrmMain::Form_Load(const std::string& commandFile) {
    view_.setText(commandFile);
}

std::string FrmMain::SourceFolder() const {
    return sourceFolder(view_.text());
}

void FrmMain::Lbl_Com_Click() {
    // Only emptiness is checked: a path of blanks goes to the job as typed.
    if (view_.text().empty()) {
        boxes_.showMessage(error("请先选择要压缩的文件！"));
        return;
    }
    if (view_.saveText().empty()) {
        boxes_.showMessage(error("请输入压缩文件名！"));
        return;
    }
    StartCompress();
}

std::string FrmMain::helpText() {
    return std::string("使用") + product::kName +
           "可以压缩掉EXE文件中的多余空白部分，从而使EXE文件体积减小。"
           "压缩率根据被压缩文件所含空白空间的多少决定。"
           "\n\n"
           "如何压缩：选择要压缩的EXE文件，然后输入压缩文件名，单击“开始压缩”"
           "即可开始压缩。你也可以将要压缩的文件拖动到“将被压缩的文件”下的输入"
           "框中。";
}

void FrmMain::Label3_Click() {
    boxes_.showMessage({MessageIcon::Information, "使用帮助", helpText()});
}

void FrmMain::Lbl_Exit_Click() {
    view_.quit();
}

void FrmMain::Label_Click() {
    view_.openChooser([this](const std::string& path) { view_.setText(path); });
}

void FrmMain::Lbl_About_Click(int index) {
    if (index < 0 || index >= main_window::kAboutCount) {
        return;
    }
    const main_window::AboutEntry entry = main_window::aboutEntries()[std::size_t(index)];
    if (entry.link) {
        view_.openAddress(entry.address);
    }
}

void FrmMain::StartCompress() {
    view_.setBusyCursor(true);
    view_.setTextEnabled(false);
    JobResult result;
    {
        // The runner holds the window's input off and closes its progress window when it goes,
        // before the message that ends the job.
        JobRunner runner(jobView_, progressDelay_);
        runningJob_ = &runner;
        result = runJob(runner, view_.text(), view_.saveText());
        runningJob_ = nullptr;
    }
    if (ending_) {
        // Whatever the job got to, the program is on its way out: no message waits for a user.
        view_.quit();
        return;
    }
    endJob(result);
}

void FrmMain::EndProgram() {
    if (runningJob_) {
        ending_ = true;
        runningJob_->cancel();
        // The job waits for no one: a question still open is answered no, and the job, cancelled,
        // then ends the program.
        boxes_.closeQuestion();
        return;
    }
    view_.quit();
}

// The whole job, apart from the window's busy state and messages: the scan, the question about a
// Windows program's own bytes, and the copy, the first and last on the runner's worker thread.
JobResult FrmMain::runJob(JobRunner& runner, const std::string& sourcePath,
                          const std::string& outputName) {
    TrimPlan plan;
    const JobResult scanned = runner.run([&](const JobControl& control) {
        return scanSource(sourcePath, outputName, plan, control);
    });
    if (scanned.status != JobStatus::Done) {
        return scanned;
    }
    if (!confirmImageCut(plan)) {
        // The user said no and knows it: the job ends as a cancelled one, without a message.
        return JobResult{JobStatus::Cancelled, {}, {}};
    }
    return WriteTrimmed(runner, plan);
}

// A cut that reaches into bytes that a Windows program's own headers declare may leave a copy
// that does not run, or whose signature fails: the user decides before anything is written.
bool FrmMain::confirmImageCut(const TrimPlan& plan) {
    if (plan.imageBytesCut == 0) {
        return true;
    }
    return boxes_.askYesNo({MessageIcon::Warning, product::kName,
                            "此文件是Windows程序，要去掉的空白中有" +
                                std::to_string(plan.imageBytesCut) +
                                "字节属于程序自身的数据（节或数字签名）。这样生成的文件可能无法"
                                "运行，或签名失效。是否仍要压缩？"});
}

JobResult FrmMain::WriteTrimmed(JobRunner& runner, const TrimPlan& plan) {
    return runner.run([&](const JobControl& control) { return writeTrimmed(plan, control); });
}

void FrmMain::endJob(const JobResult& result) {
    std::optional<Message> outcome;
    switch (result.status) {
        case JobStatus::Done:
            outcome = information("压缩完毕！");
            break;
        case JobStatus::NothingToCut:
            // Nothing was written, so the job must not claim to have compressed anything.
            outcome = information("该文件没有可以去掉的空白部分，未生成压缩文件。");
            break;
        case JobStatus::SourceMissing:
            outcome = error("找不到要压缩的文件！\n" + result.path);
            break;
        case JobStatus::SourceUnreadable:
            outcome = error("无法读取被压缩文件！\n" + result.path + "\n" + result.reason);
            break;
        case JobStatus::OutputUnwritable:
            outcome = error("无法写入压缩文件！\n" + result.path + "\n" + result.reason);
            break;
        case JobStatus::SameFile:
            outcome = error("压缩文件不能与被压缩文件相同！");
            break;
        case JobStatus::Cancelled:
            // The user stopped the job and knows it: nothing more to say.
            break;
    }
    // The cursor comes back before the message, and Text only after it.
    view_.setBusyCursor(false);
    if (outcome) {
        boxes_.showMessage(*outcome);
    }
    view_.setTextEnabled(true);
}

}  // namespace velbrisk::ui
