// The device screen the main screen is laid out for, in pixels.
#pragma once

inline constexpr int kScreenWidth = 320;
inline constexpr int kScreenHeight = 294;
