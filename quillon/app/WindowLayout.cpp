#include "quillon/app/WindowLayout.h"

#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonTemplates.h"

namespace quillon {
namespace {

// The controls that maximizing moves, at their normal rectangles: the
// receive view and every named control of the lower block but the toggle,
// which is hidden instead.
const std::vector<ControlPlacement>& movingControls()
{
    static const std::vector<ControlPlacement> controls = [] {
        std::vector<ControlPlacement> out;
        for (const dialog::ControlTemplate& c : quillonMainWindowTemplate().controls) {
            if (c.id == dialog::kStaticId || c.id == TopmostToggle)
                continue;
            if (c.id == ReceiveView || c.rect.y >= kLowerBlockTop)
                out.push_back({c.id, c.rect});
        }
        return out;
    }();
    return controls;
}

bool isSendAreaEdit(int id) { return id == Area1Text || id == Area2Text || id == Area3Text; }

} // namespace

WindowLayout maximizedLayout(int screenWidth, int screenHeight)
{
    WindowLayout layout{movingControls(), 0, 0, false};
    const int down = screenHeight - 540;
    for (ControlPlacement& p : layout.placements) {
        dialog::Rect& r = p.rect;
        if (p.id == ReceiveView) {
            r = {296, 6, screenWidth - 310, screenHeight - 270};
            continue;
        }
        r.y += down;
        if (p.id == SendGroup) {
            r.x = 10;
            r.w = screenWidth - 24;
        } else if (isSendAreaEdit(p.id)) {
            r.x = 168;
            r.w = screenWidth - 186;
        }
    }
    const int chars = (screenWidth - 150) / 8;
    layout.viewCharsPerLine = chars % 2 ? chars + 1 : chars;
    layout.viewMaxLines = (screenHeight - 270) / 16 - 2;
    return layout;
}

WindowLayout normalLayout() { return {movingControls(), 84, 15, true}; }

std::optional<WindowLayout> LayoutSwitch::onResize(dialog::ControlSurface& surface, int kind, int screenWidth,
                                                   int screenHeight)
{
    std::optional<WindowLayout> layout;
    if (kind == dialog::DialogLogic::kMaximized) {
        layout = maximizedLayout(screenWidth, screenHeight);
        normal_ = false;
    } else if (kind == dialog::DialogLogic::kRestored && !normal_) {
        layout = normalLayout();
    } else {
        return std::nullopt;
    }
    for (const ControlPlacement& p : layout->placements)
        surface.moveControl(p.id, p.rect);
    surface.show(TopmostToggle, layout->toggleShown);
    return layout;
}

} // namespace quillon
