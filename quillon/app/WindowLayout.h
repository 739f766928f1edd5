#pragma once
// The main window's two layouts: the table's normal one, and the maximized
// one computed from the screen size; and which of them a resize calls for.

#include "dialog/ControlSurface.h"
#include "dialog/WindowTemplate.h"

#include <optional>
#include <vector>

namespace quillon {

struct ControlPlacement {
    int id;
    dialog::Rect rect; // pixels in the client area
};

struct WindowLayout {
    std::vector<ControlPlacement> placements; // the controls that move, each once
    int viewCharsPerLine;                     // for the receive view's auto clear
    int viewMaxLines;
    bool toggleShown; // the always-on-top toggle 1074
};

/// Top of the lower block (send areas, rotation and area settings) in the
/// normal layout.
inline constexpr int kLowerBlockTop = 276;

/// The maximized layout for a screen of screenWidth x screenHeight pixels
/// (the screen, not the client area): the receive view grows, the lower
/// block moves down by screenHeight - 540 and its send group and send-area
/// edits widen, the top left stays.
WindowLayout maximizedLayout(int screenWidth, int screenHeight);

/// The normal layout: every control that maximizedLayout moves, back at its
/// rectangle of the window's table.
WindowLayout normalLayout();

/// Which layout the window has: maximizing puts the maximized one in place;
/// minimizing changes nothing, and neither does a restore before the first
/// maximize; after one, every restore puts the normal layout back.
class LayoutSwitch {
public:
    /// Moves the controls for a resize of kind (DialogLogic::kMaximized,
    /// ...) on a screen of the size given.
    /// @return the layout put in place; nothing when none was.
    std::optional<WindowLayout> onResize(dialog::ControlSurface& surface, int kind, int screenWidth, int screenHeight);

private:
    bool normal_ = true;
};

} // namespace quillon
