// The status bar's panes by index, as the frame lays them out from left to
// right: the message, the caret's line, the three lock keys, the selection's
// start and end, the bit rate, position and length, and the dictation drill.
#pragma once

inline constexpr int PANE_MESSAGE = 0;
inline constexpr int PANE_LINE = 1;
inline constexpr int PANE_CAPS = 2;
inline constexpr int PANE_NUM = 3;
inline constexpr int PANE_SCROLL = 4;
inline constexpr int PANE_SEL_START = 5;
inline constexpr int PANE_SEL_END = 6;
inline constexpr int PANE_BITRATE = 7;
inline constexpr int PANE_TIME = 8;
inline constexpr int PANE_DRILL = 9; // shown only while a drill runs
