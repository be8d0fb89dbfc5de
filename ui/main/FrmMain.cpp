// FrmMain: the main window's commands and the trimming job they start.
#include "ui/main/FrmMain.h"

#include <optional>

#include "engine/job_texts.h"
#include "resources/ProductInfo.h"

namespace velbrisk::ui {

namespace {

Message error(std::string text) {
    return {MessageIcon::Error, product::kName, std::move(text)};
}

Message information(std::string text) {
    return {MessageIcon::Information, product::kName, std::move(text)};
}

// A failure's headline, then on lines of their own the path and the system's reason; a missing
// source needs no reason, and an output that is the source no path.
std::string failureText(const JobResult& failure) {
    std::string text{texts::failureHeadline(failure.status)};
    if (failure.status != JobStatus::SameFile) {
        text += "\n" + failure.path;
    }
    if (failure.status != JobStatus::SourceMissing && !failure.reason.empty()) {
        text += "\n" + failure.reason;
    }
    return text;
}

}  // namespace

// The window's side of a job: its file work on the runner's worker thread while the window
// paints, and the question about a Windows program's own bytes in a box of its own.
class FrmMain::WindowJob final : public JobFront {
public:
    WindowJob(JobRunner& runner, MessageBoxes& boxes) : runner_(runner), boxes_(boxes) {}

    JobResult runStep(const std::function<JobResult(const JobControl&)>& step) override {
        return runner_.run(step);
    }

    // Such a cut may leave a copy that does not run, or whose signature fails: the user decides
    // before anything is written. The safe answer is the default; leaving the file alone is a
    // choice the user knows of, and the job ends without a word.
    ImageCutAnswer askImageCut(const TrimPlan& plan, bool canKeepProgram) override {
        std::vector<ImageCutAnswer> meanings;
        Question question{{MessageIcon::Warning, product::kName,
                           texts::imageCutQuestion(plan.imageBytesCut, canKeepProgram)},
                          {}};
        const auto offer = [&](std::string_view text, ImageCutAnswer meaning) {
            question.answers.emplace_back(text);
            meanings.push_back(meaning);
        };
        if (canKeepProgram) {
            offer(texts::kKeepProgram, ImageCutAnswer::KeepProgram);
        }
        offer(texts::kCutAll, ImageCutAnswer::CutAll);
        offer(texts::kLeaveAlone, ImageCutAnswer::Decline);
        question.escapeAnswer = meanings.size() - 1;
        question.defaultAnswer = canKeepProgram ? 0 : question.escapeAnswer;
        return meanings.at(boxes_.ask(question));
    }

private:
    JobRunner& runner_;
    MessageBoxes& boxes_;
};

FrmMain::FrmMain(MainView& view, JobView& jobView, MessageBoxes& boxes,
                 std::chrono::milliseconds progressDelay)
    : view_(view), jobView_(jobView), boxes_(boxes), progressDelay_(progressDelay) {}

void FrmMain::Form_Load(const std::string& commandFile) {
    view_.setText(commandFile);
}

void FrmMain::Lbl_Com_Click() {
    // Only emptiness is checked: a path of blanks goes to the job as typed.
    if (view_.text().empty()) {
        boxes_.showMessage(error(std::string{texts::kNoSource}));
        return;
    }
    if (view_.saveText().empty()) {
        boxes_.showMessage(error(std::string{texts::kNoOutputName}));
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
    boxes_.showMessage(
        {MessageIcon::Information, std::string{main_window::Label3.text}, helpText()});
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
    JobOutcome outcome;
    {
        // The runner holds the window's input off and closes its progress window when it goes,
        // before the message that ends the job.
        JobRunner runner(jobView_, progressDelay_);
        runningJob_ = &runner;
        WindowJob job(runner, boxes_);
        outcome = runJob({view_.text(), outputPath(view_.text(), view_.saveText())}, job);
        runningJob_ = nullptr;
    }
    if (ending_) {
        // Whatever the job got to, the program is on its way out: no message waits for a user.
        view_.quit();
        return;
    }
    endJob(outcome);
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

void FrmMain::endJob(const JobOutcome& outcome) {
    std::optional<Message> message;
    switch (outcome.ending) {
        case JobEnding::Trimmed:
            message = information(std::string{texts::kFinished});
            break;
        case JobEnding::NothingToCut:
            // Nothing was written, so the job must not claim to have compressed anything.
            message = information(std::string{texts::kNothingToCut});
            break;
        case JobEnding::Failed:
            message = error(failureText(outcome.failure));
            break;
        case JobEnding::Reported:
        case JobEnding::ImageCutDeclined:
        case JobEnding::Cancelled:
            // The user said no, or stopped the job, and knows it: nothing more to say.
            break;
    }
    // The cursor comes back before the message, and Text only after it.
    view_.setBusyCursor(false);
    if (message) {
        boxes_.showMessage(*message);
    }
    view_.setTextEnabled(true);
}

}  // namespace velbrisk::ui
