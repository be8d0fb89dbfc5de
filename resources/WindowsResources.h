// The ids of the Windows program's own resources, shared by its resource script and its windows.
#pragma once

#define VELBRISK_ICON_ID 1
#define VELBRISK_HAND_CURSOR_ID 101
