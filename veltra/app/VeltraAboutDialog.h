#pragma once
// The about box's logic: "确定" or the close box end it; it keeps nothing.

#include "dialog/TemplateBuilder.h"

namespace veltra {

using VeltraAboutDialog = dialog::InfoBoxLogic;

} // namespace veltra
