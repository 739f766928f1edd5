#include "dialog/WindowSpec.h"

namespace dialog {

const ControlSpec* WindowSpec::find(int id) const
{
    for (const auto& c : controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

} // namespace dialog
