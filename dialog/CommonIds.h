#pragma once
// The ids every window of both programs gives the same meaning: the
// standard buttons and the window-menu entry of the about box.

namespace dialog {

inline constexpr int IdOk = 1;
inline constexpr int IdCancel = 2;

/// Window-menu command of the about entry.
inline constexpr int kAboutCommand = 0x0010;

/// Only the upper bits of a window-menu command name it; the low four may
/// carry flags.
constexpr bool isAboutCommand(int command) { return (command & 0xFFF0) == kAboutCommand; }

} // namespace dialog
