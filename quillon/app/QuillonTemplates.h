#pragma once
// Quillon's dialog templates as control tables: the main window, the about
// box and the checksum dialog. Rectangles are pixels in the client area of
// the normal (not maximized) window. Toolkit-neutral.

#include "dialog/WindowTemplate.h"
#include "quillon/QuillonIds.h"

namespace quillon {

/// The main window: 794 x 540 pixels, every control of QuillonIds.h, the
/// five port-setting lists filled, the switch "断线自动重连" and the about
/// entry in its menu.
dialog::WindowTemplate quillonMainWindowTemplate();

/// The about box: one "确定" button with id IdOk.
dialog::WindowTemplate quillonAboutBoxTemplate();

/// The checksum dialog (template 129): seven radio buttons in one group,
/// "确定" (IdOk) and "取消" (IdCancel).
dialog::WindowTemplate quillonChecksumDialogTemplate();

} // namespace quillon
