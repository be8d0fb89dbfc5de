// The main window's layout: every control's place in twips, its text and its colours.
#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "resources/ProductInfo.h"
#include "ui/Colours.h"
#include "ui/Twips.h"

namespace velbrisk::ui::main_window {

// The client area; the window is fixed at this size (minimise and close box, no maximise).
inline constexpr int kClientWidth = 6090;
inline constexpr int kClientHeight = 2745;
inline constexpr Rgb kBackground = kLightYellow;

enum class ControlKind {
    Label,      // plain text in the system's label colour, transparent background
    TextBox,    // one-line edit box, light green
    LinkLabel,  // a label that acts as a command: blue at rest, hand cursor, takes clicks
    Frame,      // sunken box frame, light yellow, holds the about labels
    ProbeBox,   // multi-line edit box with a vertical scroll bar, default colours, below the
                // client area: never seen, but second in the focus order
};

struct Control {
    std::string_view name;  // the control's name, also its object name in the Qt window
    ControlKind kind;
    // Relative to the client area. Labels (plain, link and about) are placed by their top-left
    // corner and then sized to fit their text; their width and height here are only what they
    // were drawn at.
    TwipsRect place;
    std::string_view text;  // UTF-8; empty for boxes and the frame
};

inline constexpr Control Label1{"Label1", ControlKind::Label, {120, 120, 2700, 180},
                                "将被压缩的文件：(可拖动到下面)"};
inline constexpr Control Text{"Text", ControlKind::TextBox, {120, 360, 5055, 270}, ""};
inline constexpr Control Label2{"Label2", ControlKind::Label, {120, 720, 3870, 180},
                                "压缩文件名：(注意:不能与被压缩文件名相同！)"};
inline constexpr Control SaveText{"SaveText", ControlKind::TextBox, {120, 960, 5055, 270}, ""};
inline constexpr Control Label{"Label", ControlKind::LinkLabel, {5280, 360, 720, 180}, "选择文件"};
inline constexpr Control Lbl_Com{"Lbl_Com", ControlKind::LinkLabel, {5280, 600, 720, 180},
                                 "开始压缩"};
inline constexpr Control Lbl_Exit{"Lbl_Exit", ControlKind::LinkLabel, {5280, 840, 720, 180},
                                  "退出程序"};
inline constexpr Control Label3{"Label3", ControlKind::LinkLabel, {5280, 1080, 720, 180},
                                "使用帮助"};
inline constexpr Control Frame1{"Frame1", ControlKind::Frame, {120, 1320, 5895, 1335}, ""};
inline constexpr Control Text1{"Text1", ControlKind::ProbeBox, {120, 3600, 5895, 270}, ""};

// Creation order; the focus order is Text, Text1, SaveText (labels and frame take no focus).
inline constexpr std::array<Control, 10> kControls = {Label1, Text,     Label2,   SaveText, Label,
                                                      Lbl_Com, Lbl_Exit, Label3,  Frame1,   Text1};
inline constexpr std::array<std::string_view, 3> kFocusOrder = {"Text", "Text1", "SaveText"};

// The four link labels by the index that MainView::setLinkColour takes.
enum LinkIndex { kLinkLabel = 0, kLinkLbl_Com = 1, kLinkLbl_Exit = 2, kLinkLabel3 = 3 };
inline constexpr std::array<Control, 4> kLinks = {Label, Lbl_Com, Lbl_Exit, Label3};

// The pixels that a control at `place` may take downwards at dpi: down to the top of the next
// control of its column (the first one below whose span across meets its own), else to `floor`.
// A label fits its text, and a box grows for a large font; past this they would reach into the
// control below and take the pointer from it. A label placed with no width is a column of its own
// left edge.
template <typename Controls>
constexpr int roomBelow(const TwipsRect& place, const Controls& others, int floor, int dpi) {
    const auto right = [](const TwipsRect& rect) { return rect.left + std::max(rect.width, 1); };
    int limit = floor;
    for (const auto& other : others) {
        const TwipsRect& below = other.place;
        if (below.top > place.top && below.top < limit && below.left < right(place) &&
            place.left < right(below)) {
            limit = below.top;
        }
    }
    return twipsToPixels(limit, dpi) - twipsToPixels(place.top, dpi);
}

inline constexpr int roomBelow(const Control& control, int dpi) {
    return roomBelow(control.place, kControls, kClientHeight, dpi);
}

// The window's title: product name, version and author.
inline std::string windowTitle() {
    return std::string(product::kName) + " v" + product::kVersion + "  软件作者:" +
           product::kAuthor;
}

// The about panel, the control array Lbl_About inside Frame1 (object names "Lbl_About_0" to
// "Lbl_About_6"): two columns, 0 to 3 on the left, 4 to 6 on the right, each one line that fits
// its text, in the system's label colour, never changing.
struct AboutEntry {
    std::string text;             // UTF-8
    TwipsRect place;              // relative to Frame1; width 0, the label fits its text
    bool link = false;            // hand cursor and an address to open on a click
    std::string address;          // what a click opens (Lbl_About_Click), empty for no link
};

inline constexpr int kAboutCount = 7;
inline constexpr int kAboutMail = 4;
inline constexpr int kAboutHomePage = 6;

// The mail link's address as one text, the Chinese subject not percent-encoded: the shell and
// the desktop each encode it as their mail program expects.
inline std::string mailAddress() {
    return std::string("mailto:") + product::kMail + "?subject=" + product::kName + "用户来信";
}

inline std::array<AboutEntry, kAboutCount> aboutEntries() {
    const auto place = [](int index) {
        const bool left = index < 4;
        const int row = left ? index : index - 4;
        return TwipsRect{left ? 240 : 2640, 240 + 240 * row, 0, 180};
    };
    const std::string name = product::kName;
    return {{
        {"软件名称:" + name, place(0), false, {}},
        {std::string("软件作者:") + product::kAuthor, place(1), false, {}},
        {std::string("软件版本:v") + product::kVersion, place(2), false, {}},
        {std::string("软件授权:") + product::kLicense, place(3), false, {}},
        {std::string("作者邮箱:") + product::kMail, place(4), true, mailAddress()},
        {std::string(product::kMailProvider) + "邮箱:" + product::kSecondMail, place(5), false,
         {}},
        {std::string("作者主页:") + product::kHomePage, place(6), true, product::kHomePage},
    }};
}

// An about label's room inside Frame1.
inline int aboutRoomBelow(int index, int dpi) {
    const auto entries = aboutEntries();
    return roomBelow(entries[std::size_t(index)].place, entries, Frame1.place.height, dpi);
}

// The progress window that a job longer than the progress delay brings up.
inline constexpr std::string_view kProgressLabel = "正在压缩…";
inline constexpr std::string_view kProgressCancel = "取消";
// The bar runs from 0 to this; bytes of a large file do not fit a toolkit's int.
inline constexpr int kProgressSteps = 10000;

}  // namespace velbrisk::ui::main_window
