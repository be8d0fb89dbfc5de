// FrmMain under the mouse: the hover colours of the link labels, and files dropped on `Text`.
#include <string_view>

#include "engine/path_rules.h"
#include "engine/utf16.h"
#include "resources/ProductInfo.h"
#include "ui/main/FrmMain.h"

namespace velbrisk::ui {

namespace {

const Rgb* const rest = &kLinkRest;
const Rgb* const hover = &kLinkHover;

// A root keeps its separator: "/" alone, or a drive's "C:\".
bool isRoot(std::string_view path) {
    return path.size() == 1 || (path.size() == 3 && path[1] == ':' && isSeparator(path[2]));
}

}  // namespace

void FrmMain::Form_MouseMove() {
    colourLinks({rest, rest, rest, rest});
}

void FrmMain::Label_MouseMove() {
    colourLinks({hover, rest, rest, rest});
}

void FrmMain::Lbl_Com_MouseMove() {
    colourLinks({rest, hover, rest, rest});
}

void FrmMain::Lbl_Exit_MouseMove() {
    colourLinks({rest, rest, hover, rest});
}

void FrmMain::Label3_MouseMove() {
    colourLinks({rest, rest, rest, hover});
}

// The help label is left as it is: moving from it straight onto the source box keeps it red.
void FrmMain::Text_MouseMove() {
    colourLinks({rest, rest, rest, nullptr});
}

void FrmMain::colourLinks(const std::array<const Rgb*, 4>& colours) {
    for (std::size_t i = 0; i < colours.size(); ++i) {
        if (!colours[i] || linkColours_[i] == *colours[i]) {
            continue;
        }
        linkColours_[i] = *colours[i];
        view_.setLinkColour(int(i), *colours[i]);
    }
}

void FrmMain::Text_OLEDragDrop(const std::vector<std::optional<std::string>>& droppedFiles) {
    // Only the first file of the list counts, whatever the others are.
    if (droppedFiles.empty()) {
        return;
    }
    // Any stand-in for a name that does not convert would name some other file.
    if (!droppedFiles.front()) {
        boxes_.showMessage(
            {MessageIcon::Error, product::kName,
             std::string("拖放的文件名") + std::string(kNotUnicodeText) + "，无法使用该文件！"});
        return;
    }
    std::string_view path = *droppedFiles.front();
    // A folder may come with a trailing separator, which would hide the letters it ends in.
    while (!path.empty() && !isRoot(path) && isSeparator(path.back())) {
        path.remove_suffix(1);
    }
    // The ending is compared as it is written: "EXE" and "exe" pass, "Exe" does not.
    if (path.size() < 3) {
        return;
    }
    const std::string_view ending = path.substr(path.size() - 3);
    if (ending == "EXE" || ending == "exe") {
        view_.setText(std::string(path));
    }
}

}  // namespace velbrisk::ui
