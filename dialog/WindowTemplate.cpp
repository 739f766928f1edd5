#include "dialog/WindowTemplate.h"

namespace dialog {

const ControlTemplate* WindowTemplate::find(int id) const
{
    for (const auto& c : controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

} // namespace dialog
