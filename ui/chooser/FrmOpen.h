// FrmOpen: what the file chooser does: its drive, folder and file lists, the join of a picked
// file's path, OK and cancel, apart from any toolkit. A view draws it and calls these handlers.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/os_file.h"
#include "ui/Message.h"
#include "ui/chooser/FileSystem.h"
#include "ui/chooser/Layout.h"
#include "ui/chooser/Listing.h"

namespace velbrisk::ui {

// The chooser as the logic sees it. Every call comes on the window's thread. Texts are UTF-8.
class ChooserView {
public:
    virtual ~ChooserView() = default;

    // Drive1's entries and the one it shows. Called once, from Form_Load.
    virtual void showDrives(const std::vector<std::string>& entries, int current) = 0;

    // An entry of Dir1: the chain from the root down to the open folder (open folders, each one
    // step further in), then the open folder's subfolders (closed folders, one step further).
    struct FolderEntry {
        std::string text;
        int depth = 0;      // indent, in steps
        bool open = false;  // drawn as an open folder (the chain) or a closed one (subfolders)
        friend bool operator==(const FolderEntry&, const FolderEntry&) = default;
    };
    // Dir1's entries; `current` (the open folder, last of the chain) is highlighted.
    virtual void showFolders(const std::vector<FolderEntry>& entries, int current) = 0;

    // File1's entries, nothing selected.
    virtual void showFiles(const std::vector<std::string>& names) = 0;

    // The path box Text1, which the user may also type into.
    virtual std::string pathText() const = 0;
    virtual void setPathText(const std::string& text) = 0;

    // Closes the dialog; its modal loop ends. accepted: it closed through OK.
    virtual void close(bool accepted) = 0;
};

// The key code of Enter as the lists hand it on (Win32's VK_RETURN).
inline constexpr int kKeyReturn = 13;

class FrmOpen {
public:
    // Where the drive list's volumes come from: the system's, or a test's own.
    using VolumeSource = std::function<std::vector<chooser::Volume>(const std::string&)>;

    // The view and the boxes outlive this object. `chosen` receives the path on OK (it sets the
    // main window's `Text`). The lists start at currentFolder, normally the process's current
    // folder, which no step of the chooser changes.
    FrmOpen(ChooserView& view, MessageBoxes& boxes, std::function<void(const std::string&)> chosen,
            std::string currentFolder = os::currentFolder(),
            VolumeSource volumeSource = chooser::pickableVolumes);

    // Fills the three lists; the view calls it once its controls exist.
    void Form_Load();

    // The user picked entry `index` of Drive1, whichever it was: only a change of drive moves the
    // lists. A drive that cannot be read leaves both lists where they were, with no message.
    void Drive1_Change(int index);
    // The user opened entry `row` of Dir1 (double-click).
    void Dir1_DblClick(int row);
    // Every change of Dir1's folder: File1 lists the folder's files.
    void Dir1_Change();
    // A click on entry `row` of File1, or a move of the selection onto it with the keyboard; and
    // a double-click. Both fill Text1; the dialog stays open.
    void File1_Click(int row);
    void File1_DblClick(int row);
    // A key pressed in Dir1 or File1 (keyCode: kKeyReturn for Enter; a view may give any other
    // key as 0), `row` being the entry highlighted (-1 for none). True when the chooser took the
    // key, which then goes no further: Enter opens the folder or picks the file, and confirms
    // nothing. Every other key is the list's own.
    bool Dir1_KeyDown(int keyCode, int row);
    bool File1_KeyDown(int keyCode, int row);
    // OK and cancel. The view calls Command2_Click for the close box too.
    void Command1_Click();
    void Command2_Click();

private:
    bool openFolder(const std::string& folder);

    ChooserView& view_;
    MessageBoxes& boxes_;
    std::function<void(const std::string&)> chosen_;
    const std::string currentFolder_;
    VolumeSource volumeSource_;
    std::vector<chooser::Volume> volumes_;
    int drive_ = -1;       // the entry Drive1 shows
    std::string folder_;   // Dir1's folder; empty until one has been opened
    std::vector<std::string> folderEntries_;  // the folder of each Dir1 entry
    std::string listing_;  // File1's listing path
    std::vector<std::string> files_;  // File1's entries
};

}  // namespace velbrisk::ui
