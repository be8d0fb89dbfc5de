// The chooser's layout: every control's place in twips and its text.
#pragma once

#include <array>
#include <string_view>

#include "ui/Twips.h"

namespace velbrisk::ui::chooser {

inline constexpr std::string_view kTitle = "选择要进行压缩的EXE文件";
// A fixed tool window: small title bar, close box only, no icon, not in the task bar, placed
// where the window system places a new window. Default colours and font everywhere.
inline constexpr int kClientWidth = 4335;
inline constexpr int kClientHeight = 4260;

enum class ControlKind {
    DriveList,   // drop-down list of the drives (volumes)
    FolderList,  // the chain down to the open folder, then its subfolders
    FileList,    // the *.EXE files of the folder, single selection
    PathBox,     // one-line editable text box
    Button,      // push button, neither the default nor the cancel button
};

struct Control {
    std::string_view name;
    ControlKind kind;
    TwipsRect place;        // relative to the client area
    std::string_view text;  // UTF-8; "&" marks the access key
};

inline constexpr Control Drive1{"Drive1", ControlKind::DriveList, {0, 120, 4335, 300}, ""};
inline constexpr Control Dir1{"Dir1", ControlKind::FolderList, {0, 440, 4335, 1560}, ""};
inline constexpr Control File1{"File1", ControlKind::FileList, {0, 2000, 4335, 1350}, ""};
inline constexpr Control Text1{"Text1", ControlKind::PathBox, {0, 3480, 4335, 270}, ""};
inline constexpr Control Command1{"Command1", ControlKind::Button, {600, 3840, 1215, 375},
                                  "确定(&O)"};
inline constexpr Control Command2{"Command2", ControlKind::Button, {2280, 3840, 1215, 375}, "取消"};

// Creation order.
inline constexpr std::array<Control, 6> kControls = {Drive1, Dir1, File1, Text1, Command1, Command2};
// Focus order; Drive1 has the focus when the dialog opens.
inline constexpr std::array<std::string_view, 6> kFocusOrder = {"Drive1",   "Dir1",     "File1",
                                                                "Command1", "Command2", "Text1"};

}  // namespace velbrisk::ui::chooser
