// The child-window ids of the windows' controls: how the windows, their tests and an outside
// probe find a control (GetDlgItem) by the name it has in the layout.
#pragma once

#include <string_view>

namespace velbrisk::ui::win32 {

namespace main_ids {
inline constexpr int kLabel1 = 1001;
inline constexpr int kText = 1002;
inline constexpr int kLabel2 = 1003;
inline constexpr int kSaveText = 1004;
inline constexpr int kLabel = 1005;
inline constexpr int kLbl_Com = 1006;
inline constexpr int kLbl_Exit = 1007;
inline constexpr int kLabel3 = 1008;
inline constexpr int kFrame1 = 1009;
inline constexpr int kText1 = 1010;
// Lbl_About(index) is a child of Frame1, not of the window.
constexpr int lblAbout(int index) {
    return 1100 + index;
}
}  // namespace main_ids

namespace chooser_ids {
inline constexpr int kDrive1 = 2001;
inline constexpr int kDir1 = 2002;
inline constexpr int kFile1 = 2003;
inline constexpr int kText1 = 2004;
inline constexpr int kCommand1 = 2005;
inline constexpr int kCommand2 = 2006;
}  // namespace chooser_ids

// The progress window's "取消" is IDCANCEL (2), so that Esc presses it.
namespace progress_ids {
inline constexpr int kLabel = 3001;
inline constexpr int kBar = 3002;
}  // namespace progress_ids

// The id of a layout's control by its name; 0 for a name that no window has.
constexpr int mainControlId(std::string_view name) {
    using namespace main_ids;
    constexpr struct {
        std::string_view name;
        int id;
    } kIds[] = {{"Label1", kLabel1},     {"Text", kText},     {"Label2", kLabel2},
                {"SaveText", kSaveText}, {"Label", kLabel},   {"Lbl_Com", kLbl_Com},
                {"Lbl_Exit", kLbl_Exit}, {"Label3", kLabel3}, {"Frame1", kFrame1},
                {"Text1", kText1}};
    for (const auto& entry : kIds) {
        if (entry.name == name) {
            return entry.id;
        }
    }
    return 0;
}

constexpr int chooserControlId(std::string_view name) {
    using namespace chooser_ids;
    constexpr struct {
        std::string_view name;
        int id;
    } kIds[] = {{"Drive1", kDrive1}, {"Dir1", kDir1},         {"File1", kFile1},
                {"Text1", kText1},   {"Command1", kCommand1}, {"Command2", kCommand2}};
    for (const auto& entry : kIds) {
        if (entry.name == name) {
            return entry.id;
        }
    }
    return 0;
}

}  // namespace velbrisk::ui::win32
