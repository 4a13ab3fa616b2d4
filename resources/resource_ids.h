// The numbers by which the program and its resource set name each other:
// strings, icons, the accelerator table, the menu, the About dialog and the
// command and control ids.
#pragma once

#include "win/types.h"

inline constexpr WORD kTitleStringId = 1;
inline constexpr WORD kGreetingStringId = 2;  // loaded by nothing
inline constexpr WORD kClassStringId = 3;

inline constexpr WORD kLargeIconId = 1;
inline constexpr WORD kSmallIconId = 2;
inline constexpr WORD kIconId = 101;  // the icon group of both images
inline constexpr WORD kAcceleratorTableId = 3;
inline constexpr WORD kMenuId = 102;  // attached by nothing
inline constexpr WORD kAboutDialogId = 103;

inline constexpr WORD kWarmCommandId = 34818;
inline constexpr WORD kQuitCommandId = 34819;
inline constexpr WORD kLogCommandId = 34820;
inline constexpr WORD kExitCommandId = 40002;
inline constexpr WORD kAboutCommandId = 40003;
