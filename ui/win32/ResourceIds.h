// The numbers of the resources that the program file carries and the windows load by number.
#pragma once

namespace velbrisk::ui::win32 {

inline constexpr int kIconId = 1;          // the window and program icon (RT_GROUP_ICON)
inline constexpr int kHandCursorId = 101;  // the pointing hand of the link labels (RT_GROUP_CURSOR)
inline constexpr int kManifestId = 1;      // RT_MANIFEST of the program itself

}  // namespace velbrisk::ui::win32
