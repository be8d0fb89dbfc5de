// FrmMain: what the main window does: its commands, hover colours, drops, about links and the
// trimming job, apart from any toolkit. A view draws the window and calls these handlers.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/job.h"
#include "ui/Colours.h"
#include "ui/Message.h"
#include "ui/main/JobRunner.h"
#include "ui/main/Layout.h"

namespace velbrisk::ui {

// The main window as the logic sees it. Every call comes on the window's thread. Texts are UTF-8.
class MainView {
public:
    virtual ~MainView() = default;

    // The texts of the source box `Text` and the output-name box `SaveText`, as shown.
    virtual std::string text() const = 0;
    virtual std::string saveText() const = 0;
    // Replaces the text of `Text` (a drop, or the chooser's OK).
    virtual void setText(const std::string& text) = 0;

    // The busy cursor (hourglass) over the whole window, or the normal one back. A job sets it
    // and disables `Text` first; at its end it puts the cursor back, shows its message, and only
    // then enables `Text` again.
    virtual void setBusyCursor(bool busy) = 0;
    // Enables or disables the source box `Text` (greyed, no input, no drops).
    virtual void setTextEnabled(bool enabled) = 0;

    // The text colour of link label `link` (main_window::LinkIndex: 0 Label, 1 Lbl_Com,
    // 2 Lbl_Exit, 3 Label3). Called only when the colour changes; all four start at kLinkRest.
    virtual void setLinkColour(int link, Rgb colour) = 0;

    // Hands the address to the user's default program for it (Module1: QDesktopServices, or
    // ShellExecuteW with the main window as owner and SW_SHOWNORMAL); the result is ignored.
    virtual void openAddress(const std::string& address) = 0;

    // Builds a fresh chooser (FrmOpen), modal to the whole program with no owner window, and
    // returns once it has closed. The chooser's OK calls `chosen` with its path, which the
    // caller has made set `Text`; the view hands it on to the chooser's logic.
    virtual void openChooser(const std::function<void(const std::string&)>& chosen) = 0;

    // Ends the program at once (Qt: QCoreApplication::exit(0); Win32: the main window
    // destroyed and the message loop told to quit with 0).
    virtual void quit() = 0;
};

class FrmMain {
public:
    // The views and the message boxes outlive this object. jobView: the window's side of a
    // running job. progressDelay: how long a job runs before its progress window comes up.
    FrmMain(MainView& view, JobView& jobView, MessageBoxes& boxes,
            std::chrono::milliseconds progressDelay = kProgressDelay);

    // The window has opened, with `Text` empty. commandFile: the file the program was started
    // with (empty for none), which goes into `Text` as it is given.
    void Form_Load(const std::string& commandFile);

    // Clicks (primary button pressed and released on the label).
    void Lbl_Com_Click();                // start: the empty-box refusals, then StartCompress
    void Label_Click();                  // choose file: the chooser, modal
    void Lbl_Exit_Click();               // exit at once
    void Label3_Click();                 // help text
    void Lbl_About_Click(int index);     // 4 mail, 6 home page, others nothing

    // Mouse moves, delivered to the one control under the pointer (or to the form where no
    // control is); none reads where the pointer is. The other controls' moves call nothing.
    void Form_MouseMove();
    void Label_MouseMove();
    void Lbl_Com_MouseMove();
    void Lbl_Exit_MouseMove();
    void Label3_MouseMove();
    void Text_MouseMove();

    // Files dropped on `Text`, as local paths with the platform's separators, in the order the
    // drop lists them (Win32: DragQueryFileW of the CF_HDROP list; Qt: the local-file URLs);
    // nothing for a name that does not convert to UTF-8 (narrow()). The view answers the drop as
    // a copy whatever this does.
    void Text_OLEDragDrop(const std::vector<std::optional<std::string>>& droppedFiles);

    // Ends the program as soon as it may, for a termination request from outside (SIGTERM,
    // SIGINT, or Windows' close request). A running job is cancelled first, so that it removes
    // what it wrote, and ends with no message; a question it is waiting on is answered no. Then
    // the view quits. With no job running the view quits at once.
    void EndProgram();

    // The help text of Label3_Click.
    static std::string helpText();

private:
    class WindowJob;

    void StartCompress();
    void endJob(const JobOutcome& outcome);

    // Only the labels given a colour change, and only if it differs from the one they have.
    void colourLinks(const std::array<const Rgb*, 4>& colours);

    MainView& view_;
    JobView& jobView_;
    MessageBoxes& boxes_;
    const std::chrono::milliseconds progressDelay_;
    JobRunner* runningJob_ = nullptr;  // while StartCompress runs
    bool ending_ = false;              // EndProgram came while a job ran
    std::array<Rgb, 4> linkColours_{kLinkRest, kLinkRest, kLinkRest, kLinkRest};
};

}  // namespace velbrisk::ui
