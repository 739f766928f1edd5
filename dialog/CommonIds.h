#pragma once
// The ids every window of both programs gives the same meaning: the
// standard buttons and the window-menu entries.

namespace dialog {

inline constexpr int IdOk = 1;
inline constexpr int IdCancel = 2;

/// Window-menu command of the about entry.
inline constexpr int kAboutCommand = 0x0010;

/// Window-menu command of the check entry "断线自动重连".
inline constexpr int kAutoReconnectCommand = 0x0020;

/// Only the upper bits of a window-menu command name it; the low four may
/// carry flags.
constexpr bool isAboutCommand(int command) { return (command & 0xFFF0) == kAboutCommand; }

} // namespace dialog
