#pragma once
// Veltra's dialog templates as control tables: the main window (102) and
// the about box (100). Rectangles are pixels in the client area, from the
// templates' dialog units at the 12-pixel font. Toolkit-neutral.

#include "dialog/WindowTemplate.h"

namespace veltra {

/// The main window: every control of VeltraIds.h; the setting lists are
/// empty (the logic fills them); the switch "断线自动重连" and the about
/// entry in its menu.
dialog::WindowTemplate veltraMainWindowTemplate();

/// The about box: two lines and a "确定" button with id IdOk.
dialog::WindowTemplate veltraAboutBoxTemplate();

} // namespace veltra
